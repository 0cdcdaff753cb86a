// The user's decimal separator, set in the registry's international settings, in the numbers the
// sources show: an image's hint, a run group's delay, an Exif version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "metadata/Vmx.Exif.h"
#include "os/os.h"
#include "sources/SearchExif.h"
#include "sources/SearchRunGroup.h"

namespace {

// For as long as it lives, this process's HKEY_CURRENT_USER is a fresh key of its own: what the
// test sets there never reaches the prefix's user, whom the other test programs share (a separator
// left behind would show in every number they check), however the test ends.
class TPrivateUserKey {
 public:
  TPrivateUserKey() : FName("Software\\Lorvex tests\\user " + std::to_string(GetCurrentProcessId())) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, FName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey, nullptr) !=
        ERROR_SUCCESS)
      return;
    Overridden = RegOverridePredefKey(HKEY_CURRENT_USER, FKey) == ERROR_SUCCESS;
  }
  ~TPrivateUserKey() {
    if (Overridden) RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (!FKey) return;
    RegDeleteKeyA(FKey, "Control Panel\\International");
    RegDeleteKeyA(FKey, "Control Panel");
    RegCloseKey(FKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, FName.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Lorvex tests");  // when no other test holds one there
  }
  TPrivateUserKey(const TPrivateUserKey&) = delete;
  TPrivateUserKey& operator=(const TPrivateUserKey&) = delete;
  bool Overridden = false;

 private:
  std::string FName;
  HKEY FKey = nullptr;
};

}  // namespace

TEST(DecimalSeparatorTest, TheRegistrysSeparatorIsTheOneNumbersShow) {
  const TPrivateUserKey user;
  ASSERT_TRUE(user.Overridden);
  // A comma first, one of the user's own making, then the point again (the locale calls of Wine
  // would keep the first one they read).
  for (const std::string separator : {",", "/", "."}) {
    SCOPED_TRACE(separator);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
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
