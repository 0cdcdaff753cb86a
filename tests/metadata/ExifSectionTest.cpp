#include <gtest/gtest.h>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"

#include "tests/support/Mapped.h"

using namespace vmx;
using namespace exiftest;

namespace {

Bytes SmallFile(bool big) {
  return Jpeg({ExifBlock(
      BuildTiff(big, {{{Ascii(272, "Model"), Shorts(274, {1}, big), Pointer(34665, 1)}},
                      {{Shorts(34855, {100, 200}, big), Raw(37500, 7, Bytes(12, 0)), Ascii(37520, "12")}}}))});
}

// The little-endian small file, loaded.
class ExifSectionTest : public ::testing::Test {
 protected:
  ExifSectionTest() { LoadJpeg(Exif, SmallFile(false)); }
  TExifData Exif;
  TExifSection& ExifTags = Exif.GetSection(esExif);  // the Exif sub-directory
};

}  // namespace

TEST_F(ExifSectionTest, OnlyExtendableSectionsChangeTheFileStructure) {
  TCustomExifData fixed;
  LoadJpeg(fixed, SmallFile(false));
  TExifSection& primary = fixed.GetSection(esPrimary);
  EXPECT_FALSE(primary.IsExtendable());
  EXPECT_THROW(primary.SetWordValue(305, 0, 1), EIllegalEditOfExifData);
  primary.SetStringValue(272, "Small");  // fits the 6 bytes the file held
  EXPECT_EQ(fixed.CameraModel(), "Small");
  EXPECT_THROW(primary.SetStringValue(272, "Much longer"), EIllegalEditOfExifData);
  EXPECT_THROW(primary.Find(274)->SetID(275), EIllegalEditOfExifData);  // no tag moves in a fixed directory
  EXPECT_THROW(primary.Find(274)->SetID(272), ETagAlreadyExists);

  TExifData exif;
  LoadJpeg(exif, SmallFile(true));
  TExifSection& section = exif.GetSection(esPrimary);
  EXPECT_TRUE(section.IsExtendable());
  section.SetStringValue(272, "Much longer");
  EXPECT_EQ(exif.CameraModel(), "Much longer");
  section.Find(274)->SetID(40000);
  EXPECT_EQ(Mapped(section, [](const TExifTag& tag) { return tag.ID(); }), (std::vector<uint16_t>{272, 34665, 40000}));
  EXPECT_THROW(static_cast<TExtendableExifSection&>(section).Add(272, tdAscii, 1), ETagAlreadyExists);
}

TEST_F(ExifSectionTest, TextWritersAndTheASCIIRule) {
  TExifSection& primary = Exif.GetSection(esPrimary);
  EXPECT_THROW(primary.SetStringValue(270, "caf\xC3\xA9"), ENotOnlyASCIIError);
  Exif.SetEnforceASCII(false);
  primary.SetStringValue(270, "caf\xC3\xA9");
  EXPECT_EQ(Exif.ImageDescription(), "caf\xC3\xA9");
  primary.SetStringValue(270, "");
  EXPECT_EQ(primary.Find(270), nullptr);
}

TEST_F(ExifSectionTest, RemovingTheCurrentTagWhileWalkingSkipsNothing) {
  std::vector<uint16_t> seen;
  for (TExifTag& tag : ExifTags) {
    seen.push_back(tag.ID());
    ExifTags.Remove(tag.ID());
  }
  EXPECT_EQ(seen, (std::vector<uint16_t>{34855, 37500, 37520}));
  EXPECT_EQ(ExifTags.Count(), 0);
}

TEST_F(ExifSectionTest, ChangingTheMakerNoteTagDropsTheParsedNote) {
  EXPECT_EQ(Exif.MakerNoteClass(), MakerNoteClassOf<THeaderlessMakerNote>());
  ExifTags.Find(37500)->SetAsString("00");
  EXPECT_EQ(Exif.MakerNoteClass(), MakerNoteClassOf<TUnrecognizedMakerNote>());
  LoadJpeg(Exif, SmallFile(false));
  ExifTags.Remove(37500);
  EXPECT_EQ(Exif.MakerNoteClass(), MakerNoteClassOf<TUnrecognizedMakerNote>());
  LoadJpeg(Exif, SmallFile(false));
  ExifTags.Find(37500)->SetID(37501);  // as good as gone
  EXPECT_EQ(Exif.MakerNoteClass(), MakerNoteClassOf<TUnrecognizedMakerNote>());
  EXPECT_EQ(Exif.GetSection(esMakerNote).Count(), 0);
}

