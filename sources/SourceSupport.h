// What the sources share: the text tests, the opening of an item, the system folder, and where
// the icons of the small sources' rows come from.
//
// Icons are named by a file and an index as the shell's icon extraction reads them; the window
// layer loads them (sources/win32/SourceIcons.h), tests record what was asked for.
#pragma once

#include <functional>
#include <string>

#include "core/LorvexClasses.h"
#include "os/os.h"

// Whether Text holds Part, both as given (the callers upper-case them as each source does).
bool Contains(const std::string& text, const std::string& part);
// Whether a keyword offers its entries for the typed text: Keyword contains Typed, both as given
// (the callers upper-case them as each source does). An empty text is part of nothing.
bool IsPartOf(const std::string& typed, const std::string& keyword);

// How an item is opened through the shell: the verb "runas" when the item is to run as
// administrator, the expanded execute string and parameters, no working folder, restored.
os::TShellOpenRequest ShellOpenRequestFor(const TItemData& item);

struct TIconLocation {
  std::string File;
  int Index = 0;  // the icon's place in the file; a negative number is the id of an icon resource

  bool operator==(const TIconLocation&) const = default;
};

// Puts the icon at Location into the item's icon. A file without that icon leaves the item
// without one: a row is painted whatever its icon file holds.
using TIconLoader = std::function<void(TItemData& item, const TIconLocation& location)>;

// The system folder, with a trailing backslash.
std::string SystemFolder();
// The shell's library in the system folder.
std::string Shell32Path();
// An icon file of the "images" folder beside the program: Name + ".ico".
std::string ImagesIcon(const std::string& name);
