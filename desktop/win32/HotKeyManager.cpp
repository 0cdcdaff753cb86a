#include "desktop/win32/HotKeyManager.h"

#include <algorithm>

#include "ui/Forms.h"

static_assert(modAlt == MOD_ALT && modControl == MOD_CONTROL && modShift == MOD_SHIFT && modWin == MOD_WIN);

namespace {

constexpr const char* HotKeyAtomPrefix = "HotKeyManagerHotKey";
constexpr const char* TestAtomName = "HotKeyManagerHotKeyTest";
constexpr const char* UsEnglishLayout = "00000409";
constexpr UINT KlfNoTellShell = 0x80;
constexpr int MaxLayouts = 100;

// The key names of the layouts this system has loaded. US English is loaded for the English
// names, and unloaded again at exit when the user had not loaded it.
class TSystemKeyNames : public TKeyNameSource {
 public:
  TSystemKeyNames() {
    HKL layouts[MaxLayouts];
    const int count = std::max(GetKeyboardLayoutList(MaxLayouts, layouts), 0);
    FUsLayout = LoadKeyboardLayoutA(UsEnglishLayout, KlfNoTellShell);
    FUnloadAtExit = FUsLayout && std::find(layouts, layouts + count, FUsLayout) == layouts + count;
  }

  ~TSystemKeyNames() override {
    if (FUnloadAtExit) UnloadKeyboardLayout(FUsLayout);
  }

  std::string KeyName(uint8_t key, bool extended, bool localized) const override {
    // Without the US layout the user's own names are the best English there is.
    const bool english = !localized && FUsLayout;
    const UINT scanCode =
        english ? MapVirtualKeyExA(key, MAPVK_VK_TO_VSC, FUsLayout) : MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    if (scanCode == 0) return "";
    const LONG request = static_cast<LONG>((scanCode << 16) | (extended ? 1u << 24 : 0));
    return english ? NameInUsLayout(request) : NameOf(request);
  }

 private:
  static std::string NameOf(LONG request) {
    char buffer[256];
    const int length = GetKeyNameTextA(request, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(std::max(length, 0)));
  }

  // The thread's layout names the keys; it is switched to US English for the call and back.
  std::string NameInUsLayout(LONG request) const {
    const HKL current = GetKeyboardLayout(0);
    if (current == FUsLayout) return NameOf(request);
    ActivateKeyboardLayout(FUsLayout, 0);
    std::string name = NameOf(request);
    ActivateKeyboardLayout(current, 0);
    return name;
  }

  HKL FUsLayout = nullptr;
  bool FUnloadAtExit = false;
};

// The packed value of the keys a WM_HOTKEY reports (modifier flags in the low word, the
// virtual key in the high word).
uint32_t PressedHotKey(LPARAM keys) {
  const UINT modifiers = LOWORD(keys);
  uint32_t hotKey = HIWORD(keys);
  if (modifiers & MOD_SHIFT) hotKey += hkShift;
  if (modifiers & MOD_CONTROL) hotKey += hkCtrl;
  if (modifiers & MOD_ALT) hotKey += hkAlt;
  if (modifiers & MOD_WIN) hotKey += hkWin;
  return hotKey;
}

}  // namespace

THotKeyNames& HotKeyNames() {
  static TSystemKeyNames layouts;
  static THotKeyNames names(layouts);
  return names;
}

bool HotKeyAvailable(uint32_t hotKey) {
  uint32_t modifiers, key;
  SplitHotKey(hotKey, modifiers, key);
  const ATOM atom = GlobalAddAtomA(TestAtomName);
  if (atom == 0) return false;
  const HWND wnd = Application().Handle();
  const bool registered = RegisterHotKey(wnd, atom, modifiers, key);
  if (registered) UnregisterHotKey(wnd, atom);
  GlobalDeleteAtom(atom);
  return registered;
}

THotKeyManager::THotKeyManager(TComponent* owner) : TComponent(owner) {
  FHandle = Application().AllocateHWnd(
      [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) { return WndProc(msg, wParam, lParam); });
}

THotKeyManager::~THotKeyManager() {
  ClearHotKeys();
  Application().DeallocateHWnd(FHandle);
}

ATOM THotKeyManager::AddGlobalAtom(const std::string& name) { return GlobalAddAtomA(name.c_str()); }

WORD THotKeyManager::AddHotKey(uint32_t hotKey) {
  if (HotKeyRegistered(hotKey)) return 0;
  uint32_t modifiers, key;
  SplitHotKey(hotKey, modifiers, key);
  const ATOM atom = AddGlobalAtom(HotKeyAtomPrefix + std::to_string(hotKey));
  if (atom == 0) return 0;
  if (!RegisterHotKey(FHandle, atom, modifiers, key)) {
    GlobalDeleteAtom(atom);
    return 0;
  }
  FHotKeys.push_back({hotKey, atom});
  return atom;
}

bool THotKeyManager::RemoveHotKey(uint32_t hotKey) {
  const auto found = std::find_if(FHotKeys.begin(), FHotKeys.end(),
                                  [hotKey](const THotKeyEntry& entry) { return entry.HotKey == hotKey; });
  if (found == FHotKeys.end()) return false;
  const THotKeyEntry entry = *found;
  FHotKeys.erase(found);
  return UnregisterEntry(entry);
}

void THotKeyManager::ClearHotKeys() {
  while (!FHotKeys.empty()) {
    const THotKeyEntry entry = FHotKeys.back();
    FHotKeys.pop_back();
    UnregisterEntry(entry);
  }
}

bool THotKeyManager::HotKeyRegistered(uint32_t hotKey) const {
  return std::any_of(FHotKeys.begin(), FHotKeys.end(),
                     [hotKey](const THotKeyEntry& entry) { return entry.HotKey == hotKey; });
}

bool THotKeyManager::UnregisterEntry(const THotKeyEntry& entry) {
  const bool unregistered = UnregisterHotKey(FHandle, entry.Atom);
  GlobalDeleteAtom(entry.Atom);
  return unregistered;
}

// Only a press of a registration of ours counts: the identifier must be one of our atoms and
// the keys those registered under it, so a stray or forged message is ignored.
void THotKeyManager::HotKeyMessage(WPARAM id, LPARAM keys) {
  const uint32_t hotKey = PressedHotKey(keys);
  const bool ours = std::any_of(FHotKeys.begin(), FHotKeys.end(),
                                [&](const THotKeyEntry& entry) { return entry.Atom == id && entry.HotKey == hotKey; });
  if (!ours) return;
  const TOnHotKeyPressed handler = OnHotKeyPressed;  // the handler may change or free us
  handler(hotKey, static_cast<WORD>(id));
}

LRESULT THotKeyManager::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND wnd = FHandle;
  if (msg == WM_HOTKEY && OnHotKeyPressed) HotKeyMessage(wParam, lParam);
  return DefWindowProcA(wnd, msg, wParam, lParam);
}
