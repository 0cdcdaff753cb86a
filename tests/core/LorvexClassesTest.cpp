#include "core/LorvexClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::WriteText;

namespace {

// A source that remembers the names of the components it was told are going.
class TTestSource : public TSearchClass {
 public:
  TTestSource(TComponent* owner, const std::string& name) : TSearchClass(owner) { Name = name; }
  std::string GetName() override { return Name; }
  void Search(const std::string&, const TAddHitFunc&) override {}
  void Execute(TItemData&) override {}
  std::vector<std::string> Gone;

 protected:
  void Notification(TComponent& removed) override { Gone.push_back(removed.Name); }
};

const std::string Drive = ExtractFileDrive(os::ExeFileName());

TEST(ExpandPath, ExpandsTheFirstVariableOnlyAndLorvexDriveInAnyCase) {
  os::SetEnv("LORVEX_TEST_VAR", "C:\\Data");
  // Text without a variable that is set stands as it is.
  const struct {
    std::string Path, Expanded;
  } cases[] = {
      {"C:\\Tools\\app.exe", "C:\\Tools\\app.exe"},
      {"100% done.txt", "100% done.txt"},
      {"%LORVEX_SURELY_UNSET_VARIABLE%\\x", "%LORVEX_SURELY_UNSET_VARIABLE%\\x"},
      {"%LORVEX_TEST_VAR%\\notes.txt", "C:\\Data\\notes.txt"},
      {"x %LORVEX_TEST_VAR% %LORVEX_TEST_VAR%", "x C:\\Data %LORVEX_TEST_VAR%"},
      {"%LorvexDrive%\\Apps\\x.exe", Drive + "\\Apps\\x.exe"},
      {"%LORVEXDRIVE%\\Apps", Drive + "\\Apps"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPath(c.Path), c.Expanded) << c.Path;
}

// The settings live in the user's application data; in portable mode beside the program.
TEST(SettingsFolder, IsTheUsersApplicationDataOrInPortableModeTheProgramsFolder) {
#ifndef _WIN32
  std::string home;
  const bool hadHome = os::GetEnv("XDG_CONFIG_HOME", home);
  os::SetEnv("XDG_CONFIG_HOME", FreshFolder("settings_home"));
#endif
  const std::string user = SettingsFolder("Lorvex");
  EXPECT_TRUE(user.ends_with("Lorvex\\")) << user;
  EXPECT_NE(user, ExeFolder());
  PortableMode = true;
  EXPECT_EQ(SettingsFolder("Lorvex"), ExeFolder());
  EXPECT_EQ(SettingsFileName(), ExeFolder() + "Lorvex.def");
  PortableMode = false;
  EXPECT_EQ(SettingsFolder("Lorvex"), user);
#ifndef _WIN32
  os::SetEnv("XDG_CONFIG_HOME", hadHome ? home : "");
#endif
}

TEST(TItemData, ReadsPathsExpandedAndAssignCopiesTheExpandedValues) {
  TItemRecord record;
  record.ExecuteString = "%LorvexDrive%\\ed.exe";
  record.Parameters = "%LorvexDrive%\\doc.txt";
  record.IconFile = "%LorvexDrive%\\ed.ico";
  record.Path = "%LorvexDrive%\\Editor";
  record.Extension = ".exe";
  record.DrawType = dtWords;
  TItemData source(record);
  source.AsAdmin = true;
  TItemData target;
  target.Assign(source);
  EXPECT_EQ(target.ExecuteString() + "|" + target.Parameters() + "|" + target.IconFile(),
            Drive + "\\ed.exe|" + Drive + "\\doc.txt|" + Drive + "\\ed.ico");
  // Extension, Path, AsAdmin and DrawType stay the target's own.
  EXPECT_EQ(target.Extension + target.Path(), "");
  EXPECT_FALSE(target.AsAdmin);
  EXPECT_EQ(target.DrawType, dtPos);
}

TEST(SearchClasses, FindsSourcesIgnoringCaseAndResolvesTheSearchOrder) {
  TTestSource owner(nullptr, "Owner");
  auto* desktop = new TTestSource(&owner, "Desktop");
  SearchClasses() = {desktop, new TTestSource(&owner, "desktop")};
  EXPECT_EQ(FindSearchClass("DESKTOP"), desktop);

  TLorvexSettings settings;
  settings.SearchOrder = {"Printers", "desktop"};
  settings.ResolveSearchOrder();
  EXPECT_EQ(settings.SearchOrderObjects, (std::vector<TSearchClass*>{nullptr, desktop}));
  SearchClasses().clear();
}

// Magic words, last-used hits and sources by caption are found ignoring case, beyond ASCII too;
// the first in order wins.
TEST(SearchClasses, LookupsIgnoreCaseAndTheFirstMatchWins) {
  TTestSource owner(nullptr, "Owner");
  const std::string upper = "\u00dcbersicht", lower = "\u00fcbersicht";
  auto* first = new TTestSource(&owner, upper);
  SearchClasses() = {new TTestSource(&owner, "Desktop"), first, new TTestSource(&owner, lower)};
  EXPECT_EQ(FindSearchClassByCaption(lower), first);
  EXPECT_EQ(FindSearchClassByCaption("Printers"), nullptr);
  {
    const TTestLanguage german{{"Desktop", "Schreibtisch"}};
    EXPECT_EQ(FindSearchClassByCaption("SCHREIBTISCH"), SearchClasses()[0]);  // the translated name
    EXPECT_EQ(FindSearchClassByCaption("Desktop"), nullptr);
  }
  EXPECT_EQ(FindSearchClass("Printers"), nullptr);
  SearchClasses().clear();

  TLorvexSettings settings;
  for (const char* name : {"Notepad", "Calc", "NOTEPAD"}) {
    settings.MagicWords.Add().MagicWord = name;
    settings.LastUsed.Add().ItemData.DisplayName = name;
  }
  EXPECT_EQ(settings.MagicWords.FindByMagicWord("notepad"), &settings.MagicWords.GetItem(0));
  EXPECT_EQ(settings.MagicWords.FindByMagicWord("calc"), &settings.MagicWords.GetItem(1));
  EXPECT_EQ(settings.MagicWords.FindByMagicWord("note"), nullptr);
  EXPECT_EQ(settings.LastUsed.FindByDisplayName("NotePad"), &settings.LastUsed.GetItem(0));
  EXPECT_EQ(settings.LastUsed.FindByDisplayName("calculator"), nullptr);
}

TEST(TComponent, AFreedComponentLeavesItsOwnerAndAReferenceIsToldWhicheverGoesFirst) {
  TTestSource form(nullptr, "Form");
  auto* icon = new TTestSource(&form, "Icon");
  auto* list = new TTestSource(&form, "List");
  auto* menu = new TTestSource(nullptr, "Menu");  // owned elsewhere
  icon->FreeNotification(menu);
  icon->FreeNotification(list);
  icon->FreeNotification(list);  // told once all the same
  delete menu;
  EXPECT_EQ(icon->Gone, (std::vector<std::string>{"Menu"}));
  delete icon;
  EXPECT_EQ(list->Gone, (std::vector<std::string>{"Icon"}));
  EXPECT_EQ(form.Components().size(), 1u);
}

// Every value comes back, the options model's round trip shows; last-used paths are stored
// expanded, magic words with their macros.
TEST(TLorvexSettings, RoundTripStoresLastUsedPathsExpandedAndMagicWordsWithTheirMacros) {
  const std::string file = FreshFolder("classes_round_trip") + "Lorvex.def";
  TLorvexSettings settings;
  TMagicWord& word = settings.MagicWords.Add();
  word.ExecuteString = "%LorvexDrive%\\Tools\\notepad.exe";
  settings.LastUsed.Add().ItemData.SetExecuteString("%LorvexDrive%\\Windows\\calc.exe");
  SaveSettings(settings, file);
  const std::string text = ReadText(file);
  EXPECT_EQ(text.find("LorvexDrive%\\Windows"), std::string::npos);

  TLorvexSettings loaded;
  EXPECT_TRUE(LoadSettings(loaded, file));
  EXPECT_EQ(loaded.MagicWords.GetItem(0).ExecuteString, word.ExecuteString);
  EXPECT_EQ(loaded.LastUsed.GetItem(0).ItemData.ExecuteString(), Drive + "\\Windows\\calc.exe");
  SaveSettings(loaded, file);
  EXPECT_EQ(ReadText(file), text);
  EXPECT_FALSE(os::FileExists(file + ".bad"));
}

// The file of a first start, as users' files hold it: the names, the order and the defaults of
// every property. Written so, and read back so into settings that differ in everything.
TEST(TLorvexSettings, TheDefaultFileIsWrittenAndReadAsUsersFilesHoldIt) {
  const std::string golden =
      "object TLorvexSettings\r\n"
      "  Left = 500\r\n"
      "  Top = 300\r\n"
      "  Width = 200\r\n"
      "  Height = 400\r\n"
      "  HotKey = 'Win+S'\r\n"
      "  UseScoring = True\r\n"
      "  GroupHits = True\r\n"
      "  InTray = True\r\n"
      "  Opacity = 90\r\n"
      "  MaxHits = 10\r\n"
      "  ExeInFront = False\r\n"
      "  ExtendedSearch = False\r\n"
      "  FoldersAreHits = False\r\n"
      "  LocalLanguageShortcuts = True\r\n"
      "  IsUrl.Strings = (\r\n"
      "    'http:'\r\n"
      "    'https:'\r\n"
      "    'mail.'\r\n"
      "    'ftp.'\r\n"
      "    'www.'\r\n"
      "    'mms:')\r\n"
      "  SearchOrder.Strings = (\r\n"
      "    'Desktop'\r\n"
      "    'Start menu'\r\n"
      "    'Control Panel'\r\n"
      "    'Printers'\r\n"
      "    'Internet Explorer Favorites'\r\n"
      "    'Clipboard'\r\n"
      "    'Internet')\r\n"
      "  Filters = <\r\n"
      "    item\r\n"
      "      FilterType = ftExt\r\n"
      "      Value = 'lnk'\r\n"
      "      Action = faShow\r\n"
      "    end\r\n"
      "    item\r\n"
      "      FilterType = ftExt\r\n"
      "      Value = 'exe'\r\n"
      "      Action = faShow\r\n"
      "    end\r\n"
      "    item\r\n"
      "      FilterType = ftExt\r\n"
      "      Value = 'url'\r\n"
      "      Action = faShow\r\n"
      "    end\r\n"
      "    item\r\n"
      "      FilterType = ftWord\r\n"
      "      Value = 'uninstall'\r\n"
      "      Action = faHide\r\n"
      "    end>\r\n"
      "  MagicWords = <>\r\n"
      "  LastUsed = <>\r\n"
      "  Language = ''\r\n"
      "  UseLocalLanguage = False\r\n"
      "end\r\n";
  const std::string file = FreshFolder("classes_golden") + "Lorvex.def";
  TLorvexSettings defaults;
  SaveSettings(defaults, file);
  EXPECT_EQ(ReadText(file), golden);

  TLorvexSettings other;
  other.Left = other.Top = other.Width = other.Height = other.Opacity = other.MaxHits = 3;
  other.HotKey = other.Language = "x";
  for (bool* flag : {&other.UseScoring, &other.GroupHits, &other.InTray, &other.ExeInFront, &other.ExtendedSearch,
                     &other.FoldersAreHits, &other.LocalLanguageShortcuts, &other.UseLocalLanguage})
    *flag = !*flag;
  other.IsUrl = other.SearchOrder = {"x"};
  other.Filters.Clear();
  other.Filters.Add(ftWord, "x", faHide);
  WriteText(file, golden);
  EXPECT_TRUE(LoadSettings(other, file));
  SaveSettings(other, file);
  EXPECT_EQ(ReadText(file), golden);
}

// The settings object is made with its defaults before the file is read, and an empty list
// leaves a list as it is: emptied filters, search order and address prefixes come back with
// their defaults; magic words and last-used items, empty by default, stay empty.
TEST(TLorvexSettings, EmptiedListsComeBackWithTheirDefaultsButMagicWordsStayEmpty) {
  const std::string file = FreshFolder("classes_emptied") + "Lorvex.def";
  TLorvexSettings emptied;
  emptied.Filters.Clear();
  emptied.SearchOrder.clear();
  emptied.IsUrl.clear();
  emptied.MagicWords.Clear();
  SaveSettings(emptied, file);
  TLorvexSettings loaded;
  ASSERT_TRUE(LoadSettings(loaded, file));
  EXPECT_EQ(loaded.Filters.Count(), 4);
  EXPECT_EQ(loaded.SearchOrder, TLorvexSettings().SearchOrder);
  EXPECT_EQ(loaded.IsUrl, TLorvexSettings().IsUrl);
  EXPECT_EQ(loaded.MagicWords.Count(), 0);
  EXPECT_EQ(loaded.LastUsed.Count(), 0);
}

TEST(TLorvexSettings, AFileThatCannotBeReadKeepsTheDefaultsAndIsKeptAsBad) {
  const std::string file = FreshFolder("classes_damaged") + "Lorvex.def";
  TLorvexSettings written;
  written.Left = 77;
  SaveSettings(written, file);
  const std::string whole = ReadText(file);
  const struct {
    const char* Name;
    std::string Text, Reason;
  } cases[] = {
      {"cut short", whole.substr(0, whole.size() / 2), "was not read"},
      {"not text", std::string("\0\xff\x01garbage", 10), "was not read"},
      // Sound text, but far too much of it: refused before it is read.
      {"too large", "object TLorvexSettings\r\n  Left = 1" + std::string(16 << 20, ' ') + "\r\nend\r\n",
       "larger than 16 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteText(file, c.Text);
    TLorvexSettings loaded;
    std::vector<std::string> errors;
    EXPECT_FALSE(LoadSettings(loaded, file, [&](const std::string& message) { errors.push_back(message); }));
    EXPECT_EQ(loaded.Left, 500);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(c.Reason), std::string::npos) << errors[0];
    EXPECT_TRUE(ReadText(file + ".bad") == c.Text);
  }
}

TEST(TLorvexSettings, AHandEditedFileIsReadAndKeptAsBadWhenNotAllOfItAppliesAMissingOneIsNoError) {
  const std::string folder = FreshFolder("classes_hand_edited"), file = folder + "Lorvex.def";
  WriteText(file, "object TLorvexSettings\n  Left = 12\n  NoLongerKnown = 'x'\n  HotKey = 'Ctrl+''Q'''\nend\n");
  TLorvexSettings loaded;
  EXPECT_FALSE(LoadSettings(loaded, file));  // the unknown property is reported
  EXPECT_EQ(loaded.Left, 12);
  EXPECT_EQ(loaded.HotKey, "Ctrl+'Q'");
  EXPECT_TRUE(os::FileExists(file + ".bad"));

  TLorvexSettings missing;
  EXPECT_TRUE(LoadSettings(missing, folder + "missing.def"));
  EXPECT_THROW(SaveSettings(missing, folder + "no such folder\\Lorvex.def"), EInOutError);
}

class SearchFilesTest : public ::testing::Test {
 protected:
  SearchFilesTest() {
    for (const char* name : {"Alpha Beta Console.lnk", "My Word Pad.lnk", "WordPad Plus.lnk", "readme.txt",
                             "Games/Chess Titans.lnk", "Games/Deep/Word Pad Deluxe.lnk"})
      WriteText(Folder + name, "x");
    std::filesystem::create_directories(std::filesystem::u8path(Folder + "Word Pad Folder"));
#ifndef _WIN32
    std::filesystem::create_directory_symlink(Folder + "Games", Folder + "A link");  // never entered
#endif
    os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
      const std::string name = ExtractFileName(path);
      if (name == "readme.txt") return "Lies mich";  // a localised name
      if (name == "WordPad Plus.lnk") return name;   // the whole file name
      return ExtractFileNameNoExt(name);             // the name without its extension
    });
  }
  ~SearchFilesTest() override { os::SetDisplayNameProviderForTests(nullptr); }

