// Global hot keys as values and as text. A hot key is packed into one number: the virtual key
// in the low byte and a bit for each modifier (Ctrl+S is 0x4053, Win+S is 0x10053). Its text
// ("Ctrl+Shift+F5") uses the key names of a keyboard layout: either US English or the user's
// own ("Strg+Umschalt+F5"); both are read back. The layout's names come through
// TKeyNameSource, so that this half needs no window system; the Win32 side asks the system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The modifier bits of a packed hot key.
inline constexpr uint32_t hkShift = 0x2000;
inline constexpr uint32_t hkCtrl = 0x4000;
inline constexpr uint32_t hkAlt = 0x8000;
inline constexpr uint32_t hkWin = 0x10000;
inline constexpr uint32_t hkModifierMask = hkShift | hkCtrl | hkAlt | hkWin;
inline constexpr uint32_t hkKeyMask = 0xFF;

// The modifier flags of the system's hot-key calls (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN).
inline constexpr uint32_t modAlt = 1;
inline constexpr uint32_t modControl = 2;
inline constexpr uint32_t modShift = 4;
inline constexpr uint32_t modWin = 8;

// Packs modifier flags (mod*) and a virtual key into a hot-key value.
uint32_t MakeHotKey(uint32_t modifiers, uint32_t key);
// Unpacks a hot-key value into modifier flags (mod*) and the virtual key.
void SplitHotKey(uint32_t hotKey, uint32_t& modifiers, uint32_t& key);

// The browser, media and application keys (virtual keys 166 to 183), whose names the keyboard
// layouts do not know.
bool IsExtendedKey(uint32_t key);
// The English name of such a key; empty for any other key.
std::string ExtendedKeyName(uint32_t key);

// The key names of the keyboard layouts.
class TKeyNameSource {
 public:
  virtual ~TKeyNameSource() = default;
  // The name of virtual key Key in the user's layout (Localized) or in US English; empty when
  // the layout has no scan code for the key. Extended asks for the key of the navigation block
  // (Home, Delete, the arrows) rather than its twin on the keypad.
  virtual std::string KeyName(uint8_t key, bool extended, bool localized) const = 0;
};

// The conversions between hot-key values and text over one source of key names. Made once per
// process: it reads the layout's names of the modifier keys when created.
class THotKeyNames {
 public:
  explicit THotKeyNames(const TKeyNameSource& layout);

  // "Ctrl+Shift+Alt+Win+" as far as the value holds them (English or the layout's names), then
  // the key's name.
  std::string HotKeyToText(uint32_t hotKey, bool localized) const;
  // The value of a text such as "Ctrl+Alt+S", "win + s" or "F12"; 0 when it is no hot key.
  // English and the layout's modifier names are both accepted; key names are those of the
  // Localized choice. Case never matters.
  uint32_t TextToHotKey(std::string_view text, bool localized) const;

  // The layout's names of the modifiers (the English ones where the layout has none).
  const std::string& LocalShift() const { return FShift; }
  const std::string& LocalCtrl() const { return FCtrl; }
  const std::string& LocalAlt() const { return FAlt; }
  const std::string& LocalWin() const { return FWin; }

 private:
  std::string KeyText(uint8_t key, bool localized) const;
  uint32_t ModifierOf(std::string_view name) const;
  bool IsModifierName(std::string_view name) const;
  uint32_t KeyOf(std::string token, bool localized) const;
  uint32_t KeyByName(std::string_view name, bool localized) const;

  const TKeyNameSource& FLayout;
  std::string FShift = "Shift";
  std::string FCtrl = "Ctrl";
  std::string FAlt = "Alt";
  std::string FWin = "Win";
};
