// The list and page controls with real windows under Wine: the list view over its rows, the
// page control, the up-down button, the combo box, files dropped on an edit box, the file and
// folder dialogs, their translation, and moving the focus across pages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RowList.h"
#include "core/SZCRC32.h"
#include "core/qmTranslate.h"
#include "tests/support/WineTestUtils.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/qmTranslators.h"

namespace {

struct TWord {
  std::string Name;
  std::string Description;
};

using TWordRows = TRowList<TWord>;

std::unique_ptr<TWordRows> MakeRows(std::initializer_list<TWord> words) {
  auto rows = std::make_unique<TWordRows>([](const TWord& word, int column) {
    switch (column) {
      case 0: return word.Name;
      case 1: return word.Description;
      default: return "unshown " + word.Name;
    }
  });
  for (const TWord& word : words) rows->Add(word);
  return rows;
}

// Every test catches what reaches the application's exception event and leaves the system's
// dialogs in place.
class UiListsTest : public testing::Test {
 protected:
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
  }
  void TearDown() override {
    SetChooserForTests(nullptr);
    Application().ProcessMessages();
    Application().OnException = nullptr;
    EXPECT_TRUE(Errors.empty()) << Errors.front();
  }
  std::vector<std::string> Errors;
};

class UiListsListView : public UiListsTest {};
class UiListsPageControl : public UiListsTest {};
class UiListsUpDown : public UiListsTest {};
class UiListsComboBox : public UiListsTest {};
class UiListsEdit : public UiListsTest {};
class UiListsDialogs : public UiListsTest {};
class UiListsTranslators : public UiListsTest {};
class UiListsFocus : public UiListsTest {};

// A form of its own at a fixed place.
std::unique_ptr<TForm> MakeForm(int width = 500, int height = 400) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(60, 60, width, height);
  return form;
}

bool HasFocus(TWinControl& control) {
  return PumpUntil([&] { return GetFocus() == control.Handle(); });
}

