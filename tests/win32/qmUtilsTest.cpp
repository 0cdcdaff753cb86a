#include "core/win32/qmUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Persistent.h"
#include "core/win32/WideText.h"
#include "os/os.h"
#include "tests/support/HelperProcess.h"
#include "tests/support/TestPaths.h"

namespace {

// "instance-holder NAME" takes the single-instance name and keeps it until released (exit code
// 0, or 3 when it was taken already); "instance-check NAME" answers 1 when NAME is taken.
[[maybe_unused]] const bool Holder = DeclareHelper("instance-holder", [](const std::vector<std::string>& args) {
  if (IsAlreadyRunning(args.at(0))) return 3;
  return HoldUntilReleased() ? 0 : 4;
});
[[maybe_unused]] const bool Checker = DeclareHelper(
    "instance-check", [](const std::vector<std::string>& args) { return IsAlreadyRunning(args.at(0)) ? 1 : 0; });

// A name no earlier run or other test uses.
std::string UniqueName(const std::string& what) {
  static int counter = 0;
  return "LorvexTest." + what + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// The real ExitWindowsEx ends the whole Wine session: before any test runs it is replaced by a
// call that fails the test; the ShutdownWindows tests put in their own for a while.
class TNoRealExitWindows : public testing::Environment {
 public:
  void SetUp() override {
    ExitWindowsHook = [](UINT, DWORD) {
      ADD_FAILURE() << "the real ExitWindowsEx was about to be called";
      return false;
    };
  }
};

[[maybe_unused]] testing::Environment* const NoRealExitWindows =
    testing::AddGlobalTestEnvironment(new TNoRealExitWindows);

enum class TPrivilegeState { NotHeld, Disabled, Enabled };

// The state of a privilege in this process's token.
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
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; ok && i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) ? TPrivilegeState::Enabled : TPrivilegeState::Disabled;
  }
  return TPrivilegeState::NotHeld;
}

