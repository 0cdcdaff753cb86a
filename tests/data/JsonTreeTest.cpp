#include <gtest/gtest.h>

#include <limits>
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

// The typed getters of an object take a member by index through its name.
TEST(JsonTreeTest, RepeatedNamesAnswerTheFirstMember) {
  TJSONdocument document = TJSON::ParseText(R"({"k":1,"k":2})");
  auto& object = static_cast<TJSONobject&>(*document);
  EXPECT_EQ(object.GetDouble(1), 1);
  EXPECT_EQ(object.Field(u"K"), nullptr);
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
