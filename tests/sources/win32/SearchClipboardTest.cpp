// The clipboard history over the real clipboard and viewer chain of Wine.
#include "sources/win32/SearchClipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "core/Unicode.h"
#include "core/qmLog.h"
#include "core/win32/WinIcon.h"
#include "ui/Clipbrd.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/WineTestUtils.h"

namespace {

// Runs Put on a thread of its own, as another program copies; what it throws is thrown here, so
// that a copy that fails fails the test rather than ending the process. The wait serves messages:
// the clipboard's owner hears that it is emptied.
void CopyFromThread(const std::function<void()>& put) {
  // The application (and its window, the clipboard's owner when none is named) belongs to this
  // thread: made first on the copying thread, it would go with that thread.
  TApplication& application = Application();
  std::exception_ptr thrown;
  std::thread thread([&] {
    try {
      put();
    } catch (...) {
      thrown = std::current_exception();
    }
  });
  application.WaitForThread(thread);
  if (thrown) std::rethrow_exception(thrown);
}

// Opens the clipboard without an owner, as a program without a window does.
void OpenClipboardHere() {
  if (!OpenClipboardPatiently(nullptr)) throw std::runtime_error("the clipboard stays open elsewhere");
}

void CopyTextFromThread(const std::string& text) {
  CopyFromThread([&] { SetClipboardText(text); });
}

void CopyTextFromProcess(const std::string& text) {
  std::string command = "\"" + testpaths::ProgramPath(LORVEX_CLIPBOARD_WRITER) + "\" \"" + text + "\"";
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartProgram(command, process));
  // Messages are served meanwhile: emptying the clipboard tells its owner, a window of this thread.
  DWORD exitCode = STILL_ACTIVE;
  EXPECT_TRUE(
      PumpUntil([&] { return GetExitCodeProcess(process.hProcess, &exitCode) && exitCode != STILL_ACTIVE; }, 10000));
  EXPECT_EQ(exitCode, 0u) << "the writer could not copy";
  if (exitCode == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// A window in the viewer chain that passes the clipboard's messages on (after BeforePassingOn,
// when set), or swallows them.
class TOtherViewer {
 public:
  explicit TOtherViewer(bool passesOn) : FPassesOn(passesOn) {
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_DRAWCLIPBOARD && FPassesOn && FNext) {
        if (BeforePassingOn) BeforePassingOn();
        return SendMessageA(FNext, msg, wParam, lParam);
      }
      if (msg == WM_CHANGECBCHAIN && reinterpret_cast<HWND>(wParam) == FNext) FNext = reinterpret_cast<HWND>(lParam);
      return DefWindowProcA(wnd, msg, wParam, lParam);
    });
    FNext = SetClipboardViewer(FWindow);
  }
  ~TOtherViewer() { Application().DeallocateHWnd(FWindow); }
  void Leave() { ChangeClipboardChain(FWindow, FNext); }
  std::function<void()> BeforePassingOn;

 private:
  bool FPassesOn;
  HWND FWindow;
  HWND FNext = nullptr;
};

// Another program that has the clipboard open from its start for Milliseconds, as one reading it
// does.
class TClipboardHolder {
 public:
  explicit TClipboardHolder(DWORD milliseconds) {
    FThread = std::thread([this, milliseconds] {
      const bool held = OpenClipboardPatiently(nullptr);
      FOpened.set_value(held);
      if (!held) return;
      Sleep(milliseconds);
      CloseClipboard();
    });
    Held = FOpened.get_future().get();
  }
  ~TClipboardHolder() { FThread.join(); }
  bool Held;

 private:
  std::promise<bool> FOpened;
  std::thread FThread;
};

