#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>

#include "ExifTestFiles.h"
#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"

using namespace vmx;
using namespace exiftest;

namespace {

Bytes CameraTiff(bool big, std::vector<Entry> exifEntries = {}, std::vector<Entry> primaryExtra = {}) {
  std::vector<Entry> primary{Ascii(271, "Maker"), Ascii(272, "Model X"), Ascii(306, "2021:05:06 07:08:09"),
                             Pointer(34665, 1)};
  primary.insert(primary.end(), primaryExtra.begin(), primaryExtra.end());
  exifEntries.push_back(Ascii(37520, "5"));
  return BuildTiff(big, {{primary}, {exifEntries}});
}

Entry UserComment(std::string_view code, const Bytes& text) {
  Bytes value = Text(code);
  value.resize(8);
  Append(value, text);
  return Raw(37510, 7, value);
}

std::string Utf8(const std::u16string& s) { return Utf16ToUtf8(s); }

}  // namespace

// The sample images (ExifGoldenTest) hold the other fields the image source shows.
TEST(ExifDataTest, ReadsSubSecondsSignedFractionsFlashBitsAndEnumsOutOfRange) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big);
    TExifData exif;
    exif.EnsureEnumsInRange = false;
    LoadJpeg(exif, Jpeg({ExifBlock(CameraTiff(big, {Shorts(34850, {12}, big), Shorts(37385, {0x19}, big),
                                                    Rationals(37380, {{uint32_t(-1), 3}}, big, 10)}))}));
    EXPECT_EQ(MillisecondsToSubsecString(exif.DateTime()), "500");  // sub-second text "5"
    EXPECT_EQ(exif.GetExposureProgram(), 12);
    exif.EnsureEnumsInRange = true;
    EXPECT_EQ(exif.GetExposureProgram(), -1);
    EXPECT_EQ(exif.GetExifSignedFraction(37380).Numerator, -1);
    const TExifFlashInfo& flash = exif.Flash;
    EXPECT_EQ(std::tuple(flash.Fired(), flash.Mode(), flash.Present(), flash.StrobeLight(), flash.RedEyeReduction()),
              std::tuple(true, efAuto, true, esNoDetectionFunction, false));
  }
}

TEST(ExifDataTest, SegmentsAreTakenOnceAndInAnyOrder) {
  TExifData none;
  LoadJpeg(none, Jpeg({}));
  EXPECT_TRUE(none.Empty());

  TExifData exif;
  const Bytes second = ExifBlock(BuildTiff(false, {{{Ascii(272, "Second")}}}));
  LoadJpeg(exif, Jpeg({XMPSegmentData("<x:xmpmeta/>"), ExifBlock(CameraTiff(false)), second}));
  EXPECT_EQ(exif.CameraModel(), "Model X");
  EXPECT_EQ(exif.FoundSegments(), jsExif | jsXMP);
  EXPECT_EQ(exif.XMPSegmentOffset(), 2);
  EXPECT_EQ(exif.XMPSegmentSize(), 29 + 12);
  EXPECT_EQ(exif.OffsetBase(), 2 + 4 + int64_t(XMPSegmentData("<x:xmpmeta/>").size()) + 4 + 6);

  Bytes notJpeg = Jpeg({});
  notJpeg[0] = 0;
  EXPECT_THROW(LoadJpeg(exif, notJpeg), EInvalidJPEGHeader);
}

TEST(ExifDataTest, PointerTagsNeedOneElementOfAnOffsetType) {
  const bool big = false;
  Entry twoElements = Longs(34665, {8, 8}, big);
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(big, {{{twoElements}}}))}));
  EXPECT_EQ(exif.PeekSection(esExif).Count(), 0);
  // A sub-directory that points back at IFD0 is read once, as a directory, without looping.
  TExifData loop;
  LoadJpeg(loop, Jpeg({ExifBlock(BuildTiff(big, {{{Ascii(272, "L"), Pointer(34665, 0)}}}))}));
  EXPECT_EQ(loop.PeekSection(esExif).Count(), 2);
}

