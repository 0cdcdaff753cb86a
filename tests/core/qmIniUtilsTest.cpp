#include "core/qmIniUtils.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestPaths.h"

TEST(IniUtils, WrittenValuesReadBackIgnoringCaseAndMissingOnesGiveTheDefault) {
  const std::string ini = testpaths::FreshFolder("ini_files") + "Lorvex.ini";
  EXPECT_EQ(IniReadString(ini, "Log", "Enabled", "fallback"), "fallback");  // no file
  testpaths::WriteText(ini, "; Lorvex settings\r\n[Options]\r\nPortable=1\r\n\r\n[Log]\r\nEnabled = 1\r\n");
  std::string value;
  for (int i = 0; i < 2000; ++i) value += static_cast<char>('a' + i % 26);
  EXPECT_TRUE(IniWriteString(ini, "Options", "Translate", "Deutsch"));
  EXPECT_TRUE(IniWriteString(ini, "Log", "FileName", "C:\\logs\\Lorvex.log"));
  EXPECT_TRUE(IniWriteString(ini, "Other", "Long", value));
  EXPECT_TRUE(IniWriteString(ini, "Options", "Portable", "0"));  // replaced in place

  EXPECT_EQ(IniReadString(ini, "options", "PORTABLE", "?"), "0");
  EXPECT_EQ(IniReadString(ini, "Options", "Translate", ""), "Deutsch");
  EXPECT_EQ(IniReadString(ini, "Log", "Enabled", ""), "1");
  EXPECT_EQ(IniReadString(ini, "Log", "FileName", "?"), "C:\\logs\\Lorvex.log");
  EXPECT_EQ(IniReadString(ini, "Other", "Long", ""), value.substr(0, 1023));
  EXPECT_EQ(IniReadString(ini, "Log", "Sessions", "fallback"), "fallback");
  EXPECT_EQ(IniReadString(ini, "Log", "Portable", "none"), "none");  // a key of another section
  EXPECT_EQ(IniReadString(ini, "Missing", "Portable", ""), "");
}
