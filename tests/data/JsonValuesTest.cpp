// The values of the JSON tree: typed getters, conversions when a value is set, and the edits of
// a list.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"

namespace {

using jsontest::Canonical;

// A missing child, also a member without a name, answers 0, an empty text or False; a child of
// another class is refused.
TEST(JsonValuesTest, TypedGettersAnswerDefaultsForMissingValuesAndRefuseOtherClasses) {
  TJSONdocument document = TJSON::ParseText(R"({"n":1.5,"s":"\u00e9t\u00e9","b":true,"":"unnamed"})");
  const auto& object = static_cast<const TJSONobject&>(*document);
  EXPECT_EQ(object.GetString(1), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(object.GetWideString(1), u"\u00e9t\u00e9");
  EXPECT_EQ(object.GetDouble(0), 1.5);
  EXPECT_EQ(object.GetInteger(0), 1);
  EXPECT_TRUE(object.GetBoolean(2));
  for (const int missing : {3, 4, -1}) {
    SCOPED_TRACE(missing);
    EXPECT_EQ(object.GetInteger(missing), 0);
    EXPECT_EQ(object.GetDouble(missing), 0);
    EXPECT_EQ(object.GetString(missing), "");
    EXPECT_FALSE(object.GetBoolean(missing));
  }
  EXPECT_THROW(object.GetInteger(1), EInvalidCast);
  EXPECT_THROW(object.GetString(0), EInvalidCast);
  EXPECT_THROW(object.GetBoolean(0), EInvalidCast);
}

// Delete moves the last child into the gap; a child set outside the range, or an object's
// child that is no member, stays the caller's; nothing is no child.
TEST(JsonValuesTest, ListsDeleteByMovingTheLastChildAndTakeOnlyWhatTheyStore) {
  TJSONdocument document = TJSON::ParseText(R"([1,"two",[3]])");
  auto& list = static_cast<TJSONlist&>(*document);
  list.Delete(0);
  EXPECT_EQ(Canonical(document), R"([[3],"two"])");
  list.Delete(2);
  list.Delete(-1);
  EXPECT_EQ(list.GetCount(), 2);

  TJSONptr outside(new TJSONstring(u"kept"));
  list.SetChild(2, std::move(outside));
  ASSERT_NE(outside, nullptr);
  list.SetChild(0, std::move(outside));
  list.GetChild(1)->SetValue(u"deux");
  EXPECT_EQ(list.Add(TJSONptr(new TJSONboolean(true))), 2);
  EXPECT_EQ(list.Add(nullptr), -1);
  EXPECT_EQ(Canonical(document), R"(["kept","deux",true])");
  EXPECT_EQ(list.IndexOf(list.GetChild(1)), 1);
  EXPECT_EQ(list.IndexOf(document.get()), -1);
  EXPECT_EQ(list.GetField(1), list.GetChild(1));
  EXPECT_EQ(list.GetField(u"x"), &list);  // a text is no index of a list

  TJSONobject object;
  TJSONptr number(new TJSONnumber(1));
  EXPECT_EQ(object.Add(std::move(number)), -1);
  EXPECT_NE(number, nullptr);
}

// Each leaf converts what it is given to its own kind, or refuses it and keeps its value; every
// class names its type.
TEST(JsonValuesTest, ValuesConvertWhenSetAndNameTheirTypes) {
  TJSONdocument document = TJSON::ParseText(R"([0,"",false,null,[],{}])");
  TJSONbase& number = *document->GetChild(0);
  TJSONbase& text = *document->GetChild(1);
  TJSONbase& flag = *document->GetChild(2);
  const struct {
    TJSONbase& Node;
    TJSONvalue Set;
    TJSONvalue Expected;  // nothing: refused
  } cases[] = {
      {number, u"-2.5e1", -25.0},    {number, true, 1.0},
      {text, 1.5, u"1.5"},           {text, false, u"False"},
      {flag, u"TRUE", true},         {flag, 0.0, false},
      {number, u" 1", TJSONvalue()}, {text, TJSONvalue(), TJSONvalue()},
      {flag, u"yes", TJSONvalue()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Node.JSONTypeName());
    if (std::holds_alternative<std::monostate>(c.Expected)) {
      const TJSONvalue before = c.Node.GetValue();
      EXPECT_THROW(c.Node.SetValue(c.Set), EConvertError);
      EXPECT_EQ(c.Node.GetValue(), before);
    } else {
      c.Node.SetValue(c.Set);
      EXPECT_EQ(c.Node.GetValue(), c.Expected);
    }
  }
  std::string names;
  for (int i = 0; i < document->GetCount(); ++i) names += std::string(document->GetChild(i)->JSONTypeName()) + " ";
  EXPECT_EQ(names, "jsNumber jsString jsBoolean jsNull jsList jsObject ");
  EXPECT_EQ(document->GetChild(3)->GetField(0), document->GetChild(3));  // a leaf answers itself
}

}  // namespace

namespace {

// A bookmarks file cut while the browser writes it: every cut of a whole document is refused,
// and what was built before the cut is freed (the sanitizers see to that).
TEST(JsonValuesTest, EveryPrefixOfADocumentAnswersNil) {
  const std::string text = R"({"roots":{"bookmark_bar":{"children":[{"name":"Git\u0048ub \u00e9t\u00e9","type":"url",)"
                           R"("url":"https://github.com/"},{"id":-12.5e-3,"ok":[true,false,null]}],"name":"Bar"}},)"
                           "\"version\":1,\"\xC3\xA9\":\"\xF0\x9F\x98\x80\"}";
  ASSERT_NE(jsontest::Canonical(TJSON::ParseText(text)), "nil");
  for (size_t length = 0; length < text.size(); ++length)
    ASSERT_EQ(jsontest::Canonical(TJSON::ParseText(text.substr(0, length))), "nil") << length;
}

}  // namespace