TEST(ExifDataTest, AWholeThumbnailIsKeptAndADamagedOneIsDropped) {
  const bool big = true;
  const Bytes thumb = TinyJpeg();
  Bytes truncated(thumb.begin(), thumb.end() - 3);  // no EOI
  truncated.resize(truncated.size() + 20, 0x42);
  Bytes badSegment = thumb;
  badSegment[5] = 0xF0;  // a segment length that runs past the end
  const struct {
    const char* Name;
    Bytes Thumbnail;
    uint32_t OffsetShift;
    bool Kept;
  } cases[] = {{"whole", thumb, 0, true},
               {"the offset does not point at FF D8", thumb, 1, false},
               {"cut short", truncated, 0, false},
               {"a segment longer than the thumbnail", badSegment, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    uint32_t at = 0;
    const std::vector<Ifd> ifds{{{Ascii(272, "T")}, 1},
                                {{Longs(513, {0}, big), Longs(514, {uint32_t(c.Thumbnail.size())}, big)}}};
    BuildTiff(big, ifds, c.Thumbnail, &at);
    std::vector<Ifd> pointing = ifds;
    pointing[1].Entries[0] = Longs(513, {at + c.OffsetShift}, big);
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(big, pointing, c.Thumbnail))}));
    EXPECT_EQ(exif.Thumbnail(), c.Kept ? thumb : Bytes());
    EXPECT_EQ(exif.PeekSection(esThumbnail).Count(), 2);  // the tags stay
  }
}

TEST(ExifDataTest, AFileCutShortKeepsWhatWasRead) {
  Bytes jpeg = Jpeg({ExifBlock(CameraTiff(false)), XMPSegmentData("<x/>")});
  const size_t exifEnd = 2 + 4 + ExifBlock(CameraTiff(false)).size();
  for (size_t cut : {exifEnd + 1, exifEnd + 3, exifEnd + 10}) {
    TExifData exif;
    LoadJpeg(exif, Bytes(jpeg.begin(), jpeg.begin() + ptrdiff_t(cut)));
    EXPECT_EQ(exif.CameraModel(), "Model X") << cut;
    EXPECT_FALSE(exif.Modified()) << cut;
  }
  TExifData early;  // cut inside the Exif segment: nothing, and no exception
  LoadJpeg(early, Bytes(jpeg.begin(), jpeg.begin() + 30));
  EXPECT_TRUE(early.Empty());
}

TEST(ExifDataTest, UserCommentsInEveryCodeAndByteOrder) {
  struct Case {
    bool Big;
    Entry Comment;
    std::u16string Expected;
  } cases[] = {
      {false, UserComment(std::string_view("UNICODE\0", 8), {'A', 0, 'B', 0, 0, 0}), u"AB"},
      {true, UserComment(std::string_view("UNICODE\0", 8), {0, 'A', 0, 'B'}), u"AB"},
      {true, UserComment(std::string_view("UNICODE\0", 8), {'A', 0, 'B', 0}), u"AB"},  // LE text in a BE file
      {false, UserComment(std::string_view("UNICODE\0", 8), {0xFE, 0xFF, 0x4E, 0x2D, 0, 'x'}), u"\u4E2Dx"},
      {false, UserComment(std::string_view("UNICODE\0", 8), {'A', 0, 'B'}), u"AB"},  // odd length
      {false, UserComment(std::string_view("ASCII\0\0\0", 8), Text("Hello  \n")), u"Hello"},
      {false, UserComment(std::string_view("JIS\0\0\0\0\0", 8), Text("abc")), u""},
  };
  for (const Case& c : cases) {
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(CameraTiff(c.Big, {c.Comment}))}));
    EXPECT_EQ(exif.Comments(), c.Expected) << Utf8(c.Expected);
  }
  TExifData xp;  // the Windows comment wins
  LoadJpeg(xp, Jpeg({ExifBlock(CameraTiff(false, {UserComment("ASCII", Text("no"))},
                                          {Raw(40092, 1, {'Y', 0, 'e', 0, 's', 0, 0, 0})}))}));
  EXPECT_EQ(xp.Comments(), u"Yes");
}

