// Every dialog of the program under the keyboard, with real keys under Wine: where the focus opens
// and how Tab goes on, what the underlined letters do, Enter on a focused Cancel, and the arrows
// that move a list's rows.
#include <memory>

#include "app/win32/FBookmarkOptions.h"
#include "app/win32/FClipboardOptions.h"
#include "app/win32/FDatabaseOptions.h"
#include "app/win32/FDefineDatabase.h"
#include "app/win32/FFolder.h"
#include "app/win32/FInternetOptions.h"
#include "app/win32/FMagicWords.h"
#include "app/win32/FMp3Options.h"
#include "app/win32/FOptions.h"
#include "app/win32/FRunGroupOptions.h"
#include "app/win32/FWebSearch.h"
#include "sources/SearchChromeBookmarks.h"
#include "tests/app/AppTest.h"
#include "tests/support/TestPaths.h"

namespace {

using TControls = std::vector<TWinControl*>;

// A dialog as the program makes it, and its controls in the order Tab visits them from where the
// focus opens.
struct TDialogCase {
  const char* Name;
  std::function<std::unique_ptr<TForm>()> Make;
  std::function<TControls(TForm&)> Order;
};

// A dialog's underlined letter and the control it leads to.
// A dialog's arrows that move the selected row of its list: the control Tab leaves for the down
// arrow, and the rows the arrows move (the first of them selected once the dialog shows).
struct TArrowCase {
  const char* Name;
  std::function<std::unique_ptr<TForm>()> Make;
  std::function<TWinControl*(TForm&)> Before;
  std::function<TWinControl*(TForm&)> Down;
  std::function<TWinControl*(TForm&)> Up;
  std::function<TRowSource&(TForm&)> Rows;
  std::function<void(TForm&)> Fill = nullptr;  // adds rows to a dialog that shows none
};

struct TLetterCase {
  const char* Name;
  std::function<std::unique_ptr<TForm>()> Make;
  WORD Letter;
  std::function<TWinControl*(TForm&)> Target;
};

template <class T>
TLetterCase Letter(
    const char* name, WORD letter, std::function<TWinControl*(T&)> target,
    std::function<std::unique_ptr<T>()> make = [] { return std::make_unique<T>(nullptr); }) {
  return {name, [make] { return std::unique_ptr<TForm>(make()); }, letter,
          [target](TForm& form) { return target(dynamic_cast<T&>(form)); }};
}

template <class T>
TDialogCase Dialog(
    const char* name, std::function<TControls(T&)> order,
    std::function<std::unique_ptr<T>()> make = [] { return std::make_unique<T>(nullptr); }) {
  return {name, [make] { return std::unique_ptr<TForm>(make()); },
          [order](TForm& form) { return order(dynamic_cast<T&>(form)); }};
}

class DialogKeysTest : public AppTest {
 protected:
  TMagicWordRows MagicWords = NewMagicWordRows();
  TEngineRows Engines = NewEngineRows();
  TDatabaseRows Databases = NewDatabaseRows();
  TRunGroupFile RunGroups{testpaths::FreshFolder("dialog_keys") + "groups.ini"};
};

std::string Named(TWinControl* control) { return control ? control->Caption() + "/" + control->ClassName() : "none"; }

// The picture a button shows, as the count of pixels in the buttons' text colour in each row
// that has any, top to bottom; the frame is left out.
std::vector<int> InkRows(TWinControl& button) {
  std::vector<int> rows;
  RECT r;
  GetClientRect(button.Handle(), &r);
  HDC dc = GetDC(button.Handle());
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  for (int y = 4; y < r.bottom - 4; ++y) {
    int count = 0;
    for (int x = 4; x < r.right - 4; ++x) count += GetPixel(dc, x, y) == ink;
    if (count) rows.push_back(count);
  }
  ReleaseDC(button.Handle(), dc);
  return rows;
}

// True when Rows are an arrow: at least three rows, the widest at the end it points from.
bool IsArrow(const std::vector<int>& rows, bool up) {
  return rows.size() >= 3 && (up ? rows.front() < rows.back() : rows.front() > rows.back());
}

}  // namespace

