// The list and page controls with real windows under Wine, and the focus moved across pages. The
// file dialogs, answered by the test chooser, are the options dialog's tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RowList.h"
#include "tests/support/TestLanguage.h"
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
    return column == 0 ? word.Name : column == 1 ? word.Description : "unshown " + word.Name;
  });
  for (const TWord& word : words) rows->Add(word);
  return rows;
}

class UiListsTest : public TFormTest {
 protected:
  // A list view of the form with one column per caption, 100 pixels wide.
  TListView* AddListView(std::vector<std::string> captions) {
    auto* view = Add<TListView>();
    view->SetBounds(10, 10, 460, 300);
    for (const std::string& caption : captions) view->Columns.push_back({caption, 100});
    return view;
  }
  // A page control of the form with a page for each caption.
  TPageControl* AddPages(std::vector<std::string> captions, std::vector<TTabSheet*>& pages) {
    auto* control = Add<TPageControl>();
    control->SetBounds(10, 10, 400, 300);
    for (const std::string& caption : captions) {
      pages.push_back(new TTabSheet(Form.get()));
      pages.back()->SetCaption(caption);
      pages.back()->SetPageControl(control);
    }
    return control;
  }
};

POINT CenterOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// What the list view window itself shows.
std::string CellText(TListView& view, int item, int column) {
  std::vector<char> buffer(2048, '\0');
  ListView_GetItemText(view.Handle(), item, column, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

// The text of a column or a tab as the window holds it.
template <class TInfo, UINT Message, UINT Mask>
std::string TextOf(TWinControl& control, int index) {
  char buffer[256] = "";
  TInfo info{};
  info.mask = Mask;
  info.pszText = buffer;
  info.cchTextMax = sizeof buffer;
  SendMessageA(control.Handle(), Message, index, reinterpret_cast<LPARAM>(&info));
  return buffer;
}
constexpr auto ColumnCaption = &TextOf<LVCOLUMNA, LVM_GETCOLUMNA, LVCF_TEXT>;
constexpr auto TabText = &TextOf<TCITEMA, TCM_GETITEMA, TCIF_TEXT>;

int ItemCount(TListView& view) { return ListView_GetItemCount(view.Handle()); }

// The selected and focused marks of the rows.
std::vector<UINT> ItemStates(TListView& view) {
  std::vector<UINT> states;
  for (int item = 0; item < ItemCount(view); ++item)
    states.push_back(ListView_GetItemState(view.Handle(), item, LVIS_SELECTED | LVIS_FOCUSED));
  return states;
}
constexpr UINT Chosen = LVIS_SELECTED | LVIS_FOCUSED;

POINT RowPoint(TListView& view, int item) {
  RECT r{};
  ListView_GetItemRect(view.Handle(), item, &r, LVIR_LABEL);
  return CenterOf(r);
}

bool IsShown(TWinControl& control) { return (GetWindowLongA(control.Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

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

// The cells of the columns come from the rows, set before the window exists or after; the window
// follows the rows and their selection, and showing a change is not a change of the user's.
TEST_F(UiListsTest, AListViewShowsTheCellsOfItsColumnsAndFollowsTheRows) {
  TListView* view = AddListView({"Magic word", "Description"});
  const std::string longText(400, 'x');
  auto rows = MakeRows({{"alpha", "first"}, {"beta", longText}, {"gamma", ""}});
  view->SetRows(rows.get());
  std::vector<int> changes;
  view->OnChange = [&](TComponent&) { changes.push_back(view->Rows()->ItemIndex()); };
  Form->Show();
  ASSERT_EQ(ItemCount(*view), 3);
  EXPECT_EQ(CellText(*view, 0, 1), "first");
  EXPECT_EQ(CellText(*view, 1, 1), longText) << "a long cell reaches a long enough buffer whole";
  EXPECT_EQ(CellText(*view, 0, 2), "") << "the rows' third cell has no column";
  view->SetColumnCaption(1, "Notes");
  view->SetColumnCaption(7, "nothing");  // no such column: nothing happens
  EXPECT_EQ(ColumnCaption(*view, 1), "Notes");

  auto later = MakeRows({{"a", ""}, {"b", ""}, {"c", ""}});
  view->SetRows(later.get());
  later->SetItemIndex(2);
  later->Add({"d", ""});
  EXPECT_EQ(CellText(*view, 3, 0), "d");
  EXPECT_EQ(ItemStates(*view), (std::vector<UINT>{0, 0, Chosen, 0}));
  // The selected row moves up one place when a row above it goes.
  later->Delete(0);
  EXPECT_EQ(ItemStates(*view), (std::vector<UINT>{0, Chosen, 0}));
  // The moved row takes the selection and the focus mark with it.
  ASSERT_TRUE(MoveListItemUp(*later));
  EXPECT_EQ(CellText(*view, 0, 0), "c");
  EXPECT_EQ(ItemStates(*view), (std::vector<UINT>{Chosen, 0, 0}));
  later->Clear();
  EXPECT_EQ(ItemCount(*view), 0);
  Application().ProcessMessages();
  EXPECT_EQ(changes, (std::vector<int>{2, 1, 0, -1}));
}

// A click and the arrow keys choose the rows' selection, one change each; typing a caption's
// first letter finds its row, and a click or double click below the rows is on none.
TEST_F(UiListsTest, AClickAndTheKeysChooseTheRowsSelection) {
  TListView* view = AddListView({"Word"});
  auto rows = MakeRows({{"a", ""}, {"b", ""}, {"c", ""}});
  view->SetRows(rows.get());
  std::vector<int> changes;
  view->OnChange = [&](TComponent&) { changes.push_back(rows->ItemIndex()); };
  int doubleClicks = 0;
  view->OnDblClick = [&](TComponent&) { ++doubleClicks; };
  ASSERT_TRUE(ShowActive(*Form));
  ClickAt(view->Handle(), RowPoint(*view, 1));
  ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == 1; }));
  ASSERT_TRUE(FocusOn(*view));
  for (auto [key, row] : {std::pair<WORD, int>{VK_DOWN, 2}, {VK_UP, 1}, {'C', 2}}) {
    PressKey(key);
    ASSERT_TRUE(PumpUntil([&] { return rows->ItemIndex() == row; }));
  }
  Application().ProcessMessages();
  EXPECT_EQ(changes, (std::vector<int>{1, 2, 1, 2}));

  for (POINT at : {RowPoint(*view, 1), POINT{100, view->ClientHeight() - 10}}) {
    SendMessageA(view->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }
  EXPECT_EQ(doubleClicks, 1);
  ClickAt(view->Handle(), POINT{100, view->ClientHeight() - 10});
  EXPECT_TRUE(PumpUntil([&] { return rows->ItemIndex() == -1; }));
}

TEST_F(UiListsTest, RowsAndListViewMayGoInEitherOrder) {
  // The rows go first, as the members of a form go before the components it owns.
  auto rows = MakeRows({{"a", ""}});
  TListView* view = AddListView({"Word"});
  view->SetRows(rows.get());
  Form->Show();
  rows->SetItemIndex(0);
  rows.reset();
  // The view goes first; the rows change afterwards.
  rows = MakeRows({{"a", ""}});
  NewForm();
  AddListView({"Word"})->SetRows(rows.get());
  Form->Show();
  NewForm();
  rows->Add({"b", ""});
  rows->SetItemIndex(1);
  // Rows taken from a view no longer reach it.
  view = AddListView({"Word"});
  Form->Show();
  view->SetRows(rows.get());
  EXPECT_EQ(ItemCount(*view), 2);
  auto other = MakeRows({{"x", ""}});
  view->SetRows(other.get());
  rows->Add({"c", ""});
  EXPECT_EQ(ItemCount(*view), 1);
  view->SetRows(nullptr);
  EXPECT_EQ(ItemCount(*view), 0);
}

// A tab click and Ctrl+Tab switch pages, and the focus moves along; the pages fill the display
// area, their children inside the page's border width; a page that goes leaves its place to the
// next one.
TEST_F(UiListsTest, OnlyTheActivePageShowsTheUserSwitchesPagesAndTheyFillTheDisplayArea) {
  std::vector<TTabSheet*> page;
  TPageControl* pages = AddPages({"One", "Two", "Three"}, page);
  EXPECT_EQ(pages->ActivePage(), page[0]) << "the first page is active by itself";
  std::vector<TEdit*> edit;
  for (TTabSheet* each : page) edit.push_back(Add<TEdit>(each));
  page[1]->BorderWidth = 10;
  auto* client = Add<TPanel>(page[1]);
  client->SetAlign(alClient);
  int changes = 0;
  pages->OnChange = [&](TComponent&) { ++changes; };
  ASSERT_TRUE(ShowActive(*Form));
  EXPECT_TRUE(IsShown(*page[0]));
  EXPECT_FALSE(IsShown(*page[1]));
  RECT tab{};
  TabCtrl_GetItemRect(pages->Handle(), 1, &tab);
  ClickAt(pages->Handle(), CenterOf(tab));
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == page[1]; }));
  EXPECT_TRUE(IsShown(*page[1]));
  EXPECT_FALSE(IsShown(*page[0]));
  ASSERT_TRUE(FocusOn(*edit[1]));
  PressKeys({VK_CONTROL, VK_TAB});
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == page[2]; }));
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == edit[2]->Handle(); })) << "the focus leaves a hidden page";
  PressKeys({VK_CONTROL, VK_SHIFT, VK_TAB});
  ASSERT_TRUE(PumpUntil([&] { return pages->ActivePage() == page[1]; }));
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == edit[1]->Handle(); }));
  EXPECT_EQ(changes, 3);
  // In code too, a focus on the page that goes moves to the new one.
  pages->SetActivePage(page[0]);
  EXPECT_EQ(GetFocus(), edit[0]->Handle());
  pages->SetActivePage(page[2]);
  EXPECT_EQ(TabCtrl_GetCurSel(pages->Handle()), 2);
  EXPECT_FALSE(IsShown(*page[0]));
  EXPECT_TRUE(IsShown(*page[2]));
  EXPECT_EQ(changes, 3) << "a change in code is not the user's";
  pages->SetActivePageIndex(1);
  for (int width : {400, 450}) {
    pages->SetBounds(10, 10, width, 350);
    RECT area;
    GetClientRect(pages->Handle(), &area);
    TabCtrl_AdjustRect(pages->Handle(), FALSE, &area);
    for (TTabSheet* each : page) {
      const RECT bounds = BoundsInParent(each->Handle());
      EXPECT_TRUE(EqualRect(&bounds, &area)) << each->Caption() << " " << width;
    }
    EXPECT_EQ(client->Width(), area.right - area.left - 20);
    EXPECT_EQ(client->Height(), area.bottom - area.top - 20);
  }
  // A tab's text follows the caption.
  page[1]->SetCaption("Zwei");
  EXPECT_EQ(TabText(*pages, 1), "Zwei");
  delete page[1];
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), page[2]);
  EXPECT_TRUE(IsShown(*page[2]));
}

