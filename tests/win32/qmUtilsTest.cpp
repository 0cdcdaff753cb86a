#include "core/win32/qmUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Persistent.h"
#include "core/win32/WideText.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

namespace {

// --- helper processes ------------------------------------------------------
// The single-instance test needs other processes. This program starts itself as
// "win32_tests.exe --qmutils-helper MODE NAME"; the helper does its job and ends before
// GoogleTest starts:
//   hold   takes NAME, signals the event NAME.ready and lives until NAME.quit is signalled
//          (exit code 0, or 3 when NAME was taken already);
//   check  exit code 1 when NAME is taken, 0 when it is free.

constexpr const char* HelperSwitch = "--qmutils-helper";
constexpr DWORD SafetyWaitMs = 60000;  // only against a hung helper; never reached normally

HANDLE OpenNamedEvent(const std::string& name) {
  return OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name.c_str());
}

int RunHelper(const std::string& mode, const std::string& name) {
  try {
    if (mode == "check") return IsAlreadyRunning(name) ? 1 : 0;
    if (mode == "hold") {
      if (IsAlreadyRunning(name)) return 3;
      const HANDLE ready = OpenNamedEvent(name + ".ready");
      const HANDLE quit = OpenNamedEvent(name + ".quit");
      if (!ready || !quit) return 4;
      SetEvent(ready);
      WaitForSingleObject(quit, SafetyWaitMs);
      return 0;
    }
  } catch (const Exception&) {
    return 5;
  }
  return 6;
}

[[maybe_unused]] const bool HelperDone = [] {
  if (__argc == 4 && std::string(__argv[1]) == HelperSwitch) ExitProcess(RunHelper(__argv[2], __argv[3]));
  return false;
}();

// A helper process started from this test program.
class THelperProcess {
 public:
  THelperProcess(const std::string& mode, const std::string& name) {
    std::string commandLine = "\"" + os::ExeFileName() + "\" " + HelperSwitch + " " + mode + " " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      CloseHandle(info.hThread);
      FProcess = info.hProcess;
    }
  }
  ~THelperProcess() {
    if (FProcess) CloseHandle(FProcess);
  }
  THelperProcess(const THelperProcess&) = delete;
  THelperProcess& operator=(const THelperProcess&) = delete;

  HANDLE Handle() const { return FProcess; }

  // The exit code once the process has ended; -1 when it could not be started or hangs.
  int ExitCode() const {
    DWORD code = 0;
    if (!FProcess || WaitForSingleObject(FProcess, SafetyWaitMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(FProcess, &code))
      return -1;
    return static_cast<int>(code);
  }

 private:
  HANDLE FProcess = nullptr;
};

// A name no earlier run or other test uses.
std::string UniqueName(const std::string& what) {
  static int counter = 0;
  return "LorvexTest." + what + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// --- the real ExitWindowsEx never runs here ----------------------------------
// Under Wine it ends the whole session. Before any test runs, the hook is replaced by one
// that fails the test; the ShutdownWindows tests install their own fake for a while.

bool RefuseToEndTheSession(UINT, DWORD) {
  ADD_FAILURE() << "the real ExitWindowsEx was about to be called";
  return false;
}

class TNoRealExitWindows : public ::testing::Environment {
 public:
  void SetUp() override { ExitWindowsHook = RefuseToEndTheSession; }
};

[[maybe_unused]] ::testing::Environment* const NoRealExitWindows =
    ::testing::AddGlobalTestEnvironment(new TNoRealExitWindows);

// --- privileges of this process's token ----------------------------------------

enum class TPrivilegeState { NotHeld, Disabled, Enabled };

TPrivilegeState PrivilegeState(const std::string& name) {
  LUID luid{};
  HANDLE token = nullptr;
  if (!LookupPrivilegeValueA(nullptr, name.c_str(), &luid) ||
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return TPrivilegeState::NotHeld;
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<char> buffer(size);
  const bool ok = GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size);
  CloseHandle(token);
  if (!ok) return TPrivilegeState::NotHeld;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) ? TPrivilegeState::Enabled : TPrivilegeState::Disabled;
  }
  return TPrivilegeState::NotHeld;
}

// --- a drawing surface of a given width ------------------------------------------

