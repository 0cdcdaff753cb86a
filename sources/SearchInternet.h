// The web searches: every engine of the engine file is a hit, whatever is typed; running one
// opens the engine's address with the typed text put in. The engine file is section "Engines"
// of "LorvexInternet.ini" in the settings folder: one key per engine, its name, whose value is the
// address template with "#search#" where the text goes; the keys' order is the hits' order.
//
// Threads: Search reads the engine file on the worker while the GUI thread may run a hit or drop
// the file after the options dialog; the source hands out the file as a shared snapshot, so what
// a running search reads lives as long as the search needs it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/LorvexClasses.h"
#include "core/RowList.h"
#include "core/qmMemIni.h"
#include "sources/SettingsSnapshot.h"
#include "sources/SourceSupport.h"

constexpr const char* EnginesSection = "Engines";
constexpr const char* SearchPlaceholder = "#search#";

// The engine file in the settings folder.
std::string InternetIniFileName();

// Text as an address's path or query takes it: the bytes of its UTF-8 as "%XX", but for those
// that may stand there as they are and cannot split a query (A-Z a-z 0-9 - . _ ~ ! $ ' ( ) * ,
// : @ / ?).
std::string PercentEncode(const std::string& text);
// The address of a search: the typed text, encoded, in place of the template's first
// "#search#"; the rest of the template stays as it is.
std::string WebSearchAddress(const std::string& addressTemplate, const std::string& typed);

// One row of the engine list of the options dialog: columns "Engine" and "Search string".
struct TEngineRow {
  std::string Engine;
  std::string SearchString;
};
using TEngineRows = TRowList<TEngineRow>;
TEngineRows NewEngineRows();

// The engines of the file, in its order.
void LoadEngineRows(const std::string& fileName, TEngineRows& rows);
// Writes the rows as the file's engines, in their order; the file's other sections stay.
// Raises EInOutError when the file cannot be read or written.
void SaveEngineRows(const std::string& fileName, const TEngineRows& rows);

// Why the engine editor cannot take Engine and SearchString for the row at Row (-1: a new row),
// translated; empty when it can. A name becomes a key of the engine file and the name of an icon
// file, and two names that differ only in case are one key.
std::string CheckEngine(const TEngineRows& rows, int row, const std::string& engine, const std::string& searchString);

class TSearchInternet : public TSearchClass {
 public:
  // ShowDialog shows the options dialog over FileName and answers whether it closed with OK.
  TSearchInternet(TComponent* owner, std::string fileName, TIconLoader loadIcon, std::function<bool()> showDialog);

  bool HasOptions() override { return true; }
  std::string GetName() override { return "Internet"; }
  bool RememberInLastUsed() override { return false; }
  // The engine's icon of the images folder, else "search.ico".
  void LoadIcon(TItemData& item) override;
  // After OK the engine file is read again at its next use.
  void ShowOptions() override;
  // Every engine, whatever the text.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Opens the engine's address with the typed text; nothing for an engine without one.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchInternet"; }

 private:
  std::string FFileName;
  TIconLoader FLoadIcon;
  std::function<bool()> FShowDialog;
  // The engine file, read at the first need after start and after each OK of the dialog.
  TSettingsSnapshot<TMemIniFile> FEngines;
};
