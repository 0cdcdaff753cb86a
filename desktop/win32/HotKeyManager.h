// System-wide hot keys: THotKeyManager registers them for a hidden window of its own and reports
// each press. Here also the hot-key texts with the key names of this system's keyboard layouts,
// and the test whether a combination is still free.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Persistent.h"
#include "desktop/HotKeyManager.h"

// HotKey is the packed value that was pressed, Index the identifier of its registration.
using TOnHotKeyPressed = std::function<void(uint32_t hotKey, WORD index)>;

class THotKeyManager : public TComponent {
 public:
  explicit THotKeyManager(TComponent* owner);
  // Unregisters every hot key it holds.
  ~THotKeyManager() override;
  const char* ClassName() const override { return "THotKeyManager"; }

  // Registers a hot key; answers the registration's identifier (a global atom), or 0 when the
  // system refuses the combination (another program holds it, or it is registered here already)
  // or no atom can be made. A refused hot key leaves nothing behind.
  WORD AddHotKey(uint32_t hotKey);
  // Unregisters a hot key added here; false when it was not added, or the system refused.
  bool RemoveHotKey(uint32_t hotKey);
  void ClearHotKeys();
  bool HotKeyRegistered(uint32_t hotKey) const;

  TOnHotKeyPressed OnHotKeyPressed;

  // The hidden window the hot keys are registered for.
  HWND Handle() const { return FHandle; }

 protected:
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The global atom that identifies a registration; 0 when the atom table refuses it.
  virtual ATOM AddGlobalAtom(const std::string& name);

 private:
  struct THotKeyEntry {
    uint32_t HotKey;
    ATOM Atom;
  };
  bool UnregisterEntry(const THotKeyEntry& entry);
  void HotKeyMessage(WPARAM id, LPARAM keys);

  HWND FHandle = nullptr;
  std::vector<THotKeyEntry> FHotKeys;
};

// Whether the combination can be registered now: it is registered for the application's window
// and at once unregistered again.
bool HotKeyAvailable(uint32_t hotKey);

// The key names of this system: the user's keyboard layout and US English, which stays loaded
// for the English names while the program runs. Made on first use; the main window asks for it
// during start-up.
THotKeyNames& HotKeyNames();

inline std::string HotKeyToText(uint32_t hotKey, bool localized) {
  return HotKeyNames().HotKeyToText(hotKey, localized);
}
inline uint32_t TextToHotKey(const std::string& text, bool localized) {
  return HotKeyNames().TextToHotKey(text, localized);
}