TEST(ExifDataTest, TextValuesReadAsCamerasWriteThem) {
  using Reader = std::string (*)(const TExifData&);
  const Reader make = [](const TExifData& e) { return e.CameraMake(); };
  const Reader author = [](const TExifData& e) { return Utf8(e.Author()); };
  const Reader texts = [](const TExifData& e) {
    return e.ImageDescription() + "|" + e.CameraModel() + "|" + Utf8(e.Author());
  };
  const Reader title = [](const TExifData& e) { return Utf8(e.Title()); };
  const Reader original = [](const TExifData& e) {
    return DateTimeToExifString(e.DateTimeOriginal()) + "." + MillisecondsToSubsecString(e.DateTimeOriginal());
  };
  const std::string date = "2021:05:06 07:08:09";
  const struct Case {
    const char* Name;
    std::vector<Entry> Primary, Exif;
    Reader Read;
    std::string Expected;
  } cases[] = {
      {"filled to its count", {Raw(271, 2, Text("EASTMAN KODAK COMPANY"))}, {}, make, "EASTMAN KODAK COMPANY"},
      {"padded with NULs", {Raw(271, 2, Text(std::string_view("Kodak\0\0\0", 8)))}, {}, make, "Kodak"},
      {"only a NUL", {Raw(271, 2, {0})}, {}, make, ""},
      {"padded with blanks", {Ascii(315, "Ann   ")}, {}, author, "Ann"},
      {"in Windows-1252, being no UTF-8",
       {Ascii(270, "Gro\xDF"), Ascii(272, "Cam \x80"), Ascii(315, "Jos\xE9 \xC3\xA9 \x92")},
       {},
       texts,
       "Groß|Cam €|José Ã© ’"},
      {"an XP title without its terminator", {Raw(40091, 1, {'S', 0, 'u', 0, 'n', 0})}, {}, title, "Sun"},
      {"an XP title padded with NULs", {Raw(40091, 1, {'S', 0, 'e', 0, 'a', 0, 0, 0, 0, 0, 'x', 0})}, {}, title, "Sea"},
      {"a date without NUL", {}, {Raw(36867, 2, Text(date))}, original, date + ".000"},
      {"a date with a blank for its NUL", {}, {Raw(36867, 2, Text(date + " "))}, original, date + ".000"},
      {"sub-seconds without NUL", {}, {Ascii(36867, date), Raw(37521, 2, Text("25"))}, original, date + ".250"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<Entry> primary = c.Primary;
    primary.push_back(Pointer(34665, 1));
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{primary}, {c.Exif}}))}));
    EXPECT_EQ(c.Read(exif), c.Expected);
  }
}

TEST(ExifDataTest, TheMakerNoteIsParsedOnlyWhenAskedAndOnce) {
  Bytes note;  // a headerless IFD whose value offsets count from the TIFF header
  Put16(note, 2, false);
  for (uint16_t tag : {1, 2}) {
    Put16(note, tag, false), Put16(note, 3, false), Put32(note, 1, false), Put32(note, tag * 10, false);
  }
  Put32(note, 0, false);
  TExifData exif;
  int changes = 0;
  exif.OnChange = [&] { ++changes; };
  LoadJpeg(exif, Jpeg({ExifBlock(CameraTiff(false, {Raw(37500, 7, note)}))}));
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<THeaderlessMakerNote>());
  exif.CameraModel(), exif.Comments(), exif.ISOSpeedRatings.AsString();  // readers never parse it
  EXPECT_FALSE(exif.MakerNoteParsed());

  TExifSection& section = exif.GetSection(esMakerNote);
  EXPECT_EQ(section.GetWordValue(2).Value, 20);
  TExifMakerNote* first = &exif.GetMakerNote();
  exif.GetSection(esMakerNote);
  EXPECT_EQ(&exif.GetMakerNote(), first);
  EXPECT_FALSE(exif.Modified());  // reading the note changes nothing
  EXPECT_EQ(changes, 0);
}

// A file without the values: each getter answers its own "missing".
TEST(ExifDataTest, MissingValuesReadAsMissing) {
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(272, "M")}}}))}));
  EXPECT_EQ(exif.GetExposureProgram(), -1);
  EXPECT_EQ(exif.GetWhiteBalanceMode(), -1);
  EXPECT_TRUE(exif.GetFocalLengthIn35mmFilm().MissingOrInvalid);
  EXPECT_EQ(exif.GetExifFraction(33434).Denominator, 0u);
  EXPECT_TRUE(exif.Flash.IsMissing());
  EXPECT_TRUE(exif.ISOSpeedRatings.IsMissing());
  EXPECT_EQ(exif.ISOSpeedRatings.AsString(), "");
  EXPECT_EQ(exif.ExifVersion.AsString(), "");
  EXPECT_EQ(exif.GPSLatitude.AsString(), "");
  EXPECT_EQ(exif.GPSLatitude.Direction(), '\0');
  EXPECT_EQ(exif.DateTime(), 0);
  EXPECT_TRUE(exif.Comments().empty());
  EXPECT_EQ(exif.PeekSection(esExif).Count(), 0);  // no 34665 pointer
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<TUnrecognizedMakerNote>());
  EXPECT_FALSE(exif.Modified());
}