// The arrow keys step by Increment and stop at the end of the range; a typed value counts within
// the range, and a text without a number keeps the last position.
TEST_F(UiListsTest, AnUpDownKeepsItsRangeAndStepAndReadsATypedValue) {
  auto* edit = Add<TEdit>();
  edit->SetBounds(10, 10, 80, 23);
  auto* upDown = Add<TUpDown>();
  upDown->Min = 10;
  upDown->Max = 100;
  upDown->Increment = 10;
  upDown->SetAssociate(edit);
  upDown->SetPosition(90);  // before the windows exist
  ASSERT_TRUE(ShowActive(*Form));
  ASSERT_TRUE(FocusOn(*edit));
  PressKey(VK_UP);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "100"; }));
  PressKey(VK_UP);
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() != "100"; }));
  EXPECT_EQ(edit->Text(), "90") << "the second Up stayed at the maximum";
  const std::pair<const char*, int> typed[] = {
      {"37", 37}, {"abc", 37}, {" 250 ", 100}, {"99999999999999", 100}, {"-5", 10}};
  for (auto [text, position] : typed) {
    edit->SetText(text);
    EXPECT_EQ(upDown->Position(), position) << text;
  }
}

// A renamed selected item stays selected, the open list has room for its rows, and only the
// user's choice fires OnChange.
TEST_F(UiListsTest, AComboBoxKeepsItemsAndSelectionFromBeforeItsWindow) {
  auto* combo = Add<TComboBox>();
  combo->SetBounds(10, 10, 200, 21);
  combo->AddItem("Default");
  combo->AddItem("Deutsch");
  combo->AddItem("Français");
  combo->SetItemIndex(1);
  ASSERT_TRUE(ShowActive(*Form));
  EXPECT_EQ(combo->ItemText(2), "Français");
  combo->SetItemText(1, "German");
  EXPECT_EQ(WindowText(combo->Handle()), "German");
  combo->SetBounds(20, 20, 180, combo->Height());  // placed again
  RECT dropped{}, closed{};
  SendMessageA(combo->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  GetWindowRect(combo->Handle(), &closed);
  const auto itemHeight = SendMessageA(combo->Handle(), CB_GETITEMHEIGHT, 0, 0);
  EXPECT_GE((dropped.bottom - dropped.top) - (closed.bottom - closed.top), 3 * itemHeight);
  EXPECT_LT(closed.bottom - closed.top, 3 * itemHeight) << "the closed box covers nothing below it";

  int changes = 0;
  combo->OnChange = [&](TComponent&) { ++changes; };
  combo->SetItemIndex(0);
  ASSERT_TRUE(FocusOn(*combo));
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return changes == 1; }));
  EXPECT_EQ(combo->ItemIndex(), 1);
}