// A drawing surface Width pixels wide in the dialogs' font.
class TTestCanvas {
 public:
  explicit TTestCanvas(int width) : FDC(CreateCompatibleDC(nullptr)), FBitmap(CreateCompatibleBitmap(FDC, width, 16)) {
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
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOldBitmap, FOldFont;
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

HWND MessageWindow() {
  return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

// The program's resource has a translation other than the usual 0409/04B0, no InternalName and
// an empty LegalCopyright.
TEST(FileVersionInfo, ReadsThisProgramsResourceAndAFileWithoutOneLeavesTheFieldsAlone) {
  TFileVersionInfo info;
  ASSERT_TRUE(info.Load(os::ExeFileName()));
  EXPECT_EQ(std::vector<int>({info.Major, info.Minor, info.Release, info.Build}), std::vector<int>({1, 2, 3, 4}));
  EXPECT_EQ(std::vector<std::string>({info.CompanyName, info.FileDescription, info.InternalName, info.LegalCopyright,
                                      info.OriginalFilename, info.ProductName, info.ProductVersion}),
            std::vector<std::string>(
                {"Lorvex Test Company", "Lorvex win32 tests", "", "", "win32_tests.exe", "Lorvex", "1.2-test"}));

  const std::string text = testpaths::FreshFolder("qmutils_version") + "plain.txt";
  ASSERT_TRUE(os::WriteFileReplacing(text, "no version here"));
  for (const std::string& file : {text, text + ".missing"}) {
    info.ProductName = "kept";
    EXPECT_FALSE(info.Load(file));
    EXPECT_EQ(info.ProductName, "kept");
    EXPECT_EQ(info.Build, 4);
  }
}

TEST(GetVersionString, TakesTheRequestedPartsAndZerosWithoutAVersion) {
  const std::string text = testpaths::FreshFolder("qmutils_noversion") + "plain.txt";
  ASSERT_TRUE(os::WriteFileReplacing(text, "no version here"));
  const struct {
    std::string File;
    int Parts;
    const char* Expected;
  } cases[] = {{os::ExeFileName(), 4, "1.2.3.4"},
               {os::ExeFileName(), 2, "1.2"},
               {os::ExeFileName(), 1, "1"},
               {os::ExeFileName(), 0, ""},
               {os::ExeFileName(), -3, ""},
               {os::ExeFileName(), 7, "1.2.3.4"},
               {text, 4, "0.0.0.0"},
               {text + ".missing", 2, "0.0"}};
  for (const auto& c : cases) EXPECT_EQ(GetVersionString(c.File, c.Parts), c.Expected) << c.File << " " << c.Parts;
}

TEST(IsAlreadyRunning, TrueOnlyWhileAnotherProcessOrAnEarlierCallHoldsTheName) {
  const std::string name = UniqueName("Instance");
  {
    THelperProcess holder("instance-holder", {name});
    ASSERT_TRUE(holder.Ready()) << "cannot start " << os::ExeFileName();
    EXPECT_EQ(THelperProcess("instance-check", {name}).ExitCode(), 1);
    EXPECT_EQ(holder.ExitCode(), 0);
  }
  EXPECT_EQ(THelperProcess("instance-check", {name}).ExitCode(), 0);

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

// A path that fits stays; one too wide keeps its drive and file name around an ellipsis and
// fits, ampersands being plain text and however long the path.
TEST(FitPathToRect, ShortensOnlyAPathTooWideAndKeepsDriveAndFileName) {
  std::string thousand = "D:\\";
  while (thousand.size() < 990) thousand += "folder0123\\";
  thousand += "target.exe";
  const std::string umlauts =
      "C:\\B\xC3\xBC"
      "cher\\\xC3\x84rger \xC3\xBC"
      "ber Stra\xC3\x9F"
      "en\\\xC3\x9C"
      "bung.txt";
  const TTestCanvas probe(10);
  const struct {
    std::string Path, FileName;
    int Width;
  } cases[] = {
      {"C:\\Windows\\notepad.exe", "", probe.TextWidth("C:\\Windows\\notepad.exe")},
      {"C:\\Windows\\notepad.exe", "", probe.TextWidth("C:\\Windows\\notepad.exe") + 200},
      {thousand, "", probe.TextWidth(thousand) + 10},
      {"C:\\Program Files\\Lorvex Test\\Some Folder\\Another Folder\\program.exe", "program.exe",
       probe.TextWidth("C:\\Pro...\\program.exe")},
      {"C:\\Tom & Jerry\\More && more\\deeper\\and deeper\\file & name.txt", "file & name.txt",
       probe.TextWidth("C:\\Tom ...\\file & name.txt")},
      {thousand, "target.exe", probe.TextWidth("D:\\folder0123\\...\\target.exe")},
      // Measured and cut by characters: "C:\Bücher\Ärger über Straßen\Übung.txt"
      {umlauts, "", probe.TextWidth(umlauts)},
      {umlauts,
       "\xC3\x9C"
       "bung.txt",
       probe.TextWidth("C:\\B\xC3\xBC...\\\xC3\x9C"
                       "bung.txt")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path.substr(0, 60));
    const TTestCanvas canvas(c.Width);
    const std::string result = FitPathToRect(c.Path, canvas.DC());
    if (c.FileName.empty()) {
      EXPECT_EQ(result, c.Path);
      continue;
    }
    EXPECT_LT(result.size(), c.Path.size());
    EXPECT_EQ(result.substr(0, 3), c.Path.substr(0, 3));
    EXPECT_EQ(result.substr(result.size() - c.FileName.size() - 1), "\\" + c.FileName);
    EXPECT_NE(result.find("..."), std::string::npos) << result;
    EXPECT_LE(canvas.TextWidth(result), c.Width) << result;
  }
}

TEST(SetPrivilege, OnlyAPrivilegeTheTokenHoldsIsEnabledAndDisabled) {
  EXPECT_FALSE(SetPrivilege("SeNoSuchPrivilege", true));
  EXPECT_FALSE(SetPrivilege("", false));
  // A known privilege that the token does not hold: the system accepts the request but assigns
  // nothing.
  for (const char* name : {"SeCreateTokenPrivilege", "SeAssignPrimaryTokenPrivilege", "SeLockMemoryPrivilege",
                           "SeMachineAccountPrivilege", "SeTrustedCredManAccessPrivilege", "SeRelabelPrivilege"}) {
    if (PrivilegeState(name) != TPrivilegeState::NotHeld) continue;
    EXPECT_FALSE(SetPrivilege(name, true)) << name;
    EXPECT_EQ(PrivilegeState(name), TPrivilegeState::NotHeld) << name;
    break;
  }
  const std::string name = "SeShutdownPrivilege";
  const TPrivilegeState before = PrivilegeState(name);
  if (before == TPrivilegeState::NotHeld) GTEST_SKIP() << "this token lacks " << name;
  EXPECT_TRUE(SetPrivilege(name, true));
  EXPECT_EQ(PrivilegeState(name), TPrivilegeState::Enabled);
  EXPECT_TRUE(SetPrivilege(name, false));
  EXPECT_EQ(PrivilegeState(name), TPrivilegeState::Disabled);
  SetPrivilege(name, before == TPrivilegeState::Enabled);
}

// Each call runs with the shutdown privilege enabled, which is disabled again afterwards, and
// the system's refusal is reported.
TEST(ShutdownWindows, PassesTheFlagsWithThePrivilegeEnabledAndReportsARefusal) {
  if (PrivilegeState("SeShutdownPrivilege") == TPrivilegeState::NotHeld)
    GTEST_SKIP() << "this token lacks SeShutdownPrivilege";
  const TExitWindowsFunc saved = ExitWindowsHook;
  std::vector<UINT> flags;
  ExitWindowsHook = [&](UINT f, DWORD reason) {
    EXPECT_EQ(reason, 0u);
    EXPECT_EQ(PrivilegeState("SeShutdownPrivilege"), TPrivilegeState::Enabled);
    flags.push_back(f);
    return f != EWX_REBOOT;
  };
  EXPECT_TRUE(ShutdownWindows(EWX_LOGOFF));
  EXPECT_TRUE(ShutdownWindows(EWX_SHUTDOWN));
  EXPECT_FALSE(ShutdownWindows(EWX_REBOOT));
  ExitWindowsHook = saved;
  EXPECT_EQ(flags, (std::vector<UINT>{EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT}));
  EXPECT_EQ(PrivilegeState("SeShutdownPrivilege"), TPrivilegeState::Disabled);
}

TEST(RemovePendingMessage, RemovesOneMessageOfThatWindowOnly) {
  const HWND a = MessageWindow(), b = MessageWindow();
  ASSERT_TRUE(a && b);
  TakePending(WM_CHAR, WM_CHAR);
  PostMessageA(b, WM_CHAR, 'z', 0);
  PostMessageA(a, WM_CHAR, 'x', 0);
  PostMessageA(a, WM_CHAR, 'y', 0);
  RemovePendingMessage(a, WM_CHAR);
  EXPECT_EQ(TakePending(WM_CHAR, WM_CHAR), (std::vector<std::pair<HWND, WPARAM>>{{b, 'z'}, {a, 'y'}}));
  RemovePendingMessage(a, WM_CHAR);  // nothing pending: nothing happens
  EXPECT_TRUE(TakePending(WM_CHAR, WM_CHAR).empty());
  DestroyWindow(a);
  DestroyWindow(b);
}

// PeekMessage returns a pending quit message whatever the filter, so looking for a character can
// take the quit message instead.
TEST(RemovePendingMessage, QuitMessageSurvives) {
  const HWND window = MessageWindow();
  ASSERT_TRUE(window);
  PostQuitMessage(7);
  RemovePendingMessage(window, WM_CHAR);
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(7));

  PostQuitMessage(8);
  PostMessageA(window, WM_CHAR, 'q', 0);
  RemovePendingMessage(window, WM_CHAR);
  EXPECT_TRUE(TakePending(WM_CHAR, WM_CHAR).empty());
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(8));

  PostQuitMessage(9);
  RemovePendingMessage(window, WM_QUIT);
  EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(9));
  EXPECT_EQ(TakeQuit(), std::nullopt);
  DestroyWindow(window);
}
