// Drives the forms a test opened: finds them (a modal dialog an action left on the screen) and
// answers the program's message boxes.
#pragma once

#include <windows.h>

#include <string>

#include "ui/qmMsgBox.h"
#include "tests/support/WineTestUtils.h"
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
