// The web-search options dialog and its engine editor, driven for real under Wine.
#include "app/win32/FInternetOptions.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/win32/FWebSearch.h"
#include "tests/support/FormDriver.h"
#include "tests/support/TestPaths.h"

namespace {

// Fills the engine editor the next action opens, and presses OK.
class TEngineTyped {
 public:
  TEngineTyped(std::string engine, std::string searchString)
      : FAction(
            [this, engine, searchString] {
              TWebSearchForm* editor = FindForm<TWebSearchForm>();
              if (!editor) return;
              Shown = {editor->eEngine->Text(), editor->eSearchString->Text()};
              editor->eEngine->SetText(engine);
              editor->eSearchString->SetText(searchString);
              editor->btnOk->Click();
            },
            100) {}
  TEngineRow Shown;

 private:
  TDelayedAction FAction;
};

}  // namespace

TEST(InternetOptionsForm, AddEditDeleteAndMovesReachTheEngineFileWithItsOtherSectionsKept) {
  const std::string fileName = testpaths::FreshFolder("internet_options") + "LorvexInternet.ini";
  testpaths::WriteText(fileName,
                       "; by hand\r\n[Proxy]\r\nHost=x\r\n[Engines]\r\nWiki=w:#search#\r\n"
                       "Maps=m:#search#\r\nNews=n:#search#\r\n");
  TInternetOptionsForm form(nullptr, fileName);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()); }));
  char cell[64] = "";
  ListView_GetItemText(form.eWebSearch->Handle(), 1, 1, cell, sizeof cell);
  EXPECT_STREQ(cell, "m:#search#");
  Pump(300);  // painted, for the picture
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), ArtifactsFolder() + "internet_options.bmp"));

  {
    TEngineTyped typed(" Books ", "b:#search#");
    form.btnAddWebSearchClick();
  }
  form.Rows().SetItemIndex(1);
  {
    TEngineTyped typed("Atlas", "a:#search#");
    form.btnEditWebSearchClick();
    EXPECT_EQ(typed.Shown.Engine, "Maps");
  }
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
  EXPECT_EQ(form.ModalResult, mrOk);
  EXPECT_EQ(testpaths::ReadText(fileName),
            "; by hand\r\n[Proxy]\r\nHost=x\r\n"
            "[Engines]\r\nWiki=w:#search#\r\nBooks=b:#search#\r\nAtlas=a:#search#\r\n");
}
