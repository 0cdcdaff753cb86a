#include "desktop/HotKeyManager.h"

#include <array>
#include <vector>

#include "core/qmStringUtils.h"

namespace {

constexpr uint8_t VK_PAUSE_KEY = 19;
constexpr uint32_t FirstNamedKey = 8;  // keys below are mouse buttons and Cancel
constexpr uint32_t FirstExtendedKey = 166;
constexpr uint32_t LastExtendedKey = 183;

constexpr std::array<const char*, LastExtendedKey - FirstExtendedKey + 1> ExtendedKeyNames = {
    "Browser Back",      "Browser Forward",     "Browser Refresh",     "Browser Stop",     "Browser Search",
    "Browser Favorites", "Browser Start/Home",  "Volume Mute",         "Volume Down",      "Volume Up",
    "Next Track",        "Previous Track",      "Stop Media",          "Play/Pause Media", "Start Mail",
    "Select Media",      "Start Application 1", "Start Application 2",
};

// Page Up to Down, Insert and Delete: the layout names the navigation key, not its keypad twin.
bool IsNavigationKey(uint32_t key) { return (key >= 33 && key <= 40) || key == 45 || key == 46; }

// The pieces of Text between "+" signs, leading spaces skipped, empty pieces dropped.
std::vector<std::string> SplitHotKeyText(std::string_view text) {
  std::vector<std::string> tokens;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('+', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view token = text.substr(start, end - start);
    const size_t first = token.find_first_not_of(' ');
    if (first != std::string_view::npos) tokens.emplace_back(token.substr(first));
    start = end + 1;
  }
  return tokens;
}

bool IsCapitalsOnly(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < 'A' || c > 'Z') return false;
  return true;
}

// A name the layout gives a modifier key, fit to stand in a hot key's text: not empty, without
// the "+" separator and without blanks at its ends (the parser trims tokens).
bool IsUsableModifierName(const std::string& name) {
  return !name.empty() && name.find('+') == std::string::npos && Trim(name) == name;
}

}  // namespace

uint32_t MakeHotKey(uint32_t modifiers, uint32_t key) {
  uint32_t bits = 0;
  if (modifiers & modAlt) bits += 0x80;
  if (modifiers & modControl) bits += 0x40;
  if (modifiers & modShift) bits += 0x20;
  if (modifiers & modWin) bits += 0x100;
  return (bits << 8) + (key & 0xFFFF);
}

void SplitHotKey(uint32_t hotKey, uint32_t& modifiers, uint32_t& key) {
  key = hotKey & hkKeyMask;
  modifiers = 0;
  if (hotKey & hkWin) modifiers |= modWin;
  if (hotKey & hkAlt) modifiers |= modAlt;
  if (hotKey & hkCtrl) modifiers |= modControl;
  if (hotKey & hkShift) modifiers |= modShift;
}

bool IsExtendedKey(uint32_t key) { return key >= FirstExtendedKey && key <= LastExtendedKey; }

std::string ExtendedKeyName(uint32_t key) { return IsExtendedKey(key) ? ExtendedKeyNames[key - FirstExtendedKey] : ""; }

THotKeyNames::THotKeyNames(const TKeyNameSource& layout) : FLayout(layout) {
  // A layout without a usable name for a modifier keeps the English one.
  const auto take = [this](std::string& target, uint8_t key) {
    std::string name = KeyText(key, true);
    if (IsUsableModifierName(name)) target = std::move(name);
  };
  take(FShift, 16);
  take(FCtrl, 17);
  take(FAlt, 18);
  if (IsCapitalsOnly(FAlt)) FWin = "WIN";
}

std::string THotKeyNames::KeyText(uint8_t key, bool localized) const {
  if (key == VK_PAUSE_KEY) return "pause";
  std::string name = FLayout.KeyName(key, IsNavigationKey(key), localized);
  if (name.size() < 2 && IsExtendedKey(key)) name = ExtendedKeyName(key);
  return name;
}

std::string THotKeyNames::HotKeyToText(uint32_t hotKey, bool localized) const {
  std::string text;
  const auto add = [&](uint32_t bit, const std::string& local, const char* english) {
    if (hotKey & bit) text += (localized ? local : english) + std::string("+");
  };
  add(hkCtrl, FCtrl, "Ctrl");
  add(hkShift, FShift, "Shift");
  add(hkAlt, FAlt, "Alt");
  add(hkWin, FWin, "Win");
  return text + KeyText(static_cast<uint8_t>(hotKey & hkKeyMask), localized);
}

uint32_t THotKeyNames::ModifierOf(std::string_view name) const {
  if (AnsiSameText(name, "Shift") || AnsiSameText(name, FShift)) return modShift;
  if (AnsiSameText(name, "Ctrl") || AnsiSameText(name, FCtrl)) return modControl;
  if (AnsiSameText(name, "Alt") || AnsiSameText(name, FAlt)) return modAlt;
  if (AnsiSameText(name, "Win") || AnsiSameText(name, FWin)) return modWin;
  return 0;
}

// Case is ignored here as in the modifiers: "Ctrl+shift" is no hot key, not Ctrl plus the
// Shift key.
bool THotKeyNames::IsModifierName(std::string_view name) const { return ModifierOf(name) != 0; }

uint32_t THotKeyNames::KeyByName(std::string_view name, bool localized) const {
  for (uint32_t key = FirstNamedKey; key <= 255; ++key)
    if (AnsiSameText(KeyText(static_cast<uint8_t>(key), localized), name)) return key;
  return 0;
}

uint32_t THotKeyNames::KeyOf(std::string token, bool localized) const {
  if (token.empty()) return 0;  // blanks only: no key, and surely not the first nameless one
  if (token.size() == 1) {
    char c = token[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<uint8_t>(c);
    return KeyByName(token, localized);
  }
  // The keypad's plus key is "Num +": its name was cut at the separator.
  if (SameText(token, "Num")) token += " +";
  if (IsModifierName(token)) return 0;
  return KeyByName(token, localized);
}

uint32_t THotKeyNames::TextToHotKey(std::string_view text, bool localized) const {
  const std::vector<std::string> tokens = SplitHotKeyText(text);
  if (tokens.empty()) return 0;

  uint32_t modifiers = 0;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const uint32_t modifier = ModifierOf(Trim(tokens[i]));
    if (modifier == 0) return 0;  // "Ctrl+Foo+A"
    modifiers |= modifier;
  }

  const uint32_t key = KeyOf(Trim(tokens.back()), localized);
  return key == 0 ? 0 : MakeHotKey(modifiers, key);
}
