// Hot-key text: whatever is typed gives no hot key (0) or a well-formed value whose own text
// reads back to it.
// Input: one byte choosing the layout (bit 0: the layout's own names, bit 1: German rather
// than US English), then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "desktop/HotKeyManager.h"
#include "tests/desktop/KeyNameFixtures.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TFixtureKeyNames englishLayout = WindowsEnglishKeyNames();
  static const TFixtureKeyNames germanLayout = GermanKeyNames();
  static const THotKeyNames english(englishLayout);
  static const THotKeyNames german(germanLayout);
  if (size == 0) return 0;

  const bool localized = data[0] & 1;
  const THotKeyNames& names = (data[0] & 2) ? german : english;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const uint32_t hotKey = names.TextToHotKey(text, localized);
  if (hotKey == 0) return 0;
  Check((hotKey & ~(hkModifierMask | hkKeyMask)) == 0);
  Check((hotKey & hkKeyMask) >= 8);
  Check(names.TextToHotKey(names.HotKeyToText(hotKey, localized), localized) == hotKey);
  return 0;
}
