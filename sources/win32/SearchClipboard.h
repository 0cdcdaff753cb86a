// The clipboard source's window side: a hidden window in the system's clipboard-viewer chain
// that takes every text (and, when asked, every picture) copied anywhere into the history, and
// puts hits back on the clipboard.
//
//   auto* clipboard = NewClipboardSource(owner, optionsDialog);  // joins the chain
//   ...                                                          // leaves it when freed
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "sources/SearchClipboard.h"
#include "ui/Forms.h"

class TClipboardViewer : public TForm, public TClipboardSystem {
 public:
  TClipboardViewer(std::shared_ptr<TClipboardHistory> history, const TClipboardSettings& settings);
  ~TClipboardViewer() override;
  const char* ClassName() const override { return "TClipboardViewer"; }

  // Makes the window the first viewer; what the clipboard holds then is not taken.
  void JoinChain();
  void LeaveChain();
  // Joins again when another window took the lead (or the chain lost its head with a program
  // that ended without leaving it). The timer calls it every 30 s when KeepAlive is on.
  void KeepAlive();
  // The window the clipboard's messages go on to; nullptr when none.
  HWND NextViewer() const { return FNextViewer; }

  void PutText(const std::string& text) override;
  void PutCopiedText(const std::u16string& text) override;
  void PutPicture(const TClipboardPicture& picture) override;
  std::unique_ptr<TIcon> PictureIcon(const TClipboardPicture& picture) override;
  std::unique_ptr<TIcon> ClipboardIcon() override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void DrawClipboard(WPARAM wParam, LPARAM lParam);
  void ChangeChain(HWND leaving, HWND next);
  void AddClipboardEntry();
  // Puts something on the clipboard that the history is not to take as a new copy.
  void Put(const std::function<void(HWND owner)>& put);
  // Passes a message on to the next viewer; a viewer that is gone is forgotten, one that hangs
  // is not waited for.
  void PassOn(UINT msg, WPARAM wParam, LPARAM lParam);

  std::shared_ptr<TClipboardHistory> FHistory;
  const bool FStoreImages;
  HWND FNextViewer = nullptr;
  bool FInChain = false;
  bool FInDrawClipboard = false;
  bool FIgnoreChanges = false;
};

// The one clipboard window of the process (the options dialog shows its chain); nullptr when none.
TClipboardViewer* ClipboardWindow();

// The source with its window, from "lorvexclipboard.ini" of the settings folder.
TSearchClipboard* NewClipboardSource(TComponent* owner, std::function<void()> optionsDialog);
