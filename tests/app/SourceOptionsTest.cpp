// The options dialogs of the folders, mp3, clipboard and run-group sources, shown for real:
// each shows its file and writes it back.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/win32/FClipboardOptions.h"
#include "app/win32/FDbNote.h"
#include "app/win32/FDefineDatabase.h"
#include "app/win32/FMp3Options.h"
#include "app/win32/FPermanentItem.h"
#include "app/win32/FRunGroupOptions.h"
#include "app/win32/FSetItem.h"
#include "sources/SearchMp3.h"
#include "sources/win32/SearchClipboard.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/FormDriver.h"
#include "tests/support/TestLanguage.h"
#include "ui/qmTranslators.h"

namespace {

using TNames = std::vector<std::string>;

std::string SettingsText(const std::string& name) { return testpaths::ReadText(TestSettingsFolder() + name); }

// Answers the next plain dialog with Result; Seen is its caption, text and buttons, "|" between.
struct TPlainAnswer {
  explicit TPlainAnswer(int result)
      : Action([] { return FindForm<TMessageForm>() != nullptr; },
               [this, result] {
                 TMessageForm* dialog = FindForm<TMessageForm>();
                 Seen = dialog->Caption() + "|" + dialog->Message->Caption();
                 for (TButton* button : dialog->Buttons) Seen += "|" + button->Caption();
                 dialog->ModalResult = result;
               },
               100) {}
  std::string Seen;
  TDelayedAction Action;
};

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

// Without a file the dialog shows pictures kept, as the clipboard window, reading the same
// file, would not.
TEST(SourceOptionsTest, TheClipboardDialogStartsFromTheDefaultsAndShowsTheChain) {
  os::DeleteFile(WriteSettingsFile(TClipboardSettings::IniFileName, ""));
  TClipboardViewer viewer(std::make_shared<TClipboardHistory>(20), TClipboardSettings{});
  TClipboardOptionsForm form(nullptr);
  ASSERT_TRUE(ShowActive(form));
  EXPECT_TRUE(form.cbKeepAlive->Checked());
  EXPECT_TRUE(form.cbStoreImages->Checked());
  EXPECT_EQ(form.eHistory->Text(), "20");
  EXPECT_EQ(form.Label6->Caption(), "LorvexClipboardWindow");
  EXPECT_EQ(form.Label7->Caption(), "Unknown");
  form.Items().Add("three\r\nline\r\ntext");
  form.btnOk->Click();
  EXPECT_EQ(SettingsText(TClipboardSettings::IniFileName),
            "[Settings]\r\nKeepAlive=1\r\nStoreImages=1\r\nHistoryCount=20\r\n"
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

TEST(SourceOptionsTest, TheRunGroupDialogsSpeakPlainlyUntranslatedAndTheTextBoxesScrollAsTheyShould) {
  TTestLanguage german{{"Run group options", "Laufgruppen"}, {"Set item properties", "Eintrag"},
                       {"Record", "Datensatz"}, {"Define database", "Datenbank festlegen"}, {"Warning", "Warnung"}};
  RegisterControlTranslators(german.Translator());
  TRunGroupFile file(WriteSettingsFile("rungroup_plain.ini", "[Work]\r\nmail=1500;mail.exe;/new\r\n"));
  TRunGroupOptionsForm form(nullptr, file);
  ASSERT_TRUE(ShowActive(form));
  TreeView_SelectItem(form.treeGroups->Handle(), TreeView_GetRoot(form.treeGroups->Handle()));
  for (const int result : {int(mrNo), int(mrYes)}) {
    TPlainAnswer answer(result);
    form.btnDeleteClick();
    EXPECT_EQ(answer.Seen, "Warning|This group is not empty, really delete?|&Yes|&No");
    EXPECT_EQ(form.Tree().Groups().size(), result == mrYes ? 0u : 1u);
  }
  TPlainAnswer answer(mrOk);
  form.btnNewItemClick();  // no group left to select
  EXPECT_EQ(answer.Seen, Application().Title + "|Please select a group first.|OK");

  // Of these only the database's definition translates itself.
  const TDatabaseRows rows = NewDatabaseRows();
  TDefineDatabaseForm define(nullptr, rows, -1);
  EXPECT_EQ((TNames{TSetItemForm(&form).Caption(), TDbNoteForm(nullptr, {}).Caption(), define.Caption()}),
            (TNames{"Set item properties", "Record", "Datenbank festlegen"}));
  // Neither text box wraps; the permanent text scrolls both ways, the SQL only downwards.
  TPermanentItemForm permanent(nullptr);
  constexpr LONG bars = WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL;
  EXPECT_EQ(GetWindowLongA(permanent.eText->Handle(), GWL_STYLE) & bars, bars);
  EXPECT_EQ(GetWindowLongA(define.eSQL->Handle(), GWL_STYLE) & bars, WS_VSCROLL | ES_AUTOHSCROLL);
}
