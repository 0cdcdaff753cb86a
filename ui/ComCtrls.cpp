#include "ui/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "core/Unicode.h"
#include "core/win32/WideText.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

// Asks the list view to compare the selection it shows with the rows, once its own handling of
// a click or key is done.
constexpr UINT WM_CHECKSELECTION = WM_APP + 0x140;

// Registers the common-control window classes of the framework, once.
void InitCommonControlClasses() {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX classes{sizeof(classes),
                                 ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)initialised;
}

std::wstring LowerCase(std::wstring text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Copies Text into a buffer of Capacity characters, zero included, cut where it must be.
void CopyText(const std::string& text, char* buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  const size_t length = Utf8Cut(text, static_cast<size_t>(capacity - 1));
  text.copy(buffer, length);
  buffer[length] = '\0';
}

void CopyText(const std::wstring& text, wchar_t* buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
  if (length < text.size() && length > 0 && IsHighSurrogate(text[length - 1])) --length;
  text.copy(buffer, length);
  buffer[length] = L'\0';
}

}  // namespace

// --- TStatusBar ---------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

void TStatusBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  params.WinClassName = STATUSCLASSNAMEA;
  params.SystemClass = true;
  // Our alignment places the bar; it must not move or size itself.
  params.Style |= SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE;
}

void TStatusBar::CreateWindowHandle() { UpdateParts(); }

