// Where the rows' icons come from, on Wine's own shell and registry.
#include "app/win32/ItemIcons.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/qmFileUtils.h"
#include "tests/support/TestSource.h"

namespace {

TItemData Item(const std::string& executeString, const std::string& extension = "") {
  TItemData item;
  item.SetExecuteString(executeString);
  item.SetIconFile(executeString);
  item.Extension = extension;
  return item;
}

// A source that draws its own icons, or fails to.
class TIconSource : public TTestSource {
 public:
  explicit TIconSource(bool fail) : TTestSource(fail ? "FailingIcons" : "OwnIcons", nullptr), FFail(fail) {
    SearchClasses().push_back(this);
  }
  ~TIconSource() override { std::erase(SearchClasses(), this); }
  void LoadIcon(TItemData& item) override {
    ++Calls;
    if (FFail) throw Exception("no icon today");
    item.Icon = std::make_unique<TWinIcon>(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION)));
  }
  int Calls = 0;

 private:
  bool FFail;
};

}  // namespace

TEST(ItemIconsTest, UrlItemsAreKnownByTheirPrefixOrTheirExtension) {
  EXPECT_TRUE(IsUrlItem(Item("http://example.org/")));
  EXPECT_TRUE(IsUrlItem(Item("WWW.example.org")));
  EXPECT_TRUE(IsUrlItem(Item("C:\\Favorites\\Example.url", ".URL")));
  EXPECT_FALSE(IsUrlItem(Item("C:\\windows\\notepad.exe", ".exe")));
  EXPECT_FALSE(IsUrlItem(Item("")));
}

TEST(ItemIconsTest, FilesFoldersAndAddressesGetTheShellsIcons) {
  for (const TItemData& item : {Item("C:\\windows\\notepad.exe"), Item("C:\\windows"), Item("http://example.org/"),
                                Item("C:\\no such folder\\letter.txt")}) {
    HICON icon = GetItemIcon(item);
    EXPECT_NE(icon, nullptr) << item.ExecuteString();
    if (icon) DestroyIcon(icon);
  }
}

TEST(ItemIconsTest, TheSourceComesFirstAFoundIconIsKeptAndAMissingOneLookedForAgain) {
  TIconSource own(false), failing(true);
  TItemData mine = Item("C:\\windows\\notepad.exe");
  mine.SearchClassName = "OwnIcons";
  EXPECT_NE(RowIcon(mine), nullptr);
  EXPECT_NE(RowIcon(mine), nullptr);
  EXPECT_EQ(own.Calls, 1);

  // A failing source is passed over for the shell's icon.
  TItemData other = Item("C:\\windows\\notepad.exe");
  other.SearchClassName = "FailingIcons";
  EXPECT_NE(RowIcon(other), nullptr);
  EXPECT_EQ(failing.Calls, 1);

  // An error row has the error icon of the images folder, once the file is there.
  const std::string errorIcon = ExeFolder() + "images\\error.ico";
  const std::string away = errorIcon + ".away";
  ASSERT_TRUE(MoveFileA(errorIcon.c_str(), away.c_str())) << errorIcon;
  TItemData error;
  error.Kind = ikError;
  EXPECT_EQ(RowIcon(error), nullptr);
  ASSERT_TRUE(MoveFileA(away.c_str(), errorIcon.c_str()));
  EXPECT_NE(RowIcon(error), nullptr);
}
