// What the Win32 side of the seams offers to the other Windows-only units.
#pragma once

#include <windows.h>

#include "os/os.h"

namespace os {

// A folder listing's entry from the system's find data. A time of zero (find data that a call
// left empty) stays an empty time.
TDirEntry DirEntryOf(const WIN32_FIND_DATAA& data);

}  // namespace os