// The clipboard's metafile picture.
TClipboardPicture ClipboardMetafile() {
  TClipboardPicture picture;
  picture.Format = TClipboardPicture::pfMetafile;
  if (!OpenClipboardPatiently(nullptr)) return picture;
  if (HANDLE data = GetClipboardData(CF_METAFILEPICT)) {
    const METAFILEPICT header = *static_cast<const METAFILEPICT*>(GlobalLock(data));
    GlobalUnlock(data);
    picture.Data.resize(GetMetaFileBitsEx(header.hMF, 0, nullptr));
    GetMetaFileBitsEx(header.hMF, static_cast<UINT>(picture.Data.size()), picture.Data.data());
    std::tie(picture.MappingMode, picture.Width, picture.Height) = std::tuple(header.mm, header.xExt, header.yExt);
  }
  CloseClipboard();
  return picture;
}

class ClipboardViewerTest : public ::testing::Test {
 protected:
  ClipboardViewerTest() {
    CopyTextFromThread("there before");
    TClipboardSettings settings;
    settings.StoreImages = true;
    settings.KeepAlive = false;
    auto viewer = std::make_unique<TClipboardViewer>(History, settings);
    Viewer = viewer.get();
    Source = std::make_unique<TSearchClipboard>(nullptr, History, TNames{}, std::move(viewer), nullptr);
  }

  // Serves messages until the history holds Count entries, or for Milliseconds.
  bool Holds(size_t count, DWORD milliseconds = 3000) {
    return PumpUntil([&] { return History->Entries()->size() >= count; }, milliseconds) &&
           History->Entries()->size() == count;
  }

  std::shared_ptr<TClipboardHistory> History = std::make_shared<TClipboardHistory>(20);
  TClipboardViewer* Viewer;
  std::unique_ptr<TSearchClipboard> Source;
};

}  // namespace

TEST_F(ClipboardViewerTest, TextsCopiedAnywhereEnterAndGoBackAsTheyWere) {
  Pump(100);
  EXPECT_TRUE(History->Entries()->empty());  // what the clipboard held before the window joined
  CopyTextFromThread("%PATH% 100%");
  ASSERT_TRUE(Holds(1));
  CopyTextFromProcess("from another process");
  ASSERT_TRUE(Holds(2));
  const TNames texts = {"from another process", "%PATH% 100%"};
  EXPECT_EQ(NamesInOrder(*Source, "clipboard"), texts);

  RunItem(*Source, TItemData(CollectHits(*Source, "100%").at(0)));
  const std::string copied = ClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(Utf16ToUtf8(BoundedClipboardText(reinterpret_cast<const char16_t*>(copied.data()), copied.size())),
            "%PATH% 100%");
  Pump(200);
  EXPECT_EQ(NamesInOrder(*Source, "clipboard"), texts);  // not taken as a new copy: the order is kept

  // A surrogate without its partner goes back as it came, not as U+FFFD.
  const std::u16string lone = u"x\xD83D y";
  CopyFromThread([&] {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (lone.size() + 1) * 2);
    std::memcpy(GlobalLock(memory), lone.c_str(), (lone.size() + 1) * 2);
    GlobalUnlock(memory);
    OpenClipboardHere();
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  });
  ASSERT_TRUE(Holds(3));
  CopyTextFromThread("after it");
  ASSERT_TRUE(Holds(4));
  RunItem(*Source, TItemData(CollectHits(*Source, "x\uFFFD y").at(0)));
  const std::string back = ClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(BoundedClipboardText(reinterpret_cast<const char16_t*>(back.data()), back.size()), lone);
}

