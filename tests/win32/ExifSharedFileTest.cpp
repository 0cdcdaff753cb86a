// A JPEG file that another program holds open for writing, as an editor keeps it, still loads.
// Sharing modes are checked for each handle, whoever holds it: a handle of this process stands
// for the other program's.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../metadata/ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/TestPaths.h"

TEST(ExifSharedFileTest, AFileAnotherProgramWritesStillLoads) {
  using namespace exiftest;
  const std::string path = testpaths::FreshFolder("exif_shared") + "held.jpg";
  const Bytes jpeg = Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(272, "Held open")}}}))});
  testpaths::WriteText(path, std::string(jpeg.begin(), jpeg.end()));
  const HANDLE writer = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  vmx::TExifData exif;
  EXPECT_NO_THROW(exif.LoadFromFile(path));
  EXPECT_EQ(exif.CameraModel(), "Held open");
  CloseHandle(writer);
}
