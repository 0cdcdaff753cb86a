#include "core/LorvexClasses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/qmDfmUtils.h"
#include "core/qmFileUtils.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder under the test scratch folder, removed again by the fixture.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    FPath = fs::path(testpaths::TestTmpFolder()) / ("classes_" + name);
    fs::remove_all(FPath);
    fs::create_directories(FPath);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
  }
  // The folder in the program's own path form.
  std::string Path() const { return FPath.string(); }
  std::string File(const std::string& name) const { return IncludeTrailingBackslash(Path()) + name; }
  void Touch(const std::string& relative) const {
    fs::path file = FPath / fs::path(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
  }
  void MakeFolder(const std::string& relative) const { fs::create_directories(FPath / fs::path(relative)); }
  fs::path Native() const { return FPath; }

 private:
  fs::path FPath;
};

std::string ReadAll(const std::string& fileName) {
  std::string text;
  os::ReadFile(fileName, text);
  return text;
}

void WriteAll(const std::string& fileName, const std::string& text) { ASSERT_TRUE(os::WriteFileReplacing(fileName, text)); }

class TTestSource : public TSearchClass {
 public:
  TTestSource(TComponent* owner, std::string name) : TSearchClass(owner), FName(std::move(name)) {}
  std::string GetName() override { return FName; }
  void Search(const std::string&, const TAddHitFunc&) override {}
  void Execute(TItemData&) override {}

 private:
  std::string FName;
};

}  // namespace

// --- Paths --------------------------------------------------------------------------------

TEST(ExpandPath, LeavesTextWithoutAVariableAsItIs) {
  EXPECT_EQ(ExpandPath("C:\\Tools\\app.exe"), "C:\\Tools\\app.exe");
  EXPECT_EQ(ExpandPath("https://example.org/a%20b%20c"), "https://example.org/a%20b%20c");
  EXPECT_EQ(ExpandPath("100% done.txt"), "100% done.txt");
  EXPECT_EQ(ExpandPath("a%%b"), "a%%b");
  EXPECT_EQ(ExpandPath("%LORVEX_SURELY_UNSET_VARIABLE%\\x"), "%LORVEX_SURELY_UNSET_VARIABLE%\\x");
}

TEST(ExpandPath, ExpandsTheFirstVariableOnly) {
  os::SetEnv("LORVEX_TEST_VAR", "C:\\Data");
  EXPECT_EQ(ExpandPath("%LORVEX_TEST_VAR%\\notes.txt"), "C:\\Data\\notes.txt");
  EXPECT_EQ(ExpandPath("x %LORVEX_TEST_VAR% %LORVEX_TEST_VAR%"), "x C:\\Data %LORVEX_TEST_VAR%");
}

TEST(ExpandPath, LorvexDriveIsTheExecutablesDriveInAnyCase) {
  const std::string drive = ExtractFileDrive(os::ExeFileName());
#ifdef _WIN32
  EXPECT_EQ(drive.size(), 2u);
#endif
  EXPECT_EQ(ExpandPath("%LorvexDrive%\\Apps\\x.exe"), drive + "\\Apps\\x.exe");
  EXPECT_EQ(ExpandPath("%LORVEXDRIVE%\\Apps"), drive + "\\Apps");
}

// --- Items --------------------------------------------------------------------------------

TEST(TItemData, ReadsPathsExpandedAndAssignCopiesTheExpandedValues) {
  TItemRecord record;
  record.DisplayName = "Editor";
  record.ExecuteString = "%LorvexDrive%\\Editor\\ed.exe";
  record.Parameters = "%LorvexDrive%\\doc.txt";
  record.IconFile = "%LorvexDrive%\\Editor\\ed.ico";
  record.Path = "%LorvexDrive%\\Editor";
  record.Extension = ".exe";
  record.DrawType = dtWords;
  TItemData source(record);
  source.AsAdmin = true;
  const std::string drive = ExtractFileDrive(os::ExeFileName());
  EXPECT_EQ(source.ExecuteString(), drive + "\\Editor\\ed.exe");

  TItemData target;
  target.Assign(source);
  EXPECT_EQ(target.DisplayName, "Editor");
  EXPECT_EQ(target.ExecuteString(), drive + "\\Editor\\ed.exe");
  EXPECT_EQ(target.Parameters(), drive + "\\doc.txt");
  EXPECT_EQ(target.IconFile(), drive + "\\Editor\\ed.ico");
  // Extension, Path, AsAdmin and DrawType stay the target's own.
  EXPECT_EQ(target.Extension, "");
  EXPECT_EQ(target.Path(), "");
  EXPECT_FALSE(target.AsAdmin);
  EXPECT_EQ(target.DrawType, dtPos);
}

