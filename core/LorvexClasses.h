// The shared model of the launcher: the search-source interface, items, hits, magic words,
// filters, the settings component, the source registry and the shared file walk.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Persistent.h"

namespace os {
struct TShellOpenRequest;
}

// The kind byte of records and items.
using ItemKind = uint8_t;
enum : ItemKind {
  ikHit = 0,          // an ordinary hit of a source
  ikGroupHeader = 1,  // a group header row (made by the main window only)
  ikMagicWord = 2,
  ikError = 3,
};

// How the typed text matched an item, and so how its row marks it.
enum TDrawType : uint8_t {
  dtPos,           // the text occurs in the name, or the file matched a file mask
  dtAbbrevations,  // the typed letters are the initials of the name's words
  dtWords,         // every typed word begins a word of the name
};

// What a source fills for every match it reports.
struct TItemRecord {
  ItemKind Kind = ikHit;
  std::string DisplayName;  // empty: only asks whether to stop
  std::string Hint;
  std::string ExecuteString;
  std::string Description;
  std::string Parameters;
  std::string Extension;  // with its dot
  int32_t Score = -1;     // -1: computed by the main window; 0: appended; > 0: inserted by it
  std::string IconFile;
  int32_t IconIndex = 0;
  std::string SearchClassName;
  std::string Path;
  TDrawType DrawType = dtPos;
};

// The add-hit function: takes a copy of the record; True means the search was cancelled.
using TAddHitFunc = std::function<bool(const TItemRecord& item)>;

// An icon that the window layer fills in; the core only owns it.
class TIcon {
 public:
  virtual ~TIcon() = default;
};

// The item that a result row or a last-used hit carries.
class TItemData : public TPersistent {
 public:
  TItemData() = default;
  explicit TItemData(const TItemRecord& record);

  ItemKind Kind = ikHit;
  std::string DisplayName;
  std::string Hint;
  std::string Description;
  std::string Extension;
  int32_t Score = -1;
  std::string SearchClassName;
  int32_t IconIndex = 0;
  std::unique_ptr<TIcon> Icon;  // empty until the row's icon is loaded
  bool AsAdmin = false;
  TDrawType DrawType = dtPos;

  // These four read through ExpandPath; the stored text keeps its macros.
  std::string ExecuteString() const;
  std::string Parameters() const;
  std::string IconFile() const;
  std::string Path() const;
  void SetExecuteString(std::string value) { FExecuteString = std::move(value); }
  void SetParameters(std::string value) { FParameters = std::move(value); }
  void SetIconFile(std::string value) { FIconFile = std::move(value); }
  void SetPath(std::string value) { FPath = std::move(value); }
  // The texts as stored, macros and all: for a source whose texts are data, not paths (a copied
  // text, a group's name, a file's own name, a web address whose "%20" is no macro).
  const std::string& StoredExecuteString() const { return FExecuteString; }
  const std::string& StoredParameters() const { return FParameters; }

  // Copies kind, names, the expanded execute string, parameters and icon file, score and icon
  // index; the target keeps its Extension, AsAdmin, Path, DrawType and icon.
  void Assign(const TItemData& source);

  void describe(TPropertyVisitor& visitor) override;

 private:
  std::string FExecuteString;
  std::string FParameters;
  std::string FIconFile;
  std::string FPath;
};

class TSearchClass : public TComponent {
 public:
  explicit TSearchClass(TComponent* owner) : TComponent(owner) {}

  virtual bool HasOptions() { return false; }
  // The fixed English name: the key of the search order, of SearchClassName and of the registry.
  virtual std::string GetName() = 0;
  virtual bool RememberInLastUsed() { return true; }
  virtual void LoadIcon(TItemData& item) {}
  virtual void ShowOptions() {}
  // Runs on the search worker: one record per match to AddHit, until it answers True.
  virtual void Search(const std::string& text, const TAddHitFunc& addHit) = 0;
  // Runs on the GUI thread while Search may run on the worker, which is told to stop: a source
  // that can wait outside AddHit (in a driver) ends that wait.
  virtual void CancelSearch() {}
  // Runs on the GUI thread.
  virtual void Execute(TItemData& item) = 0;
  virtual void Reset() {}

  // What the user sees: the name, translated.
  std::string GetCaption();

  const char* ClassName() const override { return "TSearchClass"; }
};

// One last-used hit.
class THit : public TCollectionItem {
 public:
  TItemData ItemData;
  void SetItemData(const TItemData& item) { ItemData.Assign(item); }
  void Assign(const THit& other) { ItemData.Assign(other.ItemData); }
  void describe(TPropertyVisitor& visitor) override;
};

class THits : public TOwnedCollection<THit> {
 public:
  // The first hit whose DisplayName equals Name ignoring case; nullptr when none.
  THit* FindByDisplayName(const std::string& name);
};

class TMagicWord : public TCollectionItem {
 public:
  std::string MagicWord;
  std::string ExecuteString;
  std::string Parameters;
  std::string Description;
  bool RunAsAdmin = false;
  std::string Path;  // working folder; empty: the folder of the execute string

  void Assign(const TMagicWord& other) { *this = other; }
  void describe(TPropertyVisitor& visitor) override;
};

