#include "sources/win32/SearchClipboard.h"

#include <algorithm>

#include "core/qmFileUtils.h"
#include "core/qmLog.h"
#include "core/win32/WinIcon.h"
#include "os/os.h"
#include "sources/win32/SourceIcons.h"
#include "ui/Clipbrd.h"

namespace {

constexpr UINT_PTR KeepAliveTimer = 1;
constexpr UINT KeepAliveInterval = 30000;
constexpr UINT PassOnTimeout = 2000;

TClipboardViewer* TheClipboardWindow = nullptr;

// The clipboard's text as it was copied, never past the end of its memory.
std::u16string ClipboardText() {
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const void* memory = data ? GlobalLock(data) : nullptr;
  if (!memory) return {};
  std::u16string text = BoundedClipboardText(static_cast<const char16_t*>(memory), GlobalSize(data));
  GlobalUnlock(data);
  return text;
}

// The clipboard's picture as a packed DIB of just the bytes its header describes, copied once;
// empty when it is none or when it alone is beyond Budget.
std::string ClipboardDib(size_t budget) {
  HANDLE data = GetClipboardData(CF_DIB);
  const char* memory = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (!memory) return {};
  std::string dib;
  if (const std::optional<TDibLayout> layout = CheckDib(std::string_view(memory, GlobalSize(data)))) {
    const uint64_t bytes = layout->HeaderSize + layout->ColorBytes + layout->PixelBytes;
    if (bytes <= budget) dib.assign(memory, static_cast<size_t>(bytes));
  }
  GlobalUnlock(data);
  return dib;
}

// The clipboard's metafile picture, copied once: its metafile's bytes with the mapping mode and
// extent; empty when it is none or when it alone is beyond Budget.
TClipboardPicture ClipboardMetafile(size_t budget) {
  TClipboardPicture picture;
  HANDLE data = GetClipboardData(CF_METAFILEPICT);
  const auto* header =
      data && GlobalSize(data) >= sizeof(METAFILEPICT) ? static_cast<const METAFILEPICT*>(GlobalLock(data)) : nullptr;
  if (!header) return picture;
  const UINT size = header->hMF ? GetMetaFileBitsEx(header->hMF, 0, nullptr) : 0;
  if (size > 0 && size <= budget) {
    picture.Data.resize(size);
    if (GetMetaFileBitsEx(header->hMF, size, picture.Data.data()) != size || !CheckMetafile(picture.Data))
      picture.Data.clear();
  }
  picture.Format = TClipboardPicture::pfMetafile;
  picture.MappingMode = header->mm;
  picture.Width = header->xExt;
  picture.Height = header->yExt;
  GlobalUnlock(data);
  return picture;
}

// "Image " and the time, as the user's settings write dates and times.
std::string PictureCaption() { return "Image " + os::DateTimeText(os::Now()); }

}  // namespace

TClipboardViewer::TClipboardViewer(std::shared_ptr<TClipboardHistory> history, const TClipboardSettings& settings)
    : TForm(nullptr), FHistory(std::move(history)), FStoreImages(settings.StoreImages) {
  SetCaption("LorvexClipboardWindow");
  TheClipboardWindow = this;
  JoinChain();
  if (settings.KeepAlive) SetTimer(Handle(), KeepAliveTimer, KeepAliveInterval, nullptr);
}

TClipboardViewer::~TClipboardViewer() {
  // The window goes with the form: its own handling of WM_DESTROY no longer runs then.
  KillTimer(Handle(), KeepAliveTimer);
  LeaveChain();
  if (TheClipboardWindow == this) TheClipboardWindow = nullptr;
}

void TClipboardViewer::JoinChain() {
  FIgnoreChanges = true;  // the window is told at once of what the clipboard holds
  FNextViewer = SetClipboardViewer(Handle());
  FInChain = true;
  // The previous viewer may be none: only a window other than ours first tells of an error.
  if (GetClipboardViewer() != Handle()) GetLog().Log("LorvexClipboard", "Init error " + std::to_string(GetLastError()));
  FIgnoreChanges = false;
}

void TClipboardViewer::LeaveChain() {
  if (!FInChain) return;
  FInChain = false;
  ChangeClipboardChain(Handle(), FNextViewer);
  FNextViewer = nullptr;
}

void TClipboardViewer::KeepAlive() {
  if (GetClipboardViewer() == Handle()) return;
  LeaveChain();
  JoinChain();
}

LRESULT TClipboardViewer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      DrawClipboard(wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      ChangeChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_TIMER:
      if (wParam != KeepAliveTimer) break;
      KeepAlive();
      return 0;
    case WM_DESTROY:
      LeaveChain();
      break;
  }
  return TForm::WndProc(msg, wParam, lParam);
}

void TClipboardViewer::DrawClipboard(WPARAM wParam, LPARAM lParam) {
  if (FInDrawClipboard) return;
  FInDrawClipboard = true;
  // The next viewer hears of the change whatever happens to our copy of it.
  struct TPassOn {
    TClipboardViewer& Viewer;
    WPARAM WParam;
    LPARAM LParam;
    ~TPassOn() {
      if (Viewer.FNextViewer) {
        GetLog().Log("Clipboard", "DrawClipboard Next");
        Viewer.PassOn(WM_DRAWCLIPBOARD, WParam, LParam);
        GetLog().Log("Clipboard", "DrawClipboard After");
      }
      Viewer.FInDrawClipboard = false;
    }
  } passOn{*this, wParam, lParam};
  GetLog().Log("Clipboard", "DrawClipboard Add");
  AddClipboardEntry();
  GetLog().Log("Clipboard", "DrawClipboard TestNext");
}

