// The status bar.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/Controls.h"

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
