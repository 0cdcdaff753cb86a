#include "app/win32/TextWindow.h"

namespace {

constexpr UINT WM_COMETOFRONT = WM_APP + 0x150;

}  // namespace

TTextWindow::TTextWindow(TComponent* owner, const char* caption, int clientWidth, int clientHeight) : TForm(owner) {
  SetCaption(caption);
  KeyPreview = true;
  Position = poScreenCenter;
  SetClientSize(clientWidth, clientHeight);
  pButtons = new TPanel(this);
  pButtons->SetHeight(41);
  pButtons->SetAlign(alBottom);
  pButtons->SetParent(this);

  // The memo takes every key: Esc reaches the form only before it.
  OnKeyDown = [this](TComponent&, WORD& key, TShiftState) {
    if (key != VK_ESCAPE) return;
    key = 0;
    Close();
  };
  OnClose = [](TForm&, TCloseAction& action) { action = caFree; };
}

TButton* TTextWindow::AddButton(const char* caption, int left) {
  auto* button = new TButton(this);
  button->SetCaption(caption);
  button->SetBounds(left, 7, 80, 27);
  button->SetParent(pButtons);
  return button;
}

TButton* TTextWindow::AddCloseButton(int left) {
  TButton* button = AddButton("Close", left);
  button->OnClick = [this](TComponent&) { Close(); };
  CancelButton = button;
  return button;
}

TMemo* TTextWindow::AddMemo() {
  auto* memo = new TMemo(this);
  memo->WordWrap = false;
  memo->SetScrollBars(true);
  memo->SetAlign(alClient);
  memo->SetParent(this);
  ActiveControl = memo;
  return memo;
}

void TTextWindow::ShowInFront() {
  Show();
  // The window opens from the main window's Enter, which then hides that window and gives its
  // search box the focus: this window comes to the front after that.
  PostMessageA(Handle(), WM_COMETOFRONT, 0, 0);
}

LRESULT TTextWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_COMETOFRONT) return TForm::WndProc(msg, wParam, lParam);
  SetForegroundWindow(Handle());
  return 0;
}