  // Runs a walk and collects what it reports, sorted: "name|display name|folder (1) and draw type".
  TStringList Walk(const std::string& mask, const std::string& text, bool recurse, uint8_t options,
                   bool foldersAreHits) const {
    TStringList found;
    SearchFiles(
        mask, Folder, text, recurse, foldersAreHits, options,
        [&](const std::string& path, const std::string& displayName, bool isFolder, TDrawType drawType) {
          if (path.empty()) return 0;
          std::string relative = path.substr(Folder.size());
          std::replace(relative.begin(), relative.end(), '\\', '/');
          found.push_back(relative + "|" + displayName + "|" + std::to_string(isFolder) + std::to_string(drawType));
          return 0;
        });
    std::sort(found.begin(), found.end());
    return found;
  }

  const std::string Folder = FreshFolder("classes_walk");
};

}  // namespace

TEST_F(SearchFilesTest, FindsByMaskAbbreviationsWordsAndDisplayNames) {
  const struct {
    const char *Mask, *Text;
    bool Recurse;
    uint8_t Options;
    bool FoldersAreHits;
    TStringList Found;
  } cases[] = {
      {"*.txt", "", false, 0, false, {"readme.txt||00"}},
      {"*CHESS*", "", true, 0, false, {"Games/Chess Titans.lnk||00"}},
      {"*Chess*", "", false, 0, false, {}},  // not in the folder itself
      {"*~*", "", true, 0, false, {}},       // short names such as ALPHAB~1.LNK never match
      {"*Folder*", "", false, 0, false, {}},  // folders only when asked for
      {"*Folder*", "", false, 0, true, {"Word Pad Folder||10"}},
      // Abbreviations are the initials of two to four characters.
      {"*abc*", "abc", false, soAbbreviations, false, {"Alpha Beta Console.lnk||01"}},
      {"*a*x", "a", false, soAbbreviations, false, {}},
      {"*abcde*", "abcde", false, soAbbreviations, false, {}},
      // Each word must begin a word of the name.
      {"*zz*", "word pad", true, soWords, false, {"Games/Deep/Word Pad Deluxe.lnk||02", "My Word Pad.lnk||02"}},
      // Display names count only where they differ from the name, with or without extension.
      {"*mich*", "mich", false, soDisplayNames, false, {"readme.txt|Lies mich|00"}},
      {"*zz*", "word", false, soDisplayNames, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Mask) + " / " + c.Text);
    EXPECT_EQ(Walk(c.Mask, c.Text, c.Recurse, c.Options, c.FoldersAreHits), c.Found);
  }
}