class TMagicWords : public TOwnedCollection<TMagicWord> {
 public:
  TMagicWord* FindByMagicWord(const std::string& word);
};

enum TFilterType : uint8_t { ftExt, ftWord };
enum TFilterAction : uint8_t { faShow, faHide };

std::string FilterTypeToStr(TFilterType type);
std::string FilterActionToStr(TFilterAction action);

class TFilterItem : public TCollectionItem {
 public:
  TFilterType FilterType = ftExt;
  std::string Value;  // an extension without its dot, or a word of the name
  TFilterAction Action = faShow;

  void Assign(const TFilterItem& other) { *this = other; }
  void describe(TPropertyVisitor& visitor) override;
};

class TFilters : public TOwnedCollection<TFilterItem> {
 public:
  TFilterItem& Add(TFilterType type, const std::string& value, TFilterAction action);
  using TOwnedCollection<TFilterItem>::Add;
};

class TLorvexSettings : public TComponent {
 public:
  explicit TLorvexSettings(TComponent* owner = nullptr);

  int32_t Left = 500;
  int32_t Top = 300;
  int32_t Width = 200;
  int32_t Height = 400;
  std::string HotKey = "Win+S";
  bool UseScoring = true;
  bool GroupHits = true;
  bool InTray = true;
  int32_t Opacity = 90;
  int32_t MaxHits = 10;
  bool ExeInFront = false;
  bool ExtendedSearch = false;
  bool FoldersAreHits = false;
  bool LocalLanguageShortcuts = true;
  TStringList IsUrl;
  TStringList SearchOrder;
  TFilters Filters;
  TMagicWords MagicWords;
  THits LastUsed;
  std::string Language;
  bool UseLocalLanguage = false;

  // Not saved: the hot-key value the main window registered (0: none).
  int32_t RegisteredHotKey = 0;

  // SearchOrder resolved to sources, entry by entry (nullptr for a name no source answers).
  std::vector<TSearchClass*> SearchOrderObjects;
  void ResolveSearchOrder();

  // Deletes the oldest last-used hits beyond the larger of 3 and MaxHits.
  void TrimLastUsed();

  void describe(TPropertyVisitor& visitor) override;
  const char* ClassName() const override { return "TLorvexSettings"; }

  static TStringList DefaultIsUrl();
  static TStringList DefaultSearchOrder();
  static void AddDefaultFilters(TFilters& filters);
};

// The registry of every source instance, in registration order; it does not own them.
std::vector<TSearchClass*>& SearchClasses();
TSearchClass* FindSearchClass(const std::string& name);
TSearchClass* FindSearchClassByCaption(const std::string& caption);

// The one process-wide settings object.
TLorvexSettings& AppSettings();

// Reads "Lorvex.def" into Settings when the file exists. A damaged file never stops the
// program: what cannot be read keeps its value, the problem is logged, and the file is kept
// as "Lorvex.def.bad" before the next save can overwrite it. A file that cannot be read at all
// (larger than 16 MB, not component text, more than the memory holds) leaves every setting as
// it was and is also told to OnError, in a sentence for the user. False when anything was wrong.
using TSettingsErrorHandler = std::function<void(const std::string& message)>;
bool LoadSettings(TLorvexSettings& settings, const std::string& fileName,
                  const TSettingsErrorHandler& onError = nullptr);
// Writes the settings as component text, replacing the file only when the new one is whole.
// Raises EInOutError when the file cannot be written.
void SaveSettings(TLorvexSettings& settings, const std::string& fileName);
// The settings file in the settings folder.
std::string SettingsFileName();

// --- Paths and the shared file walk -----------------------------------------------------

// Set at start-up from the executable's INI file: settings live beside the executable.
extern bool PortableMode;

// The first name between two percent signs is replaced: "LorvexDrive" (any case) by the
// executable's drive, any other by that environment variable. A name that is empty or not set
// leaves the text as it is ("%20" in an address, "100% done.txt").
std::string ExpandPath(const std::string& s);

// Hands Request to the shell; a failure raises "ShellExecute error %s" with the shell's reason.
void ShellOpenOrRaise(const os::TShellOpenRequest& request);

// The folder of the settings file and every per-source file, with a trailing backslash.
std::string SettingsFolder(const std::string& name);

// Answer 1 to stop the walk. A call with an empty FullPath only asks whether to stop.
using TFileFoundEvent =
    std::function<int(const std::string& fullPath, const std::string& displayName, bool isFolder, TDrawType drawType)>;

enum : uint8_t {
  soAbbreviations = 1,
  soDisplayNames = 2,
  soWords = 4,
};

// The initials mask of a text of 2 to 4 characters: "abc" gives "a* b* c*.*"; empty otherwise.
std::string AbbreviationMask(const std::string& text);

// Matches Text against the names in Folder (and with Recurse its subfolders): file mask,
// display names, words and abbreviations, as Options ask.
void SearchFiles(const std::string& mask, const std::string& folder, const std::string& text, bool recurse,
                 bool foldersAreHits, uint8_t options, const TFileFoundEvent& onFound);

// The last file matching Mask in Folder, else the first found depth first in its subfolders;
// empty when none.
void FindFirstFileRecursive(const std::string& folder, const std::string& mask, std::string& fileName);
