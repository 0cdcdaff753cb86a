// The clipboard source: a history of what the user copies anywhere on the machine (texts
// always, pictures when asked to) and the user's permanent texts, offered as hits; running a
// hit puts that text or picture back on the clipboard.
//
// The history lives in memory only. A clipboard viewer of the window layer fills it on the GUI
// thread (sources/win32/SearchClipboard.h); the search worker reads snapshots of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/qmMemIni.h"

// "lorvexclipboard.ini": [Settings] and [Permanent].
struct TClipboardSettings {
  bool KeepAlive = true;            // re-join the viewer chain every 30 s when another viewer took the lead
  bool StoreImages = false;         // keep copied pictures too
  std::string HistoryCount = "20";  // as typed in the options
  TStringList Permanent;            // with their line breaks

  // How many entries the history keeps: HistoryCount as set (0 for a negative one), 20 when it
  // is no number.
  int HistoryLimit() const;

  // [Settings], a missing key leaving the value held (the clipboard window starts from the
  // values above, the options dialog from StoreImages true), and every key of [Permanent] in
  // file order, whatever its name.
  void Load(const TMemIniFile& ini);
  // [Permanent] written anew as "Item1", "Item2", ...; each text whole, a line break stored as
  // "#13#10" (EncodeTextLine).
  void Save(TMemIniFile& ini) const;

  static constexpr const char* IniFileName = "lorvexclipboard.ini";
};

// A copied picture: a bitmap as a packed DIB, or a Windows metafile as the clipboard offers it
// (CF_METAFILEPICT: the metafile's bytes with the mapping mode and extent it is drawn with).
struct TClipboardPicture {
  enum TFormat { pfDib, pfMetafile } Format = pfDib;
  std::string Data;
  int32_t MappingMode = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  bool operator==(const TClipboardPicture&) const = default;
};

// One entry of the history.
struct TClipboardEntry {
  std::string Text;       // the copied text, or the picture's caption ("Image " and the time)
  std::string UpperText;  // Text upper-cased, for matching
  // 0 for a text that Text gives back as copied; else the entry's own key (a picture, or a text
  // that only Copied holds exactly).
  uint64_t Key = 0;
  // A text as it was copied when Text cannot give it back: UTF-16 with a surrogate without its
  // partner, which Text shows as U+FFFD.
  std::u16string Copied;
  std::shared_ptr<const TClipboardPicture> Picture;
};

// The history, newest first, within its count and a budget of picture bytes (a DIB's or a
// metafile's): the oldest pictures leave first, texts stay. Changed by one thread (the GUI thread's clipboard viewer);
// read from any thread as snapshots that later changes leave as they were.
class TClipboardHistory {
 public:
  using TEntries = std::vector<std::shared_ptr<const TClipboardEntry>>;

  static constexpr size_t DefaultPictureBudget = size_t(256) << 20;

  explicit TClipboardHistory(int limit, size_t pictureBudget = DefaultPictureBudget)
      : FLimit(limit), FPictureBudget(pictureBudget), FEntries(std::make_shared<const TEntries>()) {}

  // A text the history holds already (among texts, ignoring case) moves to the top as it was
  // stored; a new one goes on top and the oldest entries beyond the limit go.
  void AddText(const std::string& text);
  // The same with a text as the clipboard gives it, kept exactly.
  void AddText(std::u16string_view copied);
  // Every picture is a new entry, with a key of its own; answers the key, or 0 when the picture
  // alone is beyond the budget (it is not kept).
  uint64_t AddPicture(TClipboardPicture picture, const std::string& caption);

  std::shared_ptr<const TEntries> Entries() const;
  // The entry with Key; nullptr when it has left the history.
  std::shared_ptr<const TClipboardEntry> Entry(uint64_t key) const;
  // The picture with Key; nullptr when it has left the history.
  std::shared_ptr<const TClipboardPicture> Picture(uint64_t key) const;
  size_t PictureBudget() const { return FPictureBudget; }

 private:
  void Add(std::string text, std::u16string copied);
  void Publish(TEntries entries);

  const int FLimit;
  const size_t FPictureBudget;
  mutable std::mutex FLock;
  std::shared_ptr<const TEntries> FEntries;
  uint64_t FNextKey = 1;
};

// What the source needs of the system's clipboard.
class TClipboardSystem {
 public:
  virtual ~TClipboardSystem() = default;
  // Replace the clipboard's content; the history does not take it as a new copy.
  virtual void PutText(const std::string& text) = 0;
  virtual void PutCopiedText(const std::u16string& text) = 0;  // UTF-16 as it is, unchecked
  virtual void PutPicture(const TClipboardPicture& picture) = 0;
  // A row's icon: the picture itself, or the source's own icon.
  virtual std::unique_ptr<TIcon> PictureIcon(const TClipboardPicture& picture) = 0;
  virtual std::unique_ptr<TIcon> ClipboardIcon() = 0;
};

// The text of clipboard data of Bytes bytes: up to its first zero character, and never past its
// end (another program's data need not end with one).
std::u16string BoundedClipboardText(const char16_t* data, size_t bytes);

// The size of a packed DIB as its header describes it (header, colour table or masks, and
// pixels); nothing when the header is not one a bitmap can be made from, or describes more data
// than Size bytes.
struct TDibLayout {
  int32_t Width = 0;
  int32_t Height = 0;  // negative: top-down
  uint16_t BitCount = 0;
  uint32_t HeaderSize = 0;
  uint32_t ColorBytes = 0;
  uint64_t PixelBytes = 0;
};
std::optional<TDibLayout> CheckDib(std::string_view data);

// Whether Data can be a Windows metafile: a header of its kind whose size, in 16-bit words, its
// data holds.
bool CheckMetafile(std::string_view data);

class TSearchClipboard : public TSearchClass {
 public:
  TSearchClipboard(TComponent* owner, std::shared_ptr<TClipboardHistory> history, TStringList permanent,
                   std::unique_ptr<TClipboardSystem> system, std::function<void()> optionsDialog);

  std::string GetName() override { return "Clipboard"; }
  bool HasOptions() override { return true; }
  // Clipboard hits never enter the last-used list.
  bool RememberInLastUsed() override { return false; }
  void LoadIcon(TItemData& item) override;
  void ShowOptions() override;
  // The entries that hold the text (all of them for a part of "clipboard"), then the permanent
  // texts that hold it.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Puts the hit back on the clipboard exactly as it was copied. A picture (or a text kept as
  // UTF-16) that has left the history raises.
  void Execute(TItemData& item) override;
  const char* ClassName() const override { return "TSearchClipboard"; }

  TClipboardHistory& History() { return *FHistory; }
  const TStringList& Permanent() const { return FPermanent; }

 private:
  bool Report(const TAddHitFunc& addHit, const std::string& text, uint64_t key);

  std::shared_ptr<TClipboardHistory> FHistory;
  const TStringList FPermanent;  // read once at start
  std::unique_ptr<TClipboardSystem> FSystem;
  std::function<void()> FOptionsDialog;
};
