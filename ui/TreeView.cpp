#include "ui/TreeView.h"

#include "core/win32/WideText.h"

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetColor(clWindow);
  SetBounds(0, 0, 200, 150);
}

void TTreeView::CreateParams(TCreateParams& params) {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_TREEVIEW_CLASSES};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)registered;
  TWinControl::CreateParams(params);
  params.WinClassName = WC_TREEVIEWA;
  params.SystemClass = true;
  params.Style |= TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::Clear() {
  FFilling = true;
  TreeView_DeleteAllItems(Handle());
  FFilling = false;
}

HTREEITEM TTreeView::AddNode(HTREEITEM parent, const std::string& text, LPARAM data) {
  const std::wstring wide = Utf8ToWide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
  insert.item.lParam = data;
  FFilling = true;
  auto node =
      reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (parent) TreeView_Expand(Handle(), parent, TVE_EXPAND);
  FFilling = false;
  return node;
}

void TTreeView::Select(HTREEITEM node) {
  FFilling = true;
  TreeView_SelectItem(Handle(), node);
  if (node) TreeView_EnsureVisible(Handle(), node);
  FFilling = false;
}

LPARAM TTreeView::SelectedData(LPARAM def) const {
  if (!FHandle) return def;
  TVITEMA item{};
  item.mask = TVIF_PARAM;
  item.hItem = TreeView_GetSelection(FHandle);
  return item.hItem && TreeView_GetItem(FHandle, &item) ? item.lParam : def;
}

bool TTreeView::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_NOTIFY) return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      if (!FFilling && OnChange) OnChange(*this);
      return true;
    case NM_DBLCLK:
      if (OnDblClick) OnDblClick(*this);
      return true;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}
