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