// --- Registry -----------------------------------------------------------------------------

TEST(SearchClasses, FindsSourcesIgnoringCaseAndResolvesTheSearchOrder) {
  TTestSource owner(nullptr, "Owner");
  auto* desktop = new TTestSource(&owner, "Desktop");
  auto* other = new TTestSource(&owner, "desktop");
  SearchClasses() = {desktop, other};

  EXPECT_EQ(FindSearchClass("DESKTOP"), desktop);
  EXPECT_EQ(FindSearchClassByCaption("Desktop"), desktop);
  EXPECT_EQ(FindSearchClass("Printers"), nullptr);

  TLorvexSettings settings;
  settings.SearchOrder = {"Printers", "desktop"};
  settings.ResolveSearchOrder();
  ASSERT_EQ(settings.SearchOrderObjects.size(), 2u);
  EXPECT_EQ(settings.SearchOrderObjects[0], nullptr);
  EXPECT_EQ(settings.SearchOrderObjects[1], desktop);
  SearchClasses().clear();
}

TEST(TComponent, OwnerFreesWhatItOwnsAndAFreedComponentLeavesItsOwner) {
  TTestSource owner(nullptr, "Owner");
  auto* first = new TTestSource(&owner, "First");
  new TTestSource(&owner, "Second");
  ASSERT_EQ(owner.Components().size(), 2u);
  delete first;
  EXPECT_EQ(owner.Components().size(), 1u);
}

namespace {

// Remembers the names of the components it was told are going.
class TNotified : public TComponent {
 public:
  TNotified(TComponent* owner, const std::string& name) : TComponent(owner) { Name = name; }
  const char* ClassName() const override { return "TNotified"; }
  std::vector<std::string> Gone;

 protected:
  void Notification(TComponent& removed) override { Gone.push_back(removed.Name); }
};

}  // namespace

TEST(TComponent, AReferenceIsToldWhenItsComponentGoesWhicheverOfTheTwoGoesFirst) {
  TNotified form(nullptr, "Form");
  auto* icon = new TNotified(&form, "Icon");
  auto* list = new TNotified(&form, "List");
  auto* menu = new TNotified(nullptr, "Menu");  // owned elsewhere
  icon->FreeNotification(menu);
  icon->FreeNotification(list);
  icon->FreeNotification(list);  // told once all the same
  delete menu;
  EXPECT_EQ(icon->Gone, (std::vector<std::string>{"Menu"}));
  delete icon;  // the list is told, once
  EXPECT_EQ(list->Gone, (std::vector<std::string>{"Icon"}));
}

// --- Settings -----------------------------------------------------------------------------

TEST(TLorvexSettings, StartsWithItsDefaults) {
  TLorvexSettings settings;
  EXPECT_EQ(settings.SearchOrder, TStringList({"Desktop", "Start menu", "Control Panel", "Printers",
                                               "Internet Explorer Favorites", "Clipboard", "Internet"}));
  EXPECT_EQ(settings.IsUrl, TStringList({"http:", "https:", "mail.", "ftp.", "www.", "mms:"}));
  ASSERT_EQ(settings.Filters.Count(), 4);
  EXPECT_EQ(settings.Filters.GetItem(3).FilterType, ftWord);
  EXPECT_EQ(settings.Filters.GetItem(3).Value, "uninstall");
  EXPECT_EQ(settings.Filters.GetItem(3).Action, faHide);
  EXPECT_EQ(settings.MagicWords.Count(), 0);
  EXPECT_EQ(settings.LastUsed.Count(), 0);
  EXPECT_EQ(FilterTypeToStr(ftExt), "Extension");
  EXPECT_EQ(FilterActionToStr(faHide), "Hide");
}

