// What the Chrome and the Firefox bookmarks sources share: the options that name the browser's
// file and say how often a search reads it again, the reading again by the versions of files,
// the options dialog and the opening of a bookmark's address.
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

// The base of the two sources: their options dialog, the reading of the browser's files, and the
// opening of a bookmark.
class TBookmarkSource : public TSearchClass {
 public:
  TBookmarkSource(TComponent* owner, TBookmarkOptionsDialog optionsDialog)
      : TSearchClass(owner), FOptionsDialog(std::move(optionsDialog)) {}

  bool HasOptions() override { return true; }
  // A change made in the dialog counts from the next search on.
  void ShowOptions() override;
  // Hands the address to the shell as it is stored (a "%20" in it is no environment macro),
  // with the verb "runas" when the item is to run as administrator.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TBookmarkSource"; }

 protected:
  // Reads the browser's Files (the one the options name first) through Read, unless LiveBookmarks
  // is on, Kept (what the last read left is still there) and none of them changed since that
  // read. A missing first file reads nothing; a read that fails (Read answers false, or raises:
  // the browser may hold the file while it writes it) is tried again by the next search.
  void ReadWhenChanged(const std::vector<std::string>& files, bool kept, const std::function<bool()>& read);
  // The next search reads the files whatever their versions.
  void ForgetRead() { FReadVersion.clear(); }

  TBookmarkFileOptions FOptions;

 private:
  TBookmarkOptionsDialog FOptionsDialog;
  TFileVersions FReadVersion;  // of the browser's files when they were last read
};
