#include <gtest/gtest.h>

#include <string>

#include "core/qmMemIni.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::WriteText;

TEST(TMemIniFileTest, ReadsSectionsAndKeysInFileOrderIgnoringCase) {
  const std::string file = FreshFolder("memini_read") + "words.ini";
  WriteText(file,
            "\xEF\xBB\xBF; exported words\n[notepad]\nDescription=Text editor\n"
            "ExecuteString = C:\\Windows\\notepad.exe \r\n; a comment=not a key\n\n"
            "[Übersicht]\r\nParameters=a=b\n[calc] ; trailing text\nRunAsAdmin=0\n"
            "[NOTEPAD]\nPath=C:\\Windows\\\nDescription=second one\n");
  const TMemIniFile ini(file);
  EXPECT_EQ(ini.SectionNames(), (TStringList{"notepad", "Übersicht", "calc"}));
  EXPECT_EQ(ini.ReadString("NotePad", "description", "-"), "Text editor");
  EXPECT_EQ(ini.ReadString("notepad", "ExecuteString", "-"), "C:\\Windows\\notepad.exe");
  // A later header of the same section continues it; the first value of a key wins.
  EXPECT_EQ(ini.ReadString("notepad", "Path", "-"), "C:\\Windows\\");
  EXPECT_EQ(ini.KeyNames("notepad"), (TStringList{"Description", "ExecuteString", "Path", "Description"}));
  EXPECT_EQ(ini.ReadString("notepad", "; a comment", "-"), "-");
  EXPECT_EQ(ini.ReadString("übersicht", "Parameters", "-"), "a=b");  // beyond ASCII in any case too
  EXPECT_EQ(ini.ReadString("missing", "Parameters", "-"), "-");
}

TEST(TMemIniFileTest, NumbersAndBooleansFallBackToTheDefaultWhenNotAnInteger) {
  const std::string file = FreshFolder("memini_bool") + "values.ini";
  WriteText(file, "[v]\nZero=0\nSeven= 7 \nMinus=-3\nPlus=+2\nWord=yes\nMixed=1x\nEmpty=\nHuge=99999999999\n");
  const TMemIniFile ini(file);
  EXPECT_FALSE(ini.ReadBool("v", "Zero", true));
  EXPECT_EQ(ini.ReadInteger("v", "Seven", 0), 7);
  EXPECT_EQ(ini.ReadInteger("v", "Minus", 0), -3);
  EXPECT_EQ(ini.ReadInteger("v", "Plus", 0), 2);
  for (const char* key : {"Word", "Mixed", "Empty", "Huge", "Missing"}) {
    EXPECT_TRUE(ini.ReadBool("v", key, true)) << key;
    EXPECT_FALSE(ini.ReadBool("v", key, false)) << key;
    EXPECT_EQ(ini.ReadInteger("v", key, 42), 42) << key;
  }
}

TEST(TMemIniFileTest, AMissingFileStartsEmptyAndIsWrittenWithCrLfOnlyByUpdateFile) {
  const std::string file = FreshFolder("memini_new") + "new.ini";
  TMemIniFile ini(file);
  ini.WriteString("calc", "ExecuteString", "calc.exe");
  ini.WriteBool("calc", "RunAsAdmin", true);
  ini.WriteBool("paint", "RunAsAdmin", false);
  ini.WriteInteger("paint", "Count", -4);
  ini.WriteString("calc", "ExecuteString", "C:\\calc.exe");
  EXPECT_FALSE(os::FileExists(file));
  ini.UpdateFile();
  EXPECT_EQ(ReadText(file),
            "[calc]\r\nExecuteString=C:\\calc.exe\r\nRunAsAdmin=1\r\n[paint]\r\nRunAsAdmin=0\r\nCount=-4\r\n");

  TMemIniFile unwritable(FreshFolder("memini_fail") + "missing" + testpaths::Sep + "x.ini");
  unwritable.WriteString("a", "b", "c");
  EXPECT_THROW(unwritable.UpdateFile(), EInOutError);
}

TEST(TMemIniFileTest, RewritingKeepsEverythingElseWhereItStands) {
  const std::string file = FreshFolder("memini_keep") + "keep.ini";
  WriteText(file, "; header comment\n[Options]\nPortable=0\n; keep me\n\n[Log]\nLevel=2\n");
  TMemIniFile ini(file);
  ini.WriteString("options", "Portable", "1");
  ini.WriteString("Options", "Translate", "1");  // after the section's last line, before the blank one
  ini.WriteString("Words", "Description", "new");
  ini.WriteString("Gone", "x", "1");
  ini.EraseSection("GONE");
  ini.UpdateFile();
  EXPECT_EQ(ReadText(file),
            "; header comment\r\n[Options]\r\nPortable=1\r\n; keep me\r\nTranslate=1\r\n\r\n"
            "[Log]\r\nLevel=2\r\n[Words]\r\nDescription=new\r\n");
}

TEST(TMemIniFileTest, ABomIsKeptAndLineBreaksInValuesCannotMakeLinesOfTheirOwn) {
  const std::string file = FreshFolder("memini_bom") + "bom.ini";
  WriteText(file, "\xEF\xBB\xBF[a]\nk=v\n");
  TMemIniFile ini(file);
  ini.WriteString("a", "Description", "line one\r\n[evil]\nInjected=1");
  ini.WriteString("two\nlines", "Key", "x");
  ini.UpdateFile();
  EXPECT_EQ(ReadText(file),
            "\xEF\xBB\xBF[a]\r\nk=v\r\nDescription=line one  [evil] Injected=1\r\n[two lines]\r\nKey=x\r\n");
  EXPECT_EQ(TMemIniFile(file).SectionNames(), (TStringList{"a", "two lines"}));
}