// Presses Key with Ctrl (and Shift) held.
void PressCtrlKey(WORD key, bool shift = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  add(VK_CONTROL, 0);
  if (shift) add(VK_SHIFT, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  add(VK_CONTROL, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CenterOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// What the list view window itself shows.
std::string CellText(TListView& view, int item, int column) {
  std::vector<char> buffer(2048, '\0');
  LVITEMA lvItem{};
  lvItem.iSubItem = column;
  lvItem.pszText = buffer.data();
  lvItem.cchTextMax = static_cast<int>(buffer.size());
  SendMessageA(view.Handle(), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lvItem));
  return buffer.data();
}

std::string ColumnCaption(TListView& view, int column) {
  char buffer[256] = "";
  LVCOLUMNA lvColumn{};
  lvColumn.mask = LVCF_TEXT;
  lvColumn.pszText = buffer;
  lvColumn.cchTextMax = sizeof buffer;
  SendMessageA(view.Handle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&lvColumn));
  return buffer;
}

int ColumnCount(TListView& view) { return Header_GetItemCount(ListView_GetHeader(view.Handle())); }

UINT ItemState(TListView& view, int item) {
  return ListView_GetItemState(view.Handle(), item, LVIS_SELECTED | LVIS_FOCUSED);
}

POINT RowPoint(TListView& view, int item) {
  RECT r{};
  ListView_GetItemRect(view.Handle(), item, &r, LVIR_LABEL);
  return CenterOf(r);
}

std::string TabText(TPageControl& pages, int tab) {
  char buffer[256] = "";
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  SendMessageA(pages.Handle(), TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

bool IsShown(TWinControl& control) { return (GetWindowLongA(control.Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

RECT DisplayArea(TPageControl& pages) {
  RECT r;
  GetClientRect(pages.Handle(), &r);
  TabCtrl_AdjustRect(pages.Handle(), FALSE, &r);
  return r;
}

// The bounds of a child window in its parent's client coordinates.
RECT WindowBoundsInParent(TWinControl& control) {
  RECT r;
  GetWindowRect(control.Handle(), &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control.Handle()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

template <class T>
T* Add(TForm& form, TWinControl* parent, const std::string& name = {}) {
  auto* control = new T(&form);
  control->Name = name;
  control->SetParent(parent);
  return control;
}

TTabSheet* AddPage(TForm& form, TPageControl* pages, const std::string& caption) {
  auto* page = new TTabSheet(&form);
  page->SetCaption(caption);
  page->SetPageControl(pages);
  return page;
}

}  // namespace

// --- List view ----------------------------------------------------------------------------

TEST_F(UiListsListView, ShowsTheCellsOfItsColumnsFromTheRows) {
  auto form = MakeForm();
  auto* view = Add<TListView>(*form, form.get());
  view->SetBounds(10, 10, 460, 300);
  view->Columns = {{"Magic word", 100}, {"Description", 200}};
  const std::string longText(400, 'x');
  auto rows = MakeRows({{"alpha", "first"}, {"beta", longText}, {"gamma", ""}});
  view->SetRows(rows.get());  // before the window exists
  form->Show();

  const DWORD style = GetWindowLongA(view->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (LVS_TYPEMASK | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_EDITLABELS),
            static_cast<DWORD>(LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER));
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(view->Handle()) & LVS_EX_FULLROWSELECT);

  ASSERT_EQ(ListView_GetItemCount(view->Handle()), 3);
  EXPECT_EQ(CellText(*view, 0, 0), "alpha");
  EXPECT_EQ(CellText(*view, 0, 1), "first");
  EXPECT_EQ(CellText(*view, 1, 1), longText) << "a long cell reaches a long enough buffer whole";
  EXPECT_EQ(CellText(*view, 2, 1), "");
  // The rows' third cell has no column.
  EXPECT_EQ(ColumnCount(*view), 2);
  EXPECT_EQ(CellText(*view, 0, 2), "");
  EXPECT_EQ(ColumnCaption(*view, 0), "Magic word");
  EXPECT_EQ(ListView_GetColumnWidth(view->Handle(), 1), 200);

  view->SetColumnCaption(1, "Notes");
  view->SetColumnCaption(7, "nothing");  // no such column: nothing happens
  EXPECT_EQ(ColumnCaption(*view, 1), "Notes");
  EXPECT_EQ(view->Columns[1].Caption, "Notes");
}

TEST_F(UiListsListView, TheWindowFollowsTheRowsAndTheirSelection) {
  auto form = MakeForm();
  auto* view = Add<TListView>(*form, form.get());
  view->SetBounds(10, 10, 460, 300);
  view->Columns = {{"Word", 100}};
  std::vector<int> changes;
  view->OnChange = [&](TComponent&) { changes.push_back(view->Rows()->ItemIndex()); };
  form->Show();
  auto rows = MakeRows({{"a", ""}, {"b", ""}, {"c", ""}});
  view->SetRows(rows.get());  // after the window exists
  ASSERT_EQ(ListView_GetItemCount(view->Handle()), 3);

  rows->SetItemIndex(2);
  EXPECT_EQ(ItemState(*view, 2), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(ItemState(*view, 0), 0u);
  EXPECT_EQ(changes, std::vector<int>{2});

  rows->Add({"d", ""});
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 4);
  EXPECT_EQ(CellText(*view, 3, 0), "d");
  EXPECT_EQ(ItemState(*view, 2), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));

  // The selected row moves up one place when a row above it goes.
  rows->Delete(0);
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 3);
  EXPECT_EQ(CellText(*view, 0, 0), "b");
  EXPECT_EQ(ItemState(*view, 1), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(ItemState(*view, 2), 0u);
  EXPECT_EQ(changes, (std::vector<int>{2, 1}));

  // The moved row takes the selection and the focus mark with it.
  ASSERT_TRUE(MoveListItemUp(*rows));
  EXPECT_EQ(CellText(*view, 0, 0), "c");
  EXPECT_EQ(ItemState(*view, 0), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(ItemState(*view, 1), 0u);

  rows->SetItemIndex(-1);
  EXPECT_EQ(ListView_GetNextItem(view->Handle(), -1, LVNI_SELECTED), -1);
  rows->Clear();
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 0);
  EXPECT_EQ(changes, (std::vector<int>{2, 1, 0, -1}));
  Application().ProcessMessages();
  EXPECT_EQ(changes, (std::vector<int>{2, 1, 0, -1})) << "showing a change is not a change of the user's";
}

TEST_F(UiListsListView, AClickAndTheArrowKeysChooseTheRowsSelection) {
  auto form = MakeForm();
  auto* view = Add<TListView>(*form, form.get());
  view->SetBounds(10, 10, 460, 300);
  view->Columns = {{"Word", 300}};
  auto rows = MakeRows({{"a", ""}, {"b", ""}, {"c", ""}});
  view->SetRows(rows.get());
  std::vector<int> changes;
  view->OnChange = [&](TComponent&) { changes.push_back(rows->ItemIndex()); };
  ASSERT_TRUE(ShowActive(*form));

  ClickAt(view->Handle(), RowPoint(*view, 1));
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 1; }));
  Application().ProcessMessages();
  EXPECT_EQ(changes, std::vector<int>{1}) << "one click, one change";
  EXPECT_EQ(ItemState(*view, 1), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));

  ASSERT_TRUE(FocusOn(*view));
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 2; }));
  PressKey(VK_UP);
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 1; }));
  Application().ProcessMessages();
  EXPECT_EQ(changes, (std::vector<int>{1, 2, 1}));

  // Typing a caption's first letter finds its row.
  PressKey('C');
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 2; }));

  // A handler may choose another row itself; the window shows that one.
  view->OnChange = [&](TComponent&) {
    if (rows->ItemIndex() == 1) rows->SetItemIndex(0);
  };
  PressKey(VK_UP);
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 0; }));
  Application().ProcessMessages();
  EXPECT_EQ(ListView_GetNextItem(view->Handle(), -1, LVNI_SELECTED), 0);
  EXPECT_EQ(rows->ItemIndex(), 0);
  view->OnChange = [&](TComponent&) { changes.push_back(rows->ItemIndex()); };

  // A click below the rows takes the selection away.
  ClickAt(view->Handle(), POINT{100, view->ClientHeight() - 10});
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == -1; }));
  EXPECT_EQ(changes.back(), -1);
}