// The names reach the event whole, however long; the drop is finished also when the handler fails.
TEST_F(UiListsTest, DroppedFilesReachOnDropFilesWithTheirFullNames) {
  auto* edit = Add<TEdit>();
  edit->SetAcceptFiles(true);  // before the window exists
  Form->Show();
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  std::wstring longName = L"C:\\";
  while (longName.size() < 310) longName += L"folder\\";
  longName += L"file.txt";
  std::vector<std::string> dropped;
  edit->OnDropFiles = [&](TEdit&, const std::vector<std::string>& files) { dropped = files; };
  SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longName, L"D:\\two.lng"})), 0);
  EXPECT_EQ(dropped, (std::vector<std::string>{std::string(longName.begin(), longName.end()), "D:\\two.lng"}));

  edit->OnDropFiles = [](TEdit&, const std::vector<std::string>&) { throw std::runtime_error("no drop"); };
  HDROP drop = MakeDrop({L"C:\\x"});
  SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(GlobalSize(drop), 0u) << "the drop's memory is released";
  EXPECT_EQ(Errors, std::vector<std::string>{"no drop"});
  Errors.clear();
}

// The real folder browser opens at any spelling of an existing folder, centred on the screen (by
// CenterWindow), with the program's windows disabled meanwhile.
TEST_F(UiListsTest, TheFolderBrowserOpensCentredAtTheFolderWithTheProgramDisabled) {
  ASSERT_TRUE(ShowActive(*Form));
  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::string chosen(windows, windows + wcslen(windows));
  // Whether the dialog shows the chosen folder's path in a line of its own.
  const auto showsPath = [&](HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (IsWindowVisible(child) && lstrcmpiA(WindowText(child).c_str(), chosen.c_str()) == 0) return true;
    return false;
  };
  bool formEnabled = true, pathShown = false;
  RECT r{};
  TDelayedAction watch([] { return VisibleThreadWindow("#32770") != nullptr; },
                       [&] {
                         formEnabled = IsWindowEnabled(Form->Handle()) != FALSE;
                         GetWindowRect(VisibleThreadWindow("#32770"), &r);
                         pathShown = showsPath(VisibleThreadWindow("#32770"));
                         SendMessageA(VisibleThreadWindow("#32770"), WM_COMMAND, IDOK, 0);
                       },
                       50);
  std::string folder = chosen + "\\";
  ASSERT_TRUE(BrowseForFolder("Select folder", L"", folder, true));
  EXPECT_EQ(lstrcmpiA(folder.c_str(), chosen.c_str()), 0) << folder;
  EXPECT_FALSE(formEnabled);
  EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (r.right - r.left) / 2);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (r.bottom - r.top) / 2);
  EXPECT_TRUE(pathShown) << "the status line shows the selected folder";

  // Without a status line and cancelled, it leaves the folder as it was.
  TDelayedAction cancel([] { return VisibleThreadWindow("#32770") != nullptr; },
                        [&] {
                          pathShown = showsPath(VisibleThreadWindow("#32770"));
                          SendMessageA(VisibleThreadWindow("#32770"), WM_COMMAND, IDCANCEL, 0);
                        },
                        50);
  folder = chosen + "\\";
  EXPECT_FALSE(BrowseForFolder("Select folder", L"", folder, false));
  EXPECT_EQ(folder, chosen + "\\");
  EXPECT_FALSE(pathShown);
}

