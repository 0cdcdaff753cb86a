// A JPEG file that another process holds open for writing still loads, and loading it does
// not keep that process from writing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../metadata/ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/HelperProcess.h"
#include "tests/support/TestPaths.h"

namespace {

// "file-writer PATH": opens the file for writing, as an editor keeps it, until released; then
// appends a line. Exit code 0 when it could.
[[maybe_unused]] const bool Writer = DeclareHelper("file-writer", [](const std::vector<std::string>& args) {
  const HANDLE file = CreateFileA(args.at(0).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  HoldUntilReleased();
  DWORD written = 0;
  const bool wrote = WriteFile(file, "x\r\n", 3, &written, nullptr) && written == 3;
  CloseHandle(file);
  return wrote ? 0 : 4;
});

// False while another process has the file open for writing.
bool NobodyWrites(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

TEST(ExifSharedFileTest, AFileAnotherProcessWritesStillLoads) {
  using namespace exiftest;
  const std::string path = testpaths::FreshFolder("exif_shared") + "held.jpg";
  const Bytes jpeg = Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(272, "Held open")}}}))});
  testpaths::WriteText(path, std::string(jpeg.begin(), jpeg.end()));
  THelperProcess writer("file-writer", {path});
  ASSERT_TRUE(writer.Ready());
  ASSERT_FALSE(NobodyWrites(path));

  vmx::TExifData exif;
  EXPECT_NO_THROW(exif.LoadFromFile(path));
  EXPECT_EQ(exif.CameraModel(), "Held open");
  EXPECT_EQ(writer.ExitCode(), 0) << "the writer could not write after the load";
  EXPECT_TRUE(NobodyWrites(path));
}
