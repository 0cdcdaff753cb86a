// The common controls: the status bar, the list view over a row source, the page control with
// its tab sheets (and moving the focus on across them), and the up-down button of an edit box.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/RowList.h"
#include "ui/Controls.h"

class TEdit;

// A status bar with one owner-drawn panel; the program's status texts go into SimpleText.
// It aligns to the bottom of its parent unless told otherwise.
class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TComponent* owner);
  const char* ClassName() const override { return "TStatusBar"; }

  int PanelWidth = 100;  // the designed width; being the last panel, it reaches the right end
  void SetPanelWidth(int width);
  const std::string& SimpleText() const { return FSimpleText; }
  // Stores the text and has the panel drawn again (OnDrawPanel reads it; without a handler the
  // panel shows it).
  void SetSimpleText(const std::string& text);

  std::function<void(TStatusBar& sender, const RECT& rect, TCanvas& canvas)> OnDrawPanel;
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateParts();
  std::string FSimpleText;
};

struct TListColumn {
  std::string Caption;
  int Width = 50;
};

// A read-only report list over a row source: the view keeps no items of its own, it asks the
// rows for each cell it shows. One row at most is selected, whole rows are highlighted, and the
// selection stays visible without the focus. The selection lives with the rows: the user's
// choice is written to them, and their ItemIndex is shown.
class TListView : public TWinControl {
 public:
  explicit TListView(TComponent* owner);
  ~TListView() override;
  const char* ClassName() const override { return "TListView"; }

  // The columns, set before the window exists. A row's cells past the last column are not shown.
  std::vector<TListColumn> Columns;
  void SetColumnCaption(int index, const std::string& caption);

  // Not owned. The view takes the rows' OnChange to show their changes; nullptr detaches. The
  // rows may go before or after the view.
  void SetRows(TRowSource* rows);
  TRowSource* Rows() const { return FRows; }

  // OnChange: the selected row changed, by the user or in code (the rows' ItemIndex is already
  // the new one). OnDblClick: a double click on a row.
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void InsertColumns();
  void RowsChanged();
  void ShowRows();
  void TakeSelectionFromWindow();
  void SelectionNotified(bool selected, int item);
  std::string CellText(int row, int column) const;
  int FindRowByCaption(const std::string& prefix, int start) const;

  TRowSource* FRows = nullptr;
  // Shared with the rows' OnChange: cleared when the view goes or takes other rows.
  std::shared_ptr<TListView*> FSelf;
  int FShownIndex = -1;         // the selection OnChange was last fired for
  bool FShowing = false;        // the view is putting the rows' state into the window
  bool FTaking = false;         // the view is writing the window's selection to the rows
  bool FSyncPosted = false;     // a check of the window's selection is on its way
  bool FWindowClosing = false;  // the window is being destroyed: its notifications are ignored
};

class TPageControl;

// A page of a page control: a child window of it that fills its display area and is shown only
// while it is the active page. Its Caption is the text of its tab.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  const char* ClassName() const override { return "TTabSheet"; }

  // Makes this a page of PageControl (its last one) and a child of it; nullptr takes it out.
  void SetPageControl(TPageControl* pageControl);
  TPageControl* PageControl() const { return FPageControl; }

  // Whether the page has a tab; a page without one can still be made active in code.
  bool TabVisible = true;
  void SetTabVisible(bool visible);
  // A margin inside the page: the children are placed and aligned within it.
  int BorderWidth = 0;
  void SetBorderWidth(int width);

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TPageControl;
  void PaintBorder();
  TPageControl* FPageControl = nullptr;
};

// Tabs over pages. OnChange tells that the user changed the page (a tab click, the keys, or
// SelectNextPage); SetActivePage in code does not fire it. Ctrl+Tab and Ctrl+Shift+Tab switch
// pages while the focus is inside.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  const char* ClassName() const override { return "TPageControl"; }

  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int index) const;  // nullptr out of range
  TTabSheet* ActivePage() const { return FActivePage; }
  // Shows Page and hides the others. A focus inside the page that goes moves to the first
  // control of the new one.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;  // -1 without an active page
  void SetActivePageIndex(int index);
  // Activates the next (previous) page that has a tab, after the last one the first; false
  // when no other page qualifies. Fires OnChange.
  bool SelectNextPage(bool forward, bool checkTabVisible = true);

  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void UpdateTabs();
  void UpdateTab(TTabSheet* page);
  void LayoutPages();
  int TabIndexOf(const TTabSheet* page) const;
  TTabSheet* PageOfTab(int tab) const;
  void ShowPage(TTabSheet* page);
  bool HandleCtrlTab(const MSG& msg);

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  int FKeyFilter = 0;
};

// Moves the focus on from Control: to Next when given. Otherwise to the next tab stop after
// Control among the controls below Control's parent (its own children left out); past the last
// one, the next page with a tab of a page control around Control is activated instead, with the
// focus on its first control, and only without such a page does the search go round to the
// first control.
void SelectNextControlAcrossPages(TWinControl* control, TWinControl* next);

// The up-down arrows at the right of an edit box, which shows the position as a number.
class TUpDown : public TWinControl {
 public:
  explicit TUpDown(TComponent* owner);
  const char* ClassName() const override { return "TUpDown"; }

  int Min = 0;
  int Max = 100;
  int Increment = 1;  // one click or arrow key

  void SetAssociate(TEdit* edit);
  TEdit* Associate() const { return FAssociate; }
  // The number in the edit box, so a typed value counts, kept within Min..Max; the last
  // position when the box holds no number.
  int Position();
  // Kept within Min..Max; the edit box shows it.
  void SetPosition(int value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  int Clamp(int value) const;
  void ApplyRange();
  TEdit* FAssociate = nullptr;
  int FPosition = 0;
};

// A button of a tool bar, as far as its texts go: the program has no tool bar yet, but its
// translator translates the buttons' hints.
class TToolButton : public TComponent {
 public:
  explicit TToolButton(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TToolButton"; }

  std::string Caption;
  std::string Hint;
};