TEST_F(UiListsListView, ADoubleClickOnARowFiresOnDblClick) {
  auto form = MakeForm();
  auto* view = Add<TListView>(*form, form.get());
  view->SetBounds(10, 10, 460, 300);
  view->Columns = {{"Word", 300}};
  auto rows = MakeRows({{"a", ""}, {"b", ""}});
  view->SetRows(rows.get());
  int doubleClicks = 0;
  view->OnDblClick = [&](TComponent&) { ++doubleClicks; };
  form->Show();

  const POINT row = RowPoint(*view, 1);
  SendMessageA(view->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.x, row.y));
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(row.x, row.y));
  EXPECT_EQ(doubleClicks, 1);
  SendMessageA(view->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, view->ClientHeight() - 10));
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, view->ClientHeight() - 10));
  EXPECT_EQ(doubleClicks, 1) << "not on a row";
}

TEST_F(UiListsListView, RowsAndViewMayGoInEitherOrder) {
  // The rows go first, as the members of a form go before the components it owns.
  {
    auto form = MakeForm();
    auto* view = Add<TListView>(*form, form.get());
    view->Columns = {{"Word", 100}};
    auto rows = MakeRows({{"a", ""}});
    view->SetRows(rows.get());
    form->Show();
    rows->SetItemIndex(0);
    rows.reset();
  }
  // The view goes first; the rows change afterwards.
  auto rows = MakeRows({{"a", ""}});
  {
    auto form = MakeForm();
    auto* view = Add<TListView>(*form, form.get());
    view->Columns = {{"Word", 100}};
    view->SetRows(rows.get());
    form->Show();
  }
  rows->Add({"b", ""});
  rows->SetItemIndex(1);
  EXPECT_EQ(rows->ItemIndex(), 1);

  // Rows taken from a view no longer reach it.
  auto form = MakeForm();
  auto* view = Add<TListView>(*form, form.get());
  view->Columns = {{"Word", 100}};
  form->Show();
  view->SetRows(rows.get());
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 2);
  auto other = MakeRows({{"x", ""}});
  view->SetRows(other.get());
  rows->Add({"c", ""});
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 1);
  view->SetRows(nullptr);
  EXPECT_EQ(ListView_GetItemCount(view->Handle()), 0);
}

// --- Page control -------------------------------------------------------------------------

