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
  EXPECT_TRUE(ini.SectionExists("CALC"));
  EXPECT_FALSE(ini.SectionExists("; exported words"));
  EXPECT_TRUE(ini.ValueExists("calc", "runasadmin"));
  EXPECT_FALSE(ini.ValueExists("calc", "Path"));
}

TEST(TMemIniFileTest, NumbersAndBooleansFallBackToTheDefaultWhenNotAnInteger) {
  const std::string file = FreshFolder("memini_bool") + "values.ini";
  WriteText(file, "[v]\nZero=0\nSeven= 7 \nMinus=-3\nPlus=+2\nWord=yes\nMixed=1x\nEmpty=\nHuge=99999999999\n");
  const TMemIniFile ini(file);
  EXPECT_FALSE(ini.ReadBool("v", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("v", "Minus", false));  // any number but 0
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
  ini.WriteString("Log", "Gone", "x");
  ini.WriteString("Gone", "x", "1");
  ini.DeleteKey("LOG", "GONE");
  ini.DeleteKey("missing", "x");
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
            "\xEF\xBB\xBF[a]\r\nk=v\r\nDescription=line one#13#10[evil]#13#10Injected=1\r\n[two lines]\r\nKey=x\r\n");
  EXPECT_EQ(TMemIniFile(file).SectionNames(), (TStringList{"a", "two lines"}));
}

// What reading takes off a value (blanks at its ends, a pair of quotes around it) is written in
// quotes, so every value comes back as it went in; other values are written as they are.
TEST(TMemIniFileTest, ValuesComeBackWithTheirEdgeBlanksAndQuotes) {
  const struct {
    std::string Value, Line;
  } cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"  indented", "\"  indented\""},
      {"trailing\t", "\"trailing\t\""},
      {"   ", "\"   \""},
      {"\"C:\\Program Files\\x.exe\"", "\"\"C:\\Program Files\\x.exe\"\""},
      {"'single'", "\"'single'\""},
      {"\"", "\""},
      {"\"open", "\"open"},
      {"'mixed\"", "'mixed\""},
      {"a \"quoted\" word", "a \"quoted\" word"},
  };
  const std::string file = FreshFolder("memini_quotes") + "quotes.ini";
  TMemIniFile ini(file);
  for (const auto& c : cases) ini.WriteString("v", "k" + std::to_string(&c - cases), c.Value);
  ini.UpdateFile();
  const TMemIniFile reread(file);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    const std::string key = "k" + std::to_string(&c - cases);
    EXPECT_EQ(reread.ReadString("v", key, "-"), c.Value);
    EXPECT_NE(ReadText(file).find("\r\n" + key + "=" + c.Line + "\r\n"), std::string::npos);
  }
}

// A file written by hand or by another program reads as the system reads it.
TEST(TMemIniFileTest, AValueIsReadTrimmedAndWithoutOnePairOfQuotes) {
  const std::string file = FreshFolder("memini_unquote") + "hand.ini";
  WriteText(file, "[v]\nA =  \"  two blanks  \"  \nB='x'\nC=\"\"twice\"\"\nD=\"\"\nE=\"x'\nF= one \n");
  const TMemIniFile ini(file);
  const std::pair<const char*, const char*> cases[] = {
      {"A", "  two blanks  "}, {"B", "x"}, {"C", "\"twice\""}, {"D", ""}, {"E", "\"x'"}, {"F", "one"}};
  for (const auto& [key, value] : cases) EXPECT_EQ(ini.ReadString("v", key, "-"), value) << key;
}
