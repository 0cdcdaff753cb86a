#include "core/LorvexClasses.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>

#include "core/qmDfmUtils.h"
#include "core/qmFileUtils.h"
#include "core/qmLog.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"

namespace {

constexpr std::array<const char*, 3> DrawTypeNames = {"dtPos", "dtAbbrevations", "dtWords"};
constexpr std::array<const char*, 2> FilterTypeNames = {"ftExt", "ftWord"};
constexpr std::array<const char*, 2> FilterActionNames = {"faShow", "faHide"};

}  // namespace

// --- Items --------------------------------------------------------------------------------

TItemData::TItemData(const TItemRecord& record)
    : Kind(record.Kind),
      DisplayName(record.DisplayName),
      Hint(record.Hint),
      Description(record.Description),
      Extension(record.Extension),
      Score(record.Score),
      SearchClassName(record.SearchClassName),
      IconIndex(record.IconIndex),
      DrawType(record.DrawType),
      FExecuteString(record.ExecuteString),
      FParameters(record.Parameters),
      FIconFile(record.IconFile),
      FPath(record.Path) {}

std::string TItemData::ExecuteString() const { return ExpandPath(FExecuteString); }
std::string TItemData::Parameters() const { return ExpandPath(FParameters); }
std::string TItemData::IconFile() const { return ExpandPath(FIconFile); }
std::string TItemData::Path() const { return ExpandPath(FPath); }

void TItemData::Assign(const TItemData& source) {
  if (&source == this) return;
  Kind = source.Kind;
  DisplayName = source.DisplayName;
  Hint = source.Hint;
  FExecuteString = source.ExecuteString();
  Description = source.Description;
  FParameters = source.Parameters();
  Score = source.Score;
  SearchClassName = source.SearchClassName;
  FIconFile = source.IconFile();
  IconIndex = source.IconIndex;
}

void TItemData::describe(TPropertyVisitor& v) {
  v.String("DisplayName", DisplayName);
  v.String("Hint", Hint);
  v.String("ExecuteString", ExecuteString(), [this](const std::string& s) { FExecuteString = s; });
  v.String("Description", Description);
  v.String("Parameters", Parameters(), [this](const std::string& s) { FParameters = s; });
  v.String("Extension", Extension);
  v.String("SearchClassName", SearchClassName);
  v.String("IconFile", IconFile(), [this](const std::string& s) { FIconFile = s; });
  v.Integer("IconIndex", IconIndex);
  v.Boolean("AsAdmin", AsAdmin);
  v.String("Path", Path(), [this](const std::string& s) { FPath = s; });
  v.Enumeration("DrawType", DrawType, DrawTypeNames);
}

std::string TSearchClass::GetCaption() { return TranslateText(GetName()); }

void THit::describe(TPropertyVisitor& v) { v.Object("ItemData", ItemData); }

THit* THits::FindByDisplayName(const std::string& name) {
  for (auto& hit : *this)
    if (AnsiSameText(hit->ItemData.DisplayName, name)) return hit.get();
  return nullptr;
}

void TMagicWord::describe(TPropertyVisitor& v) {
  v.String("MagicWord", MagicWord);
  v.String("Description", Description);
  v.String("ExecuteString", ExecuteString);
  v.String("Parameters", Parameters);
  v.Boolean("RunAsAdmin", RunAsAdmin);
  v.String("Path", Path);
}

TMagicWord* TMagicWords::FindByMagicWord(const std::string& word) {
  for (auto& item : *this)
    if (AnsiSameText(item->MagicWord, word)) return item.get();
  return nullptr;
}

std::string FilterTypeToStr(TFilterType type) { return type == ftExt ? "Extension" : "Word"; }
std::string FilterActionToStr(TFilterAction action) { return action == faShow ? "Show" : "Hide"; }

void TFilterItem::describe(TPropertyVisitor& v) {
  v.Enumeration("FilterType", FilterType, FilterTypeNames);
  v.String("Value", Value);
  v.Enumeration("Action", Action, FilterActionNames);
}

