#include <gtest/gtest.h>

#include <string>

#include "core/qmMemIni.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;

namespace {

std::string ReadAll(const std::string& fileName) {
  std::string text;
  EXPECT_TRUE(os::ReadFile(fileName, text)) << fileName;
  return text;
}

void WriteAll(const std::string& fileName, const std::string& text) {
  ASSERT_TRUE(os::WriteFileReplacing(fileName, text));
}

}  // namespace

TEST(TMemIniFileTest, ReadsSectionsAndKeysInFileOrderIgnoringCase) {
  const std::string file = FreshFolder("memini_read") + "words.ini";
  WriteAll(file,
           "\xEF\xBB\xBF; exported words\n"
           "[notepad]\n"
           "Description=Text editor\n"
           "ExecuteString = C:\\Windows\\notepad.exe \r\n"
           "; a comment=not a key\n"
           "\n"
           "[\xC3\x9C"
           "bersicht]\r\n"
           "RunAsAdmin=1\n"
           "Parameters=a=b\n"
           "[calc] ; trailing text\n"
           "RunAsAdmin=0\n"
           "[NOTEPAD]\n"
           "Path=C:\\Windows\\\n"
           "Description=second one\n");
  const TMemIniFile ini(file);

  EXPECT_EQ(ini.SectionNames(), (TStringList{"notepad",
                                             "\xC3\x9C"
                                             "bersicht",
                                             "calc"}));
  EXPECT_EQ(ini.ReadString("NotePad", "description", "-"), "Text editor");
  EXPECT_EQ(ini.ReadString("notepad", "ExecuteString", "-"), "C:\\Windows\\notepad.exe");
  // A later header of the same section continues it; the first value of a key wins.
  EXPECT_EQ(ini.ReadString("notepad", "Path", "-"), "C:\\Windows\\");
  EXPECT_EQ(ini.KeyNames("notepad"), (TStringList{"Description", "ExecuteString", "Path", "Description"}));
  EXPECT_EQ(ini.ReadString("notepad", "; a comment", "-"), "-");
  // Letters beyond ASCII match in any case too.
  EXPECT_EQ(ini.ReadString("\xC3\xBC"
                           "bersicht",
                           "Parameters", "-"),
            "a=b");
  EXPECT_EQ(ini.ReadString("missing", "Parameters", "-"), "-");
  EXPECT_EQ(ini.ReadString("calc", "missing", "-"), "-");
  EXPECT_TRUE(ini.SectionExists("CALC"));
  EXPECT_FALSE(ini.SectionExists("; exported words"));
  EXPECT_TRUE(ini.ValueExists("calc", "runasadmin"));
  EXPECT_FALSE(ini.ValueExists("calc", "Path"));
}