TEST(TLorvexSettings, AFirstSaveListsAllTwentyOneProperties) {
  ScratchFolder folder("first_save");
  TLorvexSettings settings;
  SaveSettings(settings, folder.File("Lorvex.def"));
  const std::string text = ReadAll(folder.File("Lorvex.def"));

  const char* names[] = {"Left = ",        "Top = ",           "Width = ",          "Height = ",
                         "HotKey = ",      "UseScoring = ",    "GroupHits = ",      "InTray = ",
                         "Opacity = ",     "MaxHits = ",       "ExeInFront = ",     "ExtendedSearch = ",
                         "FoldersAreHits = ", "LocalLanguageShortcuts = ", "IsUrl.Strings = ",
                         "SearchOrder.Strings = ", "Filters = ", "MagicWords = ", "LastUsed = ",
                         "Language = ",    "UseLocalLanguage = "};
  size_t position = 0;
  for (const char* name : names) {
    const size_t found = text.find(std::string("\r\n  ") + name, position);
    ASSERT_NE(found, std::string::npos) << name;
    position = found + 1;
  }
  EXPECT_EQ(text.rfind("object TLorvexSettings\r\n", 0), 0u);
  EXPECT_TRUE(text.ends_with("\r\nend\r\n"));
}

TEST(TLorvexSettings, RoundTripKeepsEverythingAndStoresLastUsedPathsExpanded) {
  ScratchFolder folder("round_trip");
  const std::string file = folder.File("Lorvex.def");
  const std::string drive = ExtractFileDrive(os::ExeFileName());
  {
    TLorvexSettings settings;
    settings.Left = -20;
    settings.HotKey = "Ctrl+Alt+Space";
    settings.ExtendedSearch = true;
    settings.Language = "Deutsch";
    TMagicWord& word = settings.MagicWords.Add();
    word.MagicWord = "notes";
    word.ExecuteString = "%LorvexDrive%\\Tools\\notepad.exe";
    word.Parameters = "\"it's here.txt\"";
    word.Description = "Line one\r\nLine two";
    word.RunAsAdmin = true;
    settings.Filters.Clear();
    settings.Filters.Add(ftExt, "doc", faHide);
    THit& hit = settings.LastUsed.Add();
    hit.ItemData.DisplayName = "Calculator";
    hit.ItemData.SetExecuteString("%LorvexDrive%\\Windows\\calc.exe");
    hit.ItemData.Extension = ".exe";
    hit.ItemData.DrawType = dtAbbrevations;
    SaveSettings(settings, file);
  }
  TLorvexSettings loaded;
  EXPECT_TRUE(LoadSettings(loaded, file));
  EXPECT_EQ(loaded.Left, -20);
  EXPECT_EQ(loaded.HotKey, "Ctrl+Alt+Space");
  EXPECT_TRUE(loaded.ExtendedSearch);
  EXPECT_EQ(loaded.Language, "Deutsch");
  ASSERT_EQ(loaded.MagicWords.Count(), 1);
  const TMagicWord& word = loaded.MagicWords.GetItem(0);
  EXPECT_EQ(word.ExecuteString, "%LorvexDrive%\\Tools\\notepad.exe");  // magic words keep their macros
  EXPECT_EQ(word.Parameters, "\"it's here.txt\"");
  EXPECT_EQ(word.Description, "Line one\r\nLine two");
  EXPECT_TRUE(word.RunAsAdmin);
  ASSERT_EQ(loaded.Filters.Count(), 1);
  EXPECT_EQ(loaded.Filters.GetItem(0).Value, "doc");
  EXPECT_EQ(loaded.Filters.GetItem(0).Action, faHide);
  ASSERT_EQ(loaded.LastUsed.Count(), 1);
  const TItemData& item = loaded.LastUsed.GetItem(0).ItemData;
  EXPECT_EQ(item.DisplayName, "Calculator");
  EXPECT_EQ(item.Extension, ".exe");
  EXPECT_EQ(item.DrawType, dtAbbrevations);
  EXPECT_EQ(ReadAll(file).find("LorvexDrive%\\Windows"), std::string::npos);
  EXPECT_EQ(item.ExecuteString(), drive + "\\Windows\\calc.exe");
  EXPECT_FALSE(fs::exists(folder.Native() / "Lorvex.def.bad"));
}

