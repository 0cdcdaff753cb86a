// The mp3 source: mp3 files in the folders the user lists, found by their names or, when asked
// to, by the title, artist and album of their ID3 version 1 tag. It walks the folders itself:
// a tag search opens every mp3 file and reads its last 128 bytes.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "sources/SearchFolders.h"

// The fields of an ID3v1 tag, as UTF-8.
struct TId3v1Tag {
  std::string Title;
  std::string Artist;
  std::string Album;

  bool operator==(const TId3v1Tag&) const = default;
};

constexpr size_t Id3v1Size = 128;

// Reads the tag from a file's last 128 bytes: false when there are fewer or they do not begin
// with "TAG". A field ends at its first zero byte or after its 30 bytes, loses the blanks that
// pad it, and is read by the rule for 8-bit texts from outside (UTF-8, else Windows-1252).
bool ReadId3v1(std::string_view last128, TId3v1Tag& tag);

// The tag of a file; false when the file has none, is too short, or cannot be opened or read.
bool ReadId3v1File(const std::string& fileName, TId3v1Tag& tag);

// "LorvexMp3.ini": a folder list, and [Options] "SearchTags".
struct TMp3Settings {
  TFolderList List;
  bool SearchTags = false;

  void Load(const TMemIniFile& ini);
  void Save(TMemIniFile& ini) const;
};

class TSearchMp3 : public TSearchClass {
 public:
  // Shows the mp3 options for a file of the settings folder; true after OK.
  using TOptionsDialog = std::function<bool(const std::string& iniFileName)>;

  TSearchMp3(TComponent* owner, TOptionsDialog optionsDialog);

  std::string GetName() override { return "Mp3"; }
  bool HasOptions() override { return true; }
  bool RememberInLastUsed() override { return false; }
  void ShowOptions() override;
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Plays the file with the program the shell associates with it.
  void Execute(TItemData& item) override;
  void Reset() override;
  const char* ClassName() const override { return "TSearchMp3"; }

  static constexpr const char* IniFileName = "LorvexMp3.ini";

 private:
  TOptionsDialog FOptionsDialog;
  TSettingsSnapshot<TMp3Settings> FSettings;
};
