#include <gtest/gtest.h>

#include <algorithm>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/Thrown.h"

using namespace vmx;
using namespace exiftest;

namespace {

Bytes SmallFile(bool big) {
  return Jpeg({ExifBlock(
      BuildTiff(big, {{{Ascii(272, "Model"), Shorts(274, {1}, big), Pointer(34665, 1)}},
                      {{Shorts(34855, {100, 200}, big), Raw(37500, 7, Bytes(12, 0)), Ascii(37520, "12")}}}))});
}

std::vector<uint16_t> IDs(const TExifSection& section) {
  std::vector<uint16_t> ids;
  for (const TExifTag& tag : section) ids.push_back(tag.ID());
  return ids;
}

// The little-endian small file, loaded.
class ExifSectionTest : public ::testing::Test {
 protected:
  ExifSectionTest() { LoadJpeg(Exif, SmallFile(false)); }
  TExifData Exif;
  TExifSection& Primary = Exif.GetSection(esPrimary);
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
  EXPECT_THROW(primary.Find(274)->SetID(275), EIllegalEditOfExifData);
  EXPECT_THROW(primary.Find(274)->SetID(272), ETagAlreadyExists);

  TExifData exif;
  LoadJpeg(exif, SmallFile(true));
  TExifSection& section = exif.GetSection(esPrimary);
  EXPECT_TRUE(section.IsExtendable());
  section.SetStringValue(272, "Much longer");
  EXPECT_EQ(exif.CameraModel(), "Much longer");
  section.Find(274)->SetID(40000);
  EXPECT_EQ(IDs(section), (std::vector<uint16_t>{272, 34665, 40000}));
  EXPECT_EQ(
      ThrownMessage<ETagAlreadyExists>([&] { static_cast<TExtendableExifSection&>(section).Add(272, tdAscii, 1); }),
      "Tag with ID of \"272\" already exists in section");
}

TEST_F(ExifSectionTest, ChangesAreReportedOnceAndOnlyWhenSomethingChanges) {
  int changes = 0;
  Exif.OnChange = [&] { ++changes; };
  LoadJpeg(Exif, SmallFile(false));
  EXPECT_EQ(changes, 0);
  Primary.SetWordValue(274, 0, 1);  // the same value
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(Exif.Modified());
  Primary.SetWordValue(274, 0, 6);
  EXPECT_EQ(changes, 1);
  Exif.BeginUpdate();
  Primary.SetWordValue(274, 2, 8);  // grows to three elements
  Primary.Remove({272, 34665});
  Exif.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Primary.Find(274)->AsString(), "6,0,8");
  EXPECT_EQ(IDs(Primary), (std::vector<uint16_t>{274}));
}

TEST_F(ExifSectionTest, UpdateDataKeepsIntegersAcrossTypes) {
  TExifTag& iso = *ExifTags.Find(34855);
  iso.UpdateData(tdLongWord, 3);
  EXPECT_EQ(iso.AsString(), "100,200,0");
  iso.UpdateData(tdByte, 1);
  EXPECT_EQ(iso.AsString(), "100");
  iso.SetAsString("1, 2,3");
  EXPECT_EQ(iso.ElementCount(), 3);
  EXPECT_THROW(iso.SetAsString("256"), ERangeError);
  iso.SetDataType(tdUndefined);
  iso.SetAsString("0A0B");
  EXPECT_EQ(iso.Data()[1], 0x0B);
  const uint8_t three[] = {1, 2, 3};  // fewer bytes than two LONGs: the rest is zero
  iso.UpdateData(tdLongWord, 2, three);
  EXPECT_EQ(iso.AsString(), "197121,0");
}

TEST_F(ExifSectionTest, TextWritersAndTheASCIIRule) {
  EXPECT_THROW(Primary.SetStringValue(270, "caf\xC3\xA9"), ENotOnlyASCIIError);
  Exif.SetEnforceASCII(false);
  Primary.SetStringValue(270, "caf\xC3\xA9");
  EXPECT_EQ(Exif.ImageDescription(), "caf\xC3\xA9");
  Primary.SetStringValue(270, "");
  EXPECT_EQ(Primary.Find(270), nullptr);
  Primary.SetWideStringValue(40091, u"Title \u00E9");
  EXPECT_EQ(Exif.Title(), u"Title \u00E9");
  EXPECT_EQ(Primary.Find(40091)->AsString(), "Title \xC3\xA9");
  Primary.Find(40091)->SetAsString("Other");
  EXPECT_EQ(Exif.Title(), u"Other");
}

TEST_F(ExifSectionTest, FractionsAndDateTimes) {
  ExifTags.SetFractionValue(33434, 2, {1, 3});
  EXPECT_EQ(ExifTags.Find(33434)->AsString(), ",,1/3");
  ExifTags.SetFractionValue(33434, 0, {});  // before the last: written as 0/0
  ExifTags.SetFractionValue(33434, 2, {});  // the last: the tag shortens
  EXPECT_EQ(ExifTags.Find(33434)->ElementCount(), 2);
  ExifTags.SetFractionValue(33434, 1, {});
  ExifTags.SetFractionValue(33434, 0, {});  // the only one left: the tag goes
  EXPECT_EQ(ExifTags.Find(33434), nullptr);

  TDateTime when;
  ASSERT_TRUE(TryEncodeDateTime(2024, 2, 29, 23, 59, 58, 250, when));
  Primary.SetDateTimeValue(306, ttag::SubsecTime, when);
  EXPECT_EQ(Primary.GetStringValue(306), "2024:02:29 23:59:58");
  EXPECT_EQ(ExifTags.GetStringValue(ttag::SubsecTime), "250");  // the existing sub-second tag follows
  ExifTags.SetDateTimeValue(36867, ttag::SubsecTimeOriginal, when);
  EXPECT_EQ(ExifTags.Find(ttag::SubsecTimeOriginal), nullptr);  // not asked for
  Exif.SetAlwaysWritePreciseTimes(true);
  ExifTags.SetDateTimeValue(36867, ttag::SubsecTimeOriginal, when);
  EXPECT_EQ(ExifTags.GetStringValue(ttag::SubsecTimeOriginal), "250");
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
  EXPECT_EQ(Exif.MakerNoteClass(), TMakerNoteClass::Headerless);
  ExifTags.Find(37500)->SetAsString("00");
  EXPECT_EQ(Exif.MakerNoteClass(), TMakerNoteClass::Unrecognized);
  LoadJpeg(Exif, SmallFile(false));
  ExifTags.Remove(37500);
  EXPECT_EQ(Exif.MakerNoteClass(), TMakerNoteClass::Unrecognized);
}
