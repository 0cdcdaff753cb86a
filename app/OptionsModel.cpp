#include "app/OptionsModel.h"

#include <algorithm>

#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "core/qmMemIni.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"

namespace {

// Words are sorted ignoring case; words that differ only in case stand in byte order.
bool MagicWordLess(const TMagicWordRow& a, const TMagicWordRow& b) {
  const std::string upperA = AnsiUpperCase(a.MagicWord);
  const std::string upperB = AnsiUpperCase(b.MagicWord);
  if (upperA != upperB) return upperA < upperB;
  return a.MagicWord < b.MagicWord;
}

// The names of the language files directly in Folder, in directory order.
std::vector<std::string> LanguageNames(const std::string& folder) {
  TStringList files;
  FindFiles("*.lng", folder, false, files);
  std::vector<std::string> names;
  for (const std::string& file : files) names.push_back(ExtractFileNameNoExt(file));
  return names;
}

// The other launcher may wrap a value in double quotes.
std::string Unquote(std::string text) {
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}

// An import reads a file that must be there: a missing file is an error, not an empty list.
TMemIniFile OpenImportFile(const std::string& fileName) {
  if (!os::FileExists(fileName)) throw EInOutError("Cannot open file \"" + fileName + "\"");
  return TMemIniFile(fileName);
}

// A folder's path for comparisons: one kind of separator and none at the end.
std::string ComparablePath(const std::string& path) {
  std::string result = path;
  std::replace(result.begin(), result.end(), '/', '\\');
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

bool SameFolder(const std::string& a, const std::string& b) {
  return AnsiSameText(ComparablePath(a), ComparablePath(b));
}

}  // namespace

bool operator==(const TMagicWordRow& a, const TMagicWordRow& b) {
  return a.MagicWord == b.MagicWord && a.Description == b.Description && a.ExecuteString == b.ExecuteString &&
         a.Parameters == b.Parameters && a.RunAsAdmin == b.RunAsAdmin && a.Path == b.Path;
}

TSearchOrderRows NewSearchOrderRows() {
  return TSearchOrderRows(
      [](const TSearchOrderRow& row, int column) { return column == 0 ? TranslateText(row.Name) : std::string(); });
}

TFilterRows NewFilterRows() {
  return TFilterRows([](const TFilterRow& row, int column) {
    switch (column) {
      case 0:
        return TranslateText(FilterTypeToStr(row.FilterType));
      case 1:
        return row.Value;
      case 2:
        return TranslateText(FilterActionToStr(row.Action));
      default:
        return std::string();
    }
  });
}

TMagicWordRows NewMagicWordRows() {
  return TMagicWordRows(
      [](const TMagicWordRow& row, int column) {
        switch (column) {
          case 0:
            return row.MagicWord;
          case 1:
            return row.Description;
          case 2:
            return row.ExecuteString;
          case 3:
            return row.Parameters;
          case 4:
            return std::string(row.RunAsAdmin ? "*" : "");
          case 5:
            return row.Path;
          default:
            return std::string();
        }
      },
      MagicWordLess);
}

int FindMagicWordRow(const TMagicWordRows& rows, const std::string& word) {
  for (int i = 0; i < rows.RowCount(); ++i)
    if (AnsiSameText(rows[i].MagicWord, word)) return i;
  return -1;
}

// --- TOptionsModel --------------------------------------------------------------------------

TOptionsModel::TOptionsModel(TLorvexSettings& settings)
    : SearchOrder(NewSearchOrderRows()),
      Filters(NewFilterRows()),
      MagicWords(NewMagicWordRows()),
      FSettings(settings) {}

void TOptionsModel::Load(const std::string& languageFolder) {
  MaxHits = FSettings.MaxHits;
  Opacity = FSettings.Opacity;
  HotKey = FSettings.HotKey;
  InTray = FSettings.InTray;
  GroupHits = FSettings.GroupHits;
  UseScoring = FSettings.UseScoring;
  ExeInFront = FSettings.ExeInFront;
  ExtendedSearch = FSettings.ExtendedSearch;
  FoldersAreHits = FSettings.FoldersAreHits;

  Languages = LanguageNames(languageFolder);
  LanguageIndex = 0;
  for (size_t i = 0; i < Languages.size(); ++i)
    if (AnsiSameText(Languages[i], FSettings.Language)) {
      LanguageIndex = static_cast<int>(i) + 1;
      break;
    }

  SearchOrder.Clear();
  for (const std::string& name : FSettings.SearchOrder) SearchOrder.Add({name});

  Filters.Clear();
  for (const auto& filter : FSettings.Filters) Filters.Add({filter->FilterType, filter->Value, filter->Action});

  MagicWords.Clear();
  for (const auto& word : FSettings.MagicWords)
    MagicWords.Add(
        {word->MagicWord, word->Description, word->ExecuteString, word->Parameters, word->RunAsAdmin, word->Path});
}

void TOptionsModel::Store() {
  FSettings.MaxHits = std::clamp(MaxHits, 2, 20);
  FSettings.Opacity = std::clamp(Opacity, 10, 100);
  FSettings.HotKey = HotKey;
  FSettings.InTray = InTray;
  FSettings.GroupHits = GroupHits;
  FSettings.UseScoring = UseScoring;
  FSettings.ExeInFront = ExeInFront;
  FSettings.ExtendedSearch = ExtendedSearch;
  FSettings.FoldersAreHits = FoldersAreHits;

  const bool aLanguage = LanguageIndex >= 1 && LanguageIndex <= static_cast<int>(Languages.size());
  FSettings.Language = aLanguage ? Languages[LanguageIndex - 1] : std::string();

  FSettings.SearchOrder.clear();
  for (const TSearchOrderRow& row : SearchOrder.Items()) FSettings.SearchOrder.push_back(row.Name);

  FSettings.Filters.Clear();
  for (const TFilterRow& row : Filters.Items()) FSettings.Filters.Add(row.FilterType, row.Value, row.Action);

  FSettings.MagicWords.Clear();
  for (const TMagicWordRow& row : MagicWords.Items()) {
    TMagicWord& word = FSettings.MagicWords.Add();
    word.MagicWord = row.MagicWord;
    word.Description = row.Description;
    word.ExecuteString = row.ExecuteString;
    word.Parameters = row.Parameters;
    word.RunAsAdmin = row.RunAsAdmin;
    word.Path = row.Path;
  }
}

void TOptionsModel::ExportMagicWords(const std::string& fileName) const {
  TMemIniFile ini(fileName);
  for (const auto& word : FSettings.MagicWords) {
    const std::string& section = word->MagicWord;
    ini.WriteString(section, "Description", word->Description);
    ini.WriteString(section, "ExecuteString", word->ExecuteString);
    ini.WriteString(section, "Parameters", word->Parameters);
    ini.WriteBool(section, "RunAsAdmin", word->RunAsAdmin);
    ini.WriteString(section, "Path", word->Path);
  }
  ini.UpdateFile();
}

void TOptionsModel::ImportMagicWords(const std::string& fileName) {
  const TMemIniFile ini = OpenImportFile(fileName);
  for (const std::string& section : ini.SectionNames()) {
    MagicWords.Add({section, ini.ReadString(section, "Description", ""), ini.ReadString(section, "ExecuteString", ""),
                    ini.ReadString(section, "Parameters", ""), ini.ReadBool(section, "RunAsAdmin", false),
                    ini.ReadString(section, "Path", "")});
  }
}

void TOptionsModel::ImportSlickRun(const std::string& fileName, TAsker& asker) {
  const TMemIniFile ini = OpenImportFile(fileName);
  bool replaceAll = false;
  for (const std::string& section : ini.SectionNames()) {
    const auto value = [&](const char* key) { return Unquote(ini.ReadString(section, key, "")); };
    TMagicWordRow row{Unquote(section), value("Notes"), value("Filename"), value("Params"), false, value("Path")};

    const int existing = FindMagicWordRow(MagicWords, row.MagicWord);
    if (existing < 0) {
      MagicWords.Add(std::move(row));
      continue;
    }
    if (!replaceAll) {
      const std::string question =
          TranslateFormat("Magic word %s already exists. Do you want me to replace the magic word?", {row.MagicWord});
      const TAnswer answer = asker.AskYesNoCancelAll(question);
      if (answer == TAnswer::Cancel) return;
      if (answer == TAnswer::No) continue;
      replaceAll = answer == TAnswer::All;
    }
    row.MagicWord = MagicWords[existing].MagicWord;  // the row keeps its own spelling
    MagicWords.Replace(existing, std::move(row));
  }
}

// --- Portable copy --------------------------------------------------------------------------

TPortableCopy PlanPortableCopy(const std::string& exeFolder, const std::string& targetFolder) {
  if (ComparablePath(targetFolder).empty()) throw Exception("Choose a folder for the portable copy of Lorvex.");
  if (SameFolder(exeFolder, targetFolder)) throw Exception("Lorvex cannot prepare a portable copy in its own folder.");

  const std::string source = IncludeTrailingBackslash(exeFolder);
  const std::string target = IncludeTrailingBackslash(targetFolder);
  TPortableCopy plan;
  plan.Folders = {target + "images"};

  for (const char* name : {"Lorvex.exe", "LorvexHelper.exe", "Lorvex.chm", "Lorvex.ini", "sqlite3.dll", "notes.sqlite"})
    if (os::FileExists(source + name)) plan.Files.push_back({source + name, target + name});

  const auto addFiles = [&plan](const std::string& mask, const std::string& from, const std::string& to) {
    TStringList files;
    FindFiles(mask, from, false, files);
    for (const std::string& file : files) plan.Files.push_back({file, to + ExtractFileName(file)});
  };
  addFiles("*.lng", source, target);
  addFiles("*.ico", source + "images\\", target + "images\\");

  plan.IniFile = target + "Lorvex.ini";
  return plan;
}

std::vector<std::string> MakePortableCopy(const TPortableCopy& plan) {
  std::vector<std::string> failed;
  for (const std::string& folder : plan.Folders)
    if (!ForceDirectories(folder)) failed.push_back(folder);
  for (const TPortableCopy::TFileCopy& file : plan.Files)
    if (!os::CopyFile(file.Source, file.Dest, true)) failed.push_back(file.Dest);
  if (!IniWriteString(plan.IniFile, "Options", "Portable", "1")) failed.push_back(plan.IniFile);
  return failed;
}
