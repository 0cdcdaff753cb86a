#include "app/OptionsModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "os/os.h"
#include "tests/support/Mapped.h"
#include "tests/support/ScriptedAsker.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/Thrown.h"

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::Sep;
using testpaths::WriteText;

namespace {

using TStrings = std::vector<std::string>;

TMagicWord& AddWord(TLorvexSettings& settings, const std::string& word, const std::string& executeString,
                    bool runAsAdmin = false, const std::string& path = "") {
  TMagicWord& item = settings.MagicWords.Add();
  item.MagicWord = word;
  item.Description = word + " tool";
  item.ExecuteString = executeString;
  item.Parameters = "/" + word;
  item.RunAsAdmin = runAsAdmin;
  item.Path = path;
  return item;
}

TStrings Words(const TMagicWordRows& rows) {
  return Mapped(rows.Items(), [](const TMagicWordRow& row) { return row.MagicWord; });
}

TStrings Row(const TRowSource& rows, int row, int columns) {
  TStrings cells;
  for (int column = 0; column < columns; ++column) cells.push_back(rows.CellText(row, column));
  return cells;
}

// Saves Original in Folder, loads it into a model and stores the model unchanged: the file
// before and after must be the same. Check runs on the loaded model.
void ExpectStoredUnchanged(TLorvexSettings& original, const std::string& folder,
                           const std::function<void(TOptionsModel&)>& check = nullptr) {
  SaveSettings(original, folder + "Lorvex.def");
  TLorvexSettings settings;
  ASSERT_TRUE(LoadSettings(settings, folder + "Lorvex.def"));
  TOptionsModel model(settings);
  model.Load(folder);
  if (check) check(model);
  model.Store();
  SaveSettings(settings, folder + "Lorvex.after.def");
  EXPECT_EQ(ReadText(folder + "Lorvex.after.def"), ReadText(folder + "Lorvex.def"));
}

}  // namespace

// Every setting the dialog shows, with sources and texts that only the rows' own values tell
// apart: a source no longer registered, a source listed twice, and a language in which two
// sources, both filter types and both filter actions read the same.
TEST(OptionsModelTest, OkWithoutChangesWritesTheSettingsFileByteForByte) {
  const std::string folder = FreshFolder("options_roundtrip");
  const TTestLanguage language(
      {{"Desktop", "Quelle"}, {"Clipboard", "Quelle"}, {"Extension", "Typ"}, {"Word", "Typ"}, {"Show", "X"}, {"Hide", "X"}});
  WriteText(folder + "Deutsch.lng", "");
  WriteText(folder + "English.lng", "");

  TLorvexSettings original;
  original.MaxHits = 7;
  original.Opacity = 60;
  original.HotKey = "Ctrl+Alt+Space";
  original.InTray = false;
  original.GroupHits = false;
  original.UseScoring = false;
  original.ExeInFront = true;
  original.ExtendedSearch = true;
  original.FoldersAreHits = true;
  original.SearchOrder = {"Desktop", "No Such Source", "Clipboard", "Desktop", "Start menu"};
  original.Filters.Clear();
  original.Filters.Add(ftExt, "lnk", faShow);
  original.Filters.Add(ftWord, "uninstall", faHide);
  original.Filters.Add(ftExt, "tmp", faHide);
  original.Filters.Add(ftWord, "readme", faShow);
  AddWord(original, "calc", "calc.exe");
  AddWord(original, "Edit", "C:\\Tools\\edit.exe", true, "C:\\Tools\\");
  AddWord(original, "edit", "notepad.exe");
  original.Language = "Deutsch";
  original.LastUsed.Add().ItemData.SetExecuteString("C:\\Windows\\notepad.exe");

  ExpectStoredUnchanged(original, folder, [](TOptionsModel& model) {
    // What the user sees cannot tell the rows apart; storing keeps every value all the same.
    EXPECT_EQ(Row(model.SearchOrder, 0, 2), (TStrings{"Quelle", ""}));
    EXPECT_EQ(Row(model.SearchOrder, 2, 2), (TStrings{"Quelle", ""}));
    EXPECT_EQ(Row(model.Filters, 0, 3), (TStrings{"Typ", "lnk", "X"}));
    EXPECT_EQ(Row(model.Filters, 1, 3), (TStrings{"Typ", "uninstall", "X"}));
  });

  // The defaults, in a folder without language files.
  TLorvexSettings defaults;
  ExpectStoredUnchanged(defaults, FreshFolder("options_defaults"));
}

