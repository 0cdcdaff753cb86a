// Shared read-only files on POSIX: every open file may be written and removed by others.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "os/os.h"

namespace os {

intptr_t OpenSharedFile(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int64_t SharedFileSize(intptr_t file) {
  struct stat info {};
  return ::fstat(static_cast<int>(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

int64_t ReadSharedFile(intptr_t file, int64_t offset, void* buffer, int64_t count) {
  if (offset < 0 || count <= 0) return 0;
  int64_t done = 0;
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, INT_MAX));
    const ssize_t got =
        ::pread(static_cast<int>(file), static_cast<char*>(buffer) + done, chunk, static_cast<off_t>(offset + done));
    if (got <= 0) break;
    done += got;
  }
  return done;
}

void CloseSharedFile(intptr_t file) {
  if (file >= 0) ::close(static_cast<int>(file));
}

}  // namespace os
