// The Windows utilities with the real system. That a second program finds the single-instance
// name taken is the main window's test.
#include "core/win32/qmUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Persistent.h"
#include "core/win32/WideText.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

namespace {

// A name no earlier run or other test uses.
std::string UniqueName(const std::string& what) {
  static int counter = 0;
  return "LorvexTest." + what + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// The real ExitWindowsEx ends the whole Wine session: before any test runs it is replaced by a
// call that fails the test; the ShutdownWindows test puts in its own for a while.
struct TNoRealExitWindows : testing::Environment {
  void SetUp() override {
    ExitWindowsHook = [](UINT, DWORD) {
      ADD_FAILURE() << "the real ExitWindowsEx was about to be called";
      return false;
    };
  }
};

[[maybe_unused]] testing::Environment* const NoRealExitWindows =
    testing::AddGlobalTestEnvironment(new TNoRealExitWindows);

// Whether the shutdown privilege is enabled in this process's token.
bool ShutdownPrivilegeEnabled() {
  HANDLE token = nullptr;
  PRIVILEGE_SET privileges{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
  BOOL enabled = FALSE;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privilege[0].Luid))
    PrivilegeCheck(token, &privileges, &enabled);
  if (token) CloseHandle(token);
  return enabled;
}

// A drawing surface Width pixels wide (its clip box) in the dialogs' font.
struct TTestCanvas {
  explicit TTestCanvas(int width) : DC(CreateCompatibleDC(nullptr)), Bitmap(CreateCompatibleBitmap(DC, width, 16)) {
    SelectObject(DC, Bitmap);
    SelectObject(DC, GetStockObject(DEFAULT_GUI_FONT));
  }
  ~TTestCanvas() { DeleteDC(DC), DeleteObject(Bitmap); }  // the DC first, which lets its bitmap go
  int TextWidth(const std::string& text) const {
    const std::wstring wide = Utf8ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(DC, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
  }
  const HDC DC;
  const HBITMAP Bitmap;
};

// Takes every pending WM_CHAR off this thread's queue, as (window, character). PeekMessage hands
// out a quit message whatever the range; that one is put back.
std::vector<std::pair<HWND, WPARAM>> TakeCharacters() {
  std::vector<std::pair<HWND, WPARAM>> taken;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    taken.emplace_back(msg.hwnd, msg.wParam);
  }
  return taken;
}

// The exit code of a pending quit message, taken off the queue.
std::optional<WPARAM> TakeQuit() {
  MSG msg{};
  if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
  return msg.wParam;
}

}  // namespace

// This program's resource (qmUtilsTest.rc) has a translation other than the usual 0409/04B0, no
// InternalName and an empty LegalCopyright; a file without a version leaves the fields alone and
// reads as zeros.
TEST(FileVersionInfo, ReadsThisProgramsResourceAndAFileWithoutOneLeavesTheFieldsAlone) {
  TFileVersionInfo info;
  ASSERT_TRUE(info.Load(os::ExeFileName()));
  EXPECT_EQ(std::vector<int>({info.Major, info.Minor, info.Release, info.Build}), std::vector<int>({1, 2, 3, 4}));
  EXPECT_EQ(std::vector<std::string>({info.CompanyName, info.FileDescription, info.InternalName, info.LegalCopyright,
                                      info.OriginalFilename, info.ProductName, info.ProductVersion}),
            std::vector<std::string>(
                {"Lorvex Test Company", "Lorvex win32 tests", "", "", "win32_tests.exe", "Lorvex", "1.2-test"}));
  const struct {
    int Parts;
    const char* Version;
  } parts[] = {{0, ""}, {1, "1"}, {2, "1.2"}, {4, "1.2.3.4"}, {7, "1.2.3.4"}};
  for (const auto& c : parts) EXPECT_EQ(GetVersionString(os::ExeFileName(), c.Parts), c.Version) << c.Parts;

  const std::string text = testpaths::FreshFolder("qmutils_version") + "plain.txt";
  ASSERT_TRUE(os::WriteFileReplacing(text, "no version here"));
  for (const std::string& file : {text, text + ".missing"}) {
    info.ProductName = "kept";
    EXPECT_FALSE(info.Load(file));
    EXPECT_EQ(info.ProductName, "kept");
    EXPECT_EQ(GetVersionString(file, 4), "0.0.0.0");
  }
}

TEST(IsAlreadyRunning, TrueOnceAnEarlierCallHoldsTheNameAndANameOfAnotherKindOfObjectThrows) {
  const std::string name = UniqueName("Instance");
  EXPECT_FALSE(IsAlreadyRunning(name));
  EXPECT_TRUE(IsAlreadyRunning(name));

  const std::string eventName = UniqueName("Event");
  const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
  ASSERT_TRUE(event);
  EXPECT_THROW(IsAlreadyRunning(eventName), Exception);
  CloseHandle(event);
}

