// The sample images against the values ExifTool reads from them (tests/metadata/golden/
// exif.json, made by scripts/make_exif_golden.sh): every field the image source shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <variant>

#include "tests/support/TestPaths.h"
#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/Corpora.h"

using namespace vmx;

namespace {

// Just enough JSON for the golden file: an array of flat objects whose values are strings,
// numbers, booleans, null or arrays of strings.
struct TGoldenValue {
  std::string Text;     // a string, or a number's literal text
  bool IsNumber = false;
  std::vector<std::string> Items;
  double Number() const { return std::stod(Text); }
};
using TGoldenEntry = std::map<std::string, TGoldenValue>;

class TJsonReader {
 public:
  explicit TJsonReader(std::string text) : FText(std::move(text)) {}

  std::vector<TGoldenEntry> ReadEntries() {
    std::vector<TGoldenEntry> entries;
    Expect('[');
    while (Peek() != ']') {
      entries.push_back(ReadObject());
      if (Peek() == ',') ++FPos;
    }
    return entries;
  }

 private:
  char Peek() {
    while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos]))) ++FPos;
    if (FPos >= FText.size()) throw std::runtime_error("JSON ends early");
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("JSON: expected ") + c);
    ++FPos;
  }
  TGoldenEntry ReadObject() {
    TGoldenEntry entry;
    Expect('{');
    while (Peek() != '}') {
      const std::string key = ReadString();
      Expect(':');
      entry[key] = ReadValue();
      if (Peek() == ',') ++FPos;
    }
    ++FPos;
    return entry;
  }
  TGoldenValue ReadValue() {
    TGoldenValue value;
    const char c = Peek();
    if (c == '"') {
      value.Text = ReadString();
    } else if (c == '[') {
      ++FPos;
      while (Peek() != ']') {
        value.Items.push_back(ReadString());
        if (Peek() == ',') ++FPos;
      }
      ++FPos;
    } else {
      const size_t start = FPos;
      while (FPos < FText.size() && std::string_view(",}] \n\r\t").find(FText[FPos]) == std::string_view::npos) ++FPos;
      value.Text = FText.substr(start, FPos - start);
      value.IsNumber = value.Text != "true" && value.Text != "false" && value.Text != "null";
    }
    return value;
  }
  std::string ReadString() {
    Expect('"');
    std::u16string wide;
    std::string result;
    auto flush = [&] {
      result += Utf16ToUtf8(wide);
      wide.clear();
    };
    while (FText[FPos] != '"') {
      char c = FText[FPos++];
      if (c != '\\') {
        flush();
        result += c;
        continue;
      }
      c = FText[FPos++];
      switch (c) {
        case 'n': flush(), result += '\n'; break;
        case 't': flush(), result += '\t'; break;
        case 'r': flush(), result += '\r'; break;
        case 'b': flush(), result += '\b'; break;
        case 'f': flush(), result += '\f'; break;
        case 'u': wide += static_cast<char16_t>(std::stoi(FText.substr(FPos, 4), nullptr, 16)), FPos += 4; break;
        default: flush(), result += c; break;
      }
    }
    flush();
    ++FPos;
    return result;
  }

  std::string FText;
  size_t FPos = 0;
};

std::string SourceFolder() {
  std::string file = testpaths::ProgramPath(__FILE__);
  return file.substr(0, file.find_last_of("/\\") + 1);
}

std::vector<TGoldenEntry> Golden() {
  std::ifstream in(std::filesystem::u8path(SourceFolder() + "golden/exif.json"), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return TJsonReader(text.str()).ReadEntries();
}

std::string CorpusFile(const std::string& name) { return testpaths::CorpusFolder("jpeg") + name; }

std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  return s;
}

const TGoldenValue* Get(const TGoldenEntry& entry, const std::string& key) {
  const auto it = entry.find(key);
  return it == entry.end() ? nullptr : &it->second;
}

void ExpectRational(double expected, double numerator, double denominator, const std::string& what) {
  ASSERT_NE(denominator, 0) << what;
  EXPECT_NEAR(numerator / denominator, expected, 1e-6 * std::max(1.0, std::fabs(expected))) << what;
}

// The sample images are the corpus's.
class ExifGoldenTest : public testing::Test {
 protected:
  void SetUp() override { testpaths::SkipWithoutCorpus("jpeg"); }
};

}  // namespace

