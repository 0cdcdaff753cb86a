#include "sources/SearchMp3.h"

#include <vector>

#include "core/Unicode.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"
#include "sources/SourceSupport.h"

namespace {

constexpr size_t FieldSize = 30;

// Tag editors pad a field with blanks or NULs; neither is part of the text.
std::string Field(std::string_view tag, size_t offset) {
  std::string_view field = tag.substr(offset, FieldSize);
  field = field.substr(0, field.find('\0'));
  const size_t first = field.find_first_not_of(' ');
  field = first == std::string_view::npos ? std::string_view()
                                          : field.substr(first, field.find_last_not_of(' ') + 1 - first);
  return ExternalTextToUtf8(field);
}

TMp3Settings LoadMp3Settings() {
  TMp3Settings settings;
  settings.Load(TMemIniFile(SettingsFolder("Lorvex") + TSearchMp3::IniFileName));
  settings.List.Folders = ExpandedFolders(settings.List.Folders);
  return settings;
}

// One search: the walk of the listed folders, reporting to AddHit until it answers True.
class TMp3Walk {
 public:
  TMp3Walk(const TMp3Settings& settings, const std::string& text, const TAddHitFunc& addHit)
      : FSettings(settings), FText(text), FUpperText(AnsiUpperCase(text)), FAddHit(addHit) {
    FRecord.Description = TranslateText("Play mp3 file");
    FRecord.Extension = ".mp3";
    FRecord.SearchClassName = "Mp3";
    if (settings.SearchTags) {
      FArtist = TranslateText("Artist:") + " ";
      FTitle = TranslateText("Title:") + " ";
      FAlbum = TranslateText("Album:") + " ";
    }
  }

  void Run() {
    for (const std::string& folder : FSettings.List.Folders) ScanFolder(folder);
  }

 private:
  void ScanFolder(const std::string& folderName) {
    if (FStopped) return;
    const std::string folder = IncludeTrailingBackslash(folderName);
    std::vector<os::TDirEntry> entries;
    if (!os::ListFolder(folder, entries)) return;
    const std::string mask = FSettings.SearchTags ? "*.mp3" : "*" + FText + "*.mp3";
    for (const os::TDirEntry& entry : entries) {
      if (!MatchesFileMask(entry.Name, mask)) continue;
      if (FSettings.SearchTags ? TagEntry(folder, entry) : Report(folder + entry.Name, entry.Name, "")) return;
    }
    if (!FSettings.List.Subfolders) return;
    for (const os::TDirEntry& entry : entries) {
      if (!entry.IsFolder() || (entry.Attr & os::faReparsePoint)) continue;
      if (Poll()) return;
      ScanFolder(folder + entry.Name);
      if (FStopped) return;
    }
  }

  // A file that matches is reported, any other polls: a cancelled search ends within one file.
  bool TagEntry(const std::string& folder, const os::TDirEntry& entry) {
    TId3v1Tag tag;
    if (entry.IsFolder() || !ReadId3v1File(folder + entry.Name, tag) || !Matches(tag)) return Poll();
    return Report(folder + entry.Name, entry.Name,
                  FArtist + tag.Artist + "\r\n" + FTitle + tag.Title + "\r\n" + FAlbum + tag.Album);
  }

  // Letters beyond ASCII match in either case too: "œuvre" finds "Œuvre".
  bool Matches(const TId3v1Tag& tag) const {
    for (const std::string* field : {&tag.Title, &tag.Artist, &tag.Album})
      if (Contains(AnsiUpperCase(*field), FUpperText)) return true;
    return false;
  }

  bool Report(const std::string& path, const std::string& name, const std::string& hint) {
    FRecord.DisplayName = name;
    FRecord.ExecuteString = path;
    FRecord.Hint = hint;
    if (FAddHit(FRecord)) FStopped = true;
    return FStopped;
  }
  bool Poll() { return Report("", "", ""); }

  const TMp3Settings& FSettings;
  const std::string& FText;
  const std::string FUpperText;
  const TAddHitFunc& FAddHit;
  std::string FArtist, FTitle, FAlbum;
  TItemRecord FRecord;
  bool FStopped = false;
};

}  // namespace

bool ReadId3v1(std::string_view last128, TId3v1Tag& tag) {
  if (last128.size() < Id3v1Size || !last128.starts_with("TAG")) return false;
  tag.Title = Field(last128, 3);
  tag.Artist = Field(last128, 33);
  tag.Album = Field(last128, 63);
  return true;
}

bool ReadId3v1File(const std::string& fileName, TId3v1Tag& tag) {
  const intptr_t file = os::OpenSharedFile(fileName);
  if (file == -1) return false;
  char buffer[Id3v1Size];
  const int64_t size = os::SharedFileSize(file);
  const bool read = size >= static_cast<int64_t>(Id3v1Size) &&
                    os::ReadSharedFile(file, size - Id3v1Size, buffer, Id3v1Size) == Id3v1Size;
  os::CloseSharedFile(file);
  return read && ReadId3v1(std::string_view(buffer, Id3v1Size), tag);
}

void TMp3Settings::Load(const TMemIniFile& ini) {
  List.Load(ini);
  SearchTags = ini.ReadBool("Options", "SearchTags", false);
}

void TMp3Settings::Save(TMemIniFile& ini) const {
  List.Save(ini);
  ini.WriteBool("Options", "SearchTags", SearchTags);
}

TSearchMp3::TSearchMp3(TComponent* owner, TOptionsDialog optionsDialog)
    : TSearchClass(owner), FOptionsDialog(std::move(optionsDialog)), FSettings(LoadMp3Settings) {}

void TSearchMp3::ShowOptions() {
  if (FOptionsDialog && FOptionsDialog(IniFileName)) FSettings.Drop();
}

void TSearchMp3::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::shared_ptr<const TMp3Settings> settings = FSettings.Get();
  TMp3Walk(*settings, text, addHit).Run();
}

void TSearchMp3::Execute(TItemData& item) {
  os::TShellOpenRequest request = FileOpenRequestFor(item);
  request.Parameters.clear();
  ShellOpenOrRaise(request);
}

void TSearchMp3::Reset() { FSettings.Drop(); }