TEST(TLorvexSettings, EmptiedListsComeBackWithTheirDefaultsButMagicWordsStayEmpty) {
  ScratchFolder folder("emptied");
  const std::string file = folder.File("Lorvex.def");
  {
    TLorvexSettings settings;
    settings.Filters.Clear();
    settings.SearchOrder.clear();
    settings.IsUrl.clear();
    SaveSettings(settings, file);
  }
  TLorvexSettings loaded;
  loaded.MagicWords.Add().MagicWord = "from an earlier load";
  loaded.MagicWords.Clear();
  ASSERT_TRUE(LoadSettings(loaded, file));
  EXPECT_EQ(loaded.Filters.Count(), 4);
  EXPECT_EQ(loaded.SearchOrder, TLorvexSettings::DefaultSearchOrder());
  EXPECT_EQ(loaded.IsUrl, TLorvexSettings::DefaultIsUrl());
  EXPECT_EQ(loaded.MagicWords.Count(), 0);
  EXPECT_EQ(loaded.LastUsed.Count(), 0);
}

TEST(TLorvexSettings, TrimLastUsedKeepsAtLeastThree) {
  TLorvexSettings settings;
  for (int i = 0; i < 12; ++i) settings.LastUsed.Add().ItemData.DisplayName = "hit " + std::to_string(i);
  settings.MaxHits = 10;
  settings.TrimLastUsed();
  EXPECT_EQ(settings.LastUsed.Count(), 10);
  EXPECT_EQ(settings.LastUsed.GetItem(9).ItemData.DisplayName, "hit 9");
  settings.MaxHits = 1;
  settings.TrimLastUsed();
  EXPECT_EQ(settings.LastUsed.Count(), 3);
  EXPECT_EQ(settings.LastUsed.FindByDisplayName("HIT 2"), &settings.LastUsed.GetItem(2));
  EXPECT_EQ(settings.LastUsed.FindByDisplayName("hit 3"), nullptr);
}

TEST(TLorvexSettings, ADamagedFileKeepsTheDefaultsAndIsKeptAsBad) {
  ScratchFolder folder("damaged");
  const std::string file = folder.File("Lorvex.def");
  TLorvexSettings written;
  written.Left = 77;
  written.MagicWords.Add().MagicWord = "mail";
  SaveSettings(written, file);
  const std::string whole = ReadAll(file);

  WriteAll(file, whole.substr(0, whole.size() / 2));  // truncated mid-way
  TLorvexSettings loaded;
  EXPECT_FALSE(LoadSettings(loaded, file));
  EXPECT_EQ(loaded.Left, 500);
  EXPECT_EQ(loaded.Filters.Count(), 4);
  EXPECT_EQ(ReadAll(file + ".bad"), whole.substr(0, whole.size() / 2));

  WriteAll(file, std::string("\0\xff\x01garbage", 10));
  TLorvexSettings garbage;
  std::vector<std::string> errors;
  EXPECT_FALSE(LoadSettings(garbage, file, [&](const std::string& message) { errors.push_back(message); }));
  EXPECT_EQ(garbage.HotKey, "Win+S");
  EXPECT_EQ(errors.size(), 1u);

  // Sound text, but far too much of it: refused before it is read.
  const std::string huge = "object TLorvexSettings\r\n  Left = 1" + std::string(16 << 20, ' ') + "\r\nend\r\n";
  WriteAll(file, huge);
  TLorvexSettings refused;
  errors.clear();
  EXPECT_FALSE(LoadSettings(refused, file, [&](const std::string& message) { errors.push_back(message); }));
  EXPECT_EQ(refused.Left, 500);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("larger than 16 MB"), std::string::npos) << errors[0];
  EXPECT_EQ(fs::file_size(folder.Native() / "Lorvex.def.bad"), huge.size());
}

