// The maker's own controls: a label whose text can be selected with the mouse and copied, a
// splitter whose grip collapses and restores its neighbour, a panel that paints its own bevels,
// and a check box and a radio group that keep their state in an INI file. Component text can
// create each of them once qmCtrlsInitialization has registered them. GUI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "core/qmMemIni.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TGripType { gtRaised, gtSunken };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// The sides of a label that get a border, a set of 1 << lbLeft, 1 << lbTop, ...
enum TLabelBorderSide { lbLeft, lbTop, lbRight, lbBottom };
using TLabelBorder = unsigned;

// Registers the five controls for component text and makes the labels' shared menu.
void qmCtrlsInitialization();
// Frees the shared menu; every label is gone by then.
void qmCtrlsFinalization();

// A control that keeps its state under its component name in the section "MainSettings" of
// the caller's INI file; the file is neither opened nor written here.
class IqmSettings {
 public:
  virtual void SaveSettings(TMemIniFile& ini) = 0;
  virtual void LoadSettings(TMemIniFile& ini) = 0;

 protected:
  ~IqmSettings() = default;
};

class TqmLabel;

// The labels' shared menu: its one item, "Kopiraj", copies the selected text of the label it
// was opened for, or the whole caption when nothing is selected.
class TqmLabelMenu : public TPopupMenu {
 public:
  explicit TqmLabelMenu(TComponent* owner);
  const char* ClassName() const override { return "TqmLabelMenu"; }
  TqmLabel* Label = nullptr;  // set by the label that opens the menu

 private:
  void CopyClick();
};

// The shared menu; nullptr outside qmCtrlsInitialization and qmCtrlsFinalization.
TqmLabelMenu* qmLabelMenu();

// A label with bevelled borders on chosen sides. With CanSelectText, dragging over the caption
// with the left button selects characters; the shared menu copies them. It takes its parent's
// font until it is given its own.
class TqmLabel : public TLabel {
 public:
  explicit TqmLabel(TComponent* owner);
  const char* ClassName() const override { return "TqmLabel"; }
  void describe(TPropertyVisitor& visitor) override;
  // A label without a menu of its own gets the shared one.
  void Loaded() override;

  TLabelBorder Border() const { return FBorder; }
  void SetBorder(TLabelBorder value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  bool CanSelectText = false;
  const std::string& SelectedText() const { return FSelectedText; }
  // Has an effect only while CanSelectText is on.
  void SetSelectedText(const std::string& value);
  TAlignment Alignment = taLeftJustify;  // of the caption's lines within the label
  TTextLayout Layout = tlTop;            // where the caption stands from top to bottom

  // The text's size, 4 pixels wider with a left or right border, 4 higher with a top or bottom
  // one, and twice BorderWidth larger each way.
  void AdjustSize() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;

 private:
  bool HasBorder(TLabelBorderSide side) const { return (FBorder & (1u << side)) != 0; }
  RECT TextRect();
  UINT TextFlags() const;
  // How far Layout moves the caption down within Rect.
  int LayoutOffset(TCanvas& canvas, const RECT& rect);
  // Where the caption's first line begins, in client coordinates.
  int TextLeft();
  void SelectTo(int x);
  void DrawSelection(TCanvas& canvas, const RECT& textRect);
  void DrawBorders(TCanvas& canvas);

  TLabelBorder FBorder = 0;
  int FBorderWidth = 0;
  TBevelCut FBevelInner = bvRaised;
  TBevelCut FBevelOuter = bvLowered;
  std::string FSelectedText;
  int FDownX = 0;                            // where the left button went down, in client coordinates
  int FSelStartPixel = 0, FSelEndPixel = 0;  // from the text's left edge
};

// A splitter with a grip in its middle: a click on the grip collapses the neighbour to nothing,
// the next one gives it back its size. Elsewhere the bar drags as any splitter's does.
class TqmSplitter : public TSplitter {
 public:
  explicit TqmSplitter(TComponent* owner);
  const char* ClassName() const override { return "TqmSplitter"; }
  void describe(TPropertyVisitor& visitor) override;

  bool ShowGrip = true;
  TGripType GripType = gtRaised;
  bool Collapsed() const { return FCollapsed; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;

 private:
  RECT GripRect();
  std::array<POINT, 3> GripTriangle();
  void DrawTriangle(TColor color);
  void ToggleCollapse();

  bool FPressed = false;
  bool FHover = false;
  bool FCollapsed = false;
  int FSavedSize = 0;  // the neighbour's size before it collapsed
};

// A panel that paints its bevels, border and caption itself, the caption in its parent's font
// until it is given its own, and placed and read right to left when its BiDiMode says so.
class TqmCustomPanel : public TPanel {
 public:
  explicit TqmCustomPanel(TComponent* owner);
  const char* ClassName() const override { return "TqmCustomPanel"; }

  TBevelCut BevelOuter = bvRaised;
  TBevelCut BevelInner = bvNone;
  int BevelWidth = 1;
  int BorderWidth = 0;
  TAlignment Alignment = taCenter;

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  void DrawBevel(TCanvas& canvas, RECT& rect, TBevelCut cut);
  void DrawCaption(TCanvas& canvas, RECT rect);
};

// The panel as component text knows it.
class TqmPanel : public TqmCustomPanel {
 public:
  using TqmCustomPanel::TqmCustomPanel;
  const char* ClassName() const override { return "TqmPanel"; }
  void describe(TPropertyVisitor& visitor) override;
};

// A check box that shows the focus in its background; Enter moves the focus on.
class TqmCheckBox : public TCheckBox, public IqmSettings {
 public:
  using TCheckBox::TCheckBox;
  const char* ClassName() const override { return "TqmCheckBox"; }
  void SaveSettings(TMemIniFile& ini) override;
  void LoadSettings(TMemIniFile& ini) override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ShowFocus(bool focused);
};

class TqmRadioGroup : public TRadioGroup, public IqmSettings {
 public:
  using TRadioGroup::TRadioGroup;
  const char* ClassName() const override { return "TqmRadioGroup"; }
  void SaveSettings(TMemIniFile& ini) override;
  void LoadSettings(TMemIniFile& ini) override;
};