// The dialogs whose controls stand apart from the order they are made in (a check box added by a
// descendant, a button beside an edit, controls in a group box or on pages), or whose first
// control is chosen when shown: each opens with the focus on its first control, and Tab goes
// through the controls as they stand, round to the first.
TEST_F(DialogKeysTest, EveryDialogOpensOnItsFirstControlAndTabGoesAsTheControlsStand) {
  std::unique_ptr<TBoxAnswer> notFound;  // the bookmark options say that they find no file
  const TDialogCase cases[] = {
      Dialog<TOptionsForm>(
          "options",
          [](TOptionsForm& f) {
            return TControls{f.eLastUsed,   f.eOpacity,     f.eHotkey,      f.btnCheck,         f.cbInTray,
                             f.cbGroupHits, f.cbUseScoring, f.cbExeInFront, f.cbExtendedSearch, f.cbFolders,
                             f.eLanguage,   f.btnOk,        f.btnCancel,    f.PageControl1};
          },
          [] { return std::make_unique<TOptionsForm>(nullptr, AppSettings(), ExeFolder()); }),
      Dialog<TMagicWordsForm>(
          "magic word",
          [](TMagicWordsForm& f) {
            return TControls{f.eMagicWord, f.eDescription, f.eExecuteString, f.btnBrowse, f.ePath,
                             f.eParams,    f.cbRunAs,      f.btnOk,          f.btnCancel};
          },
          [this] { return std::make_unique<TMagicWordsForm>(nullptr, true, MagicWords); }),
      Dialog<TMp3OptionsForm>(
          "mp3 options",
          [](TMp3OptionsForm& f) {
            return TControls{f.eFolders,  f.cbSubFolders, f.cbSearchTags, f.btnAdd, f.btnEdit,
                             f.btnDelete, f.btnDown,      f.btnUp,        f.btnOk,  f.btnCancel};
          },
          [] { return std::make_unique<TMp3OptionsForm>(nullptr, "LorvexMp3.ini"); }),
      Dialog<TChromeOptionsForm>(
          "chrome options",
          [](TChromeOptionsForm& f) {
            return TControls{f.eFile, f.cbLive, f.btnOk, f.btnCancel};
          },
          [&notFound] {
            os::DeleteFile(ChromeIniFileName());  // no file named: the box asks for one
            notFound = std::make_unique<TBoxAnswer>(mrOk);
            return std::make_unique<TChromeOptionsForm>(nullptr);
          }),
      Dialog<TClipboardOptionsForm>(
          "clipboard options",
          [](TClipboardOptionsForm& f) {
            return TControls{f.cbKeepAlive,       f.cbStoreImages,       f.eHistory, f.eItems,    f.btnAddAddFolders,
                             f.btnEditAddFolders, f.btnDeleteAddFolders, f.btnOk,    f.btnCancel, f.s};
          }),
      Dialog<TRunGroupOptionsForm>(
          "run group options",
          [](TRunGroupOptionsForm& f) {  // "Add Item" waits for a group
            return TControls{f.treeGroups, f.btnNewGroup, f.btnEdit, f.btnDelete,
                             f.btnMoveUp,  f.btnMoveDown, f.btnOk,   f.btnCancel};
          },
          [this] { return std::make_unique<TRunGroupOptionsForm>(nullptr, RunGroups); }),
      Dialog<TDefineDatabaseForm>(
          "database",
          [](TDefineDatabaseForm& f) {
            return TControls{f.eName, f.eConnectionString, f.btnConnectionString, f.eSQL, f.btnOk, f.btnCancel};
          },
          [this] { return std::make_unique<TDefineDatabaseForm>(nullptr, Databases, -1); }),
      Dialog<TqmMessageBox>(
          "message box",
          [](TqmMessageBox& f) {
            return TControls{f.btn2, f.btn3, f.btn4};
          },
          [] { return std::unique_ptr<TqmMessageBox>(CreateMessageBox("Sure?", "Question", 3, 0)); }),
  };
  for (const TDialogCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TForm> form = c.Make();
    const TControls order = c.Order(*form);
    ASSERT_TRUE(ShowActive(*form));
    for (size_t step = 0; step <= order.size(); ++step) {
      TWinControl* expected = order[step % order.size()];
      EXPECT_TRUE(PumpUntil([&] { return expected->Focused(); }, 2000))
          << "step " << step << ": " << Named(expected) << " expected, " << Named(TWinControl::FromHandle(GetFocus()))
          << " has the focus";
      if (step == order.size()) break;
      PressKey(VK_TAB);
      PumpUntil([] {  // the key handled, before the focus is looked at again
        MSG msg;
        return !PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE);
      });
    }
  }
}