TEST_F(UiListsPageControl, OnlyTheActivePageShowsAndPagesFillTheDisplayArea) {
  auto form = MakeForm();
  auto* pages = Add<TPageControl>(*form, form.get());
  pages->SetBounds(10, 10, 400, 300);
  TTabSheet* one = AddPage(*form, pages, "One");
  TTabSheet* two = AddPage(*form, pages, "Two");
  TTabSheet* three = AddPage(*form, pages, "Three");
  EXPECT_EQ(pages->ActivePage(), one) << "the first page is active by itself";
  form->Show();

  ASSERT_EQ(TabCtrl_GetItemCount(pages->Handle()), 3);
  EXPECT_EQ(TabText(*pages, 1), "Two");
  EXPECT_TRUE(IsShown(*one));
  EXPECT_FALSE(IsShown(*two));

  int changes = 0;
  pages->OnChange = [&](TComponent&) { ++changes; };
  pages->SetActivePage(three);
  EXPECT_EQ(pages->ActivePageIndex(), 2);
  EXPECT_EQ(TabCtrl_GetCurSel(pages->Handle()), 2);
  EXPECT_FALSE(IsShown(*one));
  EXPECT_TRUE(IsShown(*three));
  EXPECT_EQ(changes, 0) << "a change in code is not the user's";
  pages->SetActivePageIndex(1);
  EXPECT_EQ(pages->ActivePage(), two);

  for (int size : {0, 1}) {
    if (size) pages->SetBounds(10, 10, 450, 350);
    const RECT area = DisplayArea(*pages);
    for (TTabSheet* page : {one, two, three}) {
      const RECT bounds = WindowBoundsInParent(*page);
      EXPECT_TRUE(EqualRect(&bounds, &area)) << page->Caption() << " after resize " << size;
    }
  }

  // A tab's text follows the caption; a page without a tab has no tab.
  two->SetCaption("Zwei");
  EXPECT_EQ(TabText(*pages, 1), "Zwei");
  two->SetTabVisible(false);
  ASSERT_EQ(TabCtrl_GetItemCount(pages->Handle()), 2);
  EXPECT_EQ(TabText(*pages, 1), "Three");
  EXPECT_EQ(TabCtrl_GetCurSel(pages->Handle()), -1) << "the active page has no tab now";
  pages->SetActivePage(three);
  EXPECT_EQ(TabCtrl_GetCurSel(pages->Handle()), 1);

  // A page that goes leaves its place to the next one.
  delete three;
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), two);
  EXPECT_TRUE(IsShown(*two));
  EXPECT_EQ(TabCtrl_GetItemCount(pages->Handle()), 1);
}

TEST_F(UiListsPageControl, ABorderWidthKeepsTheChildrenInsideItsMargin) {
  auto form = MakeForm();
  auto* pages = Add<TPageControl>(*form, form.get());
  pages->SetBounds(10, 10, 400, 300);
  TTabSheet* page = AddPage(*form, pages, "Display");
  page->BorderWidth = 10;
  auto* client = Add<TPanel>(*form, page);
  client->SetAlign(alClient);
  form->Show();

  const RECT area = DisplayArea(*pages);
  EXPECT_EQ(page->ClientWidth(), area.right - area.left - 20);
  EXPECT_EQ(page->ClientHeight(), area.bottom - area.top - 20);
  RECT inPage;
  GetWindowRect(client->Handle(), &inPage);
  RECT pageRect;
  GetWindowRect(page->Handle(), &pageRect);
  EXPECT_EQ(inPage.left - pageRect.left, 10);
  EXPECT_EQ(pageRect.bottom - inPage.bottom, 10);

  page->SetBorderWidth(4);
  EXPECT_EQ(page->ClientWidth(), area.right - area.left - 8);
}

TEST_F(UiListsPageControl, TabClicksAndCtrlTabSwitchPagesAndTheFocusMovesAlong) {
  auto form = MakeForm();
  auto* pages = Add<TPageControl>(*form, form.get());
  pages->SetBounds(10, 10, 400, 300);
  TTabSheet* one = AddPage(*form, pages, "One");
  TTabSheet* two = AddPage(*form, pages, "Two");
  TTabSheet* three = AddPage(*form, pages, "Three");
  auto* editOne = Add<TEdit>(*form, one);
  auto* editTwo = Add<TEdit>(*form, two);
  auto* editThree = Add<TEdit>(*form, three);
  int changes = 0;
  pages->OnChange = [&](TComponent&) { ++changes; };
  ASSERT_TRUE(ShowActive(*form));

  RECT tab{};
  TabCtrl_GetItemRect(pages->Handle(), 1, &tab);
  ClickAt(pages->Handle(), CenterOf(tab));
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == two; }));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsShown(*two));
  EXPECT_FALSE(IsShown(*one));

  ASSERT_TRUE(FocusOn(*editTwo));
  PressCtrlKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == three; }));
  EXPECT_TRUE(HasFocus(*editThree)) << "the focus does not stay on a hidden page";
  PressCtrlKey(VK_TAB, true);
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == two; }));
  EXPECT_TRUE(HasFocus(*editTwo));
  EXPECT_EQ(changes, 3);

  // In code too, a focus on the page that goes moves to the new one.
  pages->SetActivePage(one);
  EXPECT_EQ(GetFocus(), editOne->Handle());
}