class TTestCanvas {
 public:
  explicit TTestCanvas(int width) {
    FDC = CreateCompatibleDC(nullptr);
    FBitmap = CreateCompatibleBitmap(FDC, width, 16);
    FOldBitmap = SelectObject(FDC, FBitmap);
    FOldFont = SelectObject(FDC, GetStockObject(DEFAULT_GUI_FONT));
  }
  ~TTestCanvas() {
    SelectObject(FDC, FOldFont);
    SelectObject(FDC, FOldBitmap);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TTestCanvas(const TTestCanvas&) = delete;
  TTestCanvas& operator=(const TTestCanvas&) = delete;

  HDC DC() const { return FDC; }
  int TextWidth(const std::string& text) const {
    const std::wstring wide = Utf8ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(FDC, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
  }

 private:
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  HGDIOBJ FOldFont = nullptr;
};

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }
bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Checks a shortened path: drive and file name kept, an ellipsis between, and it fits.
void ExpectShortened(const TTestCanvas& canvas, int width, const std::string& path, const std::string& result,
                     const std::string& fileName) {
  EXPECT_LT(result.size(), path.size());
  EXPECT_TRUE(StartsWith(result, path.substr(0, 3))) << result;
  EXPECT_TRUE(EndsWith(result, "\\" + fileName)) << result;
  EXPECT_NE(result.find("..."), std::string::npos) << result;
  EXPECT_LE(canvas.TextWidth(result), width) << result;
}

// --- windows that receive posted messages ------------------------------------------

class TMessageWindow {
 public:
  TMessageWindow()
      : FWnd(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~TMessageWindow() { DestroyWindow(FWnd); }
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;
  HWND Handle() const { return FWnd; }

 private:
  HWND FWnd;
};

// Takes every pending message in [first, last] off this thread's queue, as (window, wParam).
// PeekMessage hands out a quit message whatever the range; that one is put back.
std::vector<std::pair<HWND, WPARAM>> TakePending(UINT first, UINT last) {
  std::vector<std::pair<HWND, WPARAM>> taken;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, first, last, PM_REMOVE)) {
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

// --- version information -----------------------------------------------------------

TEST(FileVersionInfo, ReadsThisProgramsResource) {
  TFileVersionInfo info;
  ASSERT_TRUE(info.Load(os::ExeFileName()));
  EXPECT_EQ(info.Major, 1);
  EXPECT_EQ(info.Minor, 2);
  EXPECT_EQ(info.Release, 3);
  EXPECT_EQ(info.Build, 4);
  EXPECT_EQ(info.CompanyName, "Lorvex Test Company");
  EXPECT_EQ(info.FileDescription, "Lorvex win32 tests");
  EXPECT_EQ(info.InternalName, "");  // not in the resource
  EXPECT_EQ(info.LegalCopyright, "");
  EXPECT_EQ(info.OriginalFilename, "win32_tests.exe");
  EXPECT_EQ(info.ProductName, "Lorvex");
  EXPECT_EQ(info.ProductVersion, "1.2-test");
}

TEST(FileVersionInfo, FileWithoutVersionLeavesFieldsAlone) {
  const std::string text = testpaths::FreshFolder("qmutils_version") + "plain.txt";
  ASSERT_TRUE(os::WriteFileReplacing(text, "no version here"));

  TFileVersionInfo info;
  info.ProductName = "kept";
  info.Build = 9;
  EXPECT_FALSE(info.Load(text));
  EXPECT_FALSE(info.Load(text + ".missing"));
  EXPECT_EQ(info.ProductName, "kept");
  EXPECT_EQ(info.Build, 9);
  EXPECT_EQ(info.Major, 0);
}

TEST(GetVersionString, TakesTheRequestedParts) {
  const std::string exe = os::ExeFileName();
  EXPECT_EQ(GetVersionString(exe, 4), "1.2.3.4");
  EXPECT_EQ(GetVersionString(exe, 2), "1.2");
  EXPECT_EQ(GetVersionString(exe, 1), "1");
  EXPECT_EQ(GetVersionString(exe, 0), "");
  EXPECT_EQ(GetVersionString(exe, -3), "");
  EXPECT_EQ(GetVersionString(exe, 7), "1.2.3.4");
}

TEST(GetVersionString, FileWithoutVersionGivesZeros) {
  const std::string text = testpaths::FreshFolder("qmutils_noversion") + "plain.txt";
  ASSERT_TRUE(os::WriteFileReplacing(text, "no version here"));
  EXPECT_EQ(GetVersionString(text, 4), "0.0.0.0");
  EXPECT_EQ(GetVersionString(text + ".missing", 2), "0.0");
}

// --- single instance -------------------------------------------------------------------

TEST(IsAlreadyRunning, TrueOnlyWhileAnotherProcessHoldsTheName) {
  const std::string name = UniqueName("Instance");
  const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (name + ".ready").c_str());
  const HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, (name + ".quit").c_str());
  ASSERT_TRUE(ready && quit);

  THelperProcess holder("hold", name);
  ASSERT_TRUE(holder.Handle()) << "cannot start " << os::ExeFileName();
  const HANDLE waitFor[] = {ready, holder.Handle()};
  ASSERT_EQ(WaitForMultipleObjects(2, waitFor, FALSE, SafetyWaitMs), WAIT_OBJECT_0)
      << "the holder did not get ready";

