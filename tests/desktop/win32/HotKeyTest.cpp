#include "desktop/win32/HotKeyManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "os/os.h"
#include "tests/support/WineTestUtils.h"

namespace {

// --- a helper process that holds a hot key -------------------------------------
// "win32_tests.exe --hotkey-helper MODIFIERS KEY NAME" registers the combination for a window
// of its own, signals the event NAME.ready and keeps it until NAME.quit is signalled. Exit code
// 0, or 3 when the combination was taken already. It ends before GoogleTest starts.

constexpr const char* HelperSwitch = "--hotkey-helper";
constexpr DWORD SafetyWaitMs = 60000;  // only against a hung helper; never reached normally

int RunHelper(UINT modifiers, UINT key, const std::string& name) {
  const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + ".ready").c_str());
  const HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, (name + ".quit").c_str());
  if (!ready || !quit) return 4;
  const HWND wnd = CreateWindowExA(0, "STATIC", "hot-key holder", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  if (!wnd || !RegisterHotKey(wnd, 1, modifiers, key)) return 3;
  SetEvent(ready);
  WaitForSingleObject(quit, SafetyWaitMs);
  UnregisterHotKey(wnd, 1);
  DestroyWindow(wnd);
  return 0;
}

[[maybe_unused]] const bool HelperDone = [] {
  if (__argc == 5 && std::string(__argv[1]) == HelperSwitch)
    ExitProcess(RunHelper(std::stoul(__argv[2]), std::stoul(__argv[3]), __argv[4]));
  return false;
}();

// Another process holding a hot key while it lives.
class THotKeyHolder {
 public:
  explicit THotKeyHolder(uint32_t hotKey) {
    const std::string name = "LorvexTest.HotKeyHolder." + std::to_string(GetCurrentProcessId());
    FReady = CreateEventA(nullptr, TRUE, FALSE, (name + ".ready").c_str());
    FQuit = CreateEventA(nullptr, TRUE, FALSE, (name + ".quit").c_str());
    uint32_t modifiers, key;
    SplitHotKey(hotKey, modifiers, key);
    std::string commandLine = "\"" + os::ExeFileName() + "\" " + HelperSwitch + " " + std::to_string(modifiers) +
                              " " + std::to_string(key) + " " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      CloseHandle(info.hThread);
      FProcess = info.hProcess;
    }
  }
  ~THotKeyHolder() {
    Release();
    CloseHandle(FReady);
    CloseHandle(FQuit);
  }
  THotKeyHolder(const THotKeyHolder&) = delete;
  THotKeyHolder& operator=(const THotKeyHolder&) = delete;

  // True once the helper holds the hot key; false when it could not (its exit ends the wait).
  bool Holding() const {
    if (!FProcess) return false;
    const HANDLE handles[] = {FReady, FProcess};
    return WaitForMultipleObjects(2, handles, FALSE, SafetyWaitMs) == WAIT_OBJECT_0;
  }

  // Lets the helper go; its exit code.
  int Release() {
    if (!FProcess) return -1;
    SetEvent(FQuit);
    DWORD code = 0;
    const bool ended =
        WaitForSingleObject(FProcess, SafetyWaitMs) == WAIT_OBJECT_0 && GetExitCodeProcess(FProcess, &code);
    CloseHandle(FProcess);
    FProcess = nullptr;
    return ended ? static_cast<int>(code) : -1;
  }

 private:
  HANDLE FReady = nullptr, FQuit = nullptr, FProcess = nullptr;
};

// --- keys --------------------------------------------------------------------