// --- Up-down ------------------------------------------------------------------------------

TEST_F(UiListsUpDown, KeepsItsRangeAndStepAndReadsATypedValue) {
  auto form = MakeForm();
  auto* edit = Add<TEdit>(*form, form.get());
  edit->SetBounds(10, 10, 80, 23);
  auto* upDown = Add<TUpDown>(*form, form.get());
  upDown->Min = 10;
  upDown->Max = 100;
  upDown->Increment = 10;
  upDown->SetAssociate(edit);
  upDown->SetPosition(40);  // before the windows exist
  EXPECT_EQ(edit->Text(), "40");
  ASSERT_TRUE(ShowActive(*form));
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(upDown->Handle(), UDM_GETBUDDY, 0, 0)), edit->Handle());
  EXPECT_EQ(edit->Text(), "40");

  upDown->SetPosition(500);
  EXPECT_EQ(upDown->Position(), 100);
  EXPECT_EQ(edit->Text(), "100");
  upDown->SetPosition(-3);
  EXPECT_EQ(edit->Text(), "10");

  edit->SetText("37");
  EXPECT_EQ(upDown->Position(), 37);
  edit->SetText("abc");
  EXPECT_EQ(upDown->Position(), 37) << "no number: the last position";
  edit->SetText(" 250 ");
  EXPECT_EQ(upDown->Position(), 100);
  edit->SetText("99999999999999");
  EXPECT_EQ(upDown->Position(), 100);
  edit->SetText("-5");
  EXPECT_EQ(upDown->Position(), 10);

  // The arrow keys step by Increment and stop at the end of the range.
  upDown->SetPosition(90);
  ASSERT_TRUE(FocusOn(*edit));
  PressKey(VK_UP);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "100"; }));
  PressKey(VK_UP);
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() != "100"; }));
  EXPECT_EQ(edit->Text(), "90") << "the second Up stayed at the maximum";
}

// --- Combo box ----------------------------------------------------------------------------

TEST_F(UiListsComboBox, KeepsItemsAndSelectionFromBeforeItsWindow) {
  auto form = MakeForm();
  auto* combo = Add<TComboBox>(*form, form.get());
  combo->SetBounds(10, 10, 200, 21);
  combo->AddItem("Default");
  combo->AddItem("Deutsch");
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "Deutsch");
  ASSERT_TRUE(ShowActive(*form));

  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(GetWindowLongA(combo->Handle(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  combo->AddItem("Français");
  EXPECT_EQ(combo->Count(), 3);
  EXPECT_EQ(combo->ItemText(2), "Français");
  EXPECT_EQ(combo->ItemText(3), "");

  combo->SetItemText(1, "German");
  EXPECT_EQ(combo->ItemIndex(), 1) << "a renamed selected item stays selected";
  EXPECT_EQ(combo->Text(), "German");
  EXPECT_EQ(WindowText(combo->Handle()), "German");

  // The open list has room for its rows, also after the box was placed again.
  combo->SetBounds(20, 20, 180, combo->Height());
  RECT dropped{};
  SendMessageA(combo->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  RECT closed{};
  GetWindowRect(combo->Handle(), &closed);
  const auto itemHeight = SendMessageA(combo->Handle(), CB_GETITEMHEIGHT, 0, 0);
  EXPECT_GE((dropped.bottom - dropped.top) - (closed.bottom - closed.top), 3 * itemHeight);
  EXPECT_LT(closed.bottom - closed.top, 3 * itemHeight) << "the closed box covers nothing below it";

  int changes = 0;
  combo->OnChange = [&](TComponent&) { ++changes; };
  combo->SetItemIndex(0);
  EXPECT_EQ(changes, 0) << "only the user's choice fires";
  ASSERT_TRUE(FocusOn(*combo));
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return changes == 1; }));
  EXPECT_EQ(combo->ItemIndex(), 1);

  combo->SetItemIndex(7);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  combo->Clear();
  EXPECT_EQ(combo->Count(), 0);
}

// --- Dropped files ------------------------------------------------------------------------

