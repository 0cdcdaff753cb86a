// The window of one note: its text to read, change and save. It is not modal, several may be
// open at once, and closing one frees it.
#pragma once

#include <cstdint>

#include "sources/SearchNotes.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TNoteForm : public TForm {
 public:
  // Made with new: the form frees itself when it is closed.
  TNoteForm(TComponent* owner, const TNote& note);
  const char* ClassName() const override { return "TNoteForm"; }

  TMemo* eText;
  TPanel* pButtons;
  TButton* btnOk;      // "Save"
  TButton* btnCancel;  // "Close"

  int64_t NoteId() const { return FNoteId; }
  // Shows the window and gives it the keyboard once the message being handled is done.
  void ShowInFront();

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Saves through a connection of its own and closes; a failure keeps the window and its text.
  void btnOkClick();

  int64_t FNoteId;  // 0 for a new note
};

// The note windows of the notes source, owned by Owner until they are closed.
class TWin32NoteWindows : public TNoteWindows {
 public:
  explicit TWin32NoteWindows(TComponent* owner) : FOwner(owner) {}
  void Open(const TNote& note) override;
  // "images\notes.ico" beside the program.
  void LoadNoteIcon(TItemData& item) override;

 private:
  TComponent* FOwner;
};