// A missing value on a tag of any integer type: converted to the fraction's type first, so the
// element written fits the tag's buffer; the last element goes, an earlier one becomes 0/0, and
// one beyond the end changes nothing.
TEST(ExifTagTest, AMissingFractionOnEveryIntegerTypeAndPlace) {
  const struct {
    const char* Place;
    int32_t Index;
    uint16_t Type;  // 0: the tag as it was
    int32_t Count;
  } places[] = {{"first", 0, 5, 3}, {"middle", 1, 5, 3}, {"last", 2, 5, 2}, {"beyond", 3, 0, 3}};
  for (const uint16_t type : {tdByte, tdWord, tdLongWord, tdShortInt, tdSmallInt, tdLongInt})
    for (const auto& place : places) {
      SCOPED_TRACE(std::to_string(type) + " " + place.Place);
      TExifData exif;
      TExifSection& section = exif.Section(esPrimary);
      section.AddOrUpdate(282, type, 3, {}).SetAsString("1,2,3");
      section.SetFractionValue(282, place.Index, {});
      const TExifTag& tag = *section.Find(282);
      EXPECT_EQ(tag.DataType(), place.Type ? place.Type : type);
      EXPECT_EQ(tag.ElementCount(), place.Count);
      EXPECT_EQ(tag.AsString(), place.Type ? std::string(place.Count - 1, ',') : "1,2,3");  // 0/0 shows as ''
    }
  // The only element, through the resolution setter of a file that holds it as SHORT.
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{{Shorts(282, {72}, false)}}}))}));
  exif.Resolution.SetXResolution({});
  EXPECT_EQ(exif.PeekSection(esPrimary).Find(282), nullptr);
  EXPECT_THROW(exif.Section(esPrimary).SetFractionValue(282, -1, {}), Exception);
}

// Text written to a tag is read by its type: integers in their ranges, fractions (signed for
// SRATIONAL, an empty item the missing 0/0), hexadecimal bytes; a text that is no value raises,
// and the tag stays as it was.
TEST(ExifTagTest, TextIsConvertedByTheTagsType) {
  const struct {
    uint16_t Type;
    std::string Text, Expected;  // "convert" and "range" for the errors
  } cases[] = {
      {tdByte, "0, 255", "0,255"},
      {tdByte, "256", "range"},
      {tdByte, "x", "convert"},
      {tdWord, "65535", "65535"},
      {tdWord, "-1", "range"},
      {tdLongWord, "4294967295", "4294967295"},
      {tdShortInt, "-128,127", "-128,127"},
      {tdShortInt, "128", "range"},
      {tdSmallInt, "-32768", "-32768"},
      {tdLongInt, "-5", "-5"},
      {tdLongWordFraction, "1/3,2", "1/3,2"},
      {tdLongWordFraction, "-1/3", "range"},
      {tdLongWordFraction, "abc", "convert"},
      {tdLongWordFraction, "1/", "convert"},
      {tdLongIntFraction, "-1/3", "-1/3"},
      {tdLongIntFraction, "abc", "convert"},
      {tdLongIntFraction, "1/x", "convert"},
      {tdLongIntFraction, "2147483648/1", "range"},
      // an empty item is the missing fraction, as the tag's own text shows one
      {tdLongWordFraction, "1/2,,3/4", "1/2,,3/4"},
      {tdLongIntFraction, ",-1/3,", ",-1/3,"},
      {tdLongWordFraction, "1/2, ,3", "1/2,,3"},
      {tdWord, "1,,2", "convert"},
      {tdUndefined, "0aFF", "0AFF"},
      {tdUndefined, "zz", "convert"},
      {tdDouble, "1.5", "1.5"},
      {tdSingle, "one", "convert"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Type) + " " + c.Text);
    TExifData exif;
    TExifTag& tag = exif.Section(esExif).AddOrUpdate(700, c.Type, 1, {});
    const std::string before = BinToHexStr(tag.Data(), tag.DataSize());
    std::string result;
    try {
      tag.SetAsString(c.Text);
      TExifTag copy(nullptr, 700, tag.DataType(), 0);  // what is stored, read afresh
      copy.UpdateData(tag.DataType(), tag.ElementCount(), {tag.Data(), size_t(tag.DataSize())});
      result = copy.AsString();
      EXPECT_EQ(tag.AsString(), c.Text);
    } catch (const EConvertError&) {
      result = "convert";
    } catch (const ERangeError&) {
      result = "range";
    }
    EXPECT_EQ(result, c.Expected);
    if (c.Expected == "convert" || c.Expected == "range") {
      EXPECT_EQ(BinToHexStr(tag.Data(), tag.DataSize()), before);
    }
  }
}

// A change of type keeps the integer elements that fit; new data, even the same data, is a
// change the owner hears of.
TEST_F(ExifSectionTest, ANewTypeKeepsTheElementsAndNewDataIsAlwaysAChange) {
  TExifTag& iso = *ExifTags.Find(34855);  // SHORT 100, 200
  iso.UpdateData(tdLongWord, 3);
  EXPECT_EQ(iso.AsString(), "100,200,0");
  iso.UpdateData(tdByte, 1);
  EXPECT_EQ(iso.AsString(), "100");
  iso.UpdateData(tdSmallInt, 2);
  EXPECT_EQ(iso.AsString(), "100,0");

  int changes = 0;
  Exif.OnChange = [&] { ++changes; };
  const std::vector<uint8_t> same(iso.Data(), iso.Data() + iso.DataSize());
  iso.UpdateData(tdSmallInt, 2);  // nothing new
  EXPECT_EQ(changes, 0);
  iso.UpdateData(tdSmallInt, 2, same);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(ExifTags.Modified());
}