namespace {

// A drop of Files as the shell makes one: a DROPFILES header and the wide names, each ended by
// a zero, the list by another.
HDROP MakeDrop(const std::vector<std::wstring>& files) {
  size_t characters = 1;
  for (const std::wstring& file : files) characters += file.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* names = reinterpret_cast<wchar_t*>(header + 1);
  for (const std::wstring& file : files) {
    file.copy(names, file.size());
    names += file.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

}  // namespace

TEST_F(UiListsEdit, DroppedFilesReachOnDropFilesWithTheirFullNames) {
  auto form = MakeForm();
  auto* edit = Add<TEdit>(*form, form.get());
  edit->SetAcceptFiles(true);  // before the window exists
  auto* late = Add<TEdit>(*form, form.get());
  form->Show();
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_FALSE(GetWindowLongA(late->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  late->SetAcceptFiles(true);
  EXPECT_TRUE(GetWindowLongA(late->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  std::wstring longName = L"C:\\";
  while (longName.size() < 310) longName += L"folder\\";
  longName += L"file.txt";
  std::vector<std::string> dropped;
  edit->OnDropFiles = [&](TEdit&, const std::vector<std::string>& files) { dropped = files; };
  HDROP drop = MakeDrop({longName, L"D:\\two.lng"});
  SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  ASSERT_EQ(dropped.size(), 2u);
  EXPECT_EQ(dropped[0], std::string(longName.begin(), longName.end()));
  EXPECT_EQ(dropped[1], "D:\\two.lng");

  // The drop is finished also when the handler fails.
  edit->OnDropFiles = [](TEdit&, const std::vector<std::string>&) { throw std::runtime_error("no drop"); };
  drop = MakeDrop({L"C:\\x"});
  SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(GlobalSize(drop), 0u) << "the drop's memory is released";
  ASSERT_EQ(Errors, std::vector<std::string>{"no drop"});
  Errors.clear();
}

// --- File and folder dialogs --------------------------------------------------------------

TEST_F(UiListsDialogs, TheChooserAnswersInPlaceOfEveryDialog) {
  std::vector<TChooseRequest> asked;
  bool answer = true;
  SetChooserForTests([&](TChooseRequest& request) {
    asked.push_back(request);
    request.FileName = request.Kind == TChooseRequest::ckFolder ? "C:\\Portable" : "C:\\words.lmw";
    return answer;
  });

  TOpenDialog open(nullptr);
  open.Filter = "Lorvex files (*.lmw)|*.lmw|All files (*.*)|*.*";
  open.Title = "Import";
  open.FileName = "C:\\old.lmw";
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName, "C:\\words.lmw");
  TSaveDialog save(nullptr);
  save.DefaultExt = "lmw";
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "C:\\words.lmw");
  std::string folder = "C:\\start";
  ASSERT_TRUE(BrowseForFolder("Select folder", L"", folder, true));
  EXPECT_EQ(folder, "C:\\Portable");

  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].Kind, TChooseRequest::ckOpen);
  EXPECT_EQ(asked[0].Filter, open.Filter);
  EXPECT_EQ(asked[0].Title, "Import");
  EXPECT_EQ(asked[0].FileName, "C:\\old.lmw");
  EXPECT_EQ(asked[1].Kind, TChooseRequest::ckSave);
  EXPECT_EQ(asked[1].DefaultExt, "lmw");
  EXPECT_EQ(asked[2].Kind, TChooseRequest::ckFolder);
  EXPECT_EQ(asked[2].Title, "Select folder");
  EXPECT_EQ(asked[2].FileName, "C:\\start");
  EXPECT_TRUE(asked[2].ShowStatus);

  // A cancelled dialog changes nothing.
  answer = false;
  open.FileName = "C:\\kept.lmw";
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName, "C:\\kept.lmw");
  folder = "C:\\kept";
  EXPECT_FALSE(BrowseForFolder("Select folder", L"", folder, false));
  EXPECT_EQ(folder, "C:\\kept");
}

namespace {

// Watches the thread's windows for a dialog (class "#32770") and acts on it once it shows.
class TDialogWatch {
 public:
  explicit TDialogWatch(std::function<void(HWND dialog)> action) : FAction(std::move(action)) {
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg != WM_TIMER) return DefWindowProcA(wnd, msg, wParam, lParam);
      if (HWND dialog = FindDialog()) {
        KillTimer(wnd, 1);
        FAction(dialog);
      }
      return 0;
    });
    SetTimer(FWindow, 1, 50, nullptr);
  }
  ~TDialogWatch() { Application().DeallocateHWnd(FWindow); }

 private:
  static BOOL CALLBACK TakeDialog(HWND wnd, LPARAM result) {
    char name[16] = "";
    GetClassNameA(wnd, name, sizeof name);
    if (std::string(name) != "#32770" || !IsWindowVisible(wnd)) return TRUE;
    *reinterpret_cast<HWND*>(result) = wnd;
    return FALSE;
  }
  static HWND FindDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeDialog, reinterpret_cast<LPARAM>(&found));
    return found;
  }
  std::function<void(HWND)> FAction;
  HWND FWindow;
};

}  // namespace

