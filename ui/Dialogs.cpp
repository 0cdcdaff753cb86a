#include "ui/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "core/win32/WideText.h"
#include "os/win32/os_win32.h"

namespace {

// Room for the longest paths the system knows.
constexpr DWORD FileNameBufferSize = 32768;

TChooser& Chooser() {
  static TChooser chooser;
  return chooser;
}

// "Text|*.x|All|*.*" as the dialogs want it: each part ended by a zero, the list by another.
std::string FilterList(const std::string& filter) {
  std::string list = filter;
  for (char& c : list)
    if (c == '|') c = '\0';
  list.append(2, '\0');
  return list;
}

BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

// Disables the program's windows for the life of a dialog that is owned by none of them, and
// afterwards gives the activation back to the window that had it.
class TDisabledWindows {
 public:
  TDisabledWindows() : FActive(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&FWindows));
    for (HWND wnd : FWindows) EnableWindow(wnd, FALSE);
  }
  ~TDisabledWindows() {
    for (HWND wnd : FWindows)
      if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    if (FActive && IsWindow(FActive)) SetActiveWindow(FActive);
  }
  TDisabledWindows(const TDisabledWindows&) = delete;
  TDisabledWindows& operator=(const TDisabledWindows&) = delete;

 private:
  HWND FActive;
  std::vector<HWND> FWindows;
};

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM lParam, LPARAM data) {
  switch (msg) {
    case BFFM_INITIALIZED: {
      CenterWindow(wnd);
      const auto& folder = *reinterpret_cast<const std::wstring*>(data);
      if (!folder.empty() && IsFolder(folder))
        SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
      break;
    }
    case BFFM_SELCHANGED: {
      wchar_t path[MAX_PATH] = L"";
      if (!SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) path[0] = L'\0';
      SendMessageW(wnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
      break;
    }
  }
  return 0;
}

// The item list of Root, parsed by the desktop folder; nullptr for the desktop itself.
LPITEMIDLIST ParseRoot(const std::wstring& root) {
  if (root.empty()) return nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  std::wstring name = root;  // the call wants a writable string
  LPITEMIDLIST list = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &list, nullptr))) list = nullptr;
  desktop->Release();
  return list;
}

bool ShellBrowseForFolder(const std::string& title, const std::wstring& root, std::string& folder, bool showStatus) {
  os::TComScope com;
  const std::wstring wideTitle = Utf8ToWide(title);
  const std::wstring initial = Utf8ToWide(folder);
  LPITEMIDLIST rootList = ParseRoot(root);

  BROWSEINFOW info{};
  info.hwndOwner = Application().Handle();
  info.pidlRoot = rootList;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | (showStatus ? BIF_STATUSTEXT : 0);
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&initial);

  LPITEMIDLIST chosen = nullptr;
  {
    TDisabledWindows disabled;
    chosen = SHBrowseForFolderW(&info);
  }
  if (rootList) CoTaskMemFree(rootList);
  if (!chosen) return false;
  wchar_t path[MAX_PATH] = L"";
  const bool found = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!found) return false;
  folder = WideToUtf8(path);
  return true;
}

}  // namespace

void SetChooserForTests(TChooser chooser) { Chooser() = std::move(chooser); }

TChooseRequest TOpenDialog::Request(TChooseRequest::TKind kind) const {
  TChooseRequest request;
  request.Kind = kind;
  request.Title = Title;
  request.Filter = Filter;
  request.DefaultExt = DefaultExt;
  request.FileName = FileName;
  return request;
}

bool TOpenDialog::RunDialog(bool save) {
  if (const TChooser chooser = Chooser()) {
    TChooseRequest request = Request(save ? TChooseRequest::ckSave : TChooseRequest::ckOpen);
    if (!chooser(request)) return false;
    FileName = request.FileName;
    return true;
  }

  std::vector<char> buffer(FileNameBufferSize, '\0');
  FileName.copy(buffer.data(), buffer.size() - 1);
  const std::string filter = FilterList(Filter);
  const std::string extension = !DefaultExt.empty() && DefaultExt[0] == '.' ? DefaultExt.substr(1) : DefaultExt;

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
  dialog.Flags |= save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
  const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (!chosen) return false;
  FileName = buffer.data();
  return true;
}

bool TOpenDialog::Execute() { return RunDialog(false); }

bool TSaveDialog::Execute() { return RunDialog(true); }

bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& folder, bool showStatus) {
  if (const TChooser chooser = Chooser()) {
    TChooseRequest request;
    request.Kind = TChooseRequest::ckFolder;
    request.Title = title;
    request.FileName = folder;
    request.ShowStatus = showStatus;
    if (!chooser(request)) return false;
    folder = request.FileName;
    return true;
  }
  return ShellBrowseForFolder(title, root, folder, showStatus);
}