// The underlined letters of every dialog, with Alt: a button's clicks it, a label's focuses the
// control it names.
TEST_F(DialogKeysTest, EveryUnderlinedLetterClicksItsButtonOrFocusesWhatItsLabelNames) {
  const auto options = [](int page) {
    return [page] {
      auto form = std::make_unique<TOptionsForm>(nullptr, AppSettings(), ExeFolder());
      form->PageControl1->SetActivePageIndex(page);
      return form;
    };
  };
  const auto box = [](uint8_t buttons) {
    return [buttons] { return std::unique_ptr<TqmMessageBox>(CreateMessageBox("Sure?", "Question", buttons, 0)); };
  };
  const auto magicWord = [this] { return std::make_unique<TMagicWordsForm>(nullptr, true, MagicWords); };
  const auto webSearch = [this] { return std::make_unique<TWebSearchForm>(nullptr, true, Engines); };
  const auto folders = [] { return std::make_unique<TFoldersOptionsForm>(nullptr, "LorvexFolders.ini"); };
  const auto internet = [] { return std::make_unique<TInternetOptionsForm>(nullptr, "LorvexInternet.ini"); };
  using O = TOptionsForm;
  using M = TMagicWordsForm;
  using W = TWebSearchForm;
  using F = TFoldersOptionsForm;
  using I = TInternetOptionsForm;
  using D = TDatabaseOptionsForm;
  using C = TClipboardOptionsForm;
  using B = TqmMessageBox;
  // clang-format off
  const TLetterCase cases[] = {
      Letter<O>("options, Search: Add", 'A', [](O& f) { return f.btnAddAddFolders; }, options(1)),
      Letter<O>("options, Search: Remove", 'R', [](O& f) { return f.btnDeleteAddFolders; }, options(1)),
      Letter<O>("options, Filter: Add", 'A', [](O& f) { return f.btnAddFilter; }, options(2)),
      Letter<O>("options, Filter: Edit", 'E', [](O& f) { return f.btnEditFilter; }, options(2)),
      Letter<O>("options, Filter: Delete", 'D', [](O& f) { return f.btnDeleteFilter; }, options(2)),
      Letter<O>("options, Magic words: Add", 'A', [](O& f) { return f.btnAddMagicWord; }, options(3)),
      Letter<O>("options, Magic words: Edit", 'E', [](O& f) { return f.btnEditMagicWord; }, options(3)),
      Letter<O>("options, Magic words: Delete", 'D', [](O& f) { return f.btnDeleteMagicWord; }, options(3)),
      Letter<M>("magic word: Magic word", 'M', [](M& f) { return f.eMagicWord; }, magicWord),
      Letter<M>("magic word: Description", 'D', [](M& f) { return f.eDescription; }, magicWord),
      Letter<M>("magic word: Execute string", 'E', [](M& f) { return f.eExecuteString; }, magicWord),
      Letter<M>("magic word: Path", 'H', [](M& f) { return f.ePath; }, magicWord),
      Letter<M>("magic word: Parameters", 'P', [](M& f) { return f.eParams; }, magicWord),
      Letter<TFolderForm>("folder: Folder", 'F', [](TFolderForm& f) { return f.eFolder; }),
      Letter<W>("web search: Engine", 'E', [](W& f) { return f.eEngine; }, webSearch),
      Letter<W>("web search: Search string", 'S', [](W& f) { return f.eSearchString; }, webSearch),
      Letter<F>("folders options: Add", 'A', [](F& f) { return f.btnAdd; }, folders),
      Letter<F>("folders options: Edit", 'E', [](F& f) { return f.btnEdit; }, folders),
      Letter<F>("folders options: Delete", 'D', [](F& f) { return f.btnDelete; }, folders),
      Letter<I>("internet options: Add", 'A', [](I& f) { return f.btnAddWebSearch; }, internet),
      Letter<I>("internet options: Edit", 'E', [](I& f) { return f.btnEditWebSearch; }, internet),
      Letter<I>("internet options: Delete", 'D', [](I& f) { return f.btnDeleteWebSearch; }, internet),
      Letter<D>("database options: Add", 'A', [](D& f) { return f.btnAdd; }),
      Letter<D>("database options: Edit", 'E', [](D& f) { return f.btnEdit; }),
      Letter<D>("database options: Delete", 'D', [](D& f) { return f.btnDelete; }),
      Letter<C>("clipboard options: Add", 'A', [](C& f) { return f.btnAddAddFolders; }),
      Letter<C>("clipboard options: Edit", 'E', [](C& f) { return f.btnEditAddFolders; }),
      Letter<C>("clipboard options: Delete", 'D', [](C& f) { return f.btnDeleteAddFolders; }),
      Letter<B>("message box: Yes", 'Y', [](B& f) { return f.btn1; }, box(4)),
      Letter<B>("message box: No", 'N', [](B& f) { return f.btn2; }, box(4)),
      Letter<B>("message box: Cancel", 'C', [](B& f) { return f.btn3; }, box(4)),
      Letter<B>("message box: All", 'A', [](B& f) { return f.btn4; }, box(4)),
      Letter<B>("message box: OK", 'O', [](B& f) { return f.btn3; }, box(1)),
  };
  // clang-format on
  for (const TLetterCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TForm> form = c.Make();
    TWinControl* target = c.Target(*form);
    int clicks = 0;
    auto* button = dynamic_cast<TButton*>(target);
    if (button) button->OnClick = [&](TComponent&) { ++clicks; };  // in place of what it does
    ASSERT_TRUE(ShowActive(*form));
    ASSERT_TRUE(FocusOn(*form->CancelButton));  // anywhere but the target
    if (button == form->CancelButton) FocusOn(*form->DefaultButton);
    PressKeys({VK_MENU, c.Letter});
    EXPECT_TRUE(PumpUntil([&] { return target->Focused() && (!button || clicks > 0); }, 2000))
        << Named(TWinControl::FromHandle(GetFocus())) << " has the focus";
    Pump(30);
    EXPECT_EQ(clicks, button ? 1 : 0);
  }
}

