#include "sources/SearchClipboard.h"

#include <algorithm>
#include <charconv>

#include "core/Unicode.h"
#include "core/qmFileUtils.h"
#include "core/qmLog.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "sources/SourceSupport.h"

namespace {

constexpr const char* SettingsSection = "Settings";
constexpr const char* PermanentSection = "Permanent";

uint32_t Read32(std::string_view data, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(static_cast<unsigned char>(data[offset + i])) << (8 * i);
  return value;
}

uint16_t Read16(std::string_view data, size_t offset) {
  return uint16_t(static_cast<unsigned char>(data[offset]) | static_cast<unsigned char>(data[offset + 1]) << 8);
}

}  // namespace

// --- Settings -----------------------------------------------------------------------------

int TClipboardSettings::HistoryLimit() const {
  const std::string text = Trim(HistoryCount);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return 20;
  return std::max(value, 0);
}

void TClipboardSettings::Load(const TMemIniFile& ini) {
  KeepAlive = ini.ReadBool(SettingsSection, "KeepAlive", KeepAlive);
  StoreImages = ini.ReadBool(SettingsSection, "StoreImages", StoreImages);
  HistoryCount = ini.ReadString(SettingsSection, "HistoryCount", HistoryCount);
  Permanent.clear();
  for (const std::string& key : ini.KeyNames(PermanentSection))
    Permanent.push_back(DecodeTextLine(ini.ReadString(PermanentSection, key, "")));
}

void TClipboardSettings::Save(TMemIniFile& ini) const {
  ini.WriteBool(SettingsSection, "KeepAlive", KeepAlive);
  ini.WriteBool(SettingsSection, "StoreImages", StoreImages);
  ini.WriteString(SettingsSection, "HistoryCount", HistoryCount);
  ini.EraseSection(PermanentSection);
  for (size_t i = 0; i < Permanent.size(); ++i)
    ini.WriteString(PermanentSection, "Item" + std::to_string(i + 1), EncodeTextLine(Permanent[i]));
}

// --- TClipboardHistory --------------------------------------------------------------------

void TClipboardHistory::AddText(const std::string& text) { Add(text, {}); }

void TClipboardHistory::AddText(std::u16string_view copied) {
  std::string text = Utf16ToUtf8(copied);
  const bool whole = Utf8ToUtf16(text) == copied;
  Add(std::move(text), whole ? std::u16string() : std::u16string(copied));
}

void TClipboardHistory::Add(std::string text, std::u16string copied) {
  TEntries entries = *Entries();
  for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
    if ((*entry)->Picture || (*entry)->Copied != copied || !AnsiSameText((*entry)->Text, text)) continue;
    std::rotate(entries.begin(), entry, entry + 1);
    Publish(std::move(entries));
    return;
  }
  auto entry = std::make_shared<TClipboardEntry>();
  entry->UpperText = UpperCase(text);
  entry->Text = std::move(text);
  if (!copied.empty()) entry->Key = FNextKey++;
  entry->Copied = std::move(copied);
  entries.insert(entries.begin(), std::move(entry));
  Publish(std::move(entries));
}

uint64_t TClipboardHistory::AddPicture(TClipboardPicture picture, const std::string& caption) {
  if (picture.Data.size() > FPictureBudget) return 0;
  auto entry = std::make_shared<TClipboardEntry>();
  entry->Text = caption;
  entry->UpperText = UpperCase(caption);
  entry->Picture = std::make_shared<const TClipboardPicture>(std::move(picture));
  const uint64_t key = entry->Key = FNextKey++;
  TEntries entries = *Entries();
  entries.insert(entries.begin(), std::move(entry));
  Publish(std::move(entries));
  return key;
}

void TClipboardHistory::Publish(TEntries entries) {
  if (entries.size() > static_cast<size_t>(std::max(FLimit, 0))) entries.resize(std::max(FLimit, 0));
  // From the newest on: once the pictures are over the budget, every older one goes too.
  size_t room = FPictureBudget;
  bool over = false;
  std::erase_if(entries, [&](const auto& entry) {
    if (!entry->Picture) return false;
    const size_t size = entry->Picture->Data.size();
    over = over || size > room;
    if (!over) room -= size;
    return over;
  });
  auto published = std::make_shared<const TEntries>(std::move(entries));
  std::lock_guard<std::mutex> lock(FLock);
  FEntries = std::move(published);
}

std::shared_ptr<const TClipboardHistory::TEntries> TClipboardHistory::Entries() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FEntries;
}

std::shared_ptr<const TClipboardEntry> TClipboardHistory::Entry(uint64_t key) const {
  const std::shared_ptr<const TEntries> entries = Entries();
  for (const auto& entry : *entries)
    if (key && entry->Key == key) return entry;
  return nullptr;
}

std::shared_ptr<const TClipboardPicture> TClipboardHistory::Picture(uint64_t key) const {
  const std::shared_ptr<const TClipboardEntry> entry = Entry(key);
  return entry ? entry->Picture : nullptr;
}

// --- Clipboard data -----------------------------------------------------------------------

std::u16string BoundedClipboardText(const char16_t* data, size_t bytes) {
  std::u16string_view text(data, data ? bytes / sizeof(char16_t) : 0);
  return std::u16string(text.substr(0, text.find(u'\0')));
}

