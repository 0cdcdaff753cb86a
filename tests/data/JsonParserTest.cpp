#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TestPaths.h"
#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"

#if __has_include(<nlohmann/json.hpp>)
#include <nlohmann/json.hpp>
#define LORVEX_JSON_ORACLE 1
#endif

using jsontest::Canonical;

namespace {

std::string Parsed(std::string_view text) { return Canonical(TJSON::ParseText(text)); }

struct TParseCase {
  const char* What;
  std::string Text;
  std::string Expected;  // the canonical text, or "nil"
};

std::string Nest(int depth, const std::string& open, const std::string& inner, const std::string& close) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(JsonParserTest, FollowsTheGrammarWithItsStatedChoices) {
  const TParseCase cases[] = {
      {"literals and numbers", "[true,false,null,-0.5e+3,0,1E2,12.25]", "[true,false,null,-500,0,100,12.25]"},
      {"blanks around everything", " \t\r\n{ \"a\" : [ 1 , {} ] } \n", R"({"a":[1,{}]})"},
      {"a byte-order mark is skipped", "\xEF\xBB\xBF{\"a\":1}", R"({"a":1})"},
      {"only a byte-order mark", "\xEF\xBB\xBF", "nil"},
      {"empty text", "", "nil"},
      {"only blanks", " \n", "nil"},
      {"form feed is no blank", "\f1", "nil"},
      {"text after the value", "{}x", "nil"},
      {"text after a literal", "truex", "nil"},
      {"capital literal", "True", "nil"},
      {"missing comma", "[1 2]", "nil"},
      {"trailing comma in a list", "[1,]", "nil"},
      {"trailing comma in an object", "{\"a\":1,}", "nil"},
      {"leading comma", "[,1]", "nil"},
      {"leading plus", "+7", "nil"},
      {"leading zero", "012", "nil"},
      {"negative leading zero", "-01", "nil"},
      {"point without digits", "[1.]", "nil"},
      {"exponent without digits", "1e", "nil"},
      {"escapes", R"(["tab\tend","\"\\\/\b\f\n\r"])", R"(["tab\u0009end","\u0022\u005c/\u0008\u000c\u000a\u000d"])"},
      {"a \\u escape", R"("a\u00e9b")", R"("a\u00e9b")"},
      {"unknown escape", R"("\q")", "nil"},
      {"quote escape of another grammar", R"("\'")", "nil"},
      {"\\u with three hex digits", R"("\u00e")", "nil"},
      {"\\u with a non-hex digit", R"("\u00eg")", "nil"},
      {"\\u with a sign", R"("\u+0e9")", "nil"},
      {"escaped pair", R"("\ud83d\ude00")", R"("\ud83d\ude00")"},
      {"raw UTF-8 of the same code point", "\"\xF0\x9F\x98\x80\"", R"("\ud83d\ude00")"},
      {"lone high surrogate", R"("\ud83d")", "nil"},
      {"high surrogate before a letter", R"("\ud83dx")", "nil"},
      {"high surrogate before another escape", R"("\ud83d\u0041")", "nil"},
      {"lone low surrogate", R"("\ude00")", "nil"},
      {"reversed surrogates", R"("\ude00\ud83d")", "nil"},
      {"raw control character", "\"a\x01\"", "nil"},
      {"raw tab", "\"a\tb\"", "nil"},
      {"raw line break", "\"a\nb\"", "nil"},
      {"raw DEL is allowed", "\"a\x7F\"", R"("a\u007f")"},
      {"an escaped NUL stays", R"("a\u0000b")", R"("a\u0000b")"},
      {"ill-formed UTF-8, one U+FFFD per piece", "\"a\xC3(\xED\xA0\x80\xF0\x9F\x98\"",
       R"("a\ufffd(\ufffd\ufffd\ufffd\ufffd")"},
      {"UTF-8 outside a string", "[\xC3\xA9]", "nil"},
      {"too large for a double", "[1e400]", "nil"},
      {"too large, negative", "[-123456789e305]", "nil"},
      {"too large by its digits", "[" + std::string(400, '9') + "e-80]", "nil"},
      {"too small becomes zero", "[1e-400,-2.5e-99999999999,0.0001e-320]", "[0,0,0]"},
      {"small by its digits", "[" + std::string(400, '9') + "e-800]", "[0]"},
      {"largest double", "1.7976931348623157e308", "1.7976931348623157e+308"},
      {"smallest double", "5e-324", "5e-324"},
      {"duplicate names are kept", R"({"k":1,"k":2})", R"({"k":1,"k":2})"},
      {"512 levels", Nest(512, "[", "", "]"), Nest(512, "[", "", "]")},
      {"513 levels", Nest(513, "[", "", "]"), "nil"},
      {"513 levels of objects", Nest(513, "{\"a\":", "1", "}"), "nil"},
      {"100,000 open brackets", std::string(100000, '['), "nil"},
  };
  for (const TParseCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Parsed(c.Text), c.Expected);
  }
}

// Every cut of a whole document is refused, and what was built before the cut is freed (the
// sanitizers see to that).
TEST(JsonParserTest, EveryPrefixOfADocumentAnswersNil) {
  const std::string text = R"({"roots":{"bookmark_bar":{"children":[{"name":"Git\u0048ub \u00e9t\u00e9","type":"url",)"
                           R"("url":"https://github.com/"},{"id":-12.5e-3,"ok":[true,false,null]}],"name":"Bar"}},)"
                           "\"version\":1,\"\xC3\xA9\":\"\xF0\x9F\x98\x80\"}";
  ASSERT_NE(Parsed(text), "nil");
  for (size_t length = 0; length < text.size(); ++length) {
    SCOPED_TRACE(length);
    ASSERT_EQ(Parsed(text.substr(0, length)), "nil");
  }
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The parsing cases of JSONTestSuite: y_ files must be read (and, where nlohmann/json is
// installed, read as it reads them), n_ files refused; i_ files may go either way.
TEST(JsonParserTest, JSONTestSuite) {
  const std::filesystem::path folder = testpaths::ProgramPath(std::string(LORVEX_CORPORA) + "/json/test_parsing");
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no JSONTestSuite files in " << folder.string();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string text = ReadFile(entry.path());
    const std::string ours = Parsed(text);
    ++files;
    if (name.starts_with("n_")) {
      EXPECT_EQ(ours, "nil");
    }
    if (!name.starts_with("y_")) continue;
#ifdef LORVEX_JSON_ORACLE
    jsontest::TCanonicalSax<nlohmann::json> oracle;
    ASSERT_TRUE(nlohmann::json::sax_parse(text, &oracle));
    EXPECT_EQ(ours, oracle.Text());
#else
    EXPECT_NE(ours, "nil");
#endif
  }
  EXPECT_EQ(files, 318);
}

}  // namespace