// Coordinates with and without seconds, the hemisphere as stored and upper-cased, the altitude's
// reference, the versions of their digits or bytes and the names of the GPS tags.
TEST(ExifDataTest, GPSValuesAndVersions) {
  const bool big = true;
  const Bytes tiff =
      BuildTiff(big, {{{Ascii(272, "G"), Pointer(34665, 1), Pointer(34853, 2)}},
                      {{Raw(36864, 7, Text("0220"))}},
                      {{Raw(0, 1, {2, 2, 0, 0}), Ascii(1, "n"), Rationals(2, {{51, 1}, {30, 1}, {15, 1}}, big),
                        Ascii(3, "W"), Rationals(4, {{1, 1}, {45, 2}, {0, 0}}, big), Raw(5, 1, {1}),
                        Rationals(7, {{14, 1}, {58, 1}, {24, 1}}, big), Ascii(29, "2002:07:13")}}});
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(tiff)}));
  EXPECT_EQ(exif.GPSLatitude.Direction(), 'N');
  EXPECT_EQ(exif.GPSLatitude.AsString(), "51,30,15n");
  EXPECT_EQ(exif.GPSLongitude.AsString(), "1,22.5W");  // the XMP form without seconds
  EXPECT_EQ(exif.GPSAltitudeRef(), alBelowSeaLevel);
  EXPECT_EQ(DateTimeToExifString(exif.GPSDateTimeUTC()), "2002:07:13 14:58:24");
  EXPECT_EQ(exif.ExifVersion.AsString(), "2.20");
  EXPECT_EQ(std::tuple(exif.GPSVersion.Major(), exif.GPSVersion.Minor(), exif.GPSVersion.Release()),
            std::tuple(uint8_t{2}, uint8_t{2}, uint8_t{0}));
  EXPECT_EQ(GPSTagName(2), u"GPSLatitude");
  EXPECT_EQ(GPSTagName(25), u"");
}

// The GPS date is any ten characters with the year, month and day where "YYYY:MM:DD" has them;
// the time needs all three fractions; a time without date takes the date of the picture.
TEST(ExifDataTest, GPSDateTimeUTC) {
  const auto time = [](uint32_t hours) { return Rationals(7, {{hours, 1}, {5, 1}, {16, 2}}, false); };
  const auto date = [](int y, int m, int d, int h) {
    TDateTime value = 0;
    TryEncodeDateTime(y, m, d, h, h ? 5 : 0, h ? 8 : 0, 0, value);
    return value;
  };
  const struct Case {
    const char* Name;
    std::vector<Entry> GPS, Primary;
    TDateTime Expected;
  } cases[] = {
      {"colons", {Ascii(29, "2024:02:29"), time(23)}, {}, date(2024, 2, 29, 23)},
      {"hyphens", {Ascii(29, "2024-02-29"), time(23)}, {}, date(2024, 2, 29, 23)},
      {"date alone", {Ascii(29, "2024/02/29")}, {}, date(2024, 2, 29, 0)},
      {"no valid date: the picture's", {Ascii(29, "2023-02-29"), time(1)}, {Ascii(306, "2021:05:06 07:08:09")},
       date(2021, 5, 6, 1)},
      {"a short date", {Ascii(29, "24-02-29"), time(1)}, {}, date(1899, 12, 30, 1)},
      {"a time that is none", {Ascii(29, "2024-02-29"), time(24)}, {}, date(2024, 2, 29, 0)},
      {"a missing second", {Ascii(29, "2024-02-29"), Rationals(7, {{1, 1}, {5, 1}, {16, 0}}, false)}, {},
       date(2024, 2, 29, 0)},
      {"nothing", {}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<Entry> primary = c.Primary;
    primary.push_back(Pointer(34853, 1));
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{primary}, {c.GPS}}))}));
    EXPECT_EQ(DateTimeToExifString(exif.GPSDateTimeUTC()), DateTimeToExifString(c.Expected));
  }
}

