// The in-memory INI file's values as the system's profile calls read them: what Lorvex writes,
// other programs read as Lorvex reads it.
#include "core/qmMemIni.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestPaths.h"

TEST(TMemIniFileWin32, TheSystemReadsEveryValueAsLorvexReadsIt) {
  const struct {
    std::string Value, Read;
  } cases[] = {
      {"plain text", "plain text"},
      {"  indented\tnext line  ", "  indented\tnext line  "},
      {"\"C:\\Program Files\\x.exe\"", "\"C:\\Program Files\\x.exe\""},
      {"'single'", "'single'"},
      {"a \"quoted\" word", "a \"quoted\" word"},
      {"two\r\nlines\nand[evil]", "two#13#10lines#13#10and[evil]"},
  };
  const std::string file = testpaths::FreshFolder("memini_system") + "values.ini";
  TMemIniFile ini(file);
  for (const auto& c : cases) ini.WriteString("Values", "Key" + std::to_string(&c - cases), c.Value);
  ini.UpdateFile();
  const TMemIniFile reread(file);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    const std::string key = "Key" + std::to_string(&c - cases);
    char buffer[256] = {};
    GetPrivateProfileStringA("Values", key.c_str(), "-", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(std::string(buffer), c.Read);
    EXPECT_EQ(reread.ReadString("Values", key, "-"), c.Read);
  }
}

// And a file written by hand: Lorvex reads each value as the system does.
TEST(TMemIniFileWin32, LorvexReadsAHandWrittenFileAsTheSystemDoes) {
  const std::string file = testpaths::FreshFolder("memini_system_hand") + "hand.ini";
  testpaths::WriteText(file, "[v]\r\nA =  \"  two blanks  \"  \r\nB='x'\r\nC=\"\"twice\"\"\r\nD=\"\"\r\n"
                             "E=\"x'\r\nF= one \t\r\nG=\"\r\n");
  const TMemIniFile ini(file);
  for (const char* key : {"A", "B", "C", "D", "E", "F", "G"}) {
    char buffer[256] = {};
    GetPrivateProfileStringA("v", key, "-", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(ini.ReadString("v", key, "?"), std::string(buffer)) << key;
  }
}
