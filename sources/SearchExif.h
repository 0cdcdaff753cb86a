// The image source: JPEG files in the folders the user lists, found by the text of their Exif
// and Windows metadata (description, author, comments, keywords, subject, title), with their
// shooting data in the hint. The folder list lives in "LorvexExif.ini" in the layout of every
// folder-list file (sources/SearchFolders.h).
//
// Threads: Search runs on the search worker; ShowOptions, Execute and Reset on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/LorvexClasses.h"
#include "metadata/Vmx.Exif.h"
#include "sources/SearchFolders.h"

// The texts of two enumerated values, each taken as the 16-bit signed number its tag holds:
// empty for -1 (missing, or stored as 65535), "<Unrecognised (n)>" for a value without a name, n
// being its low byte read as a signed number.
std::string ExposureProgramToStr(int32_t value);
std::string WhiteBalanceToStr(int32_t value);

// A number of the hint in the general format of "%g" with the user's decimal separator
// ("0.004", "2,8", "0.0000625").
std::string NumberText(double value);

// The first descriptive field (description, author, comments, keywords, subject, title in this
// order) whose upper-cased text holds UpperText; its text as stored goes to DisplayName. An
// empty UpperText matches nothing.
bool MatchesMetadata(const vmx::TCustomExifData& exif, const std::string& upperText, std::string& displayName);

// The hint of an image: its file, then a "label: value" line for each piece of metadata it has.
std::string DescribeImage(const vmx::TCustomExifData& exif, const std::string& fileName);

// Loads the Exif data of a JPEG file, reading its segments only up to the end of the Exif one
// (never the image data); answers the bytes read from the file. Raises what loading raises.
int64_t LoadImageExif(vmx::TExifData& exif, const std::string& fileName);

class TSearchExif : public TSearchClass {
 public:
  // Shows the folder-list dialog for a file of the settings folder, with its caption (in
  // English: the dialog translates it); true after OK.
  using TOptionsDialog = std::function<bool(const std::string& iniFileName, const std::string& caption)>;

  TSearchExif(TComponent* owner, TOptionsDialog optionsDialog);

  std::string GetName() override { return "Exif"; }
  bool HasOptions() override { return true; }
  bool RememberInLastUsed() override { return false; }
  // After OK the next search reads the folder list again.
  void ShowOptions() override;
  // A file that cannot be read is skipped; once the walk is over, the first such file fails the
  // search with its name and reason (one error line), unless the search was stopped.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Opens the image by its own name (a "%" in it is no macro) with its default program, whatever
  // Run As Administrator asks.
  void Execute(TItemData& item) override;
  void Reset() override;
  const char* ClassName() const override { return "TSearchExif"; }

  static constexpr const char* IniFileName = "LorvexExif.ini";

 private:
  int FileFound(const std::string& fileName);
  // The hit for an image whose metadata holds the text; false when it does not.
  bool MakeRecord(const std::string& fileName, TItemRecord& record);

  TOptionsDialog FOptionsDialog;
  TSettingsSnapshot<TFolderList> FFolders;

  // State of the running search (worker thread only).
  std::string FText;
  TAddHitFunc FAddHit;
  bool FStopped = false;
  std::string FFailure;
};
