// Rows that a list view shows: the cells come from the owner's typed items, the selection
// lives with the rows, and the list-view operations (delete, move up, move down) work on them.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// The questions an operation may have to ask; the window side answers with message boxes,
// tests answer in code.
enum class TAnswer { Yes, No, All, Cancel };

class TAsker {
 public:
  virtual ~TAsker() = default;
  virtual bool AskYesNo(const std::string& text) = 0;
  // Closing the box counts as Cancel.
  virtual TAnswer AskYesNoCancelAll(const std::string& text) = 0;
};

class TRowSource {
 public:
  virtual ~TRowSource() = default;

  virtual int RowCount() const = 0;
  // Column 0 is the row's caption.
  virtual std::string CellText(int row, int column) const = 0;
  virtual void Exchange(int a, int b) = 0;
  virtual void Delete(int row) = 0;

  // The selected row, which also carries the focus mark; -1 when none.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  bool HasSelection() const { return FItemIndex >= 0 && FItemIndex < RowCount(); }

  // Told after every change of rows or selection (the view shows them again).
  std::function<void()> OnChange;
  void Changed() const {
    if (OnChange) OnChange();
  }

 protected:
  int FItemIndex = -1;
};

// Rows of T; Cell gives the text of a column. With Compare set, rows are kept in its order
// (an added row goes after the rows that do not sort behind it).
template <class T>
class TRowList : public TRowSource {
 public:
  using TCell = std::function<std::string(const T& item, int column)>;
  using TLess = std::function<bool(const T& a, const T& b)>;

  explicit TRowList(TCell cell, TLess less = nullptr) : FCell(std::move(cell)), FLess(std::move(less)) {}

  int RowCount() const override { return static_cast<int>(FItems.size()); }
  std::string CellText(int row, int column) const override { return FCell(FItems.at(row), column); }
  const T& operator[](int row) const { return FItems.at(row); }
  const std::vector<T>& Items() const { return FItems; }

  // Appends (or, sorted, inserts in order) and answers the new row's index; the selection
  // stays on the row it was on.
  int Add(T item) {
    auto at = FItems.end();
    if (FLess) at = std::upper_bound(FItems.begin(), FItems.end(), item, FLess);
    const int index = static_cast<int>(at - FItems.begin());
    FItems.insert(at, std::move(item));
    if (FItemIndex >= index) ++FItemIndex;
    Changed();
    return index;
  }
  // Replaces a row in its place; a sorted list moves it to its sorted place and the selection
  // goes with it.
  void Replace(int row, T item) {
    if (!FLess) {
      FItems.at(row) = std::move(item);
      Changed();
      return;
    }
    const bool wasSelected = row == FItemIndex;
    FItems.erase(FItems.begin() + row);
    if (FItemIndex > row) --FItemIndex;
    if (wasSelected) FItemIndex = -1;
    const int index = Add(std::move(item));
    if (wasSelected) FItemIndex = index;
    Changed();
  }
  void Clear() {
    FItems.clear();
    FItemIndex = -1;
    Changed();
  }
  void Exchange(int a, int b) override {
    std::swap(FItems.at(a), FItems.at(b));
    Changed();
  }
  void Delete(int row) override {
    FItems.erase(FItems.begin() + row);
    if (FItemIndex == row)
      FItemIndex = -1;
    else if (FItemIndex > row)
      --FItemIndex;
    Changed();
  }
  const T* Selected() const { return HasSelection() ? &FItems[FItemIndex] : nullptr; }

 private:
  std::vector<T> FItems;
  TCell FCell;
  TLess FLess;
};

inline void TRowSource::SetItemIndex(int index) {
  if (index < -1 || index >= RowCount()) index = -1;
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed();
}

// With a selected row: asks "Delete %s?" (translated, Caption for %s) and deletes it on Yes.
// True when a row was deleted.
bool DeleteSelectedListItem(TRowSource& rows, const std::string& caption, TAsker& asker);
// The selected row changes places with the one above (below); the selection and the focus
// mark move with it, so a second call moves it again. Nothing at the ends.
bool MoveListItemUp(TRowSource& rows);
bool MoveListItemDown(TRowSource& rows);
