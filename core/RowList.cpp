#include "core/RowList.h"

#include "core/qmTranslate.h"

bool DeleteSelectedListItem(TRowSource& rows, const std::string& caption, TAsker& asker) {
  if (!rows.HasSelection()) return false;
  if (!asker.AskYesNo(TranslateFormat("Delete %s?", {caption}))) return false;
  rows.Delete(rows.ItemIndex());
  return true;
}

namespace {

// The selected row changes places with the row Offset away; the selection follows it.
bool MoveSelected(TRowSource& rows, int offset) {
  if (!rows.HasSelection()) return false;
  const int from = rows.ItemIndex();
  const int to = from + offset;
  if (to < 0 || to >= rows.RowCount()) return false;
  rows.Exchange(from, to);
  rows.SetItemIndex(to);
  return true;
}

}  // namespace

bool MoveListItemUp(TRowSource& rows) { return MoveSelected(rows, -1); }

bool MoveListItemDown(TRowSource& rows) { return MoveSelected(rows, +1); }