// The selection stays, items added afterwards stay as they are, a memo keeps its hint, radio
// buttons (alone or in a group) keep their texts while a check box takes its translation, and a
// tool button translates only its hint.
TEST_F(UiListsTest, TabsColumnsComboItemsAndHintsAreTranslatedBeforeAndAfterTheWindowsExist) {
  TTestLanguage german({{"Display", "Anzeige"},
                        {"Magic word", "Zauberwort"},
                        {"Default (no translations)", "Standard (keine Übersetzung)"},
                        {"Pick a language", "Sprache wählen"},
                        {"Run as", "Ausführen als"}});
  RegisterControlTranslators(german.Translator());
  for (bool windowsFirst : {false, true}) {
    SCOPED_TRACE(windowsFirst ? "after" : "before");
    NewForm();
    std::vector<TTabSheet*> page;
    TPageControl* pages = AddPages({"Display"}, page);
    auto* view = Add<TListView>(page[0]);
    view->Columns = {{"Magic word", 85}, {"Run as", 55}};
    auto* combo = Add<TComboBox>(page[0]);
    combo->AddItem("Default (no translations)");
    combo->AddItem("Deutsch");
    combo->SetItemIndex(0);
    auto* memo = Add<TMemo>(page[0]);
    auto* edit = Add<TEdit>(page[0]);
    combo->Hint = memo->Hint = edit->Hint = "Pick a language";
    auto* check = Add<TCheckBox>(page[0]);
    auto* radio = Add<TRadioButton>(page[0]);
    auto* group = Add<TRadioGroup>(page[0]);
    check->SetCaption("Display");
    radio->SetCaption("Display");
    radio->Hint = "Pick a language";
    group->SetItems({"Display"});
    if (windowsFirst) Form->Handle();
    TranslateControls(german.Translator(), *Form);
    Form->Show();
    EXPECT_EQ(TabText(*pages, 0), "Anzeige");
    EXPECT_EQ(ColumnCaption(*view, 0), "Zauberwort");
    EXPECT_EQ(ColumnCaption(*view, 1), "Ausführen als");
    EXPECT_EQ(combo->ItemText(1), "Deutsch");
    EXPECT_EQ(combo->Text(), "Standard (keine Übersetzung)") << "the selection stays";
    EXPECT_EQ(combo->Hint, "Sprache wählen");
    EXPECT_EQ(memo->Hint, "Pick a language");
    EXPECT_EQ(edit->Hint, "Sprache wählen");
    EXPECT_EQ(check->Caption(), "Anzeige");
    EXPECT_EQ(radio->Caption(), "Display");
    EXPECT_EQ(radio->Hint, "Pick a language");
    EXPECT_EQ(group->Controls()[0]->Caption(), "Display");
    combo->AddItem("Display");
    EXPECT_EQ(combo->ItemText(2), "Display");
  }
  auto* tool = new TToolButton(Form.get());
  tool->Caption = "Display";
  tool->Hint = "Pick a language";
  german.Translator().TranslateComponents(*Form);
  EXPECT_EQ(tool->Hint, "Sprache wählen");
  EXPECT_EQ(tool->Caption, "Display") << "a tool button's caption is its own";
}