TFilterItem& TFilters::Add(TFilterType type, const std::string& value, TFilterAction action) {
  TFilterItem& item = Add();
  item.FilterType = type;
  item.Value = value;
  item.Action = action;
  return item;
}

// --- Settings -----------------------------------------------------------------------------

TLorvexSettings::TLorvexSettings(TComponent* owner)
    : TComponent(owner), IsUrl(DefaultIsUrl()), SearchOrder(DefaultSearchOrder()) {
  AddDefaultFilters(Filters);
}

TStringList TLorvexSettings::DefaultIsUrl() { return {"http:", "https:", "mail.", "ftp.", "www.", "mms:"}; }

TStringList TLorvexSettings::DefaultSearchOrder() {
  return {"Desktop", "Start menu", "Control Panel", "Printers", "Internet Explorer Favorites", "Clipboard", "Internet"};
}

void TLorvexSettings::AddDefaultFilters(TFilters& filters) {
  filters.Add(ftExt, "lnk", faShow);
  filters.Add(ftExt, "exe", faShow);
  filters.Add(ftExt, "url", faShow);
  filters.Add(ftWord, "uninstall", faHide);
}

void TLorvexSettings::describe(TPropertyVisitor& v) {
  v.Integer("Left", Left);
  v.Integer("Top", Top);
  v.Integer("Width", Width);
  v.Integer("Height", Height);
  v.String("HotKey", HotKey);
  v.Boolean("UseScoring", UseScoring);
  v.Boolean("GroupHits", GroupHits);
  v.Boolean("InTray", InTray);
  v.Integer("Opacity", Opacity);
  v.Integer("MaxHits", MaxHits);
  v.Boolean("ExeInFront", ExeInFront);
  v.Boolean("ExtendedSearch", ExtendedSearch);
  v.Boolean("FoldersAreHits", FoldersAreHits);
  v.Boolean("LocalLanguageShortcuts", LocalLanguageShortcuts);
  v.Strings("IsUrl", IsUrl);
  v.Strings("SearchOrder", SearchOrder);
  v.Collection("Filters", Filters);
  v.Collection("MagicWords", MagicWords);
  v.Collection("LastUsed", LastUsed);
  v.String("Language", Language);
  v.Boolean("UseLocalLanguage", UseLocalLanguage);
}

void TLorvexSettings::ResolveSearchOrder() {
  SearchOrderObjects.clear();
  for (const std::string& name : SearchOrder) SearchOrderObjects.push_back(FindSearchClass(name));
}

void TLorvexSettings::TrimLastUsed() {
  const int keep = std::max(3, MaxHits);
  while (LastUsed.Count() > keep) LastUsed.Delete(LastUsed.Count() - 1);
}

std::vector<TSearchClass*>& SearchClasses() {
  static std::vector<TSearchClass*> classes;
  return classes;
}

TSearchClass* FindSearchClass(const std::string& name) {
  for (TSearchClass* source : SearchClasses())
    if (SameText(source->GetName(), name)) return source;
  return nullptr;
}

TSearchClass* FindSearchClassByCaption(const std::string& caption) {
  for (TSearchClass* source : SearchClasses())
    if (AnsiSameText(source->GetCaption(), caption)) return source;
  return nullptr;
}

TLorvexSettings& AppSettings() {
  static TLorvexSettings settings;
  return settings;
}

std::string SettingsFileName() { return SettingsFolder("Lorvex") + "Lorvex.def"; }

namespace {

// Far beyond any settings file the program writes (thousands of last-used hits take a few hundred
// kilobytes); reading a file this size could take more memory than there is.
constexpr int64_t MaxSettingsFileSize = 16 * 1024 * 1024;

// The settings file's text; empty with Problem set when it cannot be used at all.
std::string ReadSettingsText(const std::string& fileName, std::string& problem) {
  os::TDirEntry entry;
  std::string text;
  if (os::GetEntry(fileName, entry) && entry.Size > MaxSettingsFileSize)
    problem = "it is larger than 16 MB";
  else if (!os::ReadFile(fileName, text))
    problem = "it cannot be read";
  return text;
}

}  // namespace

