// The user's decimal separator, set in the registry's international settings, in the numbers the
// sources show: an image's hint, a run group's delay, an Exif version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "metadata/Vmx.Exif.h"
#include "os/os.h"
#include "sources/SearchExif.h"
#include "sources/SearchRunGroup.h"

TEST(DecimalSeparatorTest, TheRegistrysSeparatorIsTheOneNumbersShow) {
  // The fresh prefix holds ".": a comma first, one of the user's own making, then the point again
  // (the locale calls of Wine would keep the first one they read).
  for (const std::string separator : {",", "/", "."}) {
    SCOPED_TRACE(separator);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(separator.c_str()),
                   static_cast<DWORD>(separator.size() + 1));
    RegCloseKey(key);
    EXPECT_EQ(os::DecimalSeparator(), separator);
    EXPECT_EQ(NumberText(2.8), "2" + separator + "8");
    EXPECT_EQ(DelaySecondsText(1.5), "1" + separator + "5");
    vmx::TExifData exif;
    exif.ExifVersion.SetAsString("2.20");
    EXPECT_EQ(exif.ExifVersion.AsString(), "2" + separator + "20");
    std::string error;  // reading takes either
    EXPECT_TRUE(DelaySecondsFromText("1,5", error) == 1.5 && DelaySecondsFromText("1.5", error) == 1.5);
    EXPECT_EQ(DelaySecondsFromText(DelaySecondsText(2.25), error), 2.25) << "the delay shown reads back";
    EXPECT_EQ(error, "");
  }
}
