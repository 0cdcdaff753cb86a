#include "sources/SearchInternet.h"

#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"

namespace {

// What may stand as it is in an address's path and query and still means itself there: letters,
// digits, "-._~", "!$'()*," and ":@/?". "&", "=", ";" and "+" split a query or stand for a blank
// in it, "#" starts the fragment and "%" an escape: those, blanks and all else are encoded.
bool StaysInAddress(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~!$'()*,:@/?").find(static_cast<char>(c)) != std::string_view::npos;
}

// A name that can be a key of the engine file ("[" would start a section, ";" a comment, "=" end
// the key) and the name of a file of the images folder.
bool IsEngineName(const std::string& name) {
  return !name.empty() && name.front() != '[' && name.front() != ';' &&
         name.find_first_of("=\\/:*?\"<>|") == std::string::npos;
}

}  // namespace

std::string InternetIniFileName() { return SettingsFolder("Lorvex") + "LorvexInternet.ini"; }

std::string PercentEncode(const std::string& text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (StaysInAddress(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += Hex[byte >> 4];
      encoded += Hex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string WebSearchAddress(const std::string& addressTemplate, const std::string& typed) {
  std::string address = addressTemplate;
  const size_t at = address.find(SearchPlaceholder);
  if (at != std::string::npos) address.replace(at, std::string_view(SearchPlaceholder).size(), PercentEncode(typed));
  return address;
}

// --- The engine list of the options dialog ---------------------------------------------------

TEngineRows NewEngineRows() {
  return TEngineRows([](const TEngineRow& row, int column) { return column == 0 ? row.Engine : row.SearchString; });
}

void LoadEngineRows(const std::string& fileName, TEngineRows& rows) {
  const TMemIniFile ini(fileName);
  rows.Clear();
  for (const std::string& name : ini.KeyNames(EnginesSection))
    rows.Add({name, ini.ReadString(EnginesSection, name, "")});
}

void SaveEngineRows(const std::string& fileName, const TEngineRows& rows) {
  TMemIniFile ini(fileName);
  ini.EraseSection(EnginesSection);
  for (const TEngineRow& row : rows.Items()) ini.WriteString(EnginesSection, row.Engine, row.SearchString);
  ini.UpdateFile();
}

std::string CheckEngine(const TEngineRows& rows, int row, const std::string& engine, const std::string& searchString) {
  if (searchString.find(SearchPlaceholder) == std::string::npos)
    return TranslateText("Include #search# into search string.");
  if (!IsEngineName(engine))
    return TranslateText(
        "The name of an engine must not be empty, begin with [ or ; or hold any of "
        "= \\ / : * ? \" < > |.");
  for (int i = 0; i < rows.RowCount(); ++i)
    if (i != row && AnsiSameText(rows[i].Engine, engine)) return TranslateFormat("Engine %s already exists.", {engine});
  return "";
}

// --- TSearchInternet --------------------------------------------------------------------------

TSearchInternet::TSearchInternet(TComponent* owner, std::string fileName, TIconLoader loadIcon,
                                 std::function<bool()> showDialog)
    : TSearchClass(owner),
      FFileName(std::move(fileName)),
      FLoadIcon(std::move(loadIcon)),
      FShowDialog(std::move(showDialog)),
      FEngines([this] { return TMemIniFile(FFileName); }) {}

void TSearchInternet::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::shared_ptr<const TMemIniFile> engines = FEngines.Get();
  TItemRecord record;
  record.Description = TranslateText("Search internet");
  record.Parameters = text;
  record.Score = 0;
  record.SearchClassName = GetName();
  // A few engines: all of them are reported, whatever the answer.
  for (const std::string& name : engines->KeyNames(EnginesSection)) {
    record.DisplayName = record.ExecuteString = name;
    addHit(record);
  }
}

void TSearchInternet::Execute(TItemData& item) {
  // The engine's name and the typed text are no paths: a "%" in them is their own.
  const std::string addressTemplate = FEngines.Get()->ReadString(EnginesSection, item.StoredExecuteString(), "");
  if (addressTemplate.empty()) return;
  os::TShellOpenRequest request = ShellOpenRequestFor(item);
  request.File = WebSearchAddress(addressTemplate, item.StoredParameters());
  request.Parameters.clear();
  ShellOpenOrRaise(request);
}

void TSearchInternet::LoadIcon(TItemData& item) {
  const std::string& name = item.StoredExecuteString();
  const bool own = IsEngineName(name) && FileExists(ImagesIcon(name));
  if (FLoadIcon) FLoadIcon(item, {ImagesIcon(own ? name : "search"), 0});
}

void TSearchInternet::ShowOptions() {
  if (FShowDialog && FShowDialog()) FEngines.Drop();
}
