// The window of one note: its text to read, change and save.
#pragma once

#include <cstdint>

#include "app/win32/TextWindow.h"
#include "sources/SearchNotes.h"

class TNoteForm : public TTextWindow {
 public:
  // Made with new: the form frees itself when it is closed.
  TNoteForm(TComponent* owner, const TNote& note);
  const char* ClassName() const override { return "TNoteForm"; }

  TMemo* eText;
  TButton* btnOk;  // "Save"
  TButton* btnCancel;

  int64_t NoteId() const { return FNoteId; }

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
