#include "sources/SearchInternet.h"

#include <gtest/gtest.h>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "sources/SourceSupport.h"
#include "tests/sources/SourceHits.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"

namespace {

class InternetSourceTest : public ::testing::Test {
 protected:
  InternetSourceTest() : FileName(testpaths::FreshFolder("internet") + "LorvexInternet.ini") {
    testpaths::WriteText(FileName,
                         "[Engines]\r\nWiki=https://w.org/?s=#search#&go\r\nMaps=maps:#search#\r\n"
                         "[Later]\r\nA=b\r\n");
  }

  // The address running Item opens; "(nothing)" for none.
  std::string Run(TItemData item) {
    TShellRecorder shell;
    Source.Execute(item);
    if (shell.Calls.empty()) return "(nothing)";
    EXPECT_EQ(shell.Calls[0].Verb, item.AsAdmin ? "runas" : "");
    return shell.Calls[0].File;
  }

  std::string FileName;
  int DialogShown = 0;
  bool DialogAnswer = true;
  std::string DialogWrites;  // what "the user" saved in the dialog
  TSearchInternet Source{nullptr, FileName, nullptr, [this] {
                           ++DialogShown;
                           if (!DialogWrites.empty()) testpaths::WriteText(FileName, DialogWrites);
                           return DialogAnswer;
                         }};
};

}  // namespace

TEST(WebSearchAddress, EncodesWhatCannotStandInAQueryIntoTheFirstPlaceholderOnly) {
  const struct {
    std::string Template, Typed, Address;
  } cases[] = {
      {"q=#search#", "c++ & more", "q=c%2B%2B%20%26%20more"},
      {"q=#search#", "AZaz09-._~", "q=AZaz09-._~"},
      {"q=#search#", "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", "q=%C3%BC%E2%82%AC%F0%9F%98%80"},  // ü € 😀
      {"q=#search#", "%PATH%/?#", "q=%25PATH%25/?%23"},
      // What may stand in a path or query stays; what splits a query, or is no part of one, never.
      {"http://#search#", "example.com/docs", "http://example.com/docs"},
      {"q=#search#", "user@host:8080/a?b", "q=user@host:8080/a?b"},
      {"q=#search#", "!$'()*,", "q=!$'()*,"},
      {"q=#search#", "a=b;c+d&e", "q=a%3Db%3Bc%2Bd%26e"},
      {"q=#search#", "[\"<>\\^`{|}]\t", "q=%5B%22%3C%3E%5C%5E%60%7B%7C%7D%5D%09"},
      {"a=#search#&b=#search#", "x y", "a=x%20y&b=#search#"},
      {"%HOME%/#SEARCH#", "x", "%HOME%/#SEARCH#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed);
    EXPECT_EQ(WebSearchAddress(c.Template, c.Typed), c.Address);
  }
}

TEST(EngineEditor, RefusesNamesThatCannotBeKeysOrFileNamesAndNamesOfOtherRows) {
  TEngineRows rows = NewEngineRows();
  rows.Add({"Wiki", "w#search#"});
  rows.Add({"Maps", "m#search#"});
  const std::string refused =
      "The name of an engine must not be empty, begin with [ or ; or hold any of = \\ / : * ? \" < > |.";
  struct TCase {
    int Row;
    std::string Engine, SearchString, Error;
  };
  std::vector<TCase> cases = {
      {-1, "News", "n#search#", ""},
      {1, "maps", "m#search#", ""},  // itself in other letters
      {-1, "News", "n#SEARCH#", "Include #search# into search string."},
      {-1, "wiki", "w#search#", "Engine wiki already exists."},
      {1, "WIKI", "w#search#", "Engine WIKI already exists."},
      {-1, "", "x#search#", refused},
      {-1, "[x", "x#search#", refused},
      {-1, ";x", "x#search#", refused},
  };
  for (const char c : std::string("=\\/:*?\"<>|")) cases.push_back({-1, std::string("a") + c, "x#search#", refused});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Engine);
    EXPECT_EQ(CheckEngine(rows, c.Row, c.Engine, c.SearchString), c.Error);
  }
}

// Every engine is a hit, in the file's order, whatever is typed; its run puts the typed text in.
TEST_F(InternetSourceTest, RunsTheAddressWithTheTypedTextNeverExpandingPercentSigns) {
  const std::vector<TItemRecord> hits = CollectHits(Source, "%PATH% & co");
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(Run(TItemData(hits[0])), "https://w.org/?s=%25PATH%25%20%26%20co&go");
  EXPECT_EQ(Run(ItemOf("maps", "x", true)), "maps:x");
  EXPECT_EQ(Run(ItemOf("Gone", "x")), "(nothing)");

  TSearchInternet none(nullptr, FileName + ".missing", nullptr, nullptr);
  EXPECT_TRUE(CollectHits(none, "zq").empty());
}

// An engine shows its own icon of the images folder, else the search icon; a name that could
// leave the folder never looks there.
TEST_F(InternetSourceTest, AnEngineShowsItsIconOfTheImagesFolderElseTheSearchIcon) {
  os::CreateFolder(ExeFolder() + "images");
  os::WriteFileReplacing(ImagesIcon("Wiki"), "");
  os::WriteFileReplacing(ImagesIcon("..\\Wiki"), "");
  TNames asked;  // file and index
  TSearchInternet source(
      nullptr, FileName,
      [&](TItemData&, const TIconLocation& at) { asked.push_back(at.File + "," + std::to_string(at.Index)); }, nullptr);
  for (const char* engine : {"Wiki", "Maps", "..\\Wiki"}) {
    TItemData item = ItemOf(engine);
    source.LoadIcon(item);
  }
  os::DeleteFile(ImagesIcon("Wiki"));
  os::DeleteFile(ImagesIcon("..\\Wiki"));
  const std::string search = ImagesIcon("search") + ",0";
  EXPECT_EQ(asked, (TNames{ImagesIcon("Wiki") + ",0", search, search}));
}

TEST_F(InternetSourceTest, AfterTheDialogsOkTheNextSearchOrRunReadsTheFileAgainAndARunningSearchKeepsItsOwn) {
  CollectHits(Source, "x");
  DialogWrites = "[Engines]\r\nNews=n:#search#\r\n";
  DialogAnswer = false;
  Source.ShowOptions();
  EXPECT_EQ(Run(ItemOf("Wiki", "x")), "https://w.org/?s=x&go");  // Cancel keeps what was read

  DialogAnswer = true;
  TNames names;
  Source.Search("x", [&](const TItemRecord& record) {
    if (names.empty()) Source.ShowOptions();  // the GUI thread, while the worker reads
    names.push_back(record.DisplayName);
    return false;
  });
  EXPECT_EQ(names, (TNames{"Wiki", "Maps"}));
  EXPECT_EQ(Run(ItemOf("News", "x")), "n:x");
  EXPECT_EQ(DialogShown, 2);
}
