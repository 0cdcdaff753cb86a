#include <gtest/gtest.h>

#include <filesystem>

#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"
#include "tests/support/TestPaths.h"

#if __has_include(<nlohmann/json.hpp>)
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

// The grammar is JSONTestSuite's (below); these are the choices it leaves open, and the limits.
TEST(JsonParserTest, ReadsAsItChoosesWhereTheGrammarLeavesItOpen) {
  const struct {
    const char* What;
    std::string Text, Expected;  // the canonical text, or "nil"
  } cases[] = {
      {"a byte-order mark is skipped", "\xEF\xBB\xBF{\"a\":1}", R"({"a":1})"},
      {"text after a literal", "truex", "nil"},
      {"\\u with a sign", R"("\u+0e9")", "nil"},
      {"lone high surrogate", R"("\ud83d")", "nil"},
      {"lone low surrogate", R"("\ude00")", "nil"},
      {"reversed surrogates", R"("\ude00\ud83d")", "nil"},
      {"ill-formed UTF-8, one U+FFFD per piece", "\"a\xC3(\xED\xA0\x80\xF0\x9F\x98\"",
       R"("a\ufffd(\ufffd\ufffd\ufffd\ufffd")"},
      {"too large for a double", "[1e400]", "nil"},
      {"too large, negative", "[-123456789e305]", "nil"},
      {"too large by its digits", "[" + std::string(400, '9') + "e-80]", "nil"},
      {"too small becomes zero", "[1e-400,-2.5e-99999999999,0.0001e-320]", "[0,0,0]"},
      {"small by its digits", "[" + std::string(400, '9') + "e-800]", "[0]"},
      {"largest double", "1.7976931348623157e308", "1.7976931348623157e+308"},
      {"512 levels", Nest(512, "[", "", "]"), Nest(512, "[", "", "]")},
      {"513 levels", Nest(513, "[", "", "]"), "nil"},
      {"513 levels of objects", Nest(513, "{\"a\":", "1", "}"), "nil"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Parsed(c.Text), c.Expected);
  }
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
    const std::string text = testpaths::ReadText(entry.path().string());
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