TEST(OptionsModelTest, MagicWordRowsStaySortedIgnoringCaseAndShowTheirCells) {
  TOptionsModel model(AppSettings());
  for (const char* word : {"b", "edit", "A", "Edit", "a", "C", "\xC3\xA4rger", "\xC3\x84pfel"})
    model.MagicWords.Add({word, "", "", "", false, ""});
  EXPECT_EQ(Words(model.MagicWords), (TStrings{"A", "a", "b", "C", "Edit", "edit", "\xC3\x84pfel", "\xC3\xA4rger"}));
  EXPECT_EQ(FindMagicWordRow(model.MagicWords, "EDIT"), 4);
  EXPECT_EQ(FindMagicWordRow(model.MagicWords, "e"), -1);

  model.MagicWords.Clear();
  model.MagicWords.Add({"ed", "Editor", "C:\\ed.exe", "-n", true, "C:\\"});
  EXPECT_EQ(Row(model.MagicWords, 0, 6), (TStrings{"ed", "Editor", "C:\\ed.exe", "-n", "*", "C:\\"}));
}

TEST(OptionsModelTest, LanguagesAreTheLanguageFilesOfTheFolderOnly) {
  const std::string folder = FreshFolder("options_languages"), french = "fran\u00e7ais";
  ASSERT_TRUE(ForceDirectories(folder + "sub") && ForceDirectories(folder + "folder.lng"));
  for (const std::string& name : TStrings{french + ".LNG", "Deutsch.lng", "readme.txt", "notes.lngx", "sub\\Dansk.lng"})
    ASSERT_TRUE(os::WriteFileReplacing(folder + name, ""));
  TLorvexSettings settings;
  TOptionsModel model(settings);
  const struct {
    const char* Stored;
    int Index;  // chosen; -1: as loaded
    std::string Kept;
  } cases[] = {{"FRAN\u00c7AIS", -1, french}, {"Klingon", -1, ""}, {"", 99, ""}};
  for (const auto& c : cases) {
    settings.Language = c.Stored;
    model.Load(folder);
    TStrings names = model.Languages;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (TStrings{"Deutsch", french}));
    if (c.Index >= 0) model.LanguageIndex = c.Index;
    model.Store();
    EXPECT_EQ(settings.Language, c.Kept) << c.Stored;  // the file's own spelling
  }
}

// The round trip above shows that every row is written as it stands; here the rows are edited.
TEST(OptionsModelTest, StoreWritesTheEditedRowsAndKeepsNumbersInTheUpDownsRange) {
  TLorvexSettings settings;
  settings.SearchOrder = {"Desktop", "Start menu"};
  TOptionsModel model(settings);
  model.Load("");
  model.SearchOrder.Delete(0);
  model.Filters.Delete(0);
  model.MagicWords.Add({"Apps", "", "apps.exe", "", true, "C:\\Apps\\"});
  model.MaxHits = 25;
  model.Opacity = 0;
  model.Store();
  EXPECT_EQ(settings.SearchOrder, TStringList{"Start menu"});
  EXPECT_EQ(settings.Filters.Count(), 3);
  EXPECT_EQ(settings.MagicWords.Count(), 1);
  EXPECT_EQ(settings.MaxHits, 20);
  EXPECT_EQ(settings.Opacity, 10);

  model.MaxHits = -5;
  model.Opacity = 150;
  model.Store();
  EXPECT_EQ(settings.MaxHits, 2);
  EXPECT_EQ(settings.Opacity, 100);
}