void TStatusBar::UpdateParts() {
  if (!HandleAllocated()) return;
  // The one panel is also the last, and a status bar's last panel reaches its right end.
  int right = -1;
  SendMessageA(FHandle, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  SendMessageA(FHandle, SB_SETTEXTA, 0 | SBT_OWNERDRAW, 0);
}

void TStatusBar::SetPanelWidth(int width) {
  PanelWidth = width;
  UpdateParts();
}

void TStatusBar::SetSimpleText(const std::string& text) {
  if (text == FSimpleText) return;
  FSimpleText = text;
  Invalidate();
}

LRESULT TStatusBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE) {
    // A bar that does not size itself does not lay out its parts on WM_SIZE either.
    const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
    UpdateParts();
    return result;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

bool TStatusBar::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_DRAWITEM) return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  TCanvas canvas(item.hDC);
  canvas.SetFont(Font());
  canvas.BrushColor = Color();
  if (OnDrawPanel) {
    OnDrawPanel(*this, item.rcItem, canvas);
  } else {
    RECT r = item.rcItem;
    r.left += 2;
    canvas.DrawText(FSimpleText, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  result = TRUE;
  return true;
}

// --- TListView ----------------------------------------------------------------------------

TListView::TListView(TComponent* owner) : TWinControl(owner), FSelf(std::make_shared<TListView*>(this)) {
  TabStop = true;
  SetColor(clWindow);
  SetBounds(0, 0, 250, 150);
}

TListView::~TListView() {
  // The rows may be gone already: they are not touched, their OnChange just finds no view.
  *FSelf = nullptr;
}

void TListView::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  params.WinClassName = WC_LISTVIEWA;
  params.SystemClass = true;
  params.Style |= LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::CreateWindowHandle() {
  FWindowClosing = false;
  ListView_SetExtendedListViewStyleEx(FHandle, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  InsertColumns();
  ShowRows();
}

void TListView::InsertColumns() {
  for (size_t i = 0; i < Columns.size(); ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(Columns[i].Caption.c_str());
    column.cx = Columns[i].Width;
    column.iSubItem = static_cast<int>(i);
    SendMessageA(FHandle, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void TListView::SetColumnCaption(int index, const std::string& caption) {
  if (index < 0 || index >= static_cast<int>(Columns.size())) return;
  Columns[index].Caption = caption;
  if (!HandleAllocated()) return;
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT;
  column.pszText = const_cast<char*>(caption.c_str());
  SendMessageA(FHandle, LVM_SETCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void TListView::SetRows(TRowSource* rows) {
  // The old rows may be gone: their OnChange is left to a view that no longer answers.
  *FSelf = nullptr;
  FSelf = std::make_shared<TListView*>(this);
  FRows = rows;
  if (FRows) {
    FRows->OnChange = [self = FSelf] {
      if (*self) (*self)->RowsChanged();
    };
  }
  RowsChanged();
}

void TListView::RowsChanged() {
  // The window shows the user's choice already; a change made in OnChange is shown again.
  if (!std::exchange(FTaking, false)) ShowRows();
  const int index = FRows ? FRows->ItemIndex() : -1;
  if (index == FShownIndex) return;
  FShownIndex = index;
  if (OnChange) OnChange(*this);
}

void TListView::ShowRows() {
  if (!HandleAllocated() || FWindowClosing) return;
  FShowing = true;
  const int count = FRows ? FRows->RowCount() : 0;
  if (ListView_GetItemCount(FHandle) != count) ListView_SetItemCountEx(FHandle, count, LVSICF_NOSCROLL);
  const int index = FRows && FRows->HasSelection() ? FRows->ItemIndex() : -1;
  ListView_SetItemState(FHandle, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index >= 0) {
    ListView_SetItemState(FHandle, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(FHandle, index);
    ListView_EnsureVisible(FHandle, index, FALSE);
  }
  InvalidateRect(FHandle, nullptr, FALSE);  // the cells may have changed too
  FShowing = false;
}

void TListView::TakeSelectionFromWindow() {
  if (!FRows || !HandleAllocated()) return;
  const int index = ListView_GetNextItem(FHandle, -1, LVNI_SELECTED);
  if (index == FRows->ItemIndex()) return;
  FTaking = true;  // taken back by the first change the rows tell
  FRows->SetItemIndex(index);
  FTaking = false;
}

void TListView::SelectionNotified(bool selected, int item) {
  if (FShowing || FWindowClosing || !FRows) return;
  if (selected && item >= 0) {
    TakeSelectionFromWindow();
  } else if (!FSyncPosted) {
    // A row lost the selection; usually another gains it right after, in the same click. The
    // window is asked once it is done, so that the rows see one change, not two.
    FSyncPosted = PostMessageA(FHandle, WM_CHECKSELECTION, 0, 0) != FALSE;
  }
}

std::string TListView::CellText(int row, int column) const {
  if (!FRows || row < 0 || row >= FRows->RowCount() || column < 0 || column >= static_cast<int>(Columns.size()))
    return {};
  return FRows->CellText(row, column);
}

int TListView::FindRowByCaption(const std::string& prefix, int start) const {
  if (!FRows || prefix.empty()) return -1;
  const std::wstring wanted = LowerCase(Utf8ToWide(prefix));
  const int count = FRows->RowCount();
  if (start < 0 || start >= count) start = 0;
  for (int i = 0; i < count; ++i) {
    const int row = (start + i) % count;
    const std::wstring caption = LowerCase(Utf8ToWide(FRows->CellText(row, 0)));
    if (caption.compare(0, wanted.size(), wanted) == 0) return row;
  }
  return -1;
}

LRESULT TListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CHECKSELECTION:
      FSyncPosted = false;
      if (!FWindowClosing) TakeSelectionFromWindow();
      return 0;
    case WM_DESTROY:
      FWindowClosing = true;
      FSyncPosted = false;
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

bool TListView::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_NOTIFY || FWindowClosing) return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  switch (header->code) {
    case LVN_GETDISPINFOA: {
      auto& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
      if (item.mask & LVIF_TEXT) CopyText(CellText(item.iItem, item.iSubItem), item.pszText, item.cchTextMax);
      return true;
    }
    case LVN_GETDISPINFOW: {
      auto& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
      if (item.mask & LVIF_TEXT)
        CopyText(Utf8ToWide(CellText(item.iItem, item.iSubItem)), item.pszText, item.cchTextMax);
      return true;
    }
    case LVN_ODFINDITEMA: {
      const auto& find = *reinterpret_cast<const NMLVFINDITEMA*>(lParam);
      result = (find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz
                   ? FindRowByCaption(find.lvfi.psz, find.iStart)
                   : -1;
      return true;
    }
    case LVN_ODFINDITEMW: {
      const auto& find = *reinterpret_cast<const NMLVFINDITEMW*>(lParam);
      result = (find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz
                   ? FindRowByCaption(WideToUtf8(find.lvfi.psz), find.iStart)
                   : -1;
      return true;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
      if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
        SelectionNotified((change.uNewState & LVIS_SELECTED) != 0, change.iItem);
      return true;
    }
    case LVN_ODSTATECHANGED: {
      const auto& change = *reinterpret_cast<const NMLVODSTATECHANGE*>(lParam);
      if ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)
        SelectionNotified((change.uNewState & LVIS_SELECTED) != 0, change.iFrom);
      return true;
    }
    case NM_DBLCLK: {
      const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      if (click.iItem >= 0 && OnDblClick) OnDblClick(*this);
      return true;
    }
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

// --- TTabSheet ----------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 200, 150); }

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexTabSheet";
  params.Style |= WS_CLIPCHILDREN;
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  if (pageControl == FPageControl) return;
  if (FPageControl) {
    FPageControl->RemovePage(this);
    if (!pageControl) {
      // Its window lives in the old page control's: it goes, to be made again when needed.
      DestroyWnd();
      SetParent(nullptr);
      return;
    }
  }
  FPageControl = pageControl;
  if (!pageControl) return;
  // Hidden until it is made the active page; the window is made hidden, not shown and hidden.
  if (pageControl->ActivePage()) TWinControl::SetVisible(false);
  SetParent(pageControl);
  pageControl->InsertPage(this);
}

void TTabSheet::SetTabVisible(bool visible) {
  if (visible == TabVisible) return;
  TabVisible = visible;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::SetBorderWidth(int width) {
  BorderWidth = std::max(0, width);
  if (HandleAllocated())
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TTabSheet::PaintBorder() {
  if (BorderWidth <= 0) return;
  RECT window, client;
  GetWindowRect(FHandle, &window);
  GetClientRect(FHandle, &client);
  MapWindowPoints(FHandle, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  OffsetRect(&window, -window.left, -window.top);
  HDC dc = GetWindowDC(FHandle);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  {
    TCanvas canvas(dc);
    canvas.BrushColor = Color();
    canvas.FillRect(window);
  }
  ReleaseDC(FHandle, dc);
}

LRESULT TTabSheet::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCALCSIZE: {
      // The border is outside the client area, so the children's places count from inside it.
      const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
      RECT& r = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
      const int border =
          std::min({BorderWidth, static_cast<int>(r.right - r.left) / 2, static_cast<int>(r.bottom - r.top) / 2});
      if (border > 0) InflateRect(&r, -border, -border);
      return result;
    }
    case WM_NCPAINT:
      PaintBorder();
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
      if (FPageControl) FPageControl->UpdateTab(this);
      return result;
    }
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// --- TPageControl -------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetBounds(0, 0, 289, 193);
  FKeyFilter = Application().AddMessageFilter([this](MSG& msg) { return HandleCtrlTab(msg); });
}

TPageControl::~TPageControl() {
  Application().RemoveMessageFilter(FKeyFilter);
  for (TTabSheet* page : FPages) page->FPageControl = nullptr;
}

void TPageControl::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  params.WinClassName = WC_TABCONTROLA;
  params.SystemClass = true;
  // The pages are children: the tabs must not paint over them.
  params.Style |= WS_CLIPCHILDREN;
}

void TPageControl::CreateWindowHandle() {
  // Before the pages' windows are made, so that they are made in their place.
  UpdateTabs();
}

TTabSheet* TPageControl::Pages(int index) const { return index >= 0 && index < PageCount() ? FPages[index] : nullptr; }

int TPageControl::ActivePageIndex() const {
  const auto found = std::find(FPages.begin(), FPages.end(), FActivePage);
  return found == FPages.end() ? -1 : static_cast<int>(found - FPages.begin());
}

void TPageControl::SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->FPageControl != this) return;
  ShowPage(page);
  if (HandleAllocated()) TabCtrl_SetCurSel(FHandle, TabIndexOf(page));
}

bool TPageControl::SelectNextPage(bool forward, bool checkTabVisible) {
  const int count = PageCount();
  const int current = ActivePageIndex();
  for (int step = 1; step < count || (current < 0 && step == count); ++step) {
    const int index = current < 0 ? (forward ? step - 1 : count - step)
                                  : ((current + (forward ? step : -step)) % count + count) % count;
    TTabSheet* page = FPages[index];
    if (checkTabVisible && !page->TabVisible) continue;
    SetActivePage(page);
    if (OnChange) OnChange(*this);
    return true;
  }
  return false;
}

void TPageControl::ShowPage(TTabSheet* page) {
  if (page == FActivePage) return;
  TTabSheet* old = FActivePage;
  HWND focus = GetFocus();
  const bool focusInOld = old && old->HandleAllocated() && focus && IsChild(old->Handle(), focus);
  FActivePage = page;
  if (page) {
    page->TWinControl::SetVisible(true);
    if (page->HandleAllocated()) SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  // A hidden window keeps the focus it has: the keys would go to a control nobody sees.
  if (focusInOld) {
    if (TWinControl* first = page ? FirstTabStop(*page) : nullptr)
      first->SetFocus();
    else if (CanFocus())
      SetFocus();
  }
  if (old) old->TWinControl::SetVisible(false);
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  if (!FActivePage) ShowPage(page);
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* page) {
  const auto found = std::find(FPages.begin(), FPages.end(), page);
  if (found == FPages.end()) return;
  const size_t index = static_cast<size_t>(found - FPages.begin());
  FPages.erase(found);
  page->FPageControl = nullptr;
  if (page == FActivePage) {
    FActivePage = nullptr;
    if (!FPages.empty()) ShowPage(FPages[std::min(index, FPages.size() - 1)]);
  }
  UpdateTabs();
}

int TPageControl::TabIndexOf(const TTabSheet* page) const {
  if (!page || !page->TabVisible) return -1;
  int tab = 0;
  for (const TTabSheet* each : FPages) {
    if (each == page) return tab;
    if (each->TabVisible) ++tab;
  }
  return -1;
}

TTabSheet* TPageControl::PageOfTab(int tab) const {
  if (tab < 0) return nullptr;
  for (TTabSheet* page : FPages)
    if (page->TabVisible && tab-- == 0) return page;
  return nullptr;
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  TabCtrl_DeleteAllItems(FHandle);
  int tab = 0;
  for (TTabSheet* page : FPages) {
    if (!page->TabVisible) continue;
    const std::string caption = page->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(FHandle, TCM_INSERTITEMA, tab++, reinterpret_cast<LPARAM>(&item));
  }
  TabCtrl_SetCurSel(FHandle, TabIndexOf(FActivePage));
  LayoutPages();  // the tabs may take another row
}

void TPageControl::UpdateTab(TTabSheet* page) {
  const int tab = TabIndexOf(page);
  if (!HandleAllocated() || tab < 0) return;
  const std::string caption = page->Caption();
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(caption.c_str());
  SendMessageA(FHandle, TCM_SETITEMA, tab, reinterpret_cast<LPARAM>(&item));
  LayoutPages();
}

void TPageControl::LayoutPages() {
  if (!HandleAllocated()) return;
  RECT r;
  GetClientRect(FHandle, &r);
  TabCtrl_AdjustRect(FHandle, FALSE, &r);
  const int width = std::max(0L, r.right - r.left), height = std::max(0L, r.bottom - r.top);
  for (TTabSheet* page : FPages) page->SetBounds(r.left, r.top, width, height);
}

bool TPageControl::HandleCtrlTab(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !HandleAllocated()) return false;
  const TShiftState shift = KeyboardShiftState();
  if ((shift & (ssCtrl | ssAlt)) != ssCtrl) return false;
  // The innermost page control around the focused window takes the key.
  for (HWND wnd = msg.hwnd; wnd; wnd = GetAncestor(wnd, GA_PARENT)) {
    if (dynamic_cast<TPageControl*>(TWinControl::FromHandle(wnd))) {
      if (wnd != FHandle) return false;
      SelectNextPage(!(shift & ssShift));
      return true;
    }
  }
  return false;
}

LRESULT TPageControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE) {
    const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
    LayoutPages();
    return result;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

bool TPageControl::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
    TTabSheet* page = PageOfTab(TabCtrl_GetCurSel(FHandle));
    if (page && page != FActivePage) {
      ShowPage(page);
      if (OnChange) OnChange(*this);
    }
    result = 0;
    return true;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

namespace {

// Activates the next page of the innermost page control around Control that has another page
// to go to, and gives the focus to that page's first control; false when there is no such page.
bool ActivateNextPage(TWinControl& control) {
  for (TWinControl* c = &control; c; c = c->Parent()) {
    auto* pages = dynamic_cast<TPageControl*>(c);
    if (!pages || pages->PageCount() <= 1 || !pages->SelectNextPage(true, true)) continue;
    TTabSheet* page = pages->ActivePage();
    HWND focus = GetFocus();
    if (page && !(focus && IsChild(page->Handle(), focus))) {
      if (TWinControl* first = FirstTabStop(*page)) FocusByKey(*first);
    }
    return true;
  }
  return false;
}

}  // namespace

void SelectNextControlAcrossPages(TWinControl* control, TWinControl* next) {
  if (next) {
    next->SetFocus();
    return;
  }
  if (!control || !control->Parent()) return;
  const std::vector<TWinControl*> order = TabOrderBelow(*control->Parent());
  const auto found = std::find(order.begin(), order.end(), control);
  if (found == order.end()) return;
  const size_t start = static_cast<size_t>(found - order.begin());
  for (size_t i = start + 1;; ++i) {
    if (i == order.size()) {
      if (ActivateNextPage(*control)) return;
      i = 0;
    }
    if (i == start) return;
    TWinControl* candidate = order[i];
    if (candidate->Parent() == control || !candidate->CanFocus() || !candidate->TabStop) continue;
    FocusByKey(*candidate);
    return;
  }
}

// --- TUpDown ------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 17, 21); }

void TUpDown::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  params.WinClassName = UPDOWN_CLASSA;
  params.SystemClass = true;
  // No thousands separators: the edit box holds a number that reads back as one.
  params.Style |= UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
}

void TUpDown::CreateWindowHandle() {
  if (FAssociate) SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
  ApplyRange();
  SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
}

void TUpDown::ApplyRange() {
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, UDM_SETRANGE32, Min, Max);
  UDACCEL step{0, static_cast<UINT>(std::max(1, Increment))};
  SendMessageA(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
}

void TUpDown::SetAssociate(TEdit* edit) {
  FAssociate = edit;
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, UDM_SETBUDDY, edit ? reinterpret_cast<WPARAM>(edit->Handle()) : 0, 0);
  SetPosition(FPosition);
}

int TUpDown::Clamp(int value) const { return value < Min ? Min : (value > Max ? Max : value); }

int TUpDown::Position() {
  if (FAssociate) {
    const std::string text = FAssociate->Text();
    const char* begin = text.c_str();
    while (*begin == ' ') ++begin;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    while (end && *end == ' ') ++end;
    if (end != begin && end && *end == '\0') {
      FPosition = errno == ERANGE ? (value < 0 ? INT_MIN : INT_MAX) : static_cast<int>(value);
      FPosition = Clamp(FPosition);
      return FPosition;
    }
  } else if (HandleAllocated()) {
    BOOL failed = FALSE;
    FPosition = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
  }
  return Clamp(FPosition);
}

void TUpDown::SetPosition(int value) {
  FPosition = Clamp(value);
  if (HandleAllocated()) {
    ApplyRange();
    SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
  }
  if (FAssociate) FAssociate->SetText(std::to_string(FPosition));
}
