#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <random>

#include "data/json/JSON.h"

namespace {

TJSONptr Member(std::u16string_view name, double value) {
  return TJSONptr(new TJSONobjectmethod(name, TJSONptr(new TJSONnumber(value))));
}

// Each name answers its first member, and a name no member bears answers nothing.
void ExpectEveryNameFindsItsFirstMember(const TJSONobject& object) {
  for (int i = 0; i < object.GetCount(); ++i) {
    int first = 0;
    while (object.NameOf(first) != object.NameOf(i)) ++first;
    ASSERT_EQ(object.IndexOfName(object.NameOf(i)), first) << i;
    ASSERT_EQ(object.Field(object.NameOf(i)), static_cast<TJSONobjectmethod*>(object.GetChild(first))->Value());
  }
  ASSERT_EQ(object.IndexOfName(u"missing"), -1);
}

std::u16string Name(unsigned number) {
  const std::string digits = std::to_string(number);
  return u"n" + std::u16string(digits.begin(), digits.end());
}

// Small objects are scanned, big ones indexed; 16 members is where one turns into the other.
TEST(JsonTreeTest, TheNameIndexFollowsEveryChange) {
  for (const unsigned size : {5u, 16u, 60u}) {
    SCOPED_TRACE(size);
    std::string text = "{";
    for (unsigned i = 0; i < size; ++i) text += (i ? ",\"n" : "\"n") + std::to_string(i % (size * 2 / 3)) + "\":0";
    TJSONdocument document = TJSON::ParseText(text + "}");
    auto& object = static_cast<TJSONobject&>(*document);
    ExpectEveryNameFindsItsFirstMember(object);
    std::mt19937 random(size);
    for (unsigned step = 0; step < 6 * size; ++step) {
      const int at = int(random() % unsigned(object.GetCount() + 1));
      switch (step % 3) {
        case 0:
          object.Delete(at);
          break;
        case 1:
          object.SetChild(at, Member(Name(random() % size), step));
          break;
        default: {
          const int index = object.Add(Member(Name(random() % size), step));
          EXPECT_EQ(index, object.GetCount() - 1);
        }
      }
      ExpectEveryNameFindsItsFirstMember(object);
    }
  }
}

// Both members stay; look-ups by name, and so by index through the name, answer the first.
TEST(JsonTreeTest, RepeatedNamesAnswerTheFirstMember) {
  TJSONdocument document = TJSON::ParseText(R"({"k":1,"k":2})");
  auto& object = static_cast<TJSONobject&>(*document);
  ASSERT_EQ(object.GetCount(), 2);
  EXPECT_EQ(object.Field(u"k")->GetValue(), TJSONvalue(1.0));
  EXPECT_EQ(object.FieldByIndex(1)->GetValue(), TJSONvalue(1.0));
  EXPECT_EQ(object.GetDouble(1), 1);
  EXPECT_EQ(static_cast<TJSONobjectmethod*>(object.GetChild(1))->Value()->GetValue(), TJSONvalue(2.0));
  EXPECT_EQ(object.Field(u"K"), nullptr);
}

TEST(JsonTreeTest, DeletingMovesTheLastChildIntoTheGap) {
  TJSONdocument document = TJSON::ParseText("[1,2,3]");
  auto& list = static_cast<TJSONlist&>(*document);
  list.Delete(0);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetInteger(0), 3);
  EXPECT_EQ(list.GetInteger(1), 2);
}

// The name index on its own: names compare by code unit as unsigned numbers, and a name that
// begins another is smaller. Checked against std::map over many names in random order.
TEST(JsonTreeTest, TheBalancedTreeKeepsTheFirstPositionOfEachName) {
  TJSONBalTree tree;
  EXPECT_EQ(tree.Search(u"zzz"), -1);
  EXPECT_TRUE(tree.Insert(u"zzz", 7));
  EXPECT_EQ(tree.Search(u"zzz"), 7);
  EXPECT_FALSE(tree.Insert(u"zzz", 8));
  EXPECT_EQ(tree.Search(u"zzz"), 7);

  std::map<std::u16string, int> expected = {{u"zzz", 7}};
  std::mt19937 random(1);
  const char16_t units[] = {u'a', u'b', u'\u00e9', u'\uffff', char16_t(0xD800)};
  for (int i = 0; i < 3000; ++i) {
    std::u16string name;
    for (unsigned length = random() % 5; length > 0; --length) name += units[random() % std::size(units)];
    EXPECT_EQ(tree.Insert(name, i), expected.emplace(name, i).second) << i;
  }
  for (const auto& [name, position] : expected) ASSERT_EQ(tree.Search(name), position);
  EXPECT_EQ(tree.Search(u"abababab"), -1);
  tree.Clear();
  EXPECT_EQ(tree.Search(u"zzz"), -1);
  EXPECT_TRUE(tree.Insert(u"zzz", 1));
  EXPECT_EQ(tree.Search(u"zzz"), 1);
}

TEST(JsonTreeTest, EncodeUtf8CharGivesOneToFourBytes) {
  const struct {
    uint32_t Code;
    std::string Bytes;
  } cases[] = {
      {0x00, std::string(1, '\0')},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xD800, "\xED\xA0\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
      {0x200000, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeUtf8Char(c.Code), c.Bytes) << std::hex << c.Code;
}

TEST(JsonTreeTest, GetIntegerDropsTheFractionAndSaturates) {
  TJSONdocument document = TJSON::ParseText("[2.9,-2.9,2147483647.5,3e9,-2147483648.9,-1e300,0,0,0]");
  auto& list = static_cast<TJSONlist&>(*document);
  list.GetChild(6)->SetValue(std::numeric_limits<double>::quiet_NaN());
  list.GetChild(7)->SetValue(std::numeric_limits<double>::infinity());
  list.GetChild(8)->SetValue(-std::numeric_limits<double>::infinity());
  const int32_t max = std::numeric_limits<int32_t>::max(), min = std::numeric_limits<int32_t>::min();
  const int32_t expected[] = {2, -2, max, max, min, min, 0, max, min};
  for (int i = 0; i < list.GetCount(); ++i) EXPECT_EQ(list.GetInteger(i), expected[i]) << i;
}

}  // namespace