// The arrows that move a row show which way they move it, and are buttons of the Tab order: Tab
// leaves the button before them for the down arrow, Space there moves the selected row down, and
// Enter on the up arrow, one Tab on, moves it back.
TEST_F(DialogKeysTest, TheArrowsPointTheirWayTabReachesThemAndSpaceOrEnterMovesTheSelectedRow) {
  using O = TOptionsForm;
  using F = TFoldersOptionsForm;
  const TArrowCase cases[] = {
      {"options, Search",
       [] {
         auto form = std::make_unique<O>(nullptr, AppSettings(), ExeFolder());
         form->PageControl1->SetActivePageIndex(1);
         return std::unique_ptr<TForm>(std::move(form));
       },
       [](TForm& f) -> TWinControl* { return dynamic_cast<O&>(f).btnDeleteAddFolders; },
       [](TForm& f) -> TWinControl* { return dynamic_cast<O&>(f).btnSearchDown; },
       [](TForm& f) -> TWinControl* { return dynamic_cast<O&>(f).btnSearchUp; },
       [](TForm& f) -> TRowSource& { return dynamic_cast<O&>(f).Model().SearchOrder; }},
      {"folders options", [] { return std::unique_ptr<TForm>(std::make_unique<F>(nullptr, "LorvexFolders.ini")); },
       [](TForm& f) -> TWinControl* { return dynamic_cast<F&>(f).btnDelete; },
       [](TForm& f) -> TWinControl* { return dynamic_cast<F&>(f).btnDown; },
       [](TForm& f) -> TWinControl* { return dynamic_cast<F&>(f).btnUp; },
       [](TForm& f) -> TRowSource& { return dynamic_cast<F&>(f).Rows(); },
       [](TForm& f) {  // read from no file when shown
         for (const char* folder : {"C:\\music", "D:\\pictures", "E:\\films"}) dynamic_cast<F&>(f).Rows().Add(folder);
       }},
  };
  for (const TArrowCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TForm> form = c.Make();
    ASSERT_TRUE(ShowActive(*form));
    if (c.Fill) c.Fill(*form);
    TRowSource& rows = c.Rows(*form);
    ASSERT_GE(rows.RowCount(), 3);
    const std::string first = rows.CellText(0, 0), second = rows.CellText(1, 0);
    rows.SetItemIndex(0);
    ASSERT_TRUE(FocusOn(*c.Before(*form)));
    Pump(50);  // painted
    EXPECT_TRUE(IsArrow(InkRows(*c.Down(*form)), false)) << testing::PrintToString(InkRows(*c.Down(*form)));
    EXPECT_TRUE(IsArrow(InkRows(*c.Up(*form)), true)) << testing::PrintToString(InkRows(*c.Up(*form)));
    PressKey(VK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return c.Down(*form)->Focused(); }, 2000))
        << Named(TWinControl::FromHandle(GetFocus())) << " has the focus";
    PressKey(VK_SPACE);
    EXPECT_TRUE(PumpUntil([&] { return rows.CellText(1, 0) == first; }, 2000));
    EXPECT_EQ(rows.CellText(0, 0), second);
    EXPECT_EQ(rows.ItemIndex(), 1);
    PressKey(VK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return c.Up(*form)->Focused(); }, 2000))
        << Named(TWinControl::FromHandle(GetFocus())) << " has the focus";
    PressKey(VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return rows.CellText(0, 0) == first; }, 2000));
    EXPECT_EQ(rows.CellText(1, 0), second);
    EXPECT_EQ(rows.ItemIndex(), 0);
    Pump(30);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));  // Enter pressed the arrow, not OK
  }
}

