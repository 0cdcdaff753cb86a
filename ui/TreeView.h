// A tree of text nodes, each carrying a number of its owner's; one node at most is selected,
// and the selection stays visible without the focus. The owner fills it anew after each change
// of what it shows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/Controls.h"

class TTreeView : public TWinControl {
 public:
  explicit TTreeView(TComponent* owner);
  const char* ClassName() const override { return "TTreeView"; }

  void Clear();
  // A node at the end of Parent's children (the top level for nullptr), shown expanded.
  HTREEITEM AddNode(HTREEITEM parent, const std::string& text, LPARAM data);
  void Select(HTREEITEM node);  // nullptr: none
  // The selected node's number; Default without a selection.
  LPARAM SelectedData(LPARAM def) const;

  // OnChange: the user selected another node. OnDblClick: a double click on a node.
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool FFilling = false;  // nodes go in or out: no OnChange
};
