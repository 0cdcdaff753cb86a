#include "desktop/HotKeyManager.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>
#include <string>

#include "tests/desktop/KeyNameFixtures.h"

namespace {

constexpr uint32_t WinS = 0x10053;
constexpr uint32_t F5 = 116;

// Every combination of the four modifier bits.
std::vector<uint32_t> AllModifierSets() {
  std::vector<uint32_t> sets;
  for (uint32_t n = 0; n < 16; ++n)
    sets.push_back(((n & 1) ? hkShift : 0u) | ((n & 2) ? hkCtrl : 0u) | ((n & 4) ? hkAlt : 0u) |
                   ((n & 8) ? hkWin : 0u));
  return sets;
}

// The keys whose text does not lead back to them: those without a name, the modifier keys,
// and keys that share their name with a key before them.
std::set<uint32_t> KeysWithoutTheirOwnName(const THotKeyNames& names, bool localized) {
  std::set<uint32_t> keys;
  for (uint32_t key = 8; key <= 255; ++key)
    if (names.TextToHotKey(names.HotKeyToText(key, localized), localized) != key) keys.insert(key);
  return keys;
}

std::set<uint32_t> KeysWithoutName(const TFixtureKeyNames& layout, bool localized) {
  std::set<uint32_t> keys;
  const auto& table = localized ? layout.Local : layout.English;
  for (uint32_t key = 8; key <= 255; ++key)
    if (!table.count(static_cast<int>(key)) && key != 19 && !IsExtendedKey(key)) keys.insert(key);
  return keys;
}

// parse(format(x)) == x for every value whose key has its own name, under every modifier set.
void ExpectEveryValueRoundTrips(const THotKeyNames& names, bool localized, const std::set<uint32_t>& exceptKeys) {
  int checked = 0;
  for (uint32_t key = 8; key <= 255; ++key) {
    if (exceptKeys.count(key)) continue;
    for (uint32_t modifiers : AllModifierSets()) {
      const uint32_t hotKey = modifiers | key;
      const std::string text = names.HotKeyToText(hotKey, localized);
      ASSERT_EQ(names.TextToHotKey(text, localized), hotKey) << "\"" << text << "\"";
      ++checked;
    }
  }
  EXPECT_GT(checked, 16 * 100);
}

class HotKeyNamesTest : public ::testing::Test {
 protected:
  TFixtureKeyNames FEnglishLayout = WindowsEnglishKeyNames();
  TFixtureKeyNames FGermanLayout = GermanKeyNames();
  THotKeyNames FEnglish{FEnglishLayout};
  THotKeyNames FGerman{FGermanLayout};
};

TEST(HotKeyValueTest, MakeAndSplitAgreeForEveryModifierSet) {
  EXPECT_EQ(MakeHotKey(modWin, 'S'), WinS);
  EXPECT_EQ(MakeHotKey(modControl, 'S'), 0x4053u);
  for (uint32_t modifiers = 0; modifiers < 16; ++modifiers) {
    uint32_t splitModifiers = 99, key = 99;
    SplitHotKey(MakeHotKey(modifiers, F5), splitModifiers, key);
    EXPECT_EQ(splitModifiers, modifiers);
    EXPECT_EQ(key, F5);
  }
  // Split reads the key's low byte only.
  uint32_t modifiers = 0, key = 0;
  SplitHotKey(0x6000 | 0x1FF, modifiers, key);
  EXPECT_EQ(key, 0xFFu);
  EXPECT_EQ(modifiers, modControl | modShift);
}

TEST(HotKeyValueTest, ExtendedKeysHaveEnglishNames) {
  EXPECT_FALSE(IsExtendedKey(165));
  EXPECT_TRUE(IsExtendedKey(166));
  EXPECT_TRUE(IsExtendedKey(183));
  EXPECT_FALSE(IsExtendedKey(184));
  EXPECT_EQ(ExtendedKeyName(166), "Browser Back");
  EXPECT_EQ(ExtendedKeyName(172), "Browser Start/Home");
  EXPECT_EQ(ExtendedKeyName(179), "Play/Pause Media");
  EXPECT_EQ(ExtendedKeyName(183), "Start Application 2");
  EXPECT_EQ(ExtendedKeyName(184), "");
  EXPECT_EQ(ExtendedKeyName(65), "");
}

TEST_F(HotKeyNamesTest, TextNamesTheModifiersInAFixedOrder) {
  EXPECT_EQ(FEnglish.HotKeyToText(WinS, false), "Win+S");
  EXPECT_EQ(FEnglish.HotKeyToText(0x6070, false), "Ctrl+Shift+F1");
  EXPECT_EQ(FEnglish.HotKeyToText(hkModifierMask | 46, false), "Ctrl+Shift+Alt+Win+Delete");
  EXPECT_EQ(FEnglish.HotKeyToText(0x41, false), "A");
  // A key without a scan code leaves the prefix alone.
  EXPECT_EQ(FEnglish.HotKeyToText(hkCtrl, false), "Ctrl+");
  EXPECT_EQ(FEnglish.HotKeyToText(hkCtrl | 7, false), "Ctrl+");
}

TEST_F(HotKeyNamesTest, KeyNamesFollowTheLayout) {
  // Pause is spelled in lower case whatever the layout says.
  EXPECT_EQ(FEnglish.HotKeyToText(19, false), "pause");
  EXPECT_EQ(FGerman.HotKeyToText(19, true), "pause");
  // The navigation block, not the keypad.
  EXPECT_EQ(FEnglish.HotKeyToText(36, false), "Home");
  EXPECT_EQ(FEnglish.HotKeyToText(46, false), "Delete");
  EXPECT_EQ(FGerman.HotKeyToText(36, true), "POS1");
  EXPECT_EQ(FEnglish.HotKeyToText(103, false), "Num 7");
  // Media keys get their English names where the layout gives one letter or nothing.
  EXPECT_EQ(FEnglish.HotKeyToText(173, false), "Volume Mute");
  EXPECT_EQ(FEnglish.HotKeyToText(166, true), "Browser Back");
  // English or the layout's names, as asked.
  EXPECT_EQ(FGerman.HotKeyToText(0x6000 | 46, false), "Ctrl+Shift+Delete");
  EXPECT_EQ(FGerman.HotKeyToText(0x6000 | 46, true), "STRG+UMSCHALT+ENTF");
}

TEST_F(HotKeyNamesTest, TextGivesTheValue) {
  EXPECT_EQ(FEnglish.TextToHotKey("Win+S", false), WinS);
  EXPECT_EQ(FEnglish.TextToHotKey("ctrl + shift + a", false), 0x6041u);
  EXPECT_EQ(FEnglish.TextToHotKey("  Alt + F4 ", false), 0x8073u);
  EXPECT_EQ(FEnglish.TextToHotKey("A", false), 0x41u);
  EXPECT_EQ(FEnglish.TextToHotKey("F12", false), 123u);
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+Alt+space", false), 0xC020u);
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+Ctrl+A", false), 0x4041u);
  // Blank and empty pieces are dropped.
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+ +A", false), 0x4041u);
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+Alt+Delete+", false), 0xC02Eu);
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+/", false), 0x4000u + 111);
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+page down", false), 0x4000u + 34);
  EXPECT_EQ(FEnglish.TextToHotKey("Shift+Right Shift", false), 0x2000u + 161);
  // The keypad's plus key, whose name holds the separator.
  EXPECT_EQ(FEnglish.TextToHotKey("Ctrl+Num +", false), 0x4000u + 107);
  EXPECT_EQ(FEnglish.TextToHotKey("Num +", false), 107u);
  EXPECT_EQ(FEnglish.TextToHotKey("ctrl+num +", false), 0x4000u + 107);
  // The media keys by their English names.
  EXPECT_EQ(FEnglish.TextToHotKey("Win+Volume Up", false), 0x10000u + 175);
}

TEST_F(HotKeyNamesTest, TextThatIsNoHotKeyGivesZero) {
  for (const char* text : {"", " ", "+", "++", "Ctrl+", "Ctrl+Shift", "Shift", "Ctrl+Foo+A", "Foo+A", "Foo",
                           "Ctrl++", "Ctrl+\t", "\t", "Ctrl+\t+A"})
    EXPECT_EQ(FEnglish.TextToHotKey(text, false), 0u) << "\"" << text << "\"";
}

// A modifier name in the key's place is no key, whatever its case.
TEST_F(HotKeyNamesTest, AModifierNameIsNeverTheKey) {
  for (const char* text : {"Ctrl+shift", "Ctrl+SHIFT", "alt+ctrl", "Shift+ALT", "Ctrl+win", "ctrl", "WIN"})
    EXPECT_EQ(FEnglish.TextToHotKey(text, false), 0u) << text;
  for (const char* text : {"Strg+umschalt", "Strg+Alt", "UMSCHALT+strg"})
    EXPECT_EQ(FGerman.TextToHotKey(text, true), 0u) << text;
}

TEST_F(HotKeyNamesTest, LocalAndEnglishModifierNamesAreBothAccepted) {
  for (bool localized : {false, true}) {
    EXPECT_EQ(FGerman.TextToHotKey("Strg+Umschalt+a", localized), 0x6041u);
    EXPECT_EQ(FGerman.TextToHotKey("strg + shift + A", localized), 0x6041u);
    EXPECT_EQ(FGerman.TextToHotKey("Ctrl+UMSCHALT+F5", localized), 0x6074u);
  }
  // Key names are those of the choice made; case is ignored beyond ASCII too.
  EXPECT_EQ(FGerman.TextToHotKey("Strg+Entf", true), 0x4000u + 46);
  EXPECT_EQ(FGerman.TextToHotKey("Strg+Entf", false), 0u);
  EXPECT_EQ(FGerman.TextToHotKey("Strg+Delete", false), 0x4000u + 46);
  EXPECT_EQ(FGerman.TextToHotKey("Strg+ä", true), 0x4000u + 222);
  EXPECT_EQ(FGerman.TextToHotKey("Strg+rück", true), 0x4000u + 8);
}

// Under a layout whose Alt is in capitals, the Windows key is "WIN" too.
TEST_F(HotKeyNamesTest, TheWinNameFollowsTheCaseOfAlt) {
  EXPECT_EQ(FGerman.LocalWin(), "WIN");
  EXPECT_EQ(FGerman.HotKeyToText(WinS, true), "WIN+S");
  EXPECT_EQ(FGerman.HotKeyToText(WinS, false), "Win+S");
  EXPECT_EQ(FGerman.TextToHotKey("WIN+S", true), WinS);
  EXPECT_EQ(FGerman.TextToHotKey("Win+S", true), WinS);
  EXPECT_EQ(FEnglish.LocalWin(), "Win");

  TFixtureKeyNames mixedCase = GermanKeyNames();
  mixedCase.Local[16] = "Umschalt";
  mixedCase.Local[17] = "Strg";
  mixedCase.Local[18] = "Alt";
  const THotKeyNames names(mixedCase);
  EXPECT_EQ(names.HotKeyToText(0x16053, true), "Strg+Umschalt+Win+S");
}

// A layout without names for the modifier keys, or with names that cannot stand in a hot key's
// text, keeps the English ones.
TEST_F(HotKeyNamesTest, UnusableLocalModifierNamesKeepTheEnglishOnes) {
  TFixtureKeyNames layout = GermanKeyNames();
  layout.Local.erase(16);
  layout.Local[17] = "";
  layout.Local[18] = "ALT+GR";
  const THotKeyNames names(layout);
  EXPECT_EQ(names.LocalShift(), "Shift");
  EXPECT_EQ(names.LocalCtrl(), "Ctrl");
  EXPECT_EQ(names.LocalAlt(), "Alt");
  EXPECT_EQ(names.LocalWin(), "Win");
  EXPECT_EQ(names.HotKeyToText(0xE041, true), "Ctrl+Shift+Alt+A");
  EXPECT_EQ(names.TextToHotKey("Ctrl+Shift+Alt+A", true), 0xE041u);
}

TEST_F(HotKeyNamesTest, EveryEnglishValueReadsBack) {
  for (bool localized : {false, true}) {
    std::set<uint32_t> expected = KeysWithoutName(FEnglishLayout, localized);
    // Modifier keys (Right Shift is a key of its own name), and names taken by an earlier key:
    // Num 5 (Clear), Pause (pause), / (keypad /), \ (the key left of Enter).
    expected.insert({16, 17, 18, 160, 162, 163, 164, 165, 101, 144, 191, 226});
    EXPECT_EQ(KeysWithoutTheirOwnName(FEnglish, localized), expected);
    ExpectEveryValueRoundTrips(FEnglish, localized, expected);
  }
}

TEST_F(HotKeyNamesTest, EveryGermanValueReadsBack) {
  std::set<uint32_t> expected = KeysWithoutName(FGermanLayout, true);
  // Modifier keys, names taken by an earlier key (keypad 5, PAUSE, "-"), and the two keys whose
  // name holds the separator "+".
  expected.insert({16, 17, 18, 160, 162, 163, 164, 165, 101, 144, 189, 107, 187});
  EXPECT_EQ(KeysWithoutTheirOwnName(FGerman, true), expected);
  ExpectEveryValueRoundTrips(FGerman, true, expected);

  std::set<uint32_t> english = KeysWithoutName(FGermanLayout, false);
  english.insert({16, 17, 18, 160, 162, 163, 164, 165, 101, 144, 191, 226});
  EXPECT_EQ(KeysWithoutTheirOwnName(FGerman, false), english);
  ExpectEveryValueRoundTrips(FGerman, false, english);
}

}  // namespace
