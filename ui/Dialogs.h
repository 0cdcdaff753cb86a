// Small standard dialogs: the plain message dialogs, the input box, the file dialogs and the
// folder browser.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "core/Persistent.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// The framework's plain message dialogs: a text with the icon and caption of its kind and a row
// of buttons, all as given, never translated (the program's own boxes are in ui/qmMsgBox.h).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

class TMessageForm : public TForm {
 public:
  // Buttons: their modal results (mrOk, mrCancel, mrYes, mrNo), left to right; the first is the
  // default one, and Esc answers Cancel, else No, else OK.
  TMessageForm(const std::string& text, TMsgDlgType type, std::initializer_list<int> buttons);
  const char* ClassName() const override { return "TMessageForm"; }

  TImage* Image = nullptr;  // none for mtCustom
  TLabel* Message;
  std::vector<TButton*> Buttons;
};

// Shows the dialog; answers the modal result of the button pressed (mrCancel when it is closed).
int MessageDlg(const std::string& text, TMsgDlgType type, std::initializer_list<int> buttons);
// Text with an OK button, under the application's title.
void ShowMessage(const std::string& text);

// Asks for one line of text; Value comes in as the default answer. False when cancelled.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

// What a file or folder dialog asks for; FileName comes in as the first choice and goes out as
// the chosen file (the chosen folder for ckFolder).
struct TChooseRequest {
  enum TKind { ckOpen, ckSave, ckFolder } Kind = ckOpen;
  std::string Title;
  std::string Filter;  // "Description|*.x|All files (*.*)|*.*"
  std::string DefaultExt;
  std::string FileName;
  bool ShowStatus = false;
};

// Answers in place of the system's dialogs: true when something was chosen.
using TChooser = std::function<bool(TChooseRequest& request)>;
// Every file and folder dialog asks Chooser instead of showing itself; an empty one brings the
// system's dialogs back.
void SetChooserForTests(TChooser chooser);

// The system's dialog to open an existing file, owned by the active window.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TOpenDialog"; }

  std::string Filter;      // "Description|*.x|All files (*.*)|*.*"
  std::string DefaultExt;  // added to a name typed without one; with or without its dot
  std::string FileName;    // the first choice; the chosen file after Execute
  std::string Title;       // empty: the system's

  // True when the user chose a file, which FileName then holds.
  virtual bool Execute();

 protected:
  TChooseRequest Request(TChooseRequest::TKind kind) const;
  bool RunDialog(bool save);
};

// The same for a file to write; an existing file is confirmed first.
class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  const char* ClassName() const override { return "TSaveDialog"; }

  bool Execute() override;
};

// The shell's folder browser under Root (the desktop when empty), owned by the application's
// window, with the program's other windows disabled while it is open; it opens centred, at
// Folder when that exists, and with ShowStatus shows the selected path in a status line. True
// when a file-system folder was chosen, which Folder then holds; on cancel Folder is unchanged.
bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& folder, bool showStatus);

// Moves a top-level window so that its centre is the screen's, keeping its size and z-order and
// without activating it.
void CenterWindow(HWND wnd);