std::optional<TDibLayout> CheckDib(std::string_view data) {
  constexpr uint32_t InfoHeaderSize = 40, BiRgb = 0, BiBitfields = 3;
  constexpr int32_t MaxSide = 1 << 15;
  if (data.size() < InfoHeaderSize) return std::nullopt;
  TDibLayout dib;
  dib.HeaderSize = Read32(data, 0);
  dib.Width = static_cast<int32_t>(Read32(data, 4));
  dib.Height = static_cast<int32_t>(Read32(data, 8));
  const uint16_t planes = Read16(data, 12);
  dib.BitCount = Read16(data, 14);
  const uint32_t compression = Read32(data, 16);
  const uint32_t colorsUsed = Read32(data, 32);

  const bool knownHeader = dib.HeaderSize == 40 || dib.HeaderSize == 52 || dib.HeaderSize == 56 ||
                           dib.HeaderSize == 108 || dib.HeaderSize == 124;
  const bool knownDepth = dib.BitCount == 1 || dib.BitCount == 4 || dib.BitCount == 8 || dib.BitCount == 16 ||
                          dib.BitCount == 24 || dib.BitCount == 32;
  const bool knownCompression =
      compression == BiRgb || (compression == BiBitfields && (dib.BitCount == 16 || dib.BitCount == 32));
  if (!knownHeader || !knownDepth || !knownCompression || planes != 1) return std::nullopt;
  if (dib.Width < 1 || dib.Width > MaxSide || dib.Height == 0 || dib.Height < -MaxSide || dib.Height > MaxSide)
    return std::nullopt;
  const uint32_t tableSize = dib.BitCount <= 8 ? 1u << dib.BitCount : 0;
  if (colorsUsed > (tableSize ? tableSize : 256u)) return std::nullopt;
  const uint32_t masks = compression == BiBitfields && dib.HeaderSize == InfoHeaderSize ? 12 : 0;
  dib.ColorBytes = masks + 4 * (colorsUsed ? colorsUsed : tableSize);
  const uint64_t stride = (uint64_t(dib.Width) * dib.BitCount + 31) / 32 * 4;
  dib.PixelBytes = stride * uint64_t(dib.Height < 0 ? -int64_t(dib.Height) : dib.Height);
  if (uint64_t(dib.HeaderSize) + dib.ColorBytes + dib.PixelBytes > data.size()) return std::nullopt;
  return dib;
}

bool CheckMetafile(std::string_view data) {
  // The header: type (1 in memory, 2 on disk), its own size in words (9), the version, then the
  // whole size in words.
  constexpr size_t HeaderSize = 18;
  if (data.size() < HeaderSize) return false;
  const uint16_t type = Read16(data, 0), headerWords = Read16(data, 2), version = Read16(data, 4);
  const uint64_t bytes = uint64_t(Read32(data, 6)) * 2;
  return (type == 1 || type == 2) && headerWords == HeaderSize / 2 && (version == 0x100 || version == 0x300) &&
         bytes >= HeaderSize && bytes <= data.size();
}

// --- TSearchClipboard ---------------------------------------------------------------------

TSearchClipboard::TSearchClipboard(TComponent* owner, std::shared_ptr<TClipboardHistory> history, TStringList permanent,
                                   std::unique_ptr<TClipboardSystem> system, std::function<void()> optionsDialog)
    : TSearchClass(owner),
      FHistory(std::move(history)),
      FPermanent(std::move(permanent)),
      FSystem(std::move(system)),
      FOptionsDialog(std::move(optionsDialog)) {}

void TSearchClipboard::ShowOptions() {
  if (FOptionsDialog) FOptionsDialog();
}

bool TSearchClipboard::Report(const TAddHitFunc& addHit, const std::string& text, uint64_t key) {
  TItemRecord record;
  record.DisplayName = text;
  record.Hint = text;
  record.ExecuteString = text;
  record.Description = TranslateText("Copy to clipboard");
  // The entry's hidden key: a picture's caption may be taken by another picture or typed as a
  // text, and a text kept as UTF-16 shows a replacement character where it was copied otherwise.
  if (key) record.Parameters = std::to_string(key);
  record.Score = 0;
  record.SearchClassName = GetName();
  return addHit(record);
}

void TSearchClipboard::Search(const std::string& text, const TAddHitFunc& addHit) {
  GetLog().Log("LorvexClipboard", "Search Clipboard for " + text);
  const std::string upperText = UpperCase(text);
  const bool wholeHistory = Contains("CLIPBOARD", upperText) || Contains(TranslateText("CLIPBOARD"), upperText);
  // Held for the whole walk: a range over the pointed-to list would not keep the snapshot alive.
  const std::shared_ptr<const TClipboardHistory::TEntries> entries = FHistory->Entries();
  for (const auto& entry : *entries)
    if ((wholeHistory || Contains(entry->UpperText, upperText)) && Report(addHit, entry->Text, entry->Key))
      return;
  for (const std::string& permanent : FPermanent)
    if (Contains(UpperCase(permanent), upperText) && Report(addHit, permanent, 0)) return;
}

namespace {

uint64_t KeyOf(const TItemData& item) {
  const std::string key = item.Parameters();
  uint64_t value = 0;
  std::from_chars(key.data(), key.data() + key.size(), value);
  return value;
}

}  // namespace

void TSearchClipboard::Execute(TItemData& item) {
  const uint64_t key = KeyOf(item);
  if (!key) {
    FSystem->PutText(item.StoredExecuteString());
    return;
  }
  const std::shared_ptr<const TClipboardEntry> entry = FHistory->Entry(key);
  if (!entry)
    throw Exception(FormatText(TranslateText("%s is no longer in the clipboard history."), {item.DisplayName}));
  if (entry->Picture)
    FSystem->PutPicture(*entry->Picture);
  else
    FSystem->PutCopiedText(entry->Copied);
}

void TSearchClipboard::LoadIcon(TItemData& item) {
  const std::shared_ptr<const TClipboardPicture> picture = FHistory->Picture(KeyOf(item));
  item.Icon = picture ? FSystem->PictureIcon(*picture) : FSystem->ClipboardIcon();
}
