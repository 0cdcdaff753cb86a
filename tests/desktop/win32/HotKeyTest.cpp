// System-wide hot keys with the real system. A combination another program holds is the main
// window's and the options dialog's test.
#include "desktop/win32/HotKeyManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/WineTestUtils.h"

namespace {

constexpr uint32_t CtrlAltF7 = hkCtrl | hkAlt | VK_F7;
constexpr uint32_t CtrlShiftF9 = hkCtrl | hkShift | VK_F9;
constexpr uint32_t WinS = hkWin | 'S';

// What WM_HOTKEY carries for a packed value.
LPARAM HotKeyMessageKeys(uint32_t hotKey) {
  uint32_t modifiers, key;
  SplitHotKey(hotKey, modifiers, key);
  return MAKELPARAM(modifiers, key);
}

bool AtomLeft(uint32_t hotKey) {
  return GlobalFindAtomA(("HotKeyManagerHotKey" + std::to_string(hotKey)).c_str()) != 0;
}

// A manager that records every press it reports.
class HotKeyManagerTest : public testing::Test {
 protected:
  HotKeyManagerTest() { Manager->OnHotKeyPressed = [this](uint32_t hotKey, WORD) { Presses.push_back(hotKey); }; }
  std::unique_ptr<THotKeyManager> Manager = std::make_unique<THotKeyManager>(nullptr);
  std::vector<uint32_t> Presses;
};

// The system refuses a second registration of one value, a freed manager leaves nothing
// registered, and no refused or removed registration leaves its atom behind.
TEST_F(HotKeyManagerTest, RegistrationsComeAndGoWithoutLeavingAnything) {
  ASSERT_NE(Manager->AddHotKey(CtrlShiftF9), 0);
  EXPECT_EQ(Manager->AddHotKey(CtrlShiftF9), 0);
  EXPECT_FALSE(HotKeyAvailable(CtrlShiftF9));
  EXPECT_TRUE(Manager->RemoveHotKey(CtrlShiftF9));
  EXPECT_FALSE(Manager->HotKeyRegistered(CtrlShiftF9));
  EXPECT_FALSE(Manager->RemoveHotKey(CtrlShiftF9));
  EXPECT_FALSE(AtomLeft(CtrlShiftF9));
  EXPECT_TRUE(HotKeyAvailable(CtrlShiftF9));

  ASSERT_NE(Manager->AddHotKey(CtrlAltF7), 0);
  ASSERT_NE(Manager->AddHotKey(CtrlShiftF9), 0);
  Manager.reset();
  for (uint32_t hotKey : {CtrlAltF7, CtrlShiftF9}) {
    EXPECT_TRUE(HotKeyAvailable(hotKey));
    EXPECT_FALSE(AtomLeft(hotKey));
  }
}

// Only our own registrations count: an unknown identifier, or keys other than those registered
// under the identifier, change nothing.
TEST_F(HotKeyManagerTest, AForgedHotKeyMessageChangesNothing) {
  const WORD id = Manager->AddHotKey(CtrlAltF7);
  ASSERT_NE(id, 0);
  const HWND wnd = Manager->Handle();
  SendMessageA(wnd, WM_HOTKEY, 0x1234, HotKeyMessageKeys(CtrlAltF7));
  SendMessageA(wnd, WM_HOTKEY, static_cast<WPARAM>(IDHOT_SNAPDESKTOP), HotKeyMessageKeys(CtrlAltF7));
  SendMessageA(wnd, WM_HOTKEY, id, HotKeyMessageKeys(CtrlShiftF9));
  PostMessageA(wnd, WM_HOTKEY, id + 1, HotKeyMessageKeys(CtrlAltF7));
  Pump(100);
  EXPECT_TRUE(Presses.empty());
  SendMessageA(wnd, WM_HOTKEY, id, HotKeyMessageKeys(CtrlAltF7));
  EXPECT_EQ(Presses, std::vector<uint32_t>{CtrlAltF7});
}

// Pressed through the input queue, a hot key with the Windows key reports its value and the id
// its registration was given.
TEST_F(HotKeyManagerTest, AHotKeyWithTheWindowsKeyFiresWhenItsKeysArePressed) {
  WORD pressedId = 0;
  Manager->OnHotKeyPressed = [&](uint32_t hotKey, WORD id) {
    Presses.push_back(hotKey);
    pressedId = id;
  };
  const WORD id = Manager->AddHotKey(WinS);
  ASSERT_NE(id, 0);
  PressKeys({VK_LWIN, 'S'});
  ASSERT_TRUE(PumpUntil([&] { return !Presses.empty(); }));
  EXPECT_EQ(Presses, std::vector<uint32_t>{WinS});
  EXPECT_EQ(pressedId, id);
}

TEST(HotKeyManagerAtomTest, WithoutAnAtomNoHotKeyIsRegistered) {
  struct TNoAtoms : THotKeyManager {
    using THotKeyManager::THotKeyManager;
    ATOM AddGlobalAtom(const std::string&) override { return 0; }
  };
  TNoAtoms manager(nullptr);
  EXPECT_EQ(manager.AddHotKey(CtrlAltF7), 0);
  EXPECT_FALSE(manager.HotKeyRegistered(CtrlAltF7));
  EXPECT_TRUE(HotKeyAvailable(CtrlAltF7));
}

// The texts follow the system's key names (Wine names keys after X, "Control": the keys here
// are those whose names agree), and the thread's own layout is back afterwards.
TEST(HotKeyNamesSystemTest, TextsReadBackWithTheSystemsNames) {
  const HKL layout = GetKeyboardLayout(0);
  EXPECT_EQ(HotKeyToText(CtrlAltF7, false), "Ctrl+Alt+F7");
  for (uint32_t hotKey : {CtrlAltF7, WinS, hkShift | uint32_t(VK_HOME), hkAlt | uint32_t(VK_DELETE)})
    for (bool localized : {false, true})
      EXPECT_EQ(TextToHotKey(HotKeyToText(hotKey, localized), localized), hotKey) << HotKeyToText(hotKey, localized);
  EXPECT_EQ(GetKeyboardLayout(0), layout);
}

}  // namespace