TEST(OptionsModelTest, ExportedWordsImportAsEqualRowsAndTheFileKeepsItsOtherSections) {
  const std::string file = FreshFolder("options_export") + "words.lmw";
  WriteText(file, "; my words\r\n[keep]\r\nExecuteString=keep.exe\r\n[calc]\r\nExecuteString=old.exe\r\nExtra=1\r\n");

  TLorvexSettings settings;
  AddWord(settings, "calc", "calc.exe");
  AddWord(settings, "Edit", "C:\\Program Files\\Ed\\ed.exe", true, "C:\\Program Files\\Ed\\").Parameters =
      "-a \"x y\" %1";
  TOptionsModel model(settings);
  model.Load("");
  model.MagicWords.Add({"unsaved", "", "", "", false, ""});  // only the saved words are exported
  model.ExportMagicWords(file);

  const std::string text = ReadText(file);
  EXPECT_TRUE(text.starts_with("; my words\r\n[keep]\r\nExecuteString=keep.exe\r\n[calc]\r\n")) << text;
  EXPECT_NE(text.find("Extra=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Edit]\r\nDescription=Edit tool\r\nExecuteString=C:\\Program Files\\Ed\\ed.exe\r\n"
                      "Parameters=-a \"x y\" %1\r\nRunAsAdmin=1\r\nPath=C:\\Program Files\\Ed\\\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("unsaved"), std::string::npos);

  TLorvexSettings empty;
  empty.MagicWords.Clear();
  TOptionsModel importer(empty);
  importer.ImportMagicWords(file);
  importer.ImportMagicWords(file);  // importing again appends every word once more
  EXPECT_EQ(Words(importer.MagicWords), (TStrings{"calc", "calc", "Edit", "Edit", "keep", "keep"}));
  EXPECT_EQ(importer.MagicWords[2], (TMagicWordRow{"Edit", "Edit tool", "C:\\Program Files\\Ed\\ed.exe",
                                                   "-a \"x y\" %1", true, "C:\\Program Files\\Ed\\"}));

  // RunAsAdmin is true for any integer but zero.
  WriteText(file, "[a]\nRunAsAdmin=1\n[b]\nRunAsAdmin=0\n[c]\nRunAsAdmin=2\n[d]\nRunAsAdmin=yes\n[e]\n");
  importer.MagicWords.Clear();
  importer.ImportMagicWords(file);
  std::string marks;
  for (const TMagicWordRow& row : importer.MagicWords.Items()) marks += row.RunAsAdmin ? "1" : "0";
  EXPECT_EQ(marks, "10100");
}

TEST(OptionsModelTest, FilesThatCannotBeReadOrWrittenRaise) {
  const std::string folder = FreshFolder("options_files");
  TLorvexSettings settings;
  AddWord(settings, "calc", "calc.exe");
  TOptionsModel model(settings);
  EXPECT_THROW(model.ImportMagicWords(folder + "missing.lmw"), EInOutError);
  TScriptedAsker asker({});
  EXPECT_THROW(model.ImportSlickRun(folder + "missing.qrs", asker), EInOutError);
  EXPECT_THROW(model.ExportMagicWords(folder + "no" + Sep + "such" + Sep + "words.lmw"), EInOutError);
  EXPECT_EQ(model.MagicWords.RowCount(), 0);
}

// The other launcher's words, over the words "Notepad" and "calc", asked in the user's language: a
// word that exists already is replaced only as the answers say (All: without asking again;
// Cancel: stop, keeping what came).
TEST(OptionsModelTest, SlickRunWordsReplaceExistingOnesAsTheAnswersSay) {
  const std::string folder = FreshFolder("options_slickrun");
  const TTestLanguage german{
      {"Magic word %s already exists. Do you want me to replace the magic word?", "%s gibt es schon. Ersetzen?"}};
  const auto question = [](const std::string& word) { return word + " gibt es schon. Ersetzen?"; };
  const TMagicWordRow oldCalc{"calc", "calc tool", "old-calc.exe", "/calc", false, ""};
  const TMagicWordRow oldNotepad{"Notepad", "Notepad tool", "old-notepad.exe", "/Notepad", true, "D:\\"};
  const struct {
    const char *Name, *File;
    std::deque<TAnswer> Answers;
    TStrings Questions;
    std::vector<TMagicWordRow> Rows;
  } cases[] = {
      {"All replaces every word after one question",
       "[notepad]\nFilename=\"C:\\Windows\\notepad.exe\"\nParams=\"\"\nNotes=\"Text editor\"\nPath=\"C:\\Windows\\\"\n"
       "[\"Calc\"]\nFilename=calc.exe\nNotes=\"\n[paint]\nFilename=mspaint.exe\nParams=\"%1\n",
       {TAnswer::All},
       {question("notepad")},
       {{"calc", "", "calc.exe", "", false, ""},
        {"Notepad", "Text editor", "C:\\Windows\\notepad.exe", "", false, "C:\\Windows\\"},
        {"paint", "", "mspaint.exe", "%1", false, ""}}},
      {"Cancel stops at once and keeps the rows imported so far",
       "[first]\nFilename=first.exe\n[NOTEPAD]\nFilename=n.exe\n[later]\nFilename=later.exe\n",
       {TAnswer::Cancel},
       {question("NOTEPAD")},
       {oldCalc, {"first", "", "first.exe", "", false, ""}, oldNotepad}},
      {"No leaves the row and the import goes on",
       "[notepad]\nFilename=n.exe\n[calc]\nFilename=c.exe\nNotes=Calculator\n[paint]\nFilename=p.exe\n",
       {TAnswer::No, TAnswer::Yes},
       {question("notepad"), question("calc")},
       {{"calc", "Calculator", "c.exe", "", false, ""}, oldNotepad, {"paint", "", "p.exe", "", false, ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TLorvexSettings settings;
    settings.MagicWords.Clear();
    AddWord(settings, "Notepad", "old-notepad.exe", true, "D:\\");
    AddWord(settings, "calc", "old-calc.exe");
    TOptionsModel model(settings);
    model.Load("");
    WriteText(folder + "words.qrs", c.File);
    TScriptedAsker asker(c.Answers);
    model.ImportSlickRun(folder + "words.qrs", asker);
    EXPECT_EQ(asker.Questions, c.Questions);
    EXPECT_EQ(model.MagicWords.Items(), c.Rows);
  }
}

TEST(PortableCopyTest, TakesTheProgramsFilesLanguagesAndIconsOnlyAndReportsEveryFailure) {
  const std::string exe = FreshFolder("portable_exe");
  for (const char* name : {"Lorvex.exe", "LorvexHelper.exe", "sqlite3.dll", "Deutsch.lng", "FR.LNG", "readme.txt"})
    WriteText(exe + name, name);
  WriteText(exe + "Lorvex.ini", "[Log]\r\nLevel=3\r\n");
  for (const char* name : {"a.ico", "B.ICO", "readme.txt"}) WriteText(exe + "images" + Sep + name, name);
  WriteText(exe + "images" + Sep + "sub" + Sep + "c.ico", "c");
  WriteText(exe + "sub" + Sep + "x.lng", "x");
  const std::string scratch = FreshFolder("portable_target");
  WriteText(scratch + "blocker", "a file where a folder should go");
  const std::string target = scratch + "deep" + Sep + "copy", to = IncludeTrailingBackslash(target);

  TPortableCopy plan = PlanPortableCopy(exe, target);
  std::set<std::pair<std::string, std::string>> copies, expected;
  for (const TPortableCopy::TFileCopy& file : plan.Files) copies.emplace(file.Source, file.Dest);
  for (const char* name : {"Lorvex.exe", "LorvexHelper.exe", "Lorvex.ini", "sqlite3.dll", "Deutsch.lng", "FR.LNG",
                           "images\\a.ico", "images\\B.ICO"})
    expected.emplace(exe + name, to + name);
  EXPECT_EQ(copies, expected);
  EXPECT_EQ(plan.Folders, TStrings{to + "images"});
  EXPECT_EQ(plan.IniFile, to + "Lorvex.ini");

  plan.Files.insert(plan.Files.begin(), {exe + "gone.dll", target + Sep + "gone.dll"});
  plan.Folders.push_back(scratch + "blocker" + Sep + "sub");
  EXPECT_EQ(MakePortableCopy(plan), (TStrings{scratch + "blocker" + Sep + "sub", target + Sep + "gone.dll"}));
  EXPECT_EQ(ReadText(target + Sep + "images" + Sep + "a.ico"), "a.ico");
  EXPECT_EQ(IniReadString(to + "Lorvex.ini", "Options", "Portable", ""), "1");
  EXPECT_EQ(IniReadString(to + "Lorvex.ini", "Log", "Level", ""), "3");

  WriteText(exe + "Lorvex.exe", "newer program");
  EXPECT_EQ(MakePortableCopy(PlanPortableCopy(exe, target)), TStrings{});
  EXPECT_EQ(ReadText(target + Sep + "Lorvex.exe"), "newer program");
}

TEST(PortableCopyTest, TheProgramsOwnFolderIsRefused) {
  const std::string exe = FreshFolder("portable_own");
  const std::string bare = exe.substr(0, exe.size() - 1);
  const std::pair<std::string, std::string> refused[] = {
      {exe, exe}, {exe, bare}, {bare, exe + Sep}, {"C:\\Program Files\\Lorvex\\", "c:\\PROGRAM FILES\\lorvex"},
      {"C:\\Lorvex\\", "C:/Lorvex/"}};
  for (const auto& [from, to] : refused) {
    SCOPED_TRACE(from + " to " + to);
    EXPECT_EQ(ThrownMessage<Exception>([&] { PlanPortableCopy(from, to); }),
              "Lorvex cannot prepare a portable copy in its own folder.");
  }
  EXPECT_THROW(PlanPortableCopy(exe, ""), Exception);
  EXPECT_NO_THROW(PlanPortableCopy(exe, exe + "portable"));
}
