// An INI file held in memory: read whole when opened, changed in memory, written whole.
//
// Sections and keys keep their file order; names are found ignoring case. Comment lines
// (";"), blank lines and lines that are neither a section nor "key=value" are kept where they
// stand, so rewriting a file changes only what was written. A second header of a section
// that came before continues that section. Files are read with any line ends (and a UTF-8
// byte-order mark) and written with CR LF.
#pragma once

#include <string>
#include <vector>

#include "core/Persistent.h"

class TMemIniFile {
 public:
  // Reads FileName when it exists; a missing file starts empty. An existing file that cannot
  // be read raises EInOutError.
  explicit TMemIniFile(const std::string& fileName);

  const std::string& FileName() const { return FFileName; }

  // The value as the system's profile calls read it: blanks at its ends taken off, then one pair
  // of quotes (single or double) around it.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // A decimal integer (blanks around it allowed); Default when missing or not a number.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // True for an integer other than 0; Default when missing or not an integer.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Changes the key's value, or appends the key to its section (and the section to the file).
  // ReadString, and the system's profile calls, read the value back as it was: one with blanks at
  // an end, or with quotes at both, is written in double quotes. A line break (or a lone CR or LF)
  // in a value is written "#13#10", the coding DecodeLineBreaks reads; one in a name as a blank.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" or "0"

  // The sections' names in file order.
  TStringList SectionNames() const;
  // The keys of one section in file order; empty when there is no such section.
  TStringList KeyNames(const std::string& section) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);

  // The whole file as it would be written.
  std::string Text() const;
  // Writes the whole file, replacing the old one only when the new one is complete.
  // Raises EInOutError when it cannot be written.
  void UpdateFile() const;

 private:
  // A line of a section: a key with its value, or any other line kept as it was.
  struct TLine {
    bool IsKey = false;
    std::string Key;
    std::string Value;
    std::string Raw;
  };
  struct TSection {
    std::string Name;
    std::vector<TLine> Lines;
  };

  void Parse(const std::string& text);
  const TSection* FindSection(const std::string& name) const;
  TSection* FindSection(const std::string& name);
  static const TLine* FindKey(const TSection& section, const std::string& key);
  static TLine* FindKey(TSection& section, const std::string& key);

  std::string FFileName;
  bool FByteOrderMark = false;
  std::vector<std::string> FHeader;  // the lines before the first section
  std::vector<TSection> FSections;
};