TEST(ExifDataTest, TheSectionsAreWalkedInKindOrderWithoutParsing) {
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(CameraTiff(false, {Raw(37500, 7, Bytes(12, 0))}))}));
  std::vector<int> kinds, constKinds;
  for (TExifSection& section : exif) kinds.push_back(section.Kind());
  for (const TExifSection& section : std::as_const(exif)) constKinds.push_back(section.Kind());
  EXPECT_EQ(kinds, (std::vector<int>{esPrimary, esExif, esInterop, esGPS, esThumbnail, esMakerNote}));
  EXPECT_EQ(constKinds, kinds);
  EXPECT_FALSE(exif.MakerNoteParsed());
}

// Every error of the library is one of its own and still one of the program's.
TEST(ExifDataTest, TheLibrarysErrorsDescendFromItsBase) {
  const std::vector<std::function<void()>> raises{
      [] { throw EInvalidTiffData(); },        [] { throw EInvalidExifData(); },
      [] { throw EInvalidMakerNoteFormat(); }, [] { throw ETagAlreadyExists(1); },
      [] { throw EIllegalEditOfExifData(); },  [] { throw ENotOnlyASCIIError(); },
      [] { throw EInvalidJPEGHeader(); },      [] { throw EInvalidXMPPacket(); },
      [] { throw EInvalidXMPOperation("x"); }, [] { throw ESegmentTooLarge("x"); },
      [] { throw EMakerNoteCannotStay(); }};
  for (const auto& raise : raises) {
    std::string message;
    try {
      raise();
    } catch (const EVmxExifException& e) {
      const Exception& base = e;
      message = base.Message();
    }
    EXPECT_FALSE(message.empty());
    EXPECT_THROW(raise(), Exception);
  }
}

namespace {

// A note of our own: "TEST" and an IFD, big-endian, its offsets from the note's start.
class TTestMakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TTestMakerNote";
  static bool FormatIsOK(const TCustomExifData&, const TExifTag& tag, int& headerSize) {
    headerSize = 4;
    return tag.DataSize() > 4 && std::memcmp(tag.Data(), "TEST", 4) == 0;
  }

 protected:
  void GetIFDInfo(const TExifTag&, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const override {
    byteOrder = boBigEndian;
    offsetMode = moFromMakerNote;
  }
};

// An IFD of SHORT tags at the start of Bytes (after Header), each tag's value its number x 10.
Bytes NoteIFD(const Bytes& header, std::initializer_list<uint16_t> tags, bool big) {
  Bytes note = header;
  Put16(note, uint32_t(tags.size()), big);
  for (uint16_t tag : tags) {
    Put16(note, tag, big), Put16(note, 3, big), Put32(note, 1, big);
    Put16(note, tag * 10, big), Put16(note, 0, big);
  }
  Put32(note, 0, big);
  return note;
}

}  // namespace