TEST_F(UiListsDialogs, TheFolderBrowserOpensCentredAtTheFolderWithTheProgramDisabled) {
  auto form = MakeForm();
  ASSERT_TRUE(ShowActive(*form));
  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::string folder(windows, windows + wcslen(windows));

  bool formEnabled = true;
  RECT dialogRect{};
  TDialogWatch watch([&](HWND dialog) {
    formEnabled = IsWindowEnabled(form->Handle()) != FALSE;
    GetWindowRect(dialog, &dialogRect);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  const std::string chosen = folder;
  folder = chosen + "\\";  // any spelling of an existing folder
  ASSERT_TRUE(BrowseForFolder("Select folder", L"", folder, true));
  EXPECT_EQ(lstrcmpiA(folder.c_str(), chosen.c_str()), 0) << folder;
  EXPECT_FALSE(formEnabled) << "the program's windows wait for the dialog";
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  const int width = dialogRect.right - dialogRect.left, height = dialogRect.bottom - dialogRect.top;
  EXPECT_EQ(dialogRect.left, GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2);
  EXPECT_EQ(dialogRect.top, GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2);
}

TEST_F(UiListsDialogs, CenterWindowCentresOnTheScreenKeepingTheSize) {
  auto form = MakeForm(301, 201);
  form->Show();
  CenterWindow(form->Handle());
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 301);
  EXPECT_EQ(r.bottom - r.top, 201);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 150);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 100);
}

// --- Translation --------------------------------------------------------------------------

namespace {

class TGermanTranslator {
 public:
  TGermanTranslator() {
    auto key = [](const std::string& text) { return std::to_string(Crc32OfBuffer(text.data(), text.size())); };
    auto* engine = new TqmTranslateEngineStrings(&FTranslator);
    engine->SetStrings({key("Display") + "=Anzeige", key("Magic word") + "=Zauberwort",
                        key("Default (no translations)") + "=Standard (keine Übersetzung)",
                        key("Pick a language") + "=Sprache wählen", key("Run as") + "=Ausführen als"});
    FTranslator.SetTranslateEngine(engine);
    FTranslator.SetIsGlobal(true);
    FTranslator.SetState(tsTranslate);
    RegisterControlTranslators(FTranslator);
  }
  ~TGermanTranslator() { FTranslator.SetIsGlobal(false); }
  TqmTranslate& Translator() { return FTranslator; }

 private:
  TqmTranslate FTranslator{nullptr};
};

struct TOptionsLikeForm {
  std::unique_ptr<TForm> Form = MakeForm();
  TPageControl* Pages = Add<TPageControl>(*Form, Form.get());
  TTabSheet* Page = AddPage(*Form, Pages, "Display");
  TListView* View = Add<TListView>(*Form, Page);
  TComboBox* Combo = Add<TComboBox>(*Form, Page);

  TOptionsLikeForm() {
    Pages->SetBounds(0, 0, 400, 300);
    View->Columns = {{"Magic word", 85}, {"Run as", 55}};
    Combo->AddItem("Default (no translations)");
    Combo->AddItem("Deutsch");
    Combo->SetItemIndex(0);
    Combo->Hint = "Pick a language";
  }
};

}  // namespace

