// Keyboard layouts for tests: the key names Windows gives under US English, and under German
// (whose names of Ctrl, Shift and Alt are "STRG", "UMSCHALT" and "ALT"). Shared by the tests
// and the hot-key fuzz target.
#pragma once

// The tables keep a keyboard row to a line.
// clang-format off

#include <map>
#include <string>

#include "desktop/HotKeyManager.h"

class TFixtureKeyNames : public TKeyNameSource {
 public:
  // Names by virtual key, as the layout gives them when asked the right way (the navigation
  // keys with the extended flag). A key missing here has no scan code.
  std::map<int, std::string> English;
  std::map<int, std::string> Local;
  // What the navigation keys are called without the extended flag: their keypad twins.
  std::map<int, std::string> EnglishKeypad;
  std::map<int, std::string> LocalKeypad;

  std::string KeyName(uint8_t key, bool extended, bool localized) const override {
    const auto& keypad = localized ? LocalKeypad : EnglishKeypad;
    if (!extended) {
      const auto twin = keypad.find(key);
      if (twin != keypad.end()) return twin->second;
    }
    const auto& names = localized ? Local : English;
    const auto found = names.find(key);
    return found == names.end() ? std::string() : found->second;
  }
};

namespace keynames_detail {

inline void AddLettersDigitsAndFunctionKeys(std::map<int, std::string>& names) {
  for (char c = '0'; c <= '9'; ++c) names[c] = std::string(1, c);
  for (char c = 'A'; c <= 'Z'; ++c) names[c] = std::string(1, c);
  for (int f = 1; f <= 24; ++f) names[111 + f] = "F" + std::to_string(f);
}

inline std::map<int, std::string> WindowsEnglishNames() {
  std::map<int, std::string> names = {
      {8, "Backspace"},   {9, "Tab"},         {12, "Num 5"},         {13, "Enter"},
      {16, "Shift"},      {17, "Ctrl"},       {18, "Alt"},           {19, "Pause"},
      {20, "Caps Lock"},  {27, "Esc"},        {32, "Space"},         {33, "Page Up"},
      {34, "Page Down"},  {35, "End"},        {36, "Home"},          {37, "Left"},
      {38, "Up"},         {39, "Right"},      {40, "Down"},          {44, "Sys Req"},
      {45, "Insert"},     {46, "Delete"},     {106, "Num *"},        {107, "Num +"},
      {109, "Num -"},     {110, "Num Del"},   {111, "/"},            {144, "Pause"},
      {145, "Scroll Lock"}, {160, "Shift"},   {161, "Right Shift"},  {162, "Ctrl"},
      {163, "Ctrl"},      {164, "Alt"},       {165, "Alt"},          {186, ";"},
      {187, "="},         {188, ","},         {189, "-"},            {190, "."},
      {191, "/"},         {192, "`"},         {219, "["},            {220, "\\"},
      {221, "]"},         {222, "'"},         {226, "\\"},
      // The media keys' scan codes lose their extended prefix: letters of the main block.
      {173, "D"},         {174, "C"},         {175, "B"},            {176, "P"},
      {177, "Q"},         {178, "J"},         {179, "G"},
  };
  for (int n = 0; n <= 9; ++n) names[96 + n] = "Num " + std::to_string(n);
  AddLettersDigitsAndFunctionKeys(names);
  return names;
}

inline std::map<int, std::string> WindowsEnglishKeypad() {
  return {{33, "Num 9"}, {34, "Num 3"}, {35, "Num 1"}, {36, "Num 7"}, {37, "Num 4"},
          {38, "Num 8"}, {39, "Num 6"}, {40, "Num 2"}, {45, "Num 0"}, {46, "Num Del"}};
}

inline std::map<int, std::string> GermanNames() {
  std::map<int, std::string> names = {
      {8, "RÜCK"},        {9, "TAB"},         {12, "5 (ZEHNERTASTATUR)"}, {13, "EINGABE"},
      {16, "UMSCHALT"},   {17, "STRG"},       {18, "ALT"},           {19, "PAUSE"},
      {20, "FESTSTELL"},  {27, "ESC"},        {32, "LEER"},          {33, "BILD-AUF"},
      {34, "BILD-AB"},    {35, "ENDE"},       {36, "POS1"},          {37, "NACH-LINKS"},
      {38, "NACH-OBEN"},  {39, "NACH-RECHTS"}, {40, "NACH-UNTEN"},   {44, "S-ABF"},
      {45, "EINFG"},      {46, "ENTF"},       {106, "* (ZEHNERTASTATUR)"}, {107, "+ (ZEHNERTASTATUR)"},
      {109, "- (ZEHNERTASTATUR)"}, {110, "KOMMA (ZEHNERTASTATUR)"}, {111, "-"}, {144, "PAUSE"},
      {145, "ROLLEN-FESTSTELL"}, {160, "UMSCHALT"}, {161, "UMSCHALT RECHTS"}, {162, "STRG"},
      {163, "STRG"},      {164, "ALT"},       {165, "ALT"},          {186, "Ü"},
      {187, "+"},         {188, ","},         {189, "-"},            {190, "."},
      {191, "#"},         {192, "Ö"},         {219, "ß"},            {220, "^"},
      {221, "´"},         {222, "Ä"},         {226, "<"},
  };
  for (int n = 0; n <= 9; ++n) names[96 + n] = std::to_string(n) + " (ZEHNERTASTATUR)";
  AddLettersDigitsAndFunctionKeys(names);
  return names;
}

inline std::map<int, std::string> GermanKeypad() {
  std::map<int, std::string> keypad;
  for (const auto& [key, name] : WindowsEnglishKeypad())
    keypad[key] = name == "Num Del" ? "KOMMA (ZEHNERTASTATUR)" : name.substr(4) + " (ZEHNERTASTATUR)";
  return keypad;
}

}  // namespace keynames_detail

// A user of the US English layout (both sides give the same names), or of the German layout with
// US English loaded beside it.
inline TFixtureKeyNames LayoutKeyNames(bool german) {
  using namespace keynames_detail;
  TFixtureKeyNames layout;
  layout.English = WindowsEnglishNames();
  layout.EnglishKeypad = WindowsEnglishKeypad();
  layout.Local = german ? GermanNames() : layout.English;
  layout.LocalKeypad = german ? GermanKeypad() : layout.EnglishKeypad;
  return layout;
}
inline TFixtureKeyNames WindowsEnglishKeyNames() { return LayoutKeyNames(false); }
inline TFixtureKeyNames GermanKeyNames() { return LayoutKeyNames(true); }
// clang-format on