// A path that fits stays; one too wide keeps its drive and file name around an ellipsis and
// fits, ampersands being plain text and however long the path.
TEST(FitPathToRect, ShortensOnlyAPathTooWideAndKeepsDriveAndFileName) {
  std::string thousand = "D:\\";
  while (thousand.size() < 990) thousand += "folder0123\\";
  thousand += "target.exe";
  const std::string umlauts = "C:\\B\u00fccher\\\u00c4rger \u00fcber Stra\u00dfen\\\u00dcbung.txt";
  const TTestCanvas probe(10);
  const struct {
    std::string Path, FileName;
    int Width;
  } cases[] = {
      {"C:\\Windows\\notepad.exe", "", probe.TextWidth("C:\\Windows\\notepad.exe")},
      {thousand, "", probe.TextWidth(thousand) + 10},
      {"C:\\Program Files\\Lorvex Test\\Some Folder\\Another Folder\\program.exe", "program.exe",
       probe.TextWidth("C:\\Pro...\\program.exe")},
      {"C:\\Tom & Jerry\\More && more\\deeper\\and deeper\\file & name.txt", "file & name.txt",
       probe.TextWidth("C:\\Tom ...\\file & name.txt")},
      {thousand, "target.exe", probe.TextWidth("D:\\folder0123\\...\\target.exe")},
      {umlauts, "", probe.TextWidth(umlauts)},  // measured and cut by characters
      {umlauts, "\u00dcbung.txt", probe.TextWidth("C:\\B\u00fc...\\\u00dcbung.txt")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path.substr(0, 60));
    const TTestCanvas canvas(c.Width);
    const std::string result = FitPathToRect(c.Path, canvas.DC);
    if (c.FileName.empty()) {
      EXPECT_EQ(result, c.Path);
      continue;
    }
    EXPECT_EQ(result.substr(0, 3), c.Path.substr(0, 3));
    EXPECT_EQ(result.substr(result.size() - c.FileName.size() - 1), "\\" + c.FileName);
    EXPECT_NE(result.find("..."), std::string::npos) << result;
    EXPECT_LE(canvas.TextWidth(result), c.Width) << result;
  }
}

// Each shutdown runs with the shutdown privilege enabled, which is disabled again afterwards, and
// the system's refusal is reported; a privilege the system does not know is never enabled.
TEST(ShutdownWindows, PassesTheFlagsWithThePrivilegeEnabledAndReportsARefusal) {
  EXPECT_FALSE(SetPrivilege("SeNoSuchPrivilege", true));
  if (!SetPrivilege(SE_SHUTDOWN_NAME, false)) GTEST_SKIP() << "this token lacks " << SE_SHUTDOWN_NAME;
  const TExitWindowsFunc saved = ExitWindowsHook;
  std::vector<UINT> flags;
  ExitWindowsHook = [&](UINT f, DWORD reason) {
    EXPECT_EQ(reason, 0u);
    EXPECT_TRUE(ShutdownPrivilegeEnabled());
    flags.push_back(f);
    return f != EWX_REBOOT;
  };
  EXPECT_TRUE(ShutdownWindows(EWX_LOGOFF));
  EXPECT_FALSE(ShutdownWindows(EWX_REBOOT));
  ExitWindowsHook = saved;
  EXPECT_EQ(flags, (std::vector<UINT>{EWX_LOGOFF, EWX_REBOOT}));
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
}

// One message of that window goes. PeekMessage returns a pending quit message whatever the
// filter, so looking for a character could take the quit message instead: it survives.
TEST(RemovePendingMessage, RemovesOneMessageOfThatWindowOnlyAndTheQuitMessageSurvives) {
  const auto window = [] { return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0); };
  const HWND a = window(), b = window();
  ASSERT_TRUE(a && b);
  TakeCharacters();
  PostMessageA(b, WM_CHAR, 'z', 0);
  PostMessageA(a, WM_CHAR, 'x', 0);
  PostMessageA(a, WM_CHAR, 'y', 0);
  RemovePendingMessage(a, WM_CHAR);
  EXPECT_EQ(TakeCharacters(), (std::vector<std::pair<HWND, WPARAM>>{{b, 'z'}, {a, 'y'}}));

  for (UINT removed : {UINT(WM_CHAR), UINT(WM_QUIT)}) {
    PostQuitMessage(8);
    RemovePendingMessage(a, removed);
    EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(8));
    EXPECT_EQ(TakeQuit(), std::nullopt);
  }
  DestroyWindow(a);
  DestroyWindow(b);
}