TEST_F(UiListsTranslators, TabsColumnsAndComboItemsAreTranslatedBeforeAndAfterTheWindowsExist) {
  TGermanTranslator german;
  TOptionsLikeForm before;
  TranslateControls(german.Translator(), *before.Form);
  TOptionsLikeForm after;
  after.Form->Handle();
  TranslateControls(german.Translator(), *after.Form);

  for (TOptionsLikeForm* form : {&before, &after}) {
    form->Form->Show();
    EXPECT_EQ(TabText(*form->Pages, 0), "Anzeige");
    EXPECT_EQ(ColumnCaption(*form->View, 0), "Zauberwort");
    EXPECT_EQ(ColumnCaption(*form->View, 1), "Ausführen als");
    EXPECT_EQ(form->Combo->ItemText(0), "Standard (keine Übersetzung)");
    EXPECT_EQ(form->Combo->ItemText(1), "Deutsch");
    EXPECT_EQ(form->Combo->Text(), "Standard (keine Übersetzung)") << "the selection stays";
    EXPECT_EQ(form->Combo->Hint, "Sprache wählen");
  }
  // Items added after the translation stay as they are.
  after.Combo->AddItem("Display");
  EXPECT_EQ(after.Combo->ItemText(2), "Display");
}

TEST_F(UiListsTranslators, EditAndToolButtonHintsAreTranslatedButAMemoKeepsItsHint) {
  TGermanTranslator german;
  auto form = MakeForm();
  auto* edit = Add<TEdit>(*form, form.get());
  auto* memo = Add<TMemo>(*form, form.get());
  auto* tool = new TToolButton(form.get());
  edit->Hint = memo->Hint = tool->Hint = "Pick a language";
  tool->Caption = "Display";
  german.Translator().TranslateComponents(*form);
  EXPECT_EQ(edit->Hint, "Sprache wählen");
  EXPECT_EQ(memo->Hint, "Pick a language");
  EXPECT_EQ(tool->Hint, "Sprache wählen");
  EXPECT_EQ(tool->Caption, "Display");
}

// --- Focus across pages -------------------------------------------------------------------

TEST_F(UiListsFocus, SelectNextControlAcrossPagesGoesOnToTheNextPageWithATab) {
  auto form = MakeForm();
  auto* pages = Add<TPageControl>(*form, form.get());
  pages->SetBounds(10, 10, 400, 300);
  TTabSheet* one = AddPage(*form, pages, "One");
  TTabSheet* hidden = AddPage(*form, pages, "Hidden");
  TTabSheet* three = AddPage(*form, pages, "Three");
  hidden->TabVisible = false;
  auto* a = Add<TEdit>(*form, one, "a");
  auto* b = Add<TEdit>(*form, one, "b");
  Add<TEdit>(*form, hidden, "c");
  auto* d = Add<TEdit>(*form, three, "d");
  auto* e = Add<TEdit>(*form, three, "e");
  auto* label = Add<TLabel>(*form, three, "label");  // no tab stop
  int changes = 0;
  pages->OnChange = [&](TComponent&) { ++changes; };
  ASSERT_TRUE(ShowActive(*form));

  ASSERT_TRUE(FocusOn(*a));
  SelectNextControlAcrossPages(a, nullptr);
  EXPECT_TRUE(HasFocus(*b));

  SelectNextControlAcrossPages(b, nullptr);
  EXPECT_EQ(pages->ActivePage(), three) << "the page without a tab is passed over";
  EXPECT_TRUE(HasFocus(*d));
  EXPECT_EQ(changes, 1);

  d->SetEnabled(false);
  SelectNextControlAcrossPages(e, nullptr);
  EXPECT_EQ(pages->ActivePage(), one) << "after the last page, the first";
  EXPECT_TRUE(HasFocus(*a));
  (void)label;

  SelectNextControlAcrossPages(a, e);
  EXPECT_TRUE(HasFocus(*e)) << "a given control takes the focus as it is";
}

TEST_F(UiListsFocus, WithoutAnotherPageTheSearchGoesRoundToTheFirstControl) {
  auto form = MakeForm();
  auto* pages = Add<TPageControl>(*form, form.get());
  pages->SetBounds(10, 10, 400, 300);
  TTabSheet* only = AddPage(*form, pages, "Only");
  auto* a = Add<TEdit>(*form, only, "a");
  auto* b = Add<TEdit>(*form, only, "b");
  ASSERT_TRUE(ShowActive(*form));
  ASSERT_TRUE(FocusOn(*b));
  SelectNextControlAcrossPages(b, nullptr);
  EXPECT_TRUE(HasFocus(*a));

  // Alone on its parent, a control keeps the focus.
  auto* lone = Add<TEdit>(*form, form.get());
  lone->SetBounds(420, 10, 60, 23);
  ASSERT_TRUE(FocusOn(*lone));
  pages->SetEnabled(false);
  SelectNextControlAcrossPages(lone, nullptr);
  EXPECT_EQ(GetFocus(), lone->Handle());
}