void CenterWindow(HWND wnd) {
  RECT r;
  if (!GetWindowRect(wnd, &r)) return;
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - (r.right - r.left) / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - (r.bottom - r.top) / 2;
  SetWindowPos(wnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Message dialogs ----------------------------------------------------------------------

TMessageForm::TMessageForm(const std::string& text, TMsgDlgType type, std::initializer_list<int> buttons)
    : TForm(nullptr) {
  constexpr int Margin = 12, ButtonWidth = 75, ButtonHeight = 25, ButtonGap = 8, TextWidth = 360;
  static const struct {
    const char* Caption;
    LPCSTR Icon;
  } kinds[] = {{"Warning", reinterpret_cast<LPCSTR>(IDI_WARNING)},
               {"Error", reinterpret_cast<LPCSTR>(IDI_ERROR)},
               {"Information", reinterpret_cast<LPCSTR>(IDI_INFORMATION)},
               {"Confirm", reinterpret_cast<LPCSTR>(IDI_QUESTION)},
               {nullptr, nullptr}};
  BorderStyle = WS_CAPTION | WS_SYSMENU;
  Position = poScreenCenter;
  SetCaption(kinds[type].Caption ? kinds[type].Caption : Application().Title);

  int left = Margin;
  if (kinds[type].Icon) {
    Image = new TImage(this);
    Image->SetBounds(Margin, Margin, 32, 32);
    Image->SetIcon(LoadIconA(nullptr, kinds[type].Icon));
    Image->SetParent(this);
    left += 32 + Margin;
  }
  Message = new TLabel(this);
  Message->WordWrap = true;
  Message->SetBounds(left, Margin, TextWidth, 17);
  Message->SetParent(this);
  Message->SetCaption(text);
  Message->AdjustSize();

  const int width = left + TextWidth + Margin;
  const int top = Margin + std::max(Message->Height(), Image ? 32 : 0) + Margin;
  const int row = static_cast<int>(buttons.size()) * (ButtonWidth + ButtonGap) - ButtonGap;
  int x = (width - row) / 2;
  for (const int result : buttons) {
    auto* button = new TButton(this);
    button->SetCaption(result == mrOk ? "OK" : result == mrYes ? "&Yes" : result == mrNo ? "&No" : "Cancel");
    button->ModalResult = result;
    button->TabStop = true;
    button->SetBounds(x, top, ButtonWidth, ButtonHeight);
    button->SetParent(this);
    x += ButtonWidth + ButtonGap;
    Buttons.push_back(button);
  }
  for (const int answer : {int(mrCancel), int(mrNo), int(mrOk)}) {
    for (TButton* button : Buttons)
      if (!CancelButton && button->ModalResult == answer) CancelButton = button;
  }
  if (!Buttons.empty()) {
    Buttons.front()->SetDefault(true);
    DefaultButton = Buttons.front();
    ActiveControl = Buttons.front();
  }
  SetClientSize(width, top + ButtonHeight + Margin);
}

int MessageDlg(const std::string& text, TMsgDlgType type, std::initializer_list<int> buttons) {
  TMessageForm form(text, type, buttons);
  const int result = form.ShowModal();
  return result == mrNone ? mrCancel : result;
}

void ShowMessage(const std::string& text) { MessageDlg(text, mtCustom, {mrOk}); }

// --- InputQuery ---------------------------------------------------------------------------
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  TForm form(nullptr);
  form.BorderStyle = WS_CAPTION | WS_SYSMENU;
  form.Position = poScreenCenter;
  form.SetCaption(caption);
  form.SetClientSize(360, 110);

  auto* label = new TLabel(&form);
  label->SetCaption(prompt);
  label->SetBounds(10, 10, 340, 17);
  label->SetParent(&form);

  auto* edit = new TEdit(&form);
  edit->SetText(value);
  edit->SetBounds(10, 32, 340, 23);
  edit->SetParent(&form);

  auto* ok = new TButton(&form);
  ok->SetCaption("OK");
  ok->ModalResult = mrOk;
  ok->Default = true;
  ok->TabStop = true;
  ok->SetBounds(190, 72, 75, 27);
  ok->SetParent(&form);

  auto* cancel = new TButton(&form);
  cancel->SetCaption("Cancel");
  cancel->ModalResult = mrCancel;
  cancel->TabStop = true;
  cancel->SetBounds(275, 72, 75, 27);
  cancel->SetParent(&form);

  form.DefaultButton = ok;
  form.CancelButton = cancel;
  form.ActiveControl = edit;
  if (form.ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}
