// The run of a row editor: a dialog that adds a row to a list, or edits its selected row.
#pragma once

#include <string>

#include "core/RowList.h"
#include "core/qmTranslate.h"
#include "ui/Forms.h"

// Shows Form (its caption the translated AddCaption or EditCaption) with the selected row when
// editing; on OK its Row() is added, or replaces the selected row. The caller makes sure a row
// is selected for editing.
template <class TEditor, class TRow>
void RunRowEditor(TEditor& form, bool adding, TRowList<TRow>& rows, const std::string& addCaption,
                  const std::string& editCaption) {
  form.SetCaption(TranslateText(adding ? addCaption : editCaption));
  if (!adding) form.ShowRow(*rows.Selected());
  if (form.ShowModal() != mrOk) return;
  if (adding)
    rows.Add(form.Row());
  else
    rows.Replace(rows.ItemIndex(), form.Row());
}