// With the focus on Cancel, Enter cancels: nothing typed before is kept, the settings file stays
// as it was. All keys come as a user's keyboard sends them.
TEST_F(DialogKeysTest, EnterOnTheFocusedCancelOfTheOptionsKeepsTheSettingsFile) {
  WriteSettings([](TLorvexSettings&) {});
  const std::string before = testpaths::ReadText(SettingsFileName());
  TMainForm& main = CreateMain();
  ShowMain();
  bool onCancel = false;
  auto keys = InDialog<TOptionsForm>([&](TOptionsForm& options) {
    ASSERT_TRUE(XTestKeys("type 7"));  // over the selected number
    ASSERT_TRUE(PumpUntil([&] { return options.eLastUsed->Text() == "7"; }));
    ASSERT_TRUE(XTestKeys("key shift+Tab shift+Tab"));  // past the tabs, round to Cancel
    onCancel = PumpUntil([&] { return options.btnCancel->Focused(); });
    ASSERT_TRUE(XTestKeys("key Return"));
  });
  TDelayedAction safety(
      [] {
        if (TOptionsForm* options = FindForm<TOptionsForm>()) options->ModalResult = mrAbort;
      },
      15000);
  ASSERT_TRUE(XTestKeys("key ctrl+o", main.Handle()));
  ASSERT_TRUE(PumpUntil([&] { return onCancel && !FindForm<TOptionsForm>(); }, 20000));
  EXPECT_EQ(AppSettings().MaxHits, 10);
  EXPECT_EQ(testpaths::ReadText(SettingsFileName()), before);
}