TEST_F(ExifGoldenTest, EveryFieldTheImageSourceShowsAgreesWithExifTool) {
  const std::vector<TGoldenEntry> golden = Golden();
  ASSERT_EQ(golden.size(), 40u);
  for (const TGoldenEntry& entry : golden) {
    const std::string name = entry.at("SourceFile").Text;
    SCOPED_TRACE(name);
    TExifData exif;
    exif.EnsureEnumsInRange = false;
    ASSERT_NO_THROW(exif.LoadFromFile(CorpusFile(name)));
    EXPECT_FALSE(exif.Modified());

    auto text = [&](const char* key) { return Get(entry, key) ? Get(entry, key)->Text : std::string(); };
    // Shown texts lose the blanks that pad them; ExifTool drops them only from some fields.
    auto shown = [&](const char* key) { return TrimRight(text(key)); };
    EXPECT_EQ(exif.CameraModel(), shown("IFD0:Model"));
    EXPECT_EQ(exif.CameraMake(), shown("IFD0:Make"));
    EXPECT_EQ(exif.ImageDescription(), shown("IFD0:ImageDescription"));
    EXPECT_EQ(Utf16ToUtf8(exif.Author()), shown(Get(entry, "IFD0:XPAuthor") ? "IFD0:XPAuthor" : "IFD0:Artist"));
    EXPECT_EQ(Utf16ToUtf8(exif.Keywords()), shown("IFD0:XPKeywords"));
    EXPECT_EQ(Utf16ToUtf8(exif.Subject()), shown("IFD0:XPSubject"));
    EXPECT_EQ(Utf16ToUtf8(exif.Title()), shown("IFD0:XPTitle"));
    const bool anyIFD0 = std::any_of(entry.begin(), entry.end(), [](const auto& item) { return item.first.starts_with("IFD0:"); });
    EXPECT_TRUE(!anyIFD0 || !exif.Empty());
    // A user comment counts only with the ASCII or UNICODE character code (ExifTool also
    // shows the text behind an undefined code).
    const TExifTag* comment = exif.PeekSection(esExif).Find(ttag::UserComment);
    const bool coded = comment && comment->DataSize() >= 8 &&
                       (std::memcmp(comment->Data(), "ASCII\0\0\0", 8) == 0 || std::memcmp(comment->Data(), "UNICODE\0", 8) == 0);
    if (Get(entry, "IFD0:XPComment")) {
      EXPECT_EQ(Utf16ToUtf8(exif.Comments()), shown("IFD0:XPComment"));
    } else {
      EXPECT_EQ(TrimRight(Utf16ToUtf8(exif.Comments())), coded ? shown("ExifIFD:UserComment") : "");
    }

    const TDateTime dateTime = exif.DateTime();
    TDateTime parsed;
    if (TryExifStringToDateTime(text("IFD0:ModifyDate"), parsed)) {
      EXPECT_EQ(DateTimeToExifString(dateTime), text("IFD0:ModifyDate"));
    } else {
      EXPECT_EQ(dateTime, 0);
    }

    auto number = [&](const char* key, int32_t missing) {
      const TGoldenValue* value = Get(entry, key);
      return value && value->IsNumber ? static_cast<int32_t>(value->Number()) : missing;
    };
    EXPECT_EQ(exif.GetExposureProgram(), number("ExifIFD:ExposureProgram", -1));
    EXPECT_EQ(exif.GetWhiteBalanceMode(), number("ExifIFD:WhiteBalance", -1));
    EXPECT_EQ(exif.GetFocalLengthIn35mmFilm().Value, number("ExifIFD:FocalLengthIn35mmFormat", 0));
    EXPECT_EQ(exif.Flash.IsMissing(), !Get(entry, "ExifIFD:Flash"));
    EXPECT_EQ(exif.Flash.Fired(), (number("ExifIFD:Flash", 0) & 1) != 0);
    EXPECT_EQ(exif.Flash.Value(), exif.Flash.IsMissing() ? 0 : number("ExifIFD:Flash", 0));

    for (auto [key, tag] : {std::pair{"ExifIFD:ExposureTime", ttag::ExposureTime}, {"ExifIFD:FNumber", ttag::FNumber},
                            {"ExifIFD:FocalLength", ttag::FocalLength}}) {
      const TExifRational value = exif.GetExifFraction(tag);
      const TGoldenValue* expected = Get(entry, key);
      if (expected && expected->IsNumber && value.Denominator != 0) {
        ExpectRational(expected->Number(), value.Numerator, value.Denominator, key);
      } else if (!expected) {
        EXPECT_EQ(value.Denominator, 0u) << key;
      }
    }
    const TExifSignedRational bias = exif.GetExifSignedFraction(ttag::ExposureBiasValue);
    if (const TGoldenValue* expected = Get(entry, "ExifIFD:ExposureCompensation"); expected && bias.Denominator != 0)
      ExpectRational(expected->Number(), bias.Numerator, bias.Denominator, "ExposureCompensation");

    std::string iso = text("ExifIFD:ISO");
    std::replace(iso.begin(), iso.end(), ' ', ',');
    EXPECT_EQ(exif.ISOSpeedRatings.AsString(), iso);

    const std::string version = text("ExifIFD:ExifVersion");
    const TExifTag* versionTag = exif.PeekSection(esExif).Find(ttag::ExifVersion);
    if (version.size() == 4 && versionTag && versionTag->DataType() == tdUndefined) {  // not as ASCII
      EXPECT_EQ(exif.ExifVersion.AsString(), std::to_string(std::stoi(version.substr(0, 2))) + "." + version.substr(2));
    }

    if (const TGoldenValue* latitude = Get(entry, "GPS:GPSLatitude"); latitude && latitude->IsNumber) {
      const double degrees = exif.GPSLatitude.Degrees().Quotient() + exif.GPSLatitude.Minutes().Quotient() / 60 +
                             (exif.GPSLatitude.Seconds().MissingOrInvalid() ? 0 : exif.GPSLatitude.Seconds().Quotient() / 3600);
      EXPECT_NEAR(degrees, latitude->Number(), 1e-6);
      EXPECT_EQ(std::string(1, exif.GPSLatitude.Direction()), text("GPS:GPSLatitudeRef"));
    }

    if (Get(entry, "IFD1:ThumbnailLength") && number("IFD1:ThumbnailLength", 0) > 0 && exif.HasThumbnail()) {
      EXPECT_LE(int64_t(exif.Thumbnail().size()), number("IFD1:ThumbnailLength", 0));
      EXPECT_EQ(exif.Thumbnail()[0], 0xFF);
      EXPECT_EQ(exif.Thumbnail().back(), 0xD9);
    }
    EXPECT_FALSE(exif.MakerNoteParsed());
  }
}

