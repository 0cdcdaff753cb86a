#include "sources/BookmarkFile.h"

#include "core/qmMemIni.h"
#include "sources/SearchShortcuts.h"

namespace {

const char* const Section = "Settings";

}  // namespace

TBookmarkFileOptions ReadBookmarkFileOptions(const std::string& iniFile, const std::string& fileKey) {
  const TMemIniFile ini(iniFile);
  TBookmarkFileOptions options;
  options.LiveBookmarks = ini.ReadBool(Section, "LiveBookmarks", false);
  options.FileName = ini.ReadString(Section, fileKey, "");
  return options;
}

void WriteBookmarkFileOptions(const std::string& iniFile, const std::string& fileKey,
                              const TBookmarkFileOptions& options) {
  TMemIniFile ini(iniFile);
  ini.WriteString(Section, fileKey, options.FileName);
  ini.WriteBool(Section, "LiveBookmarks", options.LiveBookmarks);
  ini.UpdateFile();
}

TFileVersions FileVersions(const std::vector<std::string>& files) {
  TFileVersions versions;
  for (const std::string& file : files) {
    os::TFileStamp stamp;
    versions.push_back(os::GetFileStamp(file, stamp) ? std::optional(stamp) : std::nullopt);
  }
  return versions;
}

void TBookmarkSource::ReadWhenChanged(const std::vector<std::string>& files, bool kept,
                                      const std::function<bool()>& read) {
  if (!os::FileExists(files.front())) return;
  const TFileVersions version = FileVersions(files);
  if (FOptions.LiveBookmarks && kept && version == FReadVersion) return;
  FReadVersion.clear();
  if (read()) FReadVersion = version;
}

void TBookmarkSource::ShowOptions() {
  if (FOptionsDialog && FOptionsDialog()) Reset();
}

void TBookmarkSource::Execute(TItemData& item) {
  os::TShellOpenRequest request = ShellOpenRequestFor(item);
  request.File = item.StoredExecuteString();
  ShellOpenOrRaise(request);
}