TEST(TLorvexSettings, AHandEditedFileIsRead) {
  ScratchFolder folder("hand_edited");
  const std::string file = folder.File("Lorvex.def");
  WriteAll(file,
           "object TLorvexSettings\n"
           "  Left = 12\n"
           "  NoLongerKnown = 'x'\n"
           "  HotKey = 'Ctrl+''Q'''\n"
           "  Language = 'Fran'#231'ais'\n"
           "  MagicWords = <\n"
           "    item\n"
           "      MagicWord = 'two'#13#10 +\n"
           "        'lines'\n"
           "    end>\n"
           "end\n");
  TLorvexSettings loaded;
  EXPECT_FALSE(LoadSettings(loaded, file));  // the unknown property is reported
  EXPECT_EQ(loaded.Left, 12);
  EXPECT_EQ(loaded.HotKey, "Ctrl+'Q'");
  EXPECT_EQ(loaded.Language, "Fran\xc3\xa7" "ais");
  ASSERT_EQ(loaded.MagicWords.Count(), 1);
  EXPECT_EQ(loaded.MagicWords.GetItem(0).MagicWord, "two\r\nlines");
  EXPECT_TRUE(fs::exists(folder.Native() / "Lorvex.def.bad"));
}

TEST(TLorvexSettings, AMissingFileLeavesTheDefaultsAndAFailedSaveRaises) {
  ScratchFolder folder("missing");
  TLorvexSettings settings;
  EXPECT_TRUE(LoadSettings(settings, folder.File("Lorvex.def")));
  EXPECT_EQ(settings.Width, 200);
  EXPECT_THROW(SaveSettings(settings, folder.File("no such folder\\Lorvex.def")), EInOutError);
}

// --- The file walk ------------------------------------------------------------------------

namespace {

struct TFound {
  std::string Name;  // relative to the walked folder, with "/" separators
  std::string DisplayName;
  bool IsFolder;
  TDrawType DrawType;
  bool operator==(const TFound&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TFound& found) {
  return out << found.Name << "|" << found.DisplayName << "|" << found.IsFolder << "|" << int(found.DrawType);
}

// Runs a walk and collects what it reports, names relative to the folder.
std::vector<TFound> Walk(const ScratchFolder& folder, const std::string& mask, const std::string& text, bool recurse,
                         uint8_t options, bool foldersAreHits = false) {
  std::vector<TFound> found;
  const std::string root = IncludeTrailingBackslash(folder.Path());
  SearchFiles(mask, folder.Path(), text, recurse, foldersAreHits, options,
              [&](const std::string& path, const std::string& displayName, bool isFolder, TDrawType drawType) {
                if (path.empty()) return 0;
                std::string relative = path.substr(root.size());
                std::replace(relative.begin(), relative.end(), '\\', '/');
                found.push_back({relative, displayName, isFolder, drawType});
                return 0;
              });
  return found;
}

class SearchFilesTest : public ::testing::Test {
 protected:
  SearchFilesTest() : Folder("walk") {
    Folder.Touch("Alpha Beta Console.lnk");
    Folder.Touch("My Word Pad.lnk");
    Folder.Touch("WordPad Plus.lnk");
    Folder.Touch("readme.txt");
    Folder.Touch("Games/Chess Titans.lnk");
    Folder.Touch("Games/Deep/Word Pad Deluxe.lnk");
    Folder.MakeFolder("Word Pad Folder");
  }
  ~SearchFilesTest() override { os::SetDisplayNameProviderForTests(nullptr); }
  ScratchFolder Folder;
};

}  // namespace

TEST_F(SearchFilesTest, TheMaskPassMatchesLongNamesOnly) {
  EXPECT_EQ(Walk(Folder, "*.txt", "", false, 0), (std::vector<TFound>{{"readme.txt", "", false, dtPos}}));
  EXPECT_EQ(Walk(Folder, "*CHESS*", "", true, 0), (std::vector<TFound>{{"Games/Chess Titans.lnk", "", false, dtPos}}));
  // The file system also knows short names such as ALPHAB~1.LNK; they never match.
  EXPECT_TRUE(Walk(Folder, "*~*", "", true, 0).empty());
  // Folders are hits only when asked for.
  EXPECT_TRUE(Walk(Folder, "*Folder*", "", false, 0).empty());
  EXPECT_EQ(Walk(Folder, "*Folder*", "", false, 0, true),
            (std::vector<TFound>{{"Word Pad Folder", "", true, dtPos}}));
}

TEST_F(SearchFilesTest, AbbreviationsFindTheInitialsOfTwoToFourCharacters) {
  const auto found = Walk(Folder, "*abc*", "abc", false, soAbbreviations);
  EXPECT_EQ(found, (std::vector<TFound>{{"Alpha Beta Console.lnk", "", false, dtAbbrevations}}));
  EXPECT_TRUE(Walk(Folder, "*a*x", "a", false, soAbbreviations).empty());
  EXPECT_TRUE(Walk(Folder, "*abcde*", "abcde", false, soAbbreviations).empty());
}

TEST_F(SearchFilesTest, WordsMustEachBeginAWordOfTheName) {
  auto found = Walk(Folder, "*zz*", "word pad", true, soWords);
  std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) { return a.Name < b.Name; });
  EXPECT_EQ(found, (std::vector<TFound>{{"Games/Deep/Word Pad Deluxe.lnk", "", false, dtWords},
                                        {"My Word Pad.lnk", "", false, dtWords}}));
}