// Loading tells nobody and ends unmodified; a change is told at once, or once at the end of an
// update bracket however many it holds (the list form of Remove brings its own bracket).
TEST_F(ExifSectionTest, ChangesAreReportedAtOnceOrOnceAtTheEndOfAnUpdate) {
  TExifSection& primary = Exif.GetSection(esPrimary);
  int changes = 0;
  Exif.OnChange = [&] { ++changes; };
  LoadJpeg(Exif, SmallFile(false));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(Exif.Modified());
  primary.SetWordValue(274, 0, 6);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(Exif.Modified());
  Exif.BeginUpdate();
  primary.SetWordValue(274, 2, 8);  // grows to three elements
  primary.SetStringValue(272, "M");
  EXPECT_EQ(changes, 1);
  Exif.EndUpdate();
  EXPECT_EQ(changes, 2);
  primary.Remove({272, 34665});
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(primary.Find(274)->AsString(), "6,0,8");
  EXPECT_EQ(Mapped(primary, [](const TExifTag& tag) { return tag.ID(); }), (std::vector<uint16_t>{274}));
  EXPECT_FALSE(primary.Remove(272));
}

// New data shorter than the new type needs is filled up with zeros; no text is no element; a
// tag turned UNDEFINED takes hexadecimal text.
TEST_F(ExifSectionTest, NewDataIsFilledUpAndTextFollowsTheType) {
  TExifTag& iso = *ExifTags.Find(34855);
  iso.SetAsString("100,513");  // SHORT: 64 00 01 02
  const uint8_t three[] = {1, 2, 3};
  iso.UpdateData(tdLongWord, 2, three);
  EXPECT_EQ(iso.AsString(), "197121,0");
  iso.SetAsString("");
  EXPECT_EQ(iso.ElementCount(), 0);
  iso.SetDataType(tdUndefined);
  iso.SetAsString("0A0B");
  EXPECT_EQ(iso.ElementCount(), 2);
  EXPECT_EQ(iso.Data()[1], 0x0B);
}

// A fraction set beyond the end grows the tag with empty ones; a date goes with its sub-seconds
// where that tag is there or always asked for, and a date of 0 removes the date only.
TEST_F(ExifSectionTest, FractionsGrowAndDatesTakeTheirSubSeconds) {
  ExifTags.SetFractionValue(33434, 2, {1, 3});
  EXPECT_EQ(ExifTags.Find(33434)->AsString(), ",,1/3");

  TExifSection& primary = Exif.GetSection(esPrimary);
  TDateTime when;
  ASSERT_TRUE(TryEncodeDateTime(2024, 2, 29, 23, 59, 58, 250, when));
  primary.SetDateTimeValue(306, ttag::SubsecTime, when);
  EXPECT_EQ(primary.GetStringValue(306), "2024:02:29 23:59:58");
  EXPECT_EQ(ExifTags.GetStringValue(ttag::SubsecTime), "250");  // the file's sub-second tag follows
  EXPECT_EQ(MillisecondsToSubsecString(Exif.DateTime()), "250");
  ExifTags.SetDateTimeValue(36867, ttag::SubsecTimeOriginal, when);
  EXPECT_EQ(ExifTags.Find(ttag::SubsecTimeOriginal), nullptr);  // not asked for
  Exif.SetAlwaysWritePreciseTimes(true);
  ExifTags.SetDateTimeValue(36867, ttag::SubsecTimeOriginal, when);
  EXPECT_EQ(ExifTags.GetStringValue(ttag::SubsecTimeOriginal), "250");
  primary.SetDateTimeValue(306, ttag::SubsecTime, 0);
  EXPECT_EQ(Exif.DateTime(), 0);
  EXPECT_NE(ExifTags.Find(ttag::SubsecTime), nullptr);  // the sub-second tag stays
}

// Assigning copies every section and the thumbnail, and is a change; nothing clears.
TEST_F(ExifSectionTest, AssignCopiesEverySectionAndTheThumbnail) {
  TExifData source;
  LoadJpeg(source, SmallFile(true));
  source.SetThumbnail(TinyJpeg());
  TExifData copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.CameraModel(), "Model");
  EXPECT_EQ(copy.ISOSpeedRatings.AsString(), "100,200");
  EXPECT_EQ(copy.GetSection(esExif).GetStringValue(37520), "12");
  EXPECT_EQ(copy.Thumbnail(), source.Thumbnail());
  EXPECT_TRUE(copy.Modified());
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  EXPECT_FALSE(copy.HasThumbnail());
}
