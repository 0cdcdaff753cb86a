#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <set>
#include <sstream>

#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"
#include "tests/support/TestPaths.h"

#if __has_include(<nlohmann/json.hpp>) && defined(__GLIBC__)
#include <nlohmann/json.hpp>
#define LORVEX_JSON_ORACLE 1
#endif

using jsontest::Canonical;

namespace {

std::string Parsed(std::string_view text) { return Canonical(TJSON::ParseText(text)); }

std::string Nest(int depth, const std::string& open, const std::string& inner, const std::string& close) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

using namespace std::string_literals;

TEST(JsonParserTest, ReadsItsGrammar) {
  const struct {
    const char* What;
    std::string Text, Expected;  // the canonical text, or "nil"
  } cases[] = {
      {"an empty text", "", "nil"},
      {"blanks only: every byte below 33", "\0\x01\x1f \t\r\n"s, "nil"},
      {"the byte-order mark only", "\xEF\xBB\xBF", "nil"},
      {"the byte-order mark, then an object", "\xEF\xBB\xBF{\"a\":1}", R"({"a":1})"},
      {"blanks around values", "\x01[\0371\0,\x02 2 ]"s, "[1,2]"},
      {"DEL is no blank", "[1\x7f]", "nil"},
      {"text after the value", R"({"a":1} xyz {)", R"({"a":1})"},
      {"text after the value, not UTF-8", "[\"\xC3\xA9\"]\xFF", R"(["\u00e9"])"},
      {"true followed by x", "truex", "true"},
      {"True with a capital", "True", "nil"},
      {"an unfinished literal", "nul", "nil"},

      {"two values with a blank between", "[1 2]", "[1,2]"},
      {"values with nothing between", R"([1true"a"[]{}null-2])", R"([1,true,"a",[],{},null,-2])"},
      {"a comma after the last value", "[1,]", "[1]"},
      {"an empty list", "[]", "[]"},
      {"a comma before the first value", "[,1]", "nil"},
      {"two commas in a row", "[1,,2]", "nil"},
      {"a comma alone", "[,]", "nil"},
      {"a value it cannot read", "[1,x]", "nil"},
      {"a literal run into a letter", "[truex]", "nil"},
      {"a list not closed", "[1,2", "nil"},
      {"members without a comma", R"({"a":1 "b":2})", R"({"a":1,"b":2})"},
      {"a comma after the last member", R"({"a":1,})", R"({"a":1})"},
      {"a comma before the first member", R"({,"a":1})", "nil"},
      {"two commas between members", R"({"a":1,,"b":2})", "nil"},
      {"a member without its colon", R"({"a" 1})", "nil"},
      {"a member without its value", R"({"a":})", "nil"},
      {"a name that is no string", R"({1:2})", "nil"},
      {"512 levels", Nest(512, "[", "", "]"), Nest(512, "[", "", "]")},
      {"513 levels", Nest(513, "[", "", "]"), "nil"},
      {"513 levels of objects", Nest(513, "{\"a\":", "1", "}"), "nil"},

      {"-0.5e+3", "-0.5e+3", "-500"},
      {"+7", "+7", "7"},
      {"012", "012", "12"},
      {"1. in a list", "[1.]", "nil"},
      {"1e in a list", "[1e]", "nil"},
      {"an exponent's sign without digits", "[1e+]", "nil"},
      {"a fraction without digits before it", "[.5]", "nil"},
      {"a sign alone", "[-]", "nil"},
      {"a sign and then a blank", "[- 1]", "nil"},
      {"a number and a signed one", "[1-2+3]", "[1,-2,3]"},
      {"beyond the 80-bit range", "[1e5000]", "nil"},
      {"beyond it, negative", "[-1e5000]", "nil"},
      {"too small for it", "[1e-5000,-1e-99999999999]", "[0,0]"},

      {"a\\u00e9b", R"("a\u00e9b")", R"("a\u00e9b")"},
      {"\\q", R"("\q")", R"("")"},
      {"tab\\tend", R"("tab\tend")", R"("tab\u0009end")"},
      {"every escape", R"("\"\\\/\'\b\f\n\r\t")", R"("\u0022\u005c/'\u0008\u000c\u000a\u000d\u0009")"},
      {"control characters as they stand", "\"a\x01\n\x1f\"", R"("a\u0001\u000a\u001f")"},
      {"a backslash and a character of two bytes", "\"a\\\xC3\xA9z\"", R"("az")"},
      {"an escaped pair", R"("\ud83d\ude00")", R"("\ud83d\ude00")"},
      {"a pair as it stands", "\"\xF0\x9F\x98\x80\"", R"("\ud83d\ude00")"},
      {"a lone high surrogate", R"("\ud83dx")", R"("\ufffdx")"},
      {"a lone low surrogate", R"("\ude00")", R"("\ufffd")"},
      {"surrogates the wrong way round", R"("\ude00\ud83d")", R"("\ufffd\ufffd")"},
      {"a high surrogate, then a character as it stands", "\"\\ud83d\xC3\xA9\"", R"("\ufffd\u00e9")"},
      {"two high surrogates, then a low one", R"("\ud83d\ud83d\ude00")", R"("\ufffd\ud83d\ude00")"},
      {"\\u0000", R"("a\u0000")", R"("a\u0000")"},
      {"\\u with three digits", R"("\u123")", "nil"},
      {"\\u with a sign", R"("\u+0e9")", "nil"},
      {"\\u with a letter past f", R"("\u12g4")", "nil"},
      {"no closing mark", R"("abc)", "nil"},
      {"an escaped closing mark only", R"("abc\")", "nil"},

      {"a document of UTF-8", "[\"caf\xC3\xA9\",\"\xE2\x82\xAC\"]", R"(["caf\u00e9","\u20ac"])"},
      {"one string not UTF-8: every string is Windows-1252", "[\"\xC3\xA9\",\"\xE9!\x81\"]",
       R"(["\u00c3\u00a9","\u00e9!\u0081"])"},
      {"an encoded surrogate is not UTF-8", "\"\xED\xA0\x80\"", R"("\u00ed\u00a0\u20ac")"},
      {"a backslash and a byte of Windows-1252", "[\"\\\xE9x\",\"\xFF\"]", R"(["x","\u00ff"])"},
      {"a name not UTF-8", "{\"\xB9\":0,}", R"({"\u00b9":0})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Parsed(c.Text), c.Expected);
  }
}

TEST(JsonParserTest, NumbersAreTheNearest80BitFloats) {
  using Limits = std::numeric_limits<long double>;
  const struct {
    std::string Text;
    long double Expected;
  } cases[] = {
      {"0.1", 0.1L},
      {"1e400", 1e400L},
      {"-2.5e-400", -2.5e-400L},
      {"123456789012345678901234567890", 123456789012345678901234567890.0L},
      {"18446744073709551615", 18446744073709551615.0L},
      // Halfway between two floats: to the even one.
      {"18446744073709551617", 18446744073709551616.0L},
      {"1.0000000000000000000542101086242752217003726400434970855712890625", 1.0L},
      {"1.00000000000000000005421010862427522170037264004349708557128906251", 1.0L + 0x1p-63L},
      // The largest and what still rounds to it; the smallest and half of it.
      {"1.18973149535723176502e4932", Limits::max()},
      {"1.189731495357231765053e4932", Limits::max()},
      {"3.6451995318824746025e-4951", Limits::denorm_min()},
      {"1.8226e-4951", Limits::denorm_min()},
      {"1.8225e-4951", 0},
      {"3.3621031431120935063e-4932", Limits::min()},
      // Beyond 800 digits only whether the rest is zero counts.
      {"1" + std::string(900, '0') + "e-900", 1.0L},
      {"0." + std::string(900, '0') + "1e901", 1.0L},
      {"1.0000000000000000000542101086242752217003726400434970855712890625" + std::string(800, '0') + "1",
       1.0L + 0x1p-63L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const TJSONdocument document = TJSON::ParseText(c.Text);
    ASSERT_TRUE(document);
    EXPECT_EQ(static_cast<const TJSONnumber&>(*document).Value(), c.Expected);
  }
  EXPECT_FALSE(TJSON::ParseText("1.189731495357231765054e4932"));
}

// The parsing cases of JSONTestSuite: every y_ file is read (and, where nlohmann/json is
// installed, read as it reads it); the n_ files that our grammar takes are listed, so that a
// change shows. (The i_ files may go either way.)
TEST(JsonParserTest, JSONTestSuite) {
  const std::filesystem::path folder = testpaths::ProgramPath(std::string(LORVEX_CORPORA) + "/json/test_parsing");
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no JSONTestSuite files in " << folder.string();
  // Without "n_" and ".json".
  std::istringstream takenRefusalNames(R"(
      array_1_true_without_comma array_comma_after_close array_extra_close array_extra_comma
      array_inner_array_no_comma array_number_and_comma multidigit_number_then_00 number_+1 number_-01 number_1_000
      number_expression number_neg_int_starting_with_zero number_with_leading_zero
      object_lone_continuation_byte_in_key_and_trailing_comma object_trailing_comma object_trailing_comment
      object_trailing_comment_open object_trailing_comment_slash_open object_trailing_comment_slash_open_incomplete
      object_with_trailing_garbage string_backslash_00 string_escape_x string_escaped_ctrl_char_tab
      string_escaped_emoji string_incomplete_surrogate_escape_invalid string_invalid_backslash_esc
      string_invalid_utf8_after_escape string_unescaped_ctrl_char string_unescaped_newline string_unescaped_tab
      string_unicode_CapitalU string_with_trailing_garbage structure_array_trailing_garbage
      structure_array_with_extra_array_close structure_close_unopened_array structure_double_array
      structure_null-byte-outside-string structure_number_with_trailing_garbage
      structure_object_followed_by_closing_object structure_object_with_trailing_garbage structure_trailing_#
      structure_whitespace_formfeed
  )");
  std::set<std::string> takenRefusals;
  for (std::string name; takenRefusalNames >> name;) takenRefusals.insert("n_" + name + ".json");
  std::set<std::string> taken;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string text = testpaths::ReadText(entry.path().string());
    const std::string ours = Parsed(text);
    ++files;
    if (name.starts_with("n_") && ours != "nil") taken.insert(name);
    if (!name.starts_with("y_")) continue;
#ifdef LORVEX_JSON_ORACLE
    jsontest::TCanonicalSax<nlohmann::json> oracle;
    ASSERT_TRUE(nlohmann::json::sax_parse(text, &oracle));
    EXPECT_EQ(ours, oracle.Text());
#else
    EXPECT_NE(ours, "nil");
#endif
  }
  EXPECT_EQ(taken, takenRefusals);
  EXPECT_EQ(files, 318);
}

}  // namespace