void TClipboardViewer::ChangeChain(HWND leaving, HWND next) {
  if (leaving == FNextViewer)
    FNextViewer = next;
  else
    PassOn(WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(leaving), reinterpret_cast<LPARAM>(next));
}

void TClipboardViewer::PassOn(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!FNextViewer || FNextViewer == Handle()) return;
  if (!IsWindow(FNextViewer)) {
    FNextViewer = nullptr;
    return;
  }
  DWORD_PTR result;
  SendMessageTimeoutA(FNextViewer, msg, wParam, lParam, SMTO_ABORTIFHUNG, PassOnTimeout, &result);
}

void TClipboardViewer::AddClipboardEntry() {
  // Our own putting back of a hit is no new copy, however late the system tells of it.
  if (FIgnoreChanges || GetClipboardOwner() == Handle()) return;
  if (!OpenClipboardPatiently(Handle())) {
    GetLog().Log("LorvexClipboard", "The clipboard is kept open by another program");
    return;
  }
  std::u16string text;
  TClipboardPicture picture;
  if (IsClipboardFormatAvailable(CF_UNICODETEXT))
    text = ClipboardText();
  else if (FStoreImages && IsClipboardFormatAvailable(CF_DIB))
    picture.Data = ClipboardDib(FHistory->PictureBudget());
  else if (FStoreImages && IsClipboardFormatAvailable(CF_METAFILEPICT))
    picture = ClipboardMetafile(FHistory->PictureBudget());
  CloseClipboard();
  if (!text.empty()) FHistory->AddText(text);
  if (!picture.Data.empty()) FHistory->AddPicture(std::move(picture), PictureCaption());
}

void TClipboardViewer::Put(const std::function<void(HWND owner)>& put) {
  FIgnoreChanges = true;
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{FIgnoreChanges};
  put(Handle());
}

void TClipboardViewer::PutText(const std::string& text) {
  Put([&](HWND owner) { SetClipboardText(text, owner); });
}

void TClipboardViewer::PutCopiedText(const std::u16string& text) {
  Put([&](HWND owner) { SetClipboardUtf16(text, owner); });
}

void TClipboardViewer::PutPicture(const TClipboardPicture& picture) {
  Put([&](HWND owner) {
    if (picture.Format == TClipboardPicture::pfMetafile)
      SetClipboardMetafile(picture.Data, picture.MappingMode, picture.Width, picture.Height, owner);
    else
      SetClipboardDib(picture.Data, owner);
  });
}

namespace {

// Draws a metafile picture stretched over the rectangle (0, 0, Width, Height) of Dc, on white.
bool DrawMetafile(HDC dc, const TClipboardPicture& picture, int width, int height) {
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  const METAFILEPICT header{picture.MappingMode, picture.Width, picture.Height, nullptr};
  HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(picture.Data.size()),
                                             reinterpret_cast<const BYTE*>(picture.Data.data()), dc, &header);
  if (!metafile) return false;
  const RECT all{0, 0, width, height};
  PlayEnhMetaFile(dc, metafile, &all);
  DeleteEnhMetaFile(metafile);
  return true;
}

// Draws a DIB stretched over the rectangle (0, 0, Width, Height) of Dc.
bool DrawDib(HDC dc, const std::string& dib, int width, int height) {
  const std::optional<TDibLayout> layout = CheckDib(dib);
  if (!layout) return false;
  SetStretchBltMode(dc, HALFTONE);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  StretchDIBits(dc, 0, 0, width, height, 0, 0, layout->Width, std::abs(layout->Height),
                dib.data() + layout->HeaderSize + layout->ColorBytes, info, DIB_RGB_COLORS, SRCCOPY);
  return true;
}

}  // namespace

std::unique_ptr<TIcon> TClipboardViewer::PictureIcon(const TClipboardPicture& picture) {
  const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP color = CreateCompatibleBitmap(screen, width, height);
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(memory, mask);
  PatBlt(memory, 0, 0, width, height, BLACKNESS);  // the whole icon is opaque
  SelectObject(memory, color);
  const bool drawn = picture.Format == TClipboardPicture::pfMetafile ? DrawMetafile(memory, picture, width, height)
                                                                     : DrawDib(memory, picture.Data, width, height);
  SelectObject(memory, old);
  ICONINFO iconInfo{TRUE, 0, 0, mask, color};
  HICON icon = drawn ? CreateIconIndirect(&iconInfo) : nullptr;
  DeleteObject(mask);
  DeleteObject(color);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return icon ? std::make_unique<TWinIcon>(icon) : nullptr;
}

std::unique_ptr<TIcon> TClipboardViewer::ClipboardIcon() { return LoadImagesIcon("clipboard"); }

TClipboardViewer* ClipboardWindow() { return TheClipboardWindow; }

TSearchClipboard* NewClipboardSource(TComponent* owner, std::function<void()> optionsDialog) {
  TClipboardSettings settings;
  try {
    settings.Load(TMemIniFile(SettingsFolder("Lorvex") + TClipboardSettings::IniFileName));
  } catch (const EInOutError& e) {
    // The history works without its file: the defaults stand, and the program starts.
    GetLog().Log("LorvexClipboard", e.Message());
  }
  auto history = std::make_shared<TClipboardHistory>(settings.HistoryLimit());
  auto viewer = std::make_unique<TClipboardViewer>(history, settings);
  return new TSearchClipboard(owner, history, settings.Permanent, std::move(viewer), std::move(optionsDialog));
}
