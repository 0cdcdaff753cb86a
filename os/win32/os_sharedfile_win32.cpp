// Shared read-only files on Windows: opened with read, write and delete sharing, so that a
// file another program holds open still loads and nobody is kept from changing it.
#include <windows.h>

#include "os/os.h"

namespace os {

intptr_t OpenSharedFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  return reinterpret_cast<intptr_t>(file);
}

int64_t SharedFileSize(intptr_t file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(reinterpret_cast<HANDLE>(file), &size) ? size.QuadPart : 0;
}

int64_t ReadSharedFile(intptr_t file, int64_t offset, void* buffer, int64_t count) {
  if (offset < 0 || count <= 0) return 0;
  int64_t done = 0;
  while (done < count) {
    OVERLAPPED at{};
    const int64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(file), static_cast<char*>(buffer) + done, chunk, &got, &at) || got == 0)
      break;
    done += got;
  }
  return done;
}

void CloseSharedFile(intptr_t file) {
  if (file != -1) CloseHandle(reinterpret_cast<HANDLE>(file));
}

}  // namespace os
