#include "desktop/HotKeyManager.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/desktop/KeyNameFixtures.h"

namespace {

constexpr uint32_t WinS = 0x10053;

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

// One conversion under the US English or the German layout, with the layout's or the English
// names; a value 0 reads "no hot key".
struct TConversion {
  bool German, Localized;
  uint32_t HotKey;
  const char* Text;
};

class HotKeyNamesTest : public testing::Test {
 protected:
  const THotKeyNames& Names(const TConversion& c) const { return c.German ? FGerman : FEnglish; }

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
    SplitHotKey(MakeHotKey(modifiers, 116), splitModifiers, key);
    EXPECT_EQ(std::pair(splitModifiers, key), std::pair(modifiers, 116u));
  }
  uint32_t modifiers = 0, key = 0;
  SplitHotKey(0x6000 | 0x1FF, modifiers, key);  // the key's low byte only
  EXPECT_EQ(std::pair(modifiers, key), std::pair(uint32_t(modControl | modShift), 0xFFu));
}

// The modifiers in a fixed order, then the key's name in the layout asked for: pause in lower case
// whatever the layout says, the navigation block rather than the keypad, the media keys by their
// English names where the layout gives one letter or nothing, and under a layout whose Alt is in
// capitals, "WIN".
TEST_F(HotKeyNamesTest, AValueIsWrittenWithItsModifiersAndTheLayoutsKeyName) {
  const TConversion cases[] = {
      {false, false, WinS, "Win+S"},
      {false, false, hkModifierMask | 46, "Ctrl+Shift+Alt+Win+Delete"},
      {false, false, 0x41, "A"},
      {false, false, hkCtrl, "Ctrl+"},  // a key without a scan code leaves the prefix alone
      {false, false, hkCtrl | 7, "Ctrl+"},
      {false, false, 19, "pause"},
      {true, true, 19, "pause"},
      {true, true, 36, "POS1"},
      {false, false, 103, "Num 7"},
      {false, false, 173, "Volume Mute"},
      {false, true, 166, "Browser Back"},
      {false, false, 183, "Start Application 2"},
      {false, false, 184, ""},
      {true, false, 0x6000 | 46, "Ctrl+Shift+Delete"},
      {true, true, 0x6000 | 46, "STRG+UMSCHALT+ENTF"},
      {true, true, WinS, "WIN+S"},
      {true, false, WinS, "Win+S"},
  };
  for (const TConversion& c : cases)
    EXPECT_EQ(Names(c).HotKeyToText(c.HotKey, c.Localized), c.Text) << std::hex << c.HotKey << " " << c.German;
  EXPECT_EQ(FGerman.LocalWin(), "WIN");
  EXPECT_EQ(FEnglish.LocalWin(), "Win");
}

// Case and blanks never matter, empty pieces are dropped, a name may hold the separator, and
// English and the layout's modifier names are both accepted while key names are those of the
// choice made. A modifier name in the key's place, an unknown name or a missing key is no hot key.
TEST_F(HotKeyNamesTest, ATextIsReadAsItsValue) {
  const TConversion cases[] = {
      {false, false, WinS, "Win+S"},
      {false, false, 0x6041, "ctrl + shift + a"},
      {false, false, 0xC020, "Ctrl+Alt+space"},
      {false, false, 0x4041, "Ctrl+Ctrl+A"},
      {false, false, 0x4041, "Ctrl+ +A"},
      {false, false, 0x4000 + 111, "Ctrl+/"},
      {false, false, 0x4000 + 34, "Ctrl+page down"},
      {false, false, 0x2000 + 161, "Shift+Right Shift"},
      {false, false, 0x4000 + 107, "ctrl+num +"},
      {false, false, 0x10000 + 175, "Win+Volume Up"},
      {true, false, 0x6041, "Strg+Umschalt+a"},
      {true, true, 0x6041, "strg + shift + A"},
      {true, true, 0x6074, "Ctrl+UMSCHALT+F5"},
      {true, true, 0x4000 + 46, "Strg+Entf"},
      {true, false, 0, "Strg+Entf"},
      {true, false, 0x4000 + 46, "Strg+Delete"},
      {true, true, 0x4000 + 222, "Strg+ä"},
      {true, true, 0x4000 + 8, "Strg+rück"},
      {true, true, WinS, "Win+S"},
      {true, true, 0, "Strg+umschalt"},
  };
  for (const TConversion& c : cases)
    EXPECT_EQ(Names(c).TextToHotKey(c.Text, c.Localized), c.HotKey) << "\"" << c.Text << "\" " << c.German;
  for (const char* text : {"",           " ",          "+",        "++",        "Ctrl+",    "Ctrl+Shift", "Shift",
                           "Ctrl+Foo+A", "Foo+A",      "Foo",      "Ctrl++",    "Ctrl+\t",  "\t",         "Ctrl+\t+A",
                           "Ctrl+shift", "Ctrl+SHIFT", "alt+ctrl", "Shift+ALT", "Ctrl+win", "ctrl",       "WIN"})
    EXPECT_EQ(FEnglish.TextToHotKey(text, false), 0u) << "\"" << text << "\"";
}

