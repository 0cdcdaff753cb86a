// A JPEG file that another process holds open for writing still loads, and loading it does
// not keep that process from writing.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/TestPaths.h"
#include "../metadata/ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"

namespace {

// Answers whether Path can be opened for reading by someone who will not share writing:
// false while another process has it open for writing.
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
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
  ASSERT_TRUE(NobodyWrites(path));

  // "find" waits on a pipe that we hold, while cmd keeps the file open for appending.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE pipeRead = nullptr, pipeWrite = nullptr;
  ASSERT_TRUE(CreatePipe(&pipeRead, &pipeWrite, &inherit, 0));
  SetHandleInformation(pipeWrite, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = pipeRead;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string command = "cmd.exe /c find \"x\" >> \"" + path + "\"";
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(pipeRead);

  bool held = false;
  for (int i = 0; i < 500 && !held; ++i) {
    held = !NobodyWrites(path);
    if (!held) Sleep(20);
  }
  EXPECT_TRUE(held) << "the other process did not open the file";

  vmx::TExifData exif;
  EXPECT_NO_THROW(exif.LoadFromFile(path));
  EXPECT_EQ(exif.CameraModel(), "Held open");

  DWORD written = 0;
  WriteFile(pipeWrite, "x\r\n", 3, &written, nullptr);  // find passes the line on into the file
  CloseHandle(pipeWrite);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
