// The options dialogs of the folders, mp3, clipboard and run-group sources, shown for real:
// each shows its file and writes it back.
#include <gtest/gtest.h>

#include "app/win32/FClipboardOptions.h"
#include "app/win32/FMp3Options.h"
#include "app/win32/FRunGroupOptions.h"
#include "sources/SearchMp3.h"
#include "sources/win32/SearchClipboard.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/FormDriver.h"

namespace {

using TNames = std::vector<std::string>;

std::string SettingsText(const std::string& name) { return testpaths::ReadText(TestSettingsFolder() + name); }

}  // namespace

TEST(SourceOptionsTest, TheMp3DialogShowsItsFoldersInFileOrderAndWritesThemNumbered) {
  WriteSettingsFile(TSearchMp3::IniFileName,
                    "[Folders]\r\nFolder0=C:\\a\r\nFolder1=%USERPROFILE%\\Music\r\nFolder3=C:\\c\r\n"
                    "[Options]\r\nSearchTags=1\r\n");
  TMp3OptionsForm form(nullptr, TSearchMp3::IniFileName);
  ASSERT_TRUE(ShowActive(form));
  EXPECT_EQ(form.Rows().Items(), (TNames{"C:\\a", "%USERPROFILE%\\Music", "C:\\c"}));
  EXPECT_TRUE(form.cbSearchTags->Checked());
  form.cbSubFolders->SetChecked(true);
  form.btnOk->Click();
  EXPECT_EQ(SettingsText(TSearchMp3::IniFileName),
            "[Options]\r\nSearchTags=1\r\nSubfolders=1\r\n"
            "[Folders]\r\nFolder0=C:\\a\r\nFolder1=%USERPROFILE%\\Music\r\nFolder2=C:\\c\r\n");

  // An empty folder would be the whole drive.
  TFolderForm folder(nullptr);
  ASSERT_TRUE(ShowActive(folder));
  TBoxAnswer answer(mrOk);
  EXPECT_THROW(folder.btnOkClick(), EAbort);
  EXPECT_EQ(folder.ModalResult, mrNone);
}

TEST(SourceOptionsTest, TheClipboardDialogStartsFromTheDefaultsAndShowsTheChain) {
  WriteSettingsFile(TClipboardSettings::IniFileName, "");
  TClipboardViewer viewer(std::make_shared<TClipboardHistory>(20), TClipboardSettings{});
  TClipboardOptionsForm form(nullptr);
  ASSERT_TRUE(ShowActive(form));
  EXPECT_EQ(form.Label6->Caption(), "LorvexClipboardWindow");
  EXPECT_EQ(form.Label7->Caption(), "Unknown");
  form.Items().Add("three\r\nline\r\ntext");
  form.btnOk->Click();
  EXPECT_EQ(SettingsText(TClipboardSettings::IniFileName),
            "[Settings]\r\nKeepAlive=1\r\nStoreImages=0\r\nHistoryCount=20\r\n"
            "[Permanent]\r\nItem1=three#13#10line#13#10text\r\n");
}

TEST(SourceOptionsTest, TheRunGroupTreeFollowsItsModel) {
  TRunGroupFile file(WriteSettingsFile("rungroup_dialog.ini", "[Work]\r\nmail=1500;mail.exe;/new\r\n[Play]\r\n"));
  TRunGroupOptionsForm form(nullptr, file);
  ASSERT_TRUE(ShowActive(form));
  const HWND tree = form.treeGroups->Handle();
  EXPECT_EQ(TreeView_GetCount(tree), 3u);
  TreeView_SelectItem(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree)));
  EXPECT_EQ(form.Tree().SelectedItem()->Program, "mail.exe");
  EXPECT_EQ(form.Tree().AddItem({"web", "web.exe", "a;b", 2.5}), "");
  EXPECT_EQ(TreeView_GetCount(tree), 4u);
  form.btnOk->Click();  // the empty group is not written
  EXPECT_EQ(SettingsText("rungroup_dialog.ini"), "[Work]\r\nmail=1500;mail.exe;/new\r\nweb=2500;web.exe;a;b\r\n");
}