// Past the last control of a page the next page whose tab shows takes the focus on its first
// control, after the last page the first; a control without a tab stop or disabled is passed
// over, a given control takes the focus as it is, and a control alone on its parent (or on a page
// control with nowhere else to go) keeps the focus.
TEST_F(UiListsTest, SelectNextControlAcrossPagesGoesOnToTheNextPageWithATab) {
  std::vector<TTabSheet*> page;
  TPageControl* pages = AddPages({"One", "Hidden", "Two"}, page);
  auto* a = Add<TEdit>(page[0]);
  auto* b = Add<TEdit>(page[0]);
  b->SetTop(40);
  Add<TEdit>(page[1]);
  auto* d = Add<TEdit>(page[2]);
  auto* e = Add<TEdit>(page[2]);
  e->SetTop(40);
  Add<TLabel>(page[2])->SetTop(70);  // no tab stop
  page[1]->SetTabVisible(false);
  auto* lone = Add<TEdit>();
  lone->SetBounds(420, 10, 60, 23);
  int changes = 0;
  pages->OnChange = [&](TComponent&) { ++changes; };
  ASSERT_TRUE(ShowActive(*Form));
  ASSERT_TRUE(FocusOn(*a));
  SelectNextControlAcrossPages(a, nullptr);
  EXPECT_EQ(GetFocus(), b->Handle());
  SelectNextControlAcrossPages(b, nullptr);
  EXPECT_EQ(pages->ActivePage(), page[2]) << "the page without a tab is passed over";
  EXPECT_EQ(GetFocus(), d->Handle());
  EXPECT_EQ(changes, 1);
  SelectNextControlAcrossPages(d, nullptr);
  EXPECT_EQ(GetFocus(), e->Handle());
  SelectNextControlAcrossPages(e, nullptr);
  EXPECT_EQ(pages->ActivePage(), page[0]);
  EXPECT_EQ(GetFocus(), a->Handle());
  b->SetEnabled(false);
  SelectNextControlAcrossPages(a, nullptr);
  EXPECT_EQ(pages->ActivePage(), page[2]) << "the disabled control is passed over";
  EXPECT_EQ(GetFocus(), d->Handle());
  SelectNextControlAcrossPages(d, lone);
  EXPECT_EQ(GetFocus(), lone->Handle());
  EXPECT_EQ(pages->ActivePage(), page[2]) << "a given control is focused as it stands";

  // Alone among the form's tab stops, with no page control around it, a control keeps the focus.
  pages->SetActivePage(page[0]);
  pages->SetEnabled(false);
  SelectNextControlAcrossPages(lone, nullptr);
  EXPECT_EQ(GetFocus(), lone->Handle());
  EXPECT_EQ(pages->ActivePage(), page[0]);
  EXPECT_EQ(changes, 3);
}
