// The web-search options dialog and its engine editor, driven for real under Wine.
#include "app/win32/FInternetOptions.h"

#include <gtest/gtest.h>

#include "app/win32/FWebSearch.h"
#include "tests/support/FormDriver.h"
#include "tests/support/TestPaths.h"

namespace {

// Fills the engine editor and presses OK.
void Type(TWebSearchForm& editor, const std::string& engine, const std::string& searchString) {
  editor.eEngine->SetText(engine);
  editor.eSearchString->SetText(searchString);
  editor.btnOk->Click();
}

}  // namespace

TEST(InternetOptionsForm, AddEditDeleteAndMovesReachTheEngineFileWithItsOtherSectionsKept) {
  const std::string fileName = testpaths::FreshFolder("internet_options") + "LorvexInternet.ini";
  testpaths::WriteText(fileName,
                       "; by hand\r\n[Proxy]\r\nHost=x\r\n[Engines]\r\nWiki=w:#search#\r\n"
                       "Maps=m:#search#\r\nNews=n:#search#\r\n");
  TInternetOptionsForm form(nullptr, fileName);
  ASSERT_TRUE(ShowActive(form));
  EXPECT_EQ(RowText(*form.eWebSearch, 1), "Maps|m:#search#");
  Pump(300);  // painted, for the picture
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), ArtifactsFolder() + "internet_options.bmp"));

  {
    auto add = InDialog<TWebSearchForm>([](TWebSearchForm& editor) { Type(editor, " Books ", "b:#search#"); });
    form.btnAddWebSearchClick();
  }
  form.Rows().SetItemIndex(1);
  std::string shown;
  {
    auto edit = InDialog<TWebSearchForm>([&](TWebSearchForm& editor) {
      shown = editor.eEngine->Text();
      Type(editor, "Atlas", "a:#search#");
    });
    form.btnEditWebSearchClick();
  }
  EXPECT_EQ(shown, "Maps");
  form.Rows().SetItemIndex(2);
  {
    TBoxAnswer yes(mrYes);
    form.btnDeleteWebSearchClick();
    EXPECT_EQ(yes.Text, "Delete News?");
  }
  form.Rows().SetItemIndex(2);  // Books
  form.btnWebSearchUpClick();
  form.btnWebSearchUpClick();
  form.btnWebSearchDownClick();
  form.btnOk->Click();
  EXPECT_EQ(testpaths::ReadText(fileName),
            "; by hand\r\n[Proxy]\r\nHost=x\r\n"
            "[Engines]\r\nWiki=w:#search#\r\nBooks=b:#search#\r\nAtlas=a:#search#\r\n");
}

// The name of another engine is refused and the editor stays open with what was typed; the row's
// own name, in any case, is no other engine's.
TEST(InternetOptionsForm, TheEditorRefusesTheNameOfAnotherEngineAndStaysOpen) {
  TEngineRows rows = NewEngineRows();
  rows.Add({"Wiki", "w:#search#"});
  rows.Add({"Maps", "m:#search#"});
  rows.SetItemIndex(1);
  std::vector<std::string> told;  // by each OK, with what it left the editor at
  {
    auto rename = InDialog<TWebSearchForm>([&](TWebSearchForm& editor) {
      for (const char* name : {"WIKI", "MAPS"}) {
        TBoxAnswer answer(mrOk);
        try {
          Type(editor, name, "m2:#search#");  // an error box runs in here
        } catch (const EAbort&) {
          // what keeps the editor open
        }
        told.push_back(answer.Text + (editor.ModalResult == mrOk ? " OK" : " open"));
      }
      if (editor.ModalResult != mrOk) editor.btnCancel->Click();
    });
    EditWebSearch(nullptr, false, rows);
  }
  EXPECT_EQ(told, (std::vector<std::string>{"Engine WIKI already exists. open", " OK"}));
  EXPECT_EQ(rows[0].Engine + "|" + rows[1].Engine + "|" + rows[1].SearchString, "Wiki|MAPS|m2:#search#");
}
