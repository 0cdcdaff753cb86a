// The user's decimal separator, as the registry's international settings hold it, in the numbers
// the sources show: an image's hint, a run group's delay, an Exif version.
#include <gtest/gtest.h>

#include <windows.h>

#include "metadata/Vmx.Exif.h"
#include "os/os.h"
#include "sources/SearchExif.h"
#include "sources/SearchRunGroup.h"

namespace {

// Sets the user's decimal separator for as long as it lives, then puts the old one back.
class TUserSeparator {
 public:
  explicit TUserSeparator(const char* separator) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey,
                    nullptr);
    char old[16] = "";
    DWORD size = sizeof old;
    FHadOld = RegQueryValueExA(FKey, "sDecimal", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
    FOld = old;
    Set(separator);
  }
  ~TUserSeparator() {
    if (FHadOld)
      Set(FOld.c_str());
    else
      RegDeleteValueA(FKey, "sDecimal");
    RegCloseKey(FKey);
  }

 private:
  void Set(const char* separator) {
    RegSetValueExA(FKey, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(separator),
                   static_cast<DWORD>(strlen(separator) + 1));
  }
  HKEY FKey = nullptr;
  bool FHadOld = false;
  std::string FOld;
};

}  // namespace

TEST(DecimalSeparatorTest, TheRegistrysSeparatorIsTheOneNumbersShow) {
  for (const char* separator : {",", "."}) {
    SCOPED_TRACE(separator);
    TUserSeparator user(separator);
    EXPECT_EQ(os::DecimalSeparator(), separator);
    EXPECT_EQ(NumberText(2.8), std::string("2") + separator + "8");
    EXPECT_EQ(DelaySecondsText(1.5), std::string("1") + separator + "5");
    vmx::TExifData exif;
    exif.ExifVersion.SetAsString("2.20");
    EXPECT_EQ(exif.ExifVersion.AsString(), std::string("2") + separator + "20");
    // Reading takes either separator.
    std::string error;
    EXPECT_EQ(DelaySecondsFromText("1,5", error), 1.5);
    EXPECT_EQ(DelaySecondsFromText("1.5", error), 1.5);
  }
}
