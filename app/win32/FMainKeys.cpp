// The main window under keys and mouse: moving through the search box and the list, and the
// selection that never rests on a group header.
#include "app/win32/FMain.h"

#include "core/win32/qmUtils.h"

void TMainForm::Edit1KeyDown(WORD& key, TShiftState shift) {
  FLastKey = 0;
  if (shift == ssCtrl && key == VK_RETURN) {
    key = 0;
    RunTypedText();
    return;
  }
  if (shift != 0) return;
  const int index = ResultList->ItemIndex();
  switch (key) {
    case VK_DOWN:
      if (FSearch->SearchRunning()) FSearch->CancelSearch();
      if (index + 1 < ResultList->Count()) ResultList->SetItemIndex(index + 1);
      FLastKey = VK_DOWN;
      AdjustSelection();
      break;
    case VK_UP:
      if (index > 0) ResultList->SetItemIndex(index - 1);
      FLastKey = VK_UP;
      ShowIdleStatus();
      AdjustSelection();
      break;
    case VK_HOME:
      mnuHomeClick();
      break;
    case VK_END:
      SearchBox->SetText("");
      FSearch->ShowDefaultList(lmMagicWords);
      break;
    case VK_RETURN:
      key = 0;
      RemovePendingMessage(SearchBox->Handle(), WM_CHAR);
      ExecuteItem(false);
      return;
    default:
      return;
  }
  key = 0;
  RemovePendingMessage(SearchBox->Handle(), WM_CHAR);
}

void TMainForm::ListBox1KeyDown(WORD& key, TShiftState shift) {
  if (shift == ssCtrl && key == VK_HOME) {
    key = 0;
    mnuHomeClick();
    return;
  }
  if (shift != 0) return;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
      FLastKey = key;  // the list moves itself
      break;
    case VK_RETURN:
      key = 0;
      ExecuteItem(false);
      break;
    case VK_BACK:
      key = 0;
      SearchBox->SetFocus();
      break;
    case VK_DELETE:
      key = 0;
      DeleteFromLastUsed();
      break;
  }
}

void TMainForm::AdjustSelection() {
  const TResultList& list = FSearch->List();
  if (list.Count() > 1 && ResultList->ItemIndex() < 0) ResultList->SetItemIndex(0);
  const int index = ResultList->ItemIndex();
  if (index >= 0 && index < list.Count() && list.Item(index).Kind == ikGroupHeader) {
    if (FLastKey != VK_UP) {
      if (index + 1 < list.Count()) ResultList->SetItemIndex(index + 1);
    } else if (index == 0 && ResultList->Focused()) {
      ResultList->SetItemIndex(1);
      SearchBox->SetFocus();
      return;
    } else if (index > 1) {
      ResultList->SetItemIndex(index - 1);
    }
  }
  ShowIdleStatus();
}

void TMainForm::mnuHomeClick() {
  SearchBox->SetText("");
  FSearch->ShowDefaultList(lmDefaultList);
  AdjustSelection();
}

TItemData* TMainForm::SelectedItem() const {
  const int index = ResultList->ItemIndex();
  return FSearch && index >= 0 && index < FSearch->List().Count() ? &FSearch->List().Item(index) : nullptr;
}

void TMainForm::FormKeyDown(WORD& key, TShiftState shift) {
  switch (key) {
    case VK_ESCAPE:
      key = 0;
      RemovePendingMessage(Handle(), WM_CHAR);
      HideMainWindow();
      break;
    case VK_F1:
      key = 0;
      mnuHelpClick();
      break;
    case VK_F12:
      key = 0;
      if (MinimizeAllWindows) MinimizeAllWindows();
      HideMainWindow();
      break;
    default:
      if (shift && mnuMain->IsShortCut(ShortCut(key, shift))) key = 0;
      break;
  }
}

void TMainForm::SelectFirstRow() {
  const TResultList& list = FSearch->List();
  for (int i = 0; i < list.Count(); ++i) {
    if (list.Item(i).Kind != ikGroupHeader) {
      ResultList->SetItemIndex(i);
      return;
    }
  }
}

void TMainForm::ResultListMouseDown(int x, int y) {
  // Any button: the list's menu acts on the row it was opened over.
  const int index = ResultList->ItemAtPos(POINT{x, y});
  if (index >= 0) ResultList->SetItemIndex(index);
  FLastKey = 0;
  AdjustSelection();
}

void TMainForm::ResultListMouseMove(int x, int y) {
  // The row under the pointer explains itself: its hint, else its whole text.
  const int index = ResultList->ItemAtPos(POINT{x, y});
  std::string hint;
  if (FSearch && index >= 0 && index < FSearch->List().Count()) {
    hint = FSearch->List().Item(index).Hint;
    if (hint.empty()) hint = FSearch->List().Text(index);
  }
  if (hint == ResultList->Hint) return;
  ResultList->Hint = hint;
  Application().CancelHint();  // so that the new text shows
}
