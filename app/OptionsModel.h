// What the options dialog edits: copies of the settings' values and lists, read from the
// settings when the dialog opens and written back only by Store (OK). The rows carry the
// values themselves (a source's name, a filter's kinds), so storing never has to read them
// back from translated captions.
#pragma once

#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/RowList.h"

// A search-order row: the source's English name; its caption is the translated name.
struct TSearchOrderRow {
  std::string Name;
};

struct TFilterRow {
  TFilterType FilterType = ftExt;
  std::string Value;
  TFilterAction Action = faShow;
};

struct TMagicWordRow {
  std::string MagicWord;
  std::string Description;
  std::string ExecuteString;
  std::string Parameters;
  bool RunAsAdmin = false;
  std::string Path;
};

bool operator==(const TMagicWordRow& a, const TMagicWordRow& b);

// Columns: caption (translated name), "Details" (empty).
using TSearchOrderRows = TRowList<TSearchOrderRow>;
// Columns: translated type, value, translated action.
using TFilterRows = TRowList<TFilterRow>;
// Columns: word, description, execute string, parameters, "*" when run as administrator,
// path; kept sorted by the word.
using TMagicWordRows = TRowList<TMagicWordRow>;

TSearchOrderRows NewSearchOrderRows();
TFilterRows NewFilterRows();
TMagicWordRows NewMagicWordRows();

// The first row whose word equals Word ignoring case; -1 when none.
int FindMagicWordRow(const TMagicWordRows& rows, const std::string& word);

class TOptionsModel {
 public:
  explicit TOptionsModel(TLorvexSettings& settings);
  TLorvexSettings& Settings() const { return FSettings; }

  // Display page.
  int MaxHits = 10;  // 2..20
  int Opacity = 90;  // 10..100
  std::string HotKey;
  bool InTray = false;
  bool GroupHits = false;
  bool UseScoring = false;
  bool ExeInFront = false;
  bool ExtendedSearch = false;
  bool FoldersAreHits = false;

  // The language files' names without extension, in directory order; the dialog's list puts
  // "Default (no translations)" before them. LanguageIndex 0 is that default, i > 0 the name
  // Languages[i - 1].
  std::vector<std::string> Languages;
  int LanguageIndex = 0;

  TSearchOrderRows SearchOrder;
  TFilterRows Filters;
  TMagicWordRows MagicWords;

  // Reads every value from the settings; the languages are the "*.lng" files directly in
  // LanguageFolder.
  void Load(const std::string& languageFolder);
  // Writes every value back into the settings (OK).
  void Store();

  // Writes the settings' saved magic words (not the rows) into an INI file, one section per
  // word; other sections of an existing file stay. Raises EInOutError when it cannot be written.
  void ExportMagicWords(const std::string& fileName) const;
  // Appends a row for every section of an exported file, duplicates included. Raises
  // EInOutError when it cannot be read.
  void ImportMagicWords(const std::string& fileName);
  // Reads the other launcher's file: a word that exists already (ignoring case) is replaced
  // only when the asker agrees (All: this and every later one without asking; Cancel: stop,
  // keeping the rows so far). Raises EInOutError when it cannot be read.
  void ImportSlickRun(const std::string& fileName, TAsker& asker);

 private:
  TLorvexSettings& FSettings;
};

// The files that make a portable copy, and the marker that makes it portable.
struct TPortableCopy {
  struct TFileCopy {
    std::string Source;
    std::string Dest;
  };
  std::vector<std::string> Folders;  // created first, with their parents
  std::vector<TFileCopy> Files;
  std::string IniFile;  // gets "Portable" = "1" in section "Options"
};

// What copying ExeFolder into TargetFolder takes: the program's files that exist, the
// language files, the icons of "images". Raises Exception when the target is the program's
// own folder.
TPortableCopy PlanPortableCopy(const std::string& exeFolder, const std::string& targetFolder);
// Carries a plan out: answers the files (and the INI file) that could not be written.
std::vector<std::string> MakePortableCopy(const TPortableCopy& plan);
