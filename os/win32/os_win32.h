// What the Win32 side of the seams offers to the other Windows-only units.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

#include "os/os.h"

namespace os {

// A folder listing's entry from the system's find data. A time of zero (find data that a call
// left empty) stays an empty time.
TDirEntry DirEntryOf(const WIN32_FIND_DATAA& data);

// The system's text for an error number, without the line break it ends with.
std::string SystemMessage(DWORD error);

// COM on the calling thread for as long as the scope lasts (already joined is fine too).
class TComScope {
 public:
  TComScope() : FLeave(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~TComScope() {
    if (FLeave) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FLeave;
};

}  // namespace os