// A layout without names for the modifier keys, or with names that cannot stand in a hot key's
// text, keeps the English ones; the Windows key follows the case of the layout's Alt.
TEST_F(HotKeyNamesTest, UnusableLocalModifierNamesKeepTheEnglishOnes) {
  TFixtureKeyNames layout = GermanKeyNames();
  layout.Local.erase(16);
  layout.Local[17] = "";
  layout.Local[18] = "ALT+GR";
  const THotKeyNames names(layout);
  EXPECT_EQ(names.LocalShift() + names.LocalCtrl() + names.LocalAlt() + names.LocalWin(), "ShiftCtrlAltWin");
  EXPECT_EQ(names.HotKeyToText(0xE041, true), "Ctrl+Shift+Alt+A");
  EXPECT_EQ(names.TextToHotKey("Ctrl+Shift+Alt+A", true), 0xE041u);

  TFixtureKeyNames mixedCase = GermanKeyNames();
  mixedCase.Local[16] = "Umschalt";
  mixedCase.Local[17] = "Strg";
  mixedCase.Local[18] = "Alt";
  EXPECT_EQ(THotKeyNames(mixedCase).HotKeyToText(0x16053, true), "Strg+Umschalt+Win+S");
}

// parse(format(x)) == x for every value whose key has its own name, under every modifier set.
TEST_F(HotKeyNamesTest, EveryValueReadsBack) {
  // Modifier keys (Right Shift is a key of its own name) and names taken by an earlier key:
  // Num 5 (Clear), Pause (pause), / (keypad /), \ (the key left of Enter); in German keypad 5,
  // PAUSE, "-", and the two keys whose name holds the separator "+".
  const std::set<uint32_t> english = {16, 17, 18, 160, 162, 163, 164, 165, 101, 144, 191, 226};
  const std::set<uint32_t> german = {16, 17, 18, 160, 162, 163, 164, 165, 101, 144, 189, 107, 187};
  const struct {
    const THotKeyNames& Names;
    const TFixtureKeyNames& Layout;
    bool Localized;
    const std::set<uint32_t>& Taken;
  } cases[] = {{FEnglish, FEnglishLayout, false, english},
               {FEnglish, FEnglishLayout, true, english},
               {FGerman, FGermanLayout, false, english},
               {FGerman, FGermanLayout, true, german}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (&c.Names == &FGerman ? "German" : "English") << " " << c.Localized);
    std::set<uint32_t> expected = KeysWithoutName(c.Layout, c.Localized);
    expected.insert(c.Taken.begin(), c.Taken.end());
    EXPECT_EQ(KeysWithoutTheirOwnName(c.Names, c.Localized), expected);
    int checked = 0;
    for (uint32_t key = 8; key <= 255; ++key) {
      if (expected.count(key)) continue;
      for (uint32_t n = 0; n < 16; ++n, ++checked) {
        const uint32_t hotKey =
            (n & 1 ? hkShift : 0) | (n & 2 ? hkCtrl : 0) | (n & 4 ? hkAlt : 0) | (n & 8 ? hkWin : 0) | key;
        const std::string text = c.Names.HotKeyToText(hotKey, c.Localized);
        ASSERT_EQ(c.Names.TextToHotKey(text, c.Localized), hotKey) << "\"" << text << "\"";
      }
    }
    EXPECT_GT(checked, 16 * 100);
  }
}

}  // namespace