  EXPECT_EQ(THelperProcess("check", name).ExitCode(), 1);

  SetEvent(quit);
  EXPECT_EQ(holder.ExitCode(), 0);
  EXPECT_EQ(THelperProcess("check", name).ExitCode(), 0);
  CloseHandle(ready);
  CloseHandle(quit);
}

TEST(IsAlreadyRunning, SecondCallOfTheSameProcessIsTrue) {
  const std::string name = UniqueName("SameProcess");
  EXPECT_FALSE(IsAlreadyRunning(name));
  EXPECT_TRUE(IsAlreadyRunning(name));
}

TEST(IsAlreadyRunning, NameOfAnotherKindOfObjectThrows) {
  const std::string name = UniqueName("Event");
  const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_TRUE(event);
  try {
    IsAlreadyRunning(name);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "CreateMutex failed.");
  }
  CloseHandle(event);
}

// --- fitting a path ----------------------------------------------------------------------

TEST(FitPathToRect, PathThatFitsIsUnchanged) {
  const std::string path = "C:\\Windows\\notepad.exe";
  TTestCanvas probe(10);
  const int width = probe.TextWidth(path);
  ASSERT_GT(width, 10);
  TTestCanvas exact(width);
  EXPECT_EQ(FitPathToRect(path, exact.DC()), path);
  TTestCanvas wide(width + 200);
  EXPECT_EQ(FitPathToRect(path, wide.DC()), path);
}

TEST(FitPathToRect, NarrowRectKeepsDriveAndFileName) {
  const std::string path = "C:\\Program Files\\Lorvex Test\\Some Folder\\Another Folder\\program.exe";
  TTestCanvas probe(10);
  const int width = probe.TextWidth("C:\\Pro...\\program.exe");
  TTestCanvas canvas(width);
  ExpectShortened(canvas, width, path, FitPathToRect(path, canvas.DC()), "program.exe");
}

TEST(FitPathToRect, AmpersandsArePlainText) {
  const std::string path = "C:\\Tom & Jerry\\More && more\\deeper\\and deeper\\file & name.txt";
  TTestCanvas probe(10);
  const int width = probe.TextWidth("C:\\Tom ...\\file & name.txt");
  TTestCanvas canvas(width);
  const std::string result = FitPathToRect(path, canvas.DC());
  ExpectShortened(canvas, width, path, result, "file & name.txt");
}

TEST(FitPathToRect, PathOfAThousandCharacters) {
  std::string path = "D:\\";
  while (path.size() < 990) path += "folder0123\\";
  path += "target.exe";
  ASSERT_GE(path.size(), 1000u);

  TTestCanvas probe(10);
  const int width = probe.TextWidth("D:\\folder0123\\...\\target.exe");
  TTestCanvas narrow(width);
  ExpectShortened(narrow, width, path, FitPathToRect(path, narrow.DC()), "target.exe");

  TTestCanvas wide(probe.TextWidth(path) + 10);
  EXPECT_EQ(FitPathToRect(path, wide.DC()), path);
}

TEST(FitPathToRect, NonAsciiTextIsMeasuredAndShortenedByItsCharacters) {
  // "C:\Bücher\Ärger über Straßen\Übung.txt"
  const std::string path =
      "C:\\B\xC3\xBC" "cher\\\xC3\x84rger \xC3\xBC" "ber Stra\xC3\x9F" "en\\\xC3\x9C" "bung.txt";
  TTestCanvas probe(10);
  TTestCanvas exact(probe.TextWidth(path));
  EXPECT_EQ(FitPathToRect(path, exact.DC()), path);
  const int width = probe.TextWidth("C:\\B\xC3\xBC...\\\xC3\x9C" "bung.txt");
  TTestCanvas narrow(width);
  ExpectShortened(narrow, width, path, FitPathToRect(path, narrow.DC()), "\xC3\x9C" "bung.txt");
}

// --- privileges and ending the session -------------------------------------------------

TEST(SetPrivilege, UnknownNameIsFalse) {
  EXPECT_FALSE(SetPrivilege("SeNoSuchPrivilege", true));
  EXPECT_FALSE(SetPrivilege("", false));
}

TEST(SetPrivilege, PrivilegeTheTokenLacksIsFalse) {
  // A known privilege that this process's token does not hold: the system accepts the
  // request but assigns nothing.
  const char* const candidates[] = {"SeCreateTokenPrivilege", "SeAssignPrimaryTokenPrivilege",
                                    "SeLockMemoryPrivilege", "SeMachineAccountPrivilege",
                                    "SeTrustedCredManAccessPrivilege", "SeRelabelPrivilege"};
  for (const char* name : candidates) {
    if (PrivilegeState(name) != TPrivilegeState::NotHeld) continue;
    EXPECT_FALSE(SetPrivilege(name, true)) << name;
    EXPECT_EQ(PrivilegeState(name), TPrivilegeState::NotHeld) << name;
    return;
  }
  GTEST_SKIP() << "this token holds every candidate privilege";
}