TEST_F(ClipboardViewerTest, PicturesRoundTripAndShowAsIcons) {
  // A bitmap, whose DIB the system makes, and a DIB of 32 bits with alpha, as an icon's pixels are.
  for (const bool asBitmap : {true, false}) {
    SCOPED_TRACE(asBitmap ? "bitmap" : "DIB");
    const size_t before = History->Entries()->size();
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 64, 48, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string pixels(64 * 48 * 4, '\0');
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>(i * 7 + (i / 4) % 3);
    CopyFromThread([&] {
      if (!asBitmap)
        return SetClipboardDib(std::string(reinterpret_cast<const char*>(&header), sizeof header) + pixels);
      void* bits = nullptr;
      HBITMAP bitmap =
          CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
      std::memcpy(bits, pixels.data(), pixels.size());
      OpenClipboardHere();
      EmptyClipboard();
      SetClipboardData(CF_BITMAP, bitmap);
      CloseClipboard();
    });
    ASSERT_TRUE(Holds(before + 1));
    const std::string copied = ClipboardData(CF_DIB);
    const auto entry = History->Entries()->front();
    ASSERT_TRUE(entry->Picture && entry->Text.starts_with("Image "));

    CopyTextFromThread(asBitmap ? "after the bitmap" : "after the DIB");
    ASSERT_TRUE(Holds(before + 2));
    TItemData hit(CollectHits(*Source, entry->Text).at(0));
    Source->Execute(hit);
    const size_t size = entry->Picture->Data.size();
    EXPECT_EQ(ClipboardData(CF_DIB).substr(0, size), copied.substr(0, size));

    Source->LoadIcon(hit);
    const auto* icon = dynamic_cast<const TWinIcon*>(hit.Icon.get());
    ICONINFO info{};
    ASSERT_TRUE(icon && GetIconInfo(icon->Handle(), &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  Source.reset();
}

TEST_F(ClipboardViewerTest, MetafilesAreFoundAsImagesAndGoBackAsTheMetafilesTheyWere) {
  // A Windows metafile, and an enhanced one, which the system offers as a metafile picture too.
  for (const bool enhanced : {false, true}) {
    SCOPED_TRACE(enhanced ? "enhanced metafile" : "metafile");
    const size_t before = History->Entries()->size();
    CopyFromThread([&] {
      HDC dc = enhanced ? CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr) : CreateMetaFileA(nullptr);
      Rectangle(dc, 10, 10, 90, 50);
      Ellipse(dc, 20, 15, 80, 45);
      OpenClipboardHere();
      EmptyClipboard();
      if (enhanced) {
        SetClipboardData(CF_ENHMETAFILE, CloseEnhMetaFile(dc));
      } else {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
        *static_cast<METAFILEPICT*>(GlobalLock(memory)) = {MM_ANISOTROPIC, 2540, 1270, CloseMetaFile(dc)};
        GlobalUnlock(memory);
        SetClipboardData(CF_METAFILEPICT, memory);
      }
      CloseClipboard();
    });
    ASSERT_TRUE(Holds(before + 1));
    const TClipboardPicture copied = ClipboardMetafile();
    const auto entry = History->Entries()->front();
    ASSERT_TRUE(entry->Picture && entry->Text.starts_with("Image ") && CheckMetafile(copied.Data));
    EXPECT_EQ(*entry->Picture, copied);

    CopyTextFromThread(enhanced ? "after the enhanced metafile" : "after the metafile");
    ASSERT_TRUE(Holds(before + 2));
    TItemData item(CollectHits(*Source, "Image").at(0));  // the newest picture
    Source->Execute(item);
    EXPECT_EQ(ClipboardMetafile(), copied);
    Source->LoadIcon(item);
    EXPECT_NE(dynamic_cast<const TWinIcon*>(item.Icon.get()), nullptr);
  }
}

TEST_F(ClipboardViewerTest, TheLogTellsOfPassingOnOnlyWithANextViewer) {
  const std::string logFile = testpaths::FreshFolder("clipboard_log") + "clipboard.log";
  GetLog().Enabled = true;
  GetLog().FileName = logFile;
  const auto logged = [&] {  // the viewer's lines since the last call
    const std::string text = testpaths::ReadText(logFile);
    os::DeleteFile(logFile);
    TNames lines;
    for (size_t at = text.find("DrawClipboard"); at != std::string::npos; at = text.find("DrawClipboard", at + 1))
      lines.push_back(text.substr(at, text.find_first_of("\r\n", at) - at));
    return lines;
  };
  CopyTextFromThread("alone in the chain");
  ASSERT_TRUE(Holds(1));
  EXPECT_EQ(logged(), (TNames{"DrawClipboard Add", "DrawClipboard TestNext"}));
  TOtherViewer other(true);
  Viewer->KeepAlive();  // first again, with the other one next; joining takes nothing
  logged();
  CopyTextFromThread("with another viewer");
  ASSERT_TRUE(Holds(2));
  EXPECT_EQ(logged(),
            (TNames{"DrawClipboard Add", "DrawClipboard TestNext", "DrawClipboard Next", "DrawClipboard After"}));
  other.Leave();
}

TEST_F(ClipboardViewerTest, TheChainOutlivesOtherViewers) {
  struct TCase {
    const char* What;
    bool PassesOn;
    bool Ends;  // without leaving the chain, as a program that crashed
  } cases[] = {{"passes messages on", true, false}, {"swallows them", false, false}, {"ends", true, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    auto other = std::make_unique<TOtherViewer>(c.PassesOn);
    EXPECT_NE(GetClipboardViewer(), Viewer->Handle());
    if (c.Ends) other.reset();
    const size_t before = History->Entries()->size();
    CopyTextFromThread(std::string("first ") + c.What);
    const bool heard = c.PassesOn && !c.Ends;
    EXPECT_EQ(Holds(before + 1, heard ? 3000 : 300), heard);
    Viewer->KeepAlive();
    EXPECT_EQ(GetClipboardViewer(), Viewer->Handle());
    const size_t now = History->Entries()->size();
    CopyTextFromThread(std::string("second ") + c.What);
    EXPECT_TRUE(Holds(now + 1));
    if (other) other->Leave();
  }
}

// Another program that has the clipboard open just then, for a moment: neither a hit put back nor
// a copy that the viewer hears of is lost.
TEST_F(ClipboardViewerTest, AClipboardOpenElsewhereForAMomentIsWaitedFor) {
  constexpr DWORD Moment = 150;
  TOtherViewer other(true);
  std::unique_ptr<TClipboardHolder> holder;
  const struct {
    const char* Name;
    std::function<void()> Copy;  // with the clipboard open elsewhere for a moment
    const char* Copied;
    bool Heard;  // a hit put back is no new copy
  } cases[] = {
      {"a copy the viewer hears of",
       [&] {
         other.BeforePassingOn = [&] { holder = std::make_unique<TClipboardHolder>(Moment); };
         CopyTextFromThread("copied elsewhere");
       },
       "copied elsewhere", true},
      {"a hit put back",
       [&] {
         holder = std::make_unique<TClipboardHolder>(Moment);
         ASSERT_TRUE(holder->Held);
         Viewer->PutText("put back");
       },
       "put back", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const size_t before = History->Entries()->size();
    c.Copy();
    // The copy's news may come only after the copying thread ended.
    ASSERT_TRUE(PumpUntil([&] { return holder != nullptr; }) && holder->Held);
    other.BeforePassingOn = nullptr;
    holder.reset();
    const std::string copied = ClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(Utf16ToUtf8(BoundedClipboardText(reinterpret_cast<const char16_t*>(copied.data()), copied.size())),
              c.Copied);
    ASSERT_TRUE(Holds(before + c.Heard));
    EXPECT_EQ(History->Entries()->front()->Text, c.Heard ? c.Copied : "copied elsewhere");
  }
  other.Leave();
}

TEST(ClipboardSourceTest, ARestartStartsAnEmptyHistoryWithThePermanentTexts) {
  WriteSettingsFile(TClipboardSettings::IniFileName, "[Settings]\r\nKeepAlive=0\r\n[Permanent]\r\nItem1=a note\r\n");
  std::unique_ptr<TSearchClipboard> source(NewClipboardSource(nullptr, nullptr));
  const HWND first = ClipboardWindow()->Handle();
  CopyTextFromThread("copied once");
  ASSERT_TRUE(PumpUntil([&] { return source->History().Entries()->size() == 1; }));
  source.reset();
  EXPECT_NE(GetClipboardViewer(), first);
  EXPECT_EQ(ClipboardWindow(), nullptr);

  source.reset(NewClipboardSource(nullptr, nullptr));
  // "o" is part of "clipboard": the whole history, empty again, then the permanent texts holding it.
  EXPECT_EQ(NamesInOrder(*source, "o"), (TNames{"a note"}));
  WriteSettingsFile(TClipboardSettings::IniFileName, "");
}