TEST(ExifDataTest, MakerNotesAreClassifiedByTheirTagsAndReadInTheirByteOrder) {
  Bytes nikon3 = Text(std::string_view("Nikon\0\x02\x10\0\0MM\0\x2A\0\0\0\x08", 18));
  Bytes nikon3Note = NoteIFD(nikon3, {1, 2}, true);
  const struct Case {
    const char* Name;
    bool Big;  // the file's byte order
    std::string Make;
    Entry Note;
    TMakerNoteClass Chosen, Parsed;
    std::string Tags;  // of the parsed section
  } cases[] = {
      {"Nikon type 3 with MM", false, "NIKON", Raw(37500, 7, nikon3Note), MakerNoteClassOf<TNikonType3MakerNote>(),
       MakerNoteClassOf<TNikonType3MakerNote>(), "1=10 2=20 "},
      {"a BYTE note", false, "Maker", Raw(37500, 1, NoteIFD(Text("Panasonic\0\0\0"), {1}, false)),
       MakerNoteClassOf<THeaderlessMakerNote>(), MakerNoteClassOf<TUnrecognizedMakerNote>(), ""},
      {"a one-byte Canon note", false, "Canon", Raw(37500, 7, {1}), MakerNoteClassOf<THeaderlessMakerNote>(),
       MakerNoteClassOf<TUnrecognizedMakerNote>(), ""},
      {"no directory", false, "Maker", Raw(37500, 7, Text("not a directory at all")),
       MakerNoteClassOf<THeaderlessMakerNote>(), MakerNoteClassOf<TUnrecognizedMakerNote>(), ""},
      {"the other byte order", true, "Maker", Raw(37500, 7, NoteIFD({}, {3, 4}, false)),
       MakerNoteClassOf<THeaderlessMakerNote>(), MakerNoteClassOf<THeaderlessMakerNote>(), "3=30 4=40 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(c.Big, {{{Ascii(271, c.Make), Pointer(34665, 1)}}, {{c.Note}}}))}));
    EXPECT_STREQ(exif.MakerNoteClass()->Name, c.Chosen->Name);
    std::string tags;
    for (const TExifTag& tag : exif.GetSection(esMakerNote)) tags += std::to_string(tag.ID()) + "=" + tag.AsString() + " ";
    EXPECT_STREQ(exif.MakerNoteClass()->Name, c.Parsed->Name);
    EXPECT_EQ(tags, c.Tags);
  }
}

// A Canon note of two bytes is Canon's by its make, and the directory it cannot hold is read as
// damage of its section, not raised.
TEST(ExifDataTest, AMakersNoteTooShortForItsDirectoryRecordsTheDamage) {
  TExifData exif;
  LoadJpeg(exif,
           Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(271, "Canon"), Pointer(34665, 1)}}, {{Raw(37500, 7, {1, 2})}}}))}));
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<TCanonMakerNote>());
  EXPECT_EQ(exif.GetSection(esMakerNote).LoadFlags(), lfBadOffset);
  EXPECT_EQ(exif.GetSection(esMakerNote).Count(), 0);
}

// A class chosen by the camera make fits no more once the make has changed: the note is read by
// the class that fits now, and asking for it raises nothing.
TEST(ExifDataTest, AMakeChangedSinceLoadingChoosesTheMakerNoteClassAgain) {
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(true, {{{Ascii(271, "Canon"), Pointer(34665, 1)}},
                                                  {{Raw(37500, 7, NoteIFD({}, {3}, true))}}}))}));
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<TCanonMakerNote>());
  exif.SetCameraMake("Other");
  EXPECT_EQ(exif.GetSection(esMakerNote).GetWordValue(3).Value, 30);  // in the file's order now
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<THeaderlessMakerNote>());
}

// A class registered later is tried first, before the built-in ones.
TEST(ExifDataTest, AMakerNoteClassOfOurOwn) {
  const Bytes note = NoteIFD(Text("TEST"), {7}, true);
  Bytes panasonic = Text(std::string_view("Panasonic\0\0\0", 12));
  Append(panasonic, NoteIFD({}, {5}, false));
  const auto load = [](TExifData& exif, const Bytes& makerNote) {
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{{Pointer(34665, 1)}}, {{Raw(37500, 7, makerNote)}}}))}));
  };
  // Registered for this test only, also when it fails.
  struct TRegistered {
    TMakerNoteClass Class;
    explicit TRegistered(TMakerNoteClass c) : Class(c) { RegisterMakerNoteClass(c); }
    ~TRegistered() { UnregisterMakerNoteClass(Class); }
  };
  TExifData exif;
  std::optional<TRegistered> ours(MakerNoteClassOf<TTestMakerNote>());
  load(exif, note);
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<TTestMakerNote>());
  EXPECT_EQ(exif.GetSection(esMakerNote).GetWordValue(7).Value, 70);
  EXPECT_EQ(exif.GetMakerNote().ByteOrder(), boBigEndian);
  load(exif, panasonic);
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<TPanasonicMakerNote>());
  {
    TRegistered any(MakerNoteClassOf<THeaderlessMakerNote>());  // takes every note
    load(exif, panasonic);
    EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<THeaderlessMakerNote>());
  }
  ours.reset();
  load(exif, note);
  EXPECT_EQ(exif.MakerNoteClass(), MakerNoteClassOf<THeaderlessMakerNote>());
  EXPECT_EQ(MakerNoteClasses().size(), 6u);
}