TEST(SetPrivilege, EnablesAndDisablesAHeldPrivilege) {
  const std::string name = "SeShutdownPrivilege";
  const TPrivilegeState before = PrivilegeState(name);
  if (before == TPrivilegeState::NotHeld) GTEST_SKIP() << "this token lacks " << name;

  EXPECT_TRUE(SetPrivilege(name, true));
  EXPECT_EQ(PrivilegeState(name), TPrivilegeState::Enabled);
  EXPECT_TRUE(SetPrivilege(name, false));
  EXPECT_EQ(PrivilegeState(name), TPrivilegeState::Disabled);
  SetPrivilege(name, before == TPrivilegeState::Enabled);
}

class ShutdownWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PrivilegeState("SeShutdownPrivilege") == TPrivilegeState::NotHeld)
      GTEST_SKIP() << "this token lacks SeShutdownPrivilege";
    FSaved = ExitWindowsHook;
    ExitWindowsHook = [this](UINT flags, DWORD reason) {
      Calls.push_back({flags, reason, PrivilegeState("SeShutdownPrivilege")});
      return Accept;
    };
  }
  void TearDown() override {
    if (FSaved) ExitWindowsHook = FSaved;
  }

  struct TCall {
    UINT Flags;
    DWORD Reason;
    TPrivilegeState Privilege;  // while the call ran
  };
  std::vector<TCall> Calls;
  bool Accept = true;

 private:
  TExitWindowsFunc FSaved;
};

TEST_F(ShutdownWindowsTest, PassesFlagsWithThePrivilegeEnabled) {
  const UINT flags[] = {EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT};
  for (UINT f : flags) EXPECT_TRUE(ShutdownWindows(f));
  ASSERT_EQ(Calls.size(), 3u);
  for (size_t i = 0; i < Calls.size(); ++i) {
    EXPECT_EQ(Calls[i].Flags, flags[i]);
    EXPECT_EQ(Calls[i].Reason, 0u);
    EXPECT_EQ(Calls[i].Privilege, TPrivilegeState::Enabled);
  }
  EXPECT_EQ(PrivilegeState("SeShutdownPrivilege"), TPrivilegeState::Disabled);
}

TEST_F(ShutdownWindowsTest, RefusalIsReported) {
  Accept = false;
  EXPECT_FALSE(ShutdownWindows(EWX_SHUTDOWN));
  EXPECT_EQ(Calls.size(), 1u);
  EXPECT_EQ(PrivilegeState("SeShutdownPrivilege"), TPrivilegeState::Disabled);
}

// --- pending messages ----------------------------------------------------------------------

TEST(RemovePendingMessage, RemovesOneMessageOfThatWindowOnly) {
  TMessageWindow a, b;
  ASSERT_TRUE(a.Handle() && b.Handle());
  TakePending(WM_CHAR, WM_CHAR);

  PostMessageA(b.Handle(), WM_CHAR, 'z', 0);
  PostMessageA(a.Handle(), WM_CHAR, 'x', 0);
  PostMessageA(a.Handle(), WM_CHAR, 'y', 0);
  RemovePendingMessage(a.Handle(), WM_CHAR);
  const std::vector<std::pair<HWND, WPARAM>> expected = {{b.Handle(), 'z'}, {a.Handle(), 'y'}};
  EXPECT_EQ(TakePending(WM_CHAR, WM_CHAR), expected);

  RemovePendingMessage(a.Handle(), WM_CHAR);  // nothing pending: nothing happens
  EXPECT_TRUE(TakePending(WM_CHAR, WM_CHAR).empty());
}

TEST(RemovePendingMessage, QuitMessageSurvives) {
  // PeekMessage returns a pending quit message whatever the filter, so looking for a
  // character can take the quit message instead.
  TMessageWindow window;
  ASSERT_TRUE(window.Handle());

  PostQuitMessage(7);
  RemovePendingMessage(window.Handle(), WM_CHAR);
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(7));

  PostQuitMessage(8);
  PostMessageA(window.Handle(), WM_CHAR, 'q', 0);
  RemovePendingMessage(window.Handle(), WM_CHAR);
  EXPECT_TRUE(TakePending(WM_CHAR, WM_CHAR).empty());
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(8));

  PostQuitMessage(9);
  RemovePendingMessage(window.Handle(), WM_QUIT);
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(9));
  EXPECT_EQ(TakeQuit(), std::nullopt);
}