TEST(TMemIniFileTest, NumbersAndBooleansFallBackToTheDefaultWhenNotAnInteger) {
  const std::string file = FreshFolder("memini_bool") + "values.ini";
  WriteAll(file, "[v]\nOne=1\nZero=0\nSeven= 7 \nMinus=-3\nPlus=+2\nWord=yes\nMixed=1x\nEmpty=\nHuge=99999999999\n");
  const TMemIniFile ini(file);

  EXPECT_TRUE(ini.ReadBool("v", "One", false));
  EXPECT_FALSE(ini.ReadBool("v", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("v", "Seven", false));
  EXPECT_TRUE(ini.ReadBool("v", "Minus", false));
  for (const char* key : {"Word", "Mixed", "Empty", "Huge", "Missing"}) {
    EXPECT_TRUE(ini.ReadBool("v", key, true)) << key;
    EXPECT_FALSE(ini.ReadBool("v", key, false)) << key;
    EXPECT_EQ(ini.ReadInteger("v", key, 42), 42) << key;
  }
  EXPECT_EQ(ini.ReadInteger("v", "Seven", 0), 7);
  EXPECT_EQ(ini.ReadInteger("v", "Minus", 0), -3);
  EXPECT_EQ(ini.ReadInteger("v", "Plus", 0), 2);
}

TEST(TMemIniFileTest, AMissingFileStartsEmptyAndIsWrittenWithCrLf) {
  const std::string file = FreshFolder("memini_new") + "new.ini";
  TMemIniFile ini(file);
  EXPECT_TRUE(ini.SectionNames().empty());

  ini.WriteString("calc", "ExecuteString", "calc.exe");
  ini.WriteBool("calc", "RunAsAdmin", true);
  ini.WriteBool("paint", "RunAsAdmin", false);
  ini.WriteInteger("paint", "Count", -4);
  ini.WriteString("calc", "ExecuteString", "C:\\calc.exe");
  EXPECT_FALSE(os::FileExists(file));  // nothing reaches the disk before UpdateFile
  ini.UpdateFile();

  EXPECT_EQ(ReadAll(file),
            "[calc]\r\nExecuteString=C:\\calc.exe\r\nRunAsAdmin=1\r\n[paint]\r\nRunAsAdmin=0\r\nCount=-4\r\n");
  const TMemIniFile again(file);
  EXPECT_TRUE(again.ReadBool("calc", "RunAsAdmin", false));
  EXPECT_EQ(again.ReadInteger("paint", "Count", 0), -4);
}

TEST(TMemIniFileTest, RewritingKeepsEverythingElseWhereItStands) {
  const std::string file = FreshFolder("memini_keep") + "keep.ini";
  WriteAll(file,
           "; header comment\n"
           "[Options]\n"
           "Portable=0\n"
           "; keep me\n"
           "\n"
           "[Log]\n"
           "Level=2\n");
  TMemIniFile ini(file);
  ini.WriteString("options", "Portable", "1");
  ini.WriteString("Options", "Translate", "1");  // after the section's last line, before the blank one
  ini.WriteString("Words", "Description", "new");
  ini.UpdateFile();

  EXPECT_EQ(ReadAll(file),
            "; header comment\r\n"
            "[Options]\r\n"
            "Portable=1\r\n"
            "; keep me\r\n"
            "Translate=1\r\n"
            "\r\n"
            "[Log]\r\n"
            "Level=2\r\n"
            "[Words]\r\n"
            "Description=new\r\n");
}

TEST(TMemIniFileTest, ABomIsKeptAndLineBreaksInValuesCannotMakeLinesOfTheirOwn) {
  const std::string file = FreshFolder("memini_bom") + "bom.ini";
  WriteAll(file, "\xEF\xBB\xBF[a]\nk=v\n");
  TMemIniFile ini(file);
  ini.WriteString("a", "Description", "line one\r\n[evil]\nInjected=1");
  ini.WriteString("two\nlines", "Key", "x");
  ini.UpdateFile();

  EXPECT_EQ(ReadAll(file),
            "\xEF\xBB\xBF[a]\r\nk=v\r\nDescription=line one  [evil] Injected=1\r\n[two lines]\r\nKey=x\r\n");
  const TMemIniFile again(file);
  EXPECT_EQ(again.SectionNames(), (TStringList{"a", "two lines"}));
  EXPECT_EQ(again.ReadString("a", "Description", ""), "line one  [evil] Injected=1");
}

TEST(TMemIniFileTest, ErasesSectionsAndKeys) {
  TMemIniFile ini(FreshFolder("memini_erase") + "none.ini");
  ini.WriteString("a", "x", "1");
  ini.WriteString("a", "y", "2");
  ini.WriteString("b", "x", "3");
  ini.DeleteKey("A", "X");
  ini.DeleteKey("missing", "x");
  ini.EraseSection("B");
  EXPECT_EQ(ini.Text(), "[a]\r\ny=2\r\n");
}

TEST(TMemIniFileTest, AFileThatCannotBeWrittenRaises) {
  const std::string folder = FreshFolder("memini_fail");
  TMemIniFile ini(folder + "missing" + testpaths::Sep + "x.ini");
  ini.WriteString("a", "b", "c");
  EXPECT_THROW(ini.UpdateFile(), EInOutError);
}