TEST_F(ExifGoldenTest, MakerNotesOfTheKnownMakersParse) {
  int parsed = 0;
  for (const TGoldenEntry& entry : Golden()) {
    const std::string name = entry.at("SourceFile").Text;
    SCOPED_TRACE(name);
    TExifData exif;
    exif.LoadFromFile(CorpusFile(name));
    const TMakerNoteClass kind = exif.MakerNoteClass();
    const TExifSection& section = exif.GetSection(esMakerNote);
    EXPECT_FALSE(exif.Modified());
    const std::vector<std::string>& groups = entry.at("MakerNoteGroups").Items;
    for (const char* maker : {"Canon", "Nikon", "Panasonic"})
      if (std::find(groups.begin(), groups.end(), maker) != groups.end()) {
        EXPECT_NE(kind, TMakerNoteClass::Unrecognized) << maker;
        EXPECT_GT(section.Count(), 0) << maker;
      }
    if (section.Count() > 0) ++parsed;
  }
  EXPECT_GE(parsed, 10);
}

TEST_F(ExifGoldenTest, EveryCorpusFileLoadsWithinItsExifSegment) {
  for (const auto& item : std::filesystem::directory_iterator(std::filesystem::u8path(CorpusFile("")))) {
    SCOPED_TRACE(item.path().filename().string());
    TFileStream stream(item.path().string());
    TExifData exif;
    ASSERT_NO_THROW(exif.LoadFromJPEG(stream));
    // The walk stops at the scan or once Exif and XMP are taken: the image data is not read
    // (the buffer fetches at most 4 KiB beyond the last segment).
    EXPECT_LE(stream.BytesFetched(), stream.Size());
  }
}
