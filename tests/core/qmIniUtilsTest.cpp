#include "core/qmIniUtils.h"

#include <gtest/gtest.h>

#include <string>

#include "os/os.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;

TEST(IniUtils, WrittenValuesReadBack) {
  const std::string ini = FreshFolder("ini_roundtrip") + "settings.ini";
  EXPECT_TRUE(IniWriteString(ini, "Options", "Portable", "1"));
  EXPECT_TRUE(IniWriteString(ini, "Log", "FileName", "C:\\logs\\Lorvex.log"));
  EXPECT_TRUE(IniWriteString(ini, "Options", "Translate", "Deutsch"));
  EXPECT_TRUE(IniWriteString(ini, "Options", "Portable", "0"));  // replaced in place

  EXPECT_EQ(IniReadString(ini, "Options", "Portable", "?"), "0");
  EXPECT_EQ(IniReadString(ini, "Options", "Translate", "?"), "Deutsch");
  EXPECT_EQ(IniReadString(ini, "Log", "FileName", "?"), "C:\\logs\\Lorvex.log");
  // Sections and keys ignore case.
  EXPECT_EQ(IniReadString(ini, "options", "TRANSLATE", "?"), "Deutsch");
}

TEST(IniUtils, MissingKeySectionOrFileGivesTheDefault) {
  const std::string dir = FreshFolder("ini_missing");
  const std::string ini = dir + "settings.ini";
  EXPECT_EQ(IniReadString(ini, "Log", "Enabled", "fallback"), "fallback");
  ASSERT_TRUE(IniWriteString(ini, "Log", "Enabled", "1"));
  EXPECT_EQ(IniReadString(ini, "Log", "Sessions", "fallback"), "fallback");
  EXPECT_EQ(IniReadString(ini, "Options", "Enabled", ""), "");
  // A key of another section is not found in this one.
  ASSERT_TRUE(IniWriteString(ini, "Other", "Key", "x"));
  EXPECT_EQ(IniReadString(ini, "Log", "Key", "none"), "none");
}

TEST(IniUtils, LongValuesAreCutTo1023Characters) {
  const std::string ini = FreshFolder("ini_long") + "settings.ini";
  std::string value;
  for (int i = 0; i < 2000; ++i) value += static_cast<char>('a' + i % 26);
  ASSERT_TRUE(IniWriteString(ini, "Options", "Long", value));
  EXPECT_EQ(IniReadString(ini, "Options", "Long", ""), value.substr(0, 1023));
}

TEST(IniUtils, ReadsAFileWrittenOnWindows) {
  const std::string ini = FreshFolder("ini_windows") + "Lorvex.ini";
  ASSERT_TRUE(os::WriteFileReplacing(ini,
                                     "; Lorvex settings\r\n"
                                     "[Options]\r\n"
                                     "Portable=1\r\n"
                                     "\r\n"
                                     "[Log]\r\n"
                                     "Enabled = 1\r\n"
                                     "EnabledGroups=Score, Lorvex\r\n"));
  EXPECT_EQ(IniReadString(ini, "Options", "Portable", ""), "1");
  EXPECT_EQ(IniReadString(ini, "Log", "Enabled", ""), "1");
  EXPECT_EQ(IniReadString(ini, "Log", "EnabledGroups", ""), "Score, Lorvex");

  // Writing one key keeps every other line.
  ASSERT_TRUE(IniWriteString(ini, "Options", "Translate", "Deutsch"));
  EXPECT_EQ(IniReadString(ini, "Options", "Portable", ""), "1");
  EXPECT_EQ(IniReadString(ini, "Options", "Translate", ""), "Deutsch");
  EXPECT_EQ(IniReadString(ini, "Log", "EnabledGroups", ""), "Score, Lorvex");
}
