#include "sources/SearchExif.h"


#include "core/Unicode.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"

using namespace vmx;

namespace {

std::string Unrecognised(int32_t value) {
  return FormatText("<Unrecognised (%d)>", {static_cast<int8_t>(value & 0xFF)});
}

std::string EnumText(int32_t tagValue, std::initializer_list<const char*> names) {
  const int16_t value = static_cast<int16_t>(tagValue);
  if (value == -1) return "";
  if (value >= 0 && value < static_cast<int32_t>(names.size())) return names.begin()[value];
  return Unrecognised(value);
}

// The date as the user's settings write it, with the time unless it is exactly midnight.
std::string DateTimeText(TDateTime value) {
  os::TLocalTime time;
  int ms = 0;
  DecodeDateTime(value, time.Year, time.Month, time.Day, time.Hour, time.Minute, time.Second, ms);
  std::string text = os::ShortDateText(time);
  if (time.Hour || time.Minute || time.Second || ms) text += " " + os::LongTimeText(time);
  return text;
}

template <class TRational>
std::string RationalText(TRational value, const std::string& unit) {
  return value.MissingOrInvalid() ? "" : NumberText(value.Quotient()) + " " + unit;
}

// The hint's lines: a line whose value is empty is left out.
class THintLines {
 public:
  explicit THintLines(std::string firstLine) : FText(std::move(firstLine)) {}
  void Add(const char* label, const std::string& value) {
    if (!value.empty()) FText += std::string("\r\n") + label + ": " + value;
  }
  const std::string& Text() const { return FText; }

 private:
  std::string FText;
};

}  // namespace

std::string ExposureProgramToStr(int32_t value) {
  return EnumText(value, {"Undefined", "Manual", "Normal", "Aperture priority", "Shutter priority", "Creative",
                          "Action", "Portrait", "Landscape"});
}

std::string WhiteBalanceToStr(int32_t value) { return EnumText(value, {"Auto", "Manual"}); }

std::string NumberText(double value) { return GeneralNumberText(value, os::DecimalSeparator(), 3); }

bool MatchesMetadata(const TCustomExifData& exif, const std::string& upperText, std::string& displayName) {
  if (upperText.empty()) return false;
  for (const std::string& field :
       {exif.ImageDescription(), Utf16ToUtf8(exif.Author()), Utf16ToUtf8(exif.Comments()), Utf16ToUtf8(exif.Keywords()),
        Utf16ToUtf8(exif.Subject()), Utf16ToUtf8(exif.Title())}) {
    if (!Contains(AnsiUpperCase(field), upperText)) continue;
    displayName = field;
    return true;
  }
  return false;
}

std::string DescribeImage(const TCustomExifData& exif, const std::string& fileName) {
  THintLines lines(TranslateText("FileName") + ": " + fileName);
  lines.Add("Camera model", exif.CameraModel());
  if (exif.DateTime() != 0) lines.Add("Date/time", DateTimeText(exif.DateTime()));
  lines.Add("Author", Utf16ToUtf8(exif.Author()));
  lines.Add("Comments", Utf16ToUtf8(exif.Comments()));
  lines.Add("Keywords", Utf16ToUtf8(exif.Keywords()));
  lines.Add("Subject", Utf16ToUtf8(exif.Subject()));
  lines.Add("Title", Utf16ToUtf8(exif.Title()));
  lines.Add("Exposure programme", ExposureProgramToStr(exif.GetExposureProgram()));
  lines.Add("Exposure time", RationalText(exif.GetExifFraction(ttag::ExposureTime), "seconds"));
  const TExifSignedRational bias = exif.GetExifSignedFraction(ttag::ExposureBiasValue);
  if (!bias.MissingOrInvalid()) lines.Add("Exposure bias value", NumberText(bias.Quotient()));
  if (!exif.Flash.IsMissing()) lines.Add("Flash fired", exif.Flash.Fired() ? "Yes" : "No");
  // The value is followed by a blank where other lines have their unit.
  lines.Add("F number", RationalText(exif.GetExifFraction(ttag::FNumber), ""));
  lines.Add("Focal length", RationalText(exif.GetExifFraction(ttag::FocalLength), ""));
  const TWordTagValue focalLength35 = exif.GetFocalLengthIn35mmFilm();
  if (focalLength35.Value != 0) lines.Add("Focal length in 35mm film", std::to_string(focalLength35.Value));
  if (!exif.ISOSpeedRatings.IsMissing()) lines.Add("ISO speed rating(s)", exif.ISOSpeedRatings.AsString());
  lines.Add("White balance mode", WhiteBalanceToStr(exif.GetWhiteBalanceMode()));
  return lines.Text();
}

int64_t LoadImageExif(TExifData& exif, const std::string& fileName) {
  // Unbuffered: the walk reads each marker and the Exif segment as it needs them, and stops there.
  TFileStream stream(fileName, 0);
  exif.LoadFromJPEG(stream, jsExif);
  return stream.BytesFetched();
}

// --- TSearchExif ------------------------------------------------------------------------------

TSearchExif::TSearchExif(TComponent* owner, TOptionsDialog optionsDialog)
    : TSearchClass(owner),
      FOptionsDialog(std::move(optionsDialog)),
      FFolders([] { return LoadFolderList(IniFileName); }) {}

void TSearchExif::ShowOptions() {
  if (FOptionsDialog && FOptionsDialog(IniFileName, "Exif options")) Reset();
}

void TSearchExif::Reset() { FFolders.Drop(); }

void TSearchExif::Search(const std::string& text, const TAddHitFunc& addHit) {
  FText = AnsiUpperCase(text);
  FAddHit = addHit;
  FStopped = false;
  FFailure.clear();
  if (FText.empty()) return;
  const std::shared_ptr<const TFolderList> list = FFolders.Get();
  // After a stop every further walk ends at its first poll.
  for (const std::string& folder : list->Folders)
    SearchFiles(
        "*.jpg", folder, "", list->Subfolders, false, 0,
        [this](const std::string& fullPath, const std::string&, bool, TDrawType) { return FileFound(fullPath); });
  if (!FFailure.empty() && !FStopped) throw Exception(FFailure);
}

int TSearchExif::FileFound(const std::string& fileName) {
  TItemRecord record;  // without a name: a poll
  if (!fileName.empty()) {
    try {
      if (!MakeRecord(fileName, record)) return 0;
    } catch (const std::exception& e) {
      if (FFailure.empty()) FFailure = fileName + ": " + e.what();
      return 0;
    }
  }
  FStopped = FAddHit(record) || FStopped;
  return FStopped ? 1 : 0;
}

bool TSearchExif::MakeRecord(const std::string& fileName, TItemRecord& record) {
  TExifData exif;
  exif.EnsureEnumsInRange = false;
  LoadImageExif(exif, fileName);
  if (exif.Empty() || !MatchesMetadata(exif, FText, record.DisplayName)) return false;
  record.Hint = DescribeImage(exif, fileName);
  record.ExecuteString = fileName;
  record.Description = TranslateText("Image");
  record.IconFile = fileName;
  record.SearchClassName = GetName();
  return true;
}

void TSearchExif::Execute(TItemData& item) {
  os::TShellOpenRequest request = FileOpenRequestFor(item);
  request.Verb.clear();
  ShellOpenOrRaise(request);
}
