// Drives the forms a test opened: finds them (a modal dialog an action left on the screen), acts
// in a modal dialog, reads a list view's rows and answers the program's message boxes.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

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

// Runs Act on the dialog T once a modal loop shows it. A dialog that Act leaves open (a check in
// it failed, say) is cancelled some seconds later and the test fails, rather than waiting in its
// modal loop until the test's time-out.
template <class T>
class TInDialog {
 public:
  static constexpr DWORD PatienceMs = 10000;
  explicit TInDialog(std::function<void(T&)> act)
      : FAct([] { return FindForm<T>() != nullptr; },
             [this, act] {
               act(*FindForm<T>());
               FActedAt = GetTickCount();
               FActed = true;
             },
             100),
        FSafety([this] { return FActed && GetTickCount() - FActedAt >= PatienceMs; },
                [] {
                  if (T* dialog = FindForm<T>()) {
                    ADD_FAILURE() << "a dialog stayed open after the test acted in it";
                    dialog->ModalResult = mrCancel;
                  }
                },
                500) {}
  TInDialog(const TInDialog&) = delete;
  TInDialog& operator=(const TInDialog&) = delete;

 private:
  bool FActed = false;
  DWORD FActedAt = 0;
  TDelayedAction FAct, FSafety;
};

template <class T>
TInDialog<T> InDialog(std::function<void(T&)> act) {
  return TInDialog<T>(std::move(act));
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