bool LoadSettings(TLorvexSettings& settings, const std::string& fileName, const TSettingsErrorHandler& onError) {
  if (!os::FileExists(fileName)) return true;
  bool sound = true;
  auto complain = [&](const std::string& message) {
    sound = false;
    GetLog().Log("Lorvex", "Lorvex.def: " + message);
  };
  std::string problem;
  try {
    const std::string text = ReadSettingsText(fileName, problem);
    if (problem.empty()) TextToComponent(settings, text, complain);
  } catch (const Exception& e) {
    problem = e.Message();
  } catch (const std::bad_alloc&) {
    problem = "there is not enough memory to read it";
  }
  // Keep what could not be read: the next save would overwrite it.
  if (!problem.empty() || !sound) os::CopyFile(fileName, fileName + ".bad", true);
  if (problem.empty()) return sound;
  const std::string message = "The settings file " + fileName + " was not read (" + problem + "); it is kept as " +
                              fileName + ".bad and the default settings are used.";
  complain(message);
  if (onError) onError(message);
  return false;
}

void SaveSettings(TLorvexSettings& settings, const std::string& fileName) {
  if (!os::WriteFileReplacing(fileName, ComponentToText(settings)))
    throw EInOutError("Cannot write the settings file " + fileName);
}

// --- Paths --------------------------------------------------------------------------------

bool PortableMode = false;

std::string ExpandPath(const std::string& s) {
  const size_t p1 = s.find('%');
  if (p1 == std::string::npos) return s;
  const size_t p2 = s.find('%', p1 + 1);
  if (p2 == std::string::npos || p2 == p1 + 1) return s;

  const std::string name = s.substr(p1 + 1, p2 - p1 - 1);
  std::string value;
  if (SameText(name, "LorvexDrive"))
    value = ExtractFileDrive(os::ExeFileName());
  else if (!os::GetEnv(name, value))
    return s;
  return s.substr(0, p1) + value + s.substr(p2 + 1);
}

void ShellOpenOrRaise(const os::TShellOpenRequest& request) {
  std::string reason;
  if (!os::ShellOpen(request, reason)) throw Exception(FormatText(TranslateText("ShellExecute error %s"), {reason}));
}

std::string SettingsFolder(const std::string& name) {
  if (PortableMode) return ExeFolder();
  const std::string appData = GetSpecialFolderPath(26);
  if (appData.empty()) return ExeFolder();
  return IncludeTrailingBackslash(appData) + name + "\\";
}

// --- The file walk ------------------------------------------------------------------------

std::string AbbreviationMask(const std::string& text) {
  const std::vector<std::string_view> characters = Utf8Chars(text);
  if (characters.size() < 2 || characters.size() > 4) return {};
  std::string mask;
  for (const std::string_view c : characters) mask += (mask.empty() ? "" : " ") + std::string(c) + "*";
  return mask + ".*";
}

namespace {

// Every word begins the name or follows a blank in it.
bool AllWordsBeginWords(const std::string& upperName, const TStringList& words) {
  return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
    return upperName.starts_with(word) || upperName.find(" " + word) != std::string::npos;
  });
}

class TFileWalk {
 public:
  TFileWalk(const std::string& mask, const std::string& text, bool recurse, bool foldersAreHits, uint8_t options,
            const TFileFoundEvent& onFound)
      : FMask(mask),
        FUpperText(AnsiUpperCase(text)),
        FRecurse(recurse),
        FFoldersAreHits(foldersAreHits),
        FOptions(options),
        FOnFound(onFound) {
    if (options & soWords) SplitByChars(FUpperText, FWords, " ");
    if (options & soAbbreviations) FAbbreviationMask = AbbreviationMask(text);
  }