TEST_F(SearchFilesTest, DisplayNamesCountOnlyWhenTheyDiffer) {
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    const std::string name = ExtractFileName(path);
    if (name == "readme.txt") return "Lies mich";          // a localised name
    if (name == "My Word Pad.lnk") return "My Word Pad";   // just the name without extension
    if (name == "WordPad Plus.lnk") return name;           // the whole file name
    return ExtractFileNameNoExt(name);
  });
  EXPECT_EQ(Walk(Folder, "*mich*", "mich", false, soDisplayNames),
            (std::vector<TFound>{{"readme.txt", "Lies mich", false, dtPos}}));
  EXPECT_TRUE(Walk(Folder, "*zz*", "word", false, soDisplayNames).empty());
}

TEST_F(SearchFilesTest, RecurseFalseStaysInTheFolderAndAnEmptyPathIsNeverWalked) {
  EXPECT_TRUE(Walk(Folder, "*Chess*", "", false, 0).empty());
  int calls = 0;
  SearchFiles("*", "", "", true, true, 7, [&](auto&&...) { return ++calls, 0; });
  EXPECT_EQ(calls, 0);
}

TEST_F(SearchFilesTest, AStopAtTheFirstPollReportsNothing) {
  int calls = 0;
  SearchFiles("*", Folder.Path(), "word pad", true, true, 7, [&](auto&&...) { return ++calls, 1; });
  EXPECT_EQ(calls, 1);
}

TEST_F(SearchFilesTest, AStopDeepInTheTreeBringsNoFurtherCallbackAtAnyLevel) {
  int callsAfterStop = 0;
  bool stopped = false;
  SearchFiles("*.lnk", Folder.Path(), "word pad", true, false, 7,
              [&](const std::string& path, const std::string&, bool, TDrawType) {
                if (stopped) return ++callsAfterStop, 1;
                if (path.find("Deluxe") != std::string::npos) return stopped = true, 1;
                return 0;
              });
  EXPECT_TRUE(stopped);
  EXPECT_EQ(callsAfterStop, 0);
}

#ifndef _WIN32
TEST_F(SearchFilesTest, LinkedFoldersAreNotEntered) {
  fs::create_directory_symlink(Folder.Native() / "Games", Folder.Native() / "Games link");
  EXPECT_EQ(Walk(Folder, "*Chess*", "", true, 0).size(), 1u);
}
#endif

TEST_F(SearchFilesTest, FindFirstFileRecursiveTakesTheFolderFirstThenGoesDepthFirst) {
  std::string fileName = "stale";
  FindFirstFileRecursive(Folder.Path(), "*Deluxe*", fileName);
  std::string expected = IncludeTrailingBackslash(Folder.Path()) + "Games\\Deep\\Word Pad Deluxe.lnk";
  EXPECT_EQ(fileName, expected);
  FindFirstFileRecursive(Folder.Path(), "readme.txt", fileName);
  EXPECT_EQ(fileName, IncludeTrailingBackslash(Folder.Path()) + "readme.txt");
  FindFirstFileRecursive(Folder.Path(), "nothing.here", fileName);
  EXPECT_EQ(fileName, "");
  FindFirstFileRecursive("", "*", fileName);
  EXPECT_EQ(fileName, "");
}
