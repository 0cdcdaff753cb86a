// What the Chrome and the Firefox bookmarks sources share: the options that name the browser's
// file and say how often a search reads it again, the versions of files, and the opening of a
// bookmark's address.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "os/os.h"

struct TBookmarkFileOptions {
  std::string FileName;        // the browser's file, with its full path
  bool LiveBookmarks = false;  // read again only when it has changed
};

// Section "Settings" of IniFile: FileKey holds the file's path, "LiveBookmarks" the switch.
TBookmarkFileOptions ReadBookmarkFileOptions(const std::string& iniFile, const std::string& fileKey);
// Raises EInOutError when the INI file cannot be written.
void WriteBookmarkFileOptions(const std::string& iniFile, const std::string& fileKey,
                              const TBookmarkFileOptions& options);

// The options dialog of a bookmark source, run on the GUI thread: True when it closed with OK.
using TBookmarkOptionsDialog = std::function<bool()>;

// Tells one version of a set of files from another by their sizes and exact write times; a
// missing file is a version of its own.
using TFileVersions = std::vector<std::optional<os::TFileStamp>>;
TFileVersions FileVersions(const std::vector<std::string>& files);

// How a bookmark is opened: its address as stored (a "%20" in it is no environment macro),
// the verb "runas" when the item is to run as administrator, restored.
os::TShellOpenRequest BookmarkOpenRequest(const TItemData& item);