TEST_F(SearchFilesTest, AStopBringsNoFurtherCallbackAtAnyLevelAndAnEmptyPathIsNeverWalked) {
  int callsAfterStop = 0;
  bool stopped = false;
  SearchFiles("*.lnk", Folder, "word pad", true, false, 7,
              [&](const std::string& path, const std::string&, bool, TDrawType) {
                if (stopped) return ++callsAfterStop, 1;
                if (path.find("Deluxe") != std::string::npos) return stopped = true, 1;
                return 0;
              });
  EXPECT_TRUE(stopped);
  EXPECT_EQ(callsAfterStop, 0);

  int calls = 0;
  SearchFiles("*", "", "", true, true, 7, [&](auto&&...) { return ++calls, 0; });
  EXPECT_EQ(calls, 0);
}

// The first call is a poll: a callback that stops there gets no entry at all.
TEST_F(SearchFilesTest, AStopAtTheFirstPollReportsNothing) {
  std::vector<std::string> calls;
  SearchFiles("*", Folder, "word pad", true, true, 7, [&](const std::string& path, auto&&...) {
    calls.push_back(path);
    return 1;
  });
  EXPECT_EQ(calls, std::vector<std::string>{""});
}

TEST_F(SearchFilesTest, FindFirstFileRecursiveTakesTheFolderFirstThenGoesDepthFirst) {
  std::string fileName = "stale";
  FindFirstFileRecursive(Folder, "*Deluxe*", fileName);
  EXPECT_EQ(fileName, Folder + "Games\\Deep\\Word Pad Deluxe.lnk");
  FindFirstFileRecursive(Folder, "*Word Pad*.lnk", fileName);
  EXPECT_EQ(fileName, Folder + "My Word Pad.lnk");
  FindFirstFileRecursive(Folder, "nothing.here", fileName);
  EXPECT_EQ(fileName, "");
  FindFirstFileRecursive("", "*", fileName);
  EXPECT_EQ(fileName, "");
}
