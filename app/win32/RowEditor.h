// The add-or-edit flow that the options dialog's row editors share.
#pragma once

#include <utility>

#include "core/RowList.h"
#include "core/qmTranslate.h"
#include "ui/Forms.h"

// Adds a row through a new TEditor dialog made from Args, or edits the selected one of Rows in it
// (nothing without a selection). The dialog is captioned for adding or for editing; with OK its
// row goes into Rows. TEditor shows a row with ShowRow and gives its fields back with Row.
template <class TEditor, class T, class... TArgs>
void EditRow(TRowList<T>& rows, bool adding, const char* addCaption, const char* editCaption, TArgs&&... args) {
  if (!adding && !rows.HasSelection()) return;
  TEditor editor(std::forward<TArgs>(args)...);
  editor.SetCaption(TranslateText(adding ? addCaption : editCaption));
  if (!adding) editor.ShowRow(*rows.Selected());
  if (editor.ShowModal() != mrOk) return;
  if (adding)
    rows.Add(editor.Row());
  else
    rows.Replace(rows.ItemIndex(), editor.Row());
}