// Holds the modifier keys down around one press of Key.
void PressCombination(const std::vector<WORD>& modifiers, WORD key) {
  std::vector<INPUT> inputs;
  const auto add = [&](WORD vk, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  for (WORD modifier : modifiers) add(modifier, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) add(*m, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// What WM_HOTKEY carries for a packed value.
LPARAM HotKeyMessageKeys(uint32_t hotKey) {
  uint32_t modifiers, key;
  SplitHotKey(hotKey, modifiers, key);
  return MAKELPARAM(modifiers, key);
}

std::string AtomName(uint32_t hotKey) {
  return "HotKeyManagerHotKey" + std::to_string(hotKey);
}

bool AtomExists(const std::string& name) {
  return GlobalFindAtomA(name.c_str()) != 0;
}

struct TPress {
  uint32_t HotKey;
  WORD Index;
};

// A manager that records every press it reports.
class HotKeyManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FManager = std::make_unique<THotKeyManager>(nullptr);
    FManager->OnHotKeyPressed = [this](uint32_t hotKey, WORD index) { FPresses.push_back({hotKey, index}); };
  }

  // Lets the messages already sent arrive.
  void Settle() { Pump(100); }

  std::unique_ptr<THotKeyManager> FManager;
  std::vector<TPress> FPresses;
};

constexpr uint32_t CtrlAltF7 = hkCtrl | hkAlt | 0x76;
constexpr uint32_t CtrlAltF8 = hkCtrl | hkAlt | 0x77;
constexpr uint32_t CtrlShiftF9 = hkCtrl | hkShift | 0x78;
constexpr uint32_t WinS = hkWin | 'S';

TEST_F(HotKeyManagerTest, ARegisteredHotKeyFiresWhenItsKeysArePressed) {
  const uint32_t hotKey = TextToHotKey("ctrl+alt+f7", true);
  ASSERT_EQ(hotKey, CtrlAltF7);
  const WORD id = FManager->AddHotKey(hotKey);
  ASSERT_NE(id, 0);
  EXPECT_TRUE(FManager->HotKeyRegistered(hotKey));
  char name[64] = "";
  GlobalGetAtomNameA(id, name, sizeof name);
  EXPECT_EQ(std::string(name), AtomName(hotKey));

  PressCombination({VK_CONTROL, VK_MENU}, VK_F7);
  ASSERT_TRUE(PumpUntil([&] { return !FPresses.empty(); }));
  EXPECT_EQ(FPresses[0].HotKey, hotKey);
  EXPECT_EQ(FPresses[0].Index, id);
}

TEST_F(HotKeyManagerTest, WinSFiresToo) {
  ASSERT_EQ(TextToHotKey("Win+S", true), WinS);
  ASSERT_NE(FManager->AddHotKey(WinS), 0);
  PressCombination({VK_LWIN}, 'S');
  ASSERT_TRUE(PumpUntil([&] { return !FPresses.empty(); }));
  EXPECT_EQ(FPresses[0].HotKey, WinS);
}

// Two registrations of one value: the system refuses the second, and nothing is left of it.
TEST_F(HotKeyManagerTest, AddingTwiceFailsAndRemovingFreesTheCombination) {
  ASSERT_NE(FManager->AddHotKey(CtrlShiftF9), 0);
  EXPECT_EQ(FManager->AddHotKey(CtrlShiftF9), 0);
  EXPECT_FALSE(HotKeyAvailable(CtrlShiftF9));

  EXPECT_TRUE(FManager->RemoveHotKey(CtrlShiftF9));
  EXPECT_FALSE(FManager->HotKeyRegistered(CtrlShiftF9));
  EXPECT_FALSE(FManager->RemoveHotKey(CtrlShiftF9));
  EXPECT_FALSE(AtomExists(AtomName(CtrlShiftF9)));
  EXPECT_TRUE(HotKeyAvailable(CtrlShiftF9));
}

TEST_F(HotKeyManagerTest, ACombinationHeldByAnotherProcessIsNotAvailable) {
  ASSERT_TRUE(HotKeyAvailable(CtrlAltF8));
  THotKeyHolder holder(CtrlAltF8);
  ASSERT_TRUE(holder.Holding());

  EXPECT_FALSE(HotKeyAvailable(CtrlAltF8));
  // Registering anyway tells the caller so, and leaves neither registration nor atom behind.
  EXPECT_EQ(FManager->AddHotKey(CtrlAltF8), 0);
  EXPECT_FALSE(FManager->HotKeyRegistered(CtrlAltF8));
  EXPECT_FALSE(AtomExists(AtomName(CtrlAltF8)));

  EXPECT_EQ(holder.Release(), 0);
  EXPECT_TRUE(HotKeyAvailable(CtrlAltF8));
}

TEST_F(HotKeyManagerTest, FreeingTheManagerUnregistersEverything) {
  ASSERT_NE(FManager->AddHotKey(CtrlAltF7), 0);
  ASSERT_NE(FManager->AddHotKey(CtrlShiftF9), 0);
  EXPECT_FALSE(HotKeyAvailable(CtrlAltF7));
  EXPECT_FALSE(HotKeyAvailable(CtrlShiftF9));

  FManager.reset();
  EXPECT_TRUE(HotKeyAvailable(CtrlAltF7));
  EXPECT_TRUE(HotKeyAvailable(CtrlShiftF9));
  EXPECT_FALSE(AtomExists(AtomName(CtrlAltF7)));
  EXPECT_FALSE(AtomExists(AtomName(CtrlShiftF9)));
}

// Only our own registrations count: an unknown identifier, or keys other than those registered
// under the identifier, change nothing.
TEST_F(HotKeyManagerTest, AForgedHotKeyMessageChangesNothing) {
  const WORD id = FManager->AddHotKey(CtrlAltF7);
  ASSERT_NE(id, 0);
  const HWND wnd = FManager->Handle();

  SendMessageA(wnd, WM_HOTKEY, 0x1234, HotKeyMessageKeys(CtrlAltF7));
  SendMessageA(wnd, WM_HOTKEY, static_cast<WPARAM>(IDHOT_SNAPDESKTOP), HotKeyMessageKeys(CtrlAltF7));
  SendMessageA(wnd, WM_HOTKEY, id, HotKeyMessageKeys(CtrlShiftF9));
  PostMessageA(wnd, WM_HOTKEY, id + 1, HotKeyMessageKeys(CtrlAltF7));
  Settle();
  EXPECT_TRUE(FPresses.empty());
  EXPECT_TRUE(FManager->HotKeyRegistered(CtrlAltF7));

  // The same message with our identifier and keys is a press.
  SendMessageA(wnd, WM_HOTKEY, id, HotKeyMessageKeys(CtrlAltF7));
  ASSERT_EQ(FPresses.size(), 1u);
  EXPECT_EQ(FPresses[0].HotKey, CtrlAltF7);
}

// When no global atom can be made, nothing is registered.
TEST(HotKeyManagerAtomTest, WithoutAnAtomNoHotKeyIsRegistered) {
  class TNoAtoms : public THotKeyManager {
   public:
    using THotKeyManager::THotKeyManager;

   protected:
    ATOM AddGlobalAtom(const std::string&) override { return 0; }
  };
  TNoAtoms manager(nullptr);
  EXPECT_EQ(manager.AddHotKey(CtrlAltF7), 0);
  EXPECT_FALSE(manager.HotKeyRegistered(CtrlAltF7));
  EXPECT_TRUE(HotKeyAvailable(CtrlAltF7));
}

// Wine names keys after X ("Control"); texts are tested with keys whose names agree.
TEST(HotKeyNamesSystemTest, TextsReadBackWithTheSystemsNames) {
  const HKL layout = GetKeyboardLayout(0);
  EXPECT_EQ(HotKeyToText(CtrlAltF7, false), "Ctrl+Alt+F7");
  EXPECT_EQ(TextToHotKey("Ctrl+Alt+F7", false), CtrlAltF7);
  for (uint32_t hotKey : {CtrlAltF7, WinS, hkShift | uint32_t(VK_HOME), hkAlt | uint32_t(VK_DELETE)})
    for (bool localized : {false, true})
      EXPECT_EQ(TextToHotKey(HotKeyToText(hotKey, localized), localized), hotKey)
          << HotKeyToText(hotKey, localized);
  EXPECT_EQ(HotKeyToText(VK_PAUSE, true), "pause");
  // English names are read in the US layout; the thread's own layout is back afterwards.
  EXPECT_EQ(GetKeyboardLayout(0), layout);
}

}  // namespace
