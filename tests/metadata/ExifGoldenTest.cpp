// The sample images against the values ExifTool reads from them (tests/metadata/golden/
// exif.tsv, made by scripts/make_exif_golden.sh): every field the image source shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/Corpora.h"
#include "tests/support/TestPaths.h"

using namespace vmx;

namespace {

// ExifTool's values of one file by key ("IFD0:Model"), and "MakerNoteGroups" by blanks.
using TGoldenEntry = std::map<std::string, std::string>;

// The golden file by file name: one "file<TAB>key<TAB>value" line per value.
std::map<std::string, TGoldenEntry> Golden() {
  const std::string source = testpaths::ProgramPath(__FILE__);
  std::istringstream lines(testpaths::ReadText(source.substr(0, source.find_last_of("/\\") + 1) + "golden/exif.tsv"));
  std::map<std::string, TGoldenEntry> golden;
  std::string file, key, value;
  while (std::getline(lines, file, '\t') && std::getline(lines, key, '\t') && std::getline(lines, value))
    golden[file][key] = value;
  return golden;
}

// ExifTool writes -n numbers in plain digits; anything else ("", "undef", "inf") is no number.
bool IsNumber(const std::string* value) {
  return value && !value->empty() && value->find_first_not_of("0123456789.+-e") == std::string::npos;
}

std::string CorpusFile(const std::string& name) { return testpaths::CorpusFolder("jpeg") + name; }

std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  return s;
}

void ExpectQuotient(const std::string& expected, double numerator, double denominator, const std::string& what) {
  ASSERT_NE(denominator, 0) << what;
  const double value = std::stod(expected);
  EXPECT_NEAR(numerator / denominator, value, 1e-6 * std::max(1.0, std::fabs(value))) << what;
}

// The sample images are the corpus's.
class ExifGoldenTest : public testing::Test {
 protected:
  void SetUp() override { testpaths::SkipWithoutCorpus("jpeg"); }
};

}  // namespace

TEST_F(ExifGoldenTest, EveryFieldTheImageSourceShowsAgreesWithExifTool) {
  const auto golden = Golden();
  ASSERT_EQ(golden.size(), 40u);
  for (const auto& [name, entry] : golden) {
    SCOPED_TRACE(name);
    TExifData exif;
    exif.EnsureEnumsInRange = false;
    ASSERT_NO_THROW(exif.LoadFromFile(CorpusFile(name)));
    EXPECT_FALSE(exif.Modified());

    auto get = [&](const char* key) { return entry.count(key) ? &entry.at(key) : nullptr; };
    auto text = [&](const char* key) { return get(key) ? *get(key) : std::string(); };
    auto number = [&](const char* key, int32_t missing) {
      return IsNumber(get(key)) ? int32_t(std::stod(text(key))) : missing;
    };
    // Shown texts lose the blanks that pad them; ExifTool drops them only from some fields.
    const std::pair<std::string, const char*> shownTexts[] = {{exif.CameraModel(), "IFD0:Model"},
                                                              {exif.CameraMake(), "IFD0:Make"},
                                                              {exif.ImageDescription(), "IFD0:ImageDescription"},
                                                              {Utf16ToUtf8(exif.Author()), "IFD0:Artist"},
                                                              {Utf16ToUtf8(exif.Keywords()), "IFD0:XPKeywords"},
                                                              {Utf16ToUtf8(exif.Subject()), "IFD0:XPSubject"},
                                                              {Utf16ToUtf8(exif.Title()), "IFD0:XPTitle"}};
    for (const auto& [shown, key] : shownTexts) EXPECT_EQ(shown, TrimRight(text(key))) << key;
    // A user comment counts only with the ASCII or UNICODE character code (ExifTool also
    // shows the text behind an undefined code).
    const TExifTag* comment = exif.PeekSection(esExif).Find(ttag::UserComment);
    const bool coded =
        comment && comment->DataSize() >= 8 &&
        (std::memcmp(comment->Data(), "ASCII\0\0\0", 8) == 0 || std::memcmp(comment->Data(), "UNICODE\0", 8) == 0);
    EXPECT_EQ(TrimRight(Utf16ToUtf8(exif.Comments())), coded ? TrimRight(text("ExifIFD:UserComment")) : "");

    TDateTime parsed;
    if (TryExifStringToDateTime(text("IFD0:ModifyDate"), parsed)) {
      EXPECT_EQ(DateTimeToExifString(exif.DateTime()), text("IFD0:ModifyDate"));
    } else {
      EXPECT_EQ(exif.DateTime(), 0);
    }

    EXPECT_EQ(exif.GetExposureProgram(), number("ExifIFD:ExposureProgram", -1));
    EXPECT_EQ(exif.GetWhiteBalanceMode(), number("ExifIFD:WhiteBalance", -1));
    EXPECT_EQ(exif.GetFocalLengthIn35mmFilm().Value, number("ExifIFD:FocalLengthIn35mmFormat", 0));
    EXPECT_EQ(exif.Flash.IsMissing(), !get("ExifIFD:Flash"));
    EXPECT_EQ(exif.Flash.Fired(), (number("ExifIFD:Flash", 0) & 1) != 0);
    EXPECT_EQ(exif.Flash.Value(), exif.Flash.IsMissing() ? 0 : number("ExifIFD:Flash", 0));

    for (auto [key, tag] : {std::pair{"ExifIFD:ExposureTime", ttag::ExposureTime},
                            {"ExifIFD:FNumber", ttag::FNumber},
                            {"ExifIFD:FocalLength", ttag::FocalLength}}) {
      const TExifRational value = exif.GetExifFraction(tag);
      if (IsNumber(get(key)) && value.Denominator != 0) {
        ExpectQuotient(text(key), value.Numerator, value.Denominator, key);
      } else if (!get(key)) {
        EXPECT_EQ(value.Denominator, 0u) << key;
      }
    }
    const TExifSignedRational bias = exif.GetExifSignedFraction(ttag::ExposureBiasValue);
    if (get("ExifIFD:ExposureCompensation") && bias.Denominator != 0)
      ExpectQuotient(text("ExifIFD:ExposureCompensation"), bias.Numerator, bias.Denominator, "ExposureCompensation");

    std::string iso = text("ExifIFD:ISO");
    std::replace(iso.begin(), iso.end(), ' ', ',');
    EXPECT_EQ(exif.ISOSpeedRatings.AsString(), iso);

    EXPECT_FALSE(exif.MakerNoteParsed());
  }
}

TEST_F(ExifGoldenTest, MakerNotesOfTheKnownMakersParse) {
  int parsed = 0;
  for (const auto& [name, entry] : Golden()) {
    SCOPED_TRACE(name);
    TExifData exif;
    exif.LoadFromFile(CorpusFile(name));
    const TMakerNoteClass kind = exif.MakerNoteClass();
    const TExifSection& section = exif.GetSection(esMakerNote);
    EXPECT_FALSE(exif.Modified());  // reading a note changes nothing
    const std::string groups = " " + entry.at("MakerNoteGroups") + " ";
    for (const std::string maker : {"Canon", "Nikon", "Panasonic"})
      if (groups.find(" " + maker + " ") != std::string::npos) {
        EXPECT_NE(kind, MakerNoteClassOf<TUnrecognizedMakerNote>()) << maker;
        EXPECT_GT(section.Count(), 0) << maker;
      }
    if (section.Count() > 0) ++parsed;
  }
  EXPECT_GE(parsed, 10);
}
