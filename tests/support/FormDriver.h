// Drives the forms a test opened: finds them (a modal dialog an action left on the screen), acts
// in a modal dialog, reads a list view's rows and answers the program's message boxes.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "ui/qmMsgBox.h"
#include "tests/support/WineTestUtils.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

// The visible top-level window of this thread that is a T, or nullptr.
template <class T>
T* FindForm() {
  struct TSearch {
    static BOOL CALLBACK Take(HWND wnd, LPARAM param) {
      auto* form = IsWindowVisible(wnd) ? dynamic_cast<T*>(TWinControl::FromHandle(wnd)) : nullptr;
      if (form) *reinterpret_cast<T**>(param) = form;
      return !form;
    }
  };
  T* found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TSearch::Take, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs Act on the dialog T once a modal loop shows it.
template <class T>
TDelayedAction InDialog(std::function<void(T&)> act) {
  return TDelayedAction([] { return FindForm<T>() != nullptr; }, [act] { act(*FindForm<T>()); }, 100);
}

// A list view's row as it shows, its cells joined by "|".
inline std::string RowText(TListView& view, int row) {
  const int columns = Header_GetItemCount(ListView_GetHeader(view.Handle()));
  std::string text;
  for (int column = 0; column < columns; ++column) {
    char cell[512] = "";
    ListView_GetItemText(view.Handle(), row, column, cell, sizeof cell);
    text += (column ? "|" : "") + std::string(cell);
  }
  return text;
}

// Answers the next message box with Result, remembering its text.
class TBoxAnswer {
 public:
  TBoxAnswer(int result, UINT milliseconds = 300)
      : FAction(
            [this, result] {
              if (TqmMessageBox* box = FindForm<TqmMessageBox>()) {
                Text = box->lblText->Caption();
                box->ModalResult = result;
              }
            },
            milliseconds) {}
  std::string Text;

 private:
  TDelayedAction FAction;
};