  // One listing of the folder serves every pass.
  void Walk(const std::string& folderName) {
    const std::string folder = IncludeTrailingBackslash(folderName);
    std::vector<os::TDirEntry> entries;
    if (!os::ListFolder(folder, entries)) return;

    MaskPass(folder, entries, FMask, dtPos);
    if (FOptions & (soDisplayNames | soWords)) NamePass(folder, entries);
    if ((FOptions & soAbbreviations) && !FAbbreviationMask.empty())
      MaskPass(folder, entries, FAbbreviationMask, dtAbbrevations);
    if (FRecurse) {
      for (const os::TDirEntry& entry : entries) {
        if (!entry.IsFolder() || (entry.Attr & os::faReparsePoint)) continue;
        if (Stopped() || Poll()) return;
        Walk(folder + entry.Name);
      }
    }
  }

 private:
  bool Stopped() const { return FStopped; }

  // Answers true when the walk is to stop, now and at every later call.
  bool Report(const std::string& path, const std::string& displayName, bool isFolder, TDrawType drawType) {
    if (!FStopped && FOnFound(path, displayName, isFolder, drawType) == 1) FStopped = true;
    return FStopped;
  }
  bool Poll() { return Report({}, {}, false, dtPos); }

  bool Reportable(const os::TDirEntry& entry) const { return !entry.IsFolder() || FFoldersAreHits; }

  void MaskPass(const std::string& folder, const std::vector<os::TDirEntry>& entries, const std::string& mask,
                TDrawType drawType) {
    for (const os::TDirEntry& entry : entries) {
      if (!MatchesFileMask(entry.Name, mask)) continue;
      if (Poll()) return;
      if (Reportable(entry) && Report(folder + entry.Name, {}, entry.IsFolder(), drawType)) return;
    }
  }

  void NamePass(const std::string& folder, const std::vector<os::TDirEntry>& entries) {
    for (const os::TDirEntry& entry : entries) {
      if (Poll()) return;
      if (!Reportable(entry)) continue;
      const std::string path = folder + entry.Name;
      if (FOptions & soDisplayNames) {
        const std::string displayName = os::ShellDisplayName(path);
        const bool differs = !displayName.empty() && !AnsiSameText(displayName, ExtractFileNameNoExt(entry.Name)) &&
                             !AnsiSameText(displayName, entry.Name);
        if (differs && AnsiUpperCase(displayName).find(FUpperText) != std::string::npos &&
            Report(path, displayName, entry.IsFolder(), dtPos))
          return;
      }
      if ((FOptions & soWords) && FWords.size() >= 2 && AllWordsBeginWords(AnsiUpperCase(entry.Name), FWords) &&
          Report(path, {}, entry.IsFolder(), dtWords))
        return;
    }
  }

  const std::string FMask;
  const std::string FUpperText;
  const bool FRecurse;
  const bool FFoldersAreHits;
  const uint8_t FOptions;
  const TFileFoundEvent& FOnFound;
  TStringList FWords;
  std::string FAbbreviationMask;
  bool FStopped = false;
};

}  // namespace

void SearchFiles(const std::string& mask, const std::string& folder, const std::string& text, bool recurse,
                 bool foldersAreHits, uint8_t options, const TFileFoundEvent& onFound) {
  if (folder.empty()) return;  // never the root of the drive
  TFileWalk(mask, text, recurse, foldersAreHits, options, onFound).Walk(folder);
}

namespace {

void FindFirstFileIn(const std::string& folderName, const std::string& mask, std::string& fileName) {
  const std::string folder = IncludeTrailingBackslash(folderName);
  std::vector<os::TDirEntry> entries;
  if (!os::ListFolder(folder, entries)) return;
  for (const os::TDirEntry& entry : entries)
    if (MatchesFileMask(entry.Name, mask)) fileName = folder + entry.Name;
  for (const os::TDirEntry& entry : entries) {
    if (!fileName.empty()) return;
    if (entry.IsFolder() && !(entry.Attr & os::faReparsePoint)) FindFirstFileIn(folder + entry.Name, mask, fileName);
  }
}

}  // namespace

void FindFirstFileRecursive(const std::string& folder, const std::string& mask, std::string& fileName) {
  fileName.clear();
  if (!folder.empty()) FindFirstFileIn(folder, mask, fileName);
}
