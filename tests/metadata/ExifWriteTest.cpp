// The write side: setters with their XMP mirror, the Exif block writer and JPEG files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "ExifTestFiles.h"
#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"
#include "metadata/jpeg/JPEGScale.h"
#include "os/os.h"
#include "tests/support/Corpora.h"

using namespace vmx;
using namespace exiftest;

namespace {

Bytes Block(TExifData& exif) {
  TMemoryStream stream;
  exif.SaveToStream(stream);
  return stream.Bytes();
}

void LoadBlock(TExifData& exif, const Bytes& block) {
  TUserMemoryStream stream(block.data(), int64_t(block.size()));
  exif.LoadFromExifStream(stream);
}

// The value of a top-level XMP property, or "-" when there is none.
std::string XMP(TCustomExifData& exif, TXMPKnownNamespace ns, const char16_t* name) {
  const TXMPSchema* schema = exif.GetXMPPacket().FindSchema(ns);
  const TXMPProperty* property = schema ? schema->FindProperty(name) : nullptr;
  return property ? Utf16ToUtf8(property->ReadValue()) : "-";
}

// What a Debian tool run on the host writes (its errors first in Arguments' redirections);
// false when the tool is not there.
bool RunTool(const std::string& tool, const std::string& arguments, std::string& output) {
#ifdef _WIN32
  return false;  // the tools are Linux programs
#else
  if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) return false;
  FILE* pipe = popen((tool + " 2>&1 " + arguments).c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return true;
#endif
}

}  // namespace

TEST(ExifWriteTest, SettersWriteTheirTagsAndTheirXMPMirror) {
  using Action = std::function<void(TExifData&)>;
  TDateTime when = 0;
  ASSERT_TRUE(TryEncodeDateTime(2024, 2, 29, 23, 5, 8, 250, when));
  const struct Case {
    const char* Name;
    Action Set, Clear;
    TExifSectionKind Kind;
    uint16_t Tag;
    std::string Text;
    TXMPKnownNamespace NS;
    const char16_t* XMPName;
    std::string XMPValue;  // its start for dates
  } cases[] = {
      {"make", [](auto& e) { e.SetCameraMake("Maker"); }, [](auto& e) { e.SetCameraMake(""); }, esPrimary, 271, "Maker",
       xsTIFF, u"Make", "Maker"},
      {"copyright", [](auto& e) { e.SetCopyright("(c) me "); }, [](auto& e) { e.SetCopyright(""); }, esPrimary, 33432,
       "(c) me ", xsDublinCore, u"rights", "(c) me"},
      {"date", [&](auto& e) { e.SetDateTime(when); }, [](auto& e) { e.SetDateTime(0); }, esPrimary, 306,
       "2024:02:29 23:05:08", xsTIFF, u"DateTime", "2024-02-29T23:05:08.250"},
      {"orientation", [](auto& e) { e.SetOrientation(toRightTop); }, [](auto& e) { e.SetOrientation(toUndefined); },
       esPrimary, 274, "6", xsTIFF, u"Orientation", "6"},
      {"author", [](auto& e) { e.SetAuthor(u"Zo\u00EB"); }, [](auto& e) { e.SetAuthor(u""); }, esPrimary, 40093,
       "Zo\xC3\xAB", xsDublinCore, u"creator", "Zo\xC3\xAB"},
      {"keywords", [](auto& e) { e.SetKeywords(u"a;b"); }, [](auto& e) { e.SetKeywords(u""); }, esPrimary, 40094, "a;b",
       xsDublinCore, u"subject", "a,b"},
      {"rating", [](auto& e) { e.SetUserRating(urFourStars); }, [](auto& e) { e.SetUserRating(urUndefined); },
       esPrimary, 18246, "4", xsMicrosoftPhoto, u"Rating", "75"},
      {"file source", [](auto& e) { e.SetFileSource(fsDigitalCamera); }, [](auto& e) { e.SetFileSource(fsUnknown); },
       esExif, 41728, "03", xsExif, u"FileSource", "3"},
      {"GPS time", [&](auto& e) { e.SetGPSDateTimeUTC(when); }, [](auto& e) { e.SetGPSDateTimeUTC(0); }, esGPS, 7,
       "23,5,8", xsExif, u"GPSTimeStamp", "2024-02-29T23:05:08.250Z"},
      {"flash", [](auto& e) { e.Flash.SetValue(0x19); }, [](auto& e) { e.Flash.SetValue(0); }, esExif, 37385, "25",
       xsExif, u"Flash", ""},
      {"resolution",
       [](auto& e) {
         e.Resolution.SetXResolution({300, 2});
       },
       [](auto& e) { e.Resolution.SetXResolution({}); }, esPrimary, 282, "300/2", xsTIFF, u"XResolution", "300/2"},
      {"Exif version", [](auto& e) { e.ExifVersion.SetAsString("2.31"); },
       [](auto& e) { e.ExifVersion.SetAsString(""); }, esExif, 36864, "30323331", xsUnknown, u"", ""},
      {"title", [](auto& e) { e.SetTitle(u"T"); }, [](auto& e) { e.SetTitle(u""); }, esPrimary, 40091, "T",
       xsDublinCore, u"title", "T"},
      {"altitude", [](auto& e) { e.SetGPSAltitudeRef(alBelowSeaLevel); },
       [](auto& e) { e.SetGPSAltitudeRef(alTagMissing); }, esGPS, 5, "1", xsExif, u"GPSAltitudeRef", "1"},
      {"GPS version", [](auto& e) { e.GPSVersion.SetAsString("2"); }, [](auto& e) { e.GPSVersion.Assign(nullptr); },
       esGPS, 0, "2,0,0", xsUnknown, u"", ""},
      {"Exif version after a separator of two bytes", [](auto& e) { e.ExifVersion.SetAsString("2\u00B731"); },
       [](auto& e) { e.ExifVersion.SetAsString(""); }, esExif, 36864, "30323331", xsUnknown, u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifData exif;
    exif.SetXMPWriteMode(xmWrite);
    c.Set(exif);
    const TExifTag* tag = exif.PeekSection(c.Kind).Find(c.Tag);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->AsString(), c.Text);
    const std::string mirror = XMP(exif, c.NS, c.XMPName);
    EXPECT_TRUE(c.NS == xsUnknown || mirror.starts_with(c.XMPValue)) << mirror;
    c.Clear(exif);
    EXPECT_EQ(exif.PeekSection(c.Kind).Find(c.Tag), nullptr);
    EXPECT_EQ(XMP(exif, c.NS, c.XMPName), "-");
  }
}

// Each value object copies its tags, converted where its class says, and mirrors them; a
// coordinate of the other kind, or nothing, removes.
TEST(ExifWriteTest, ValueObjectsAreCopiedWithTheirMirror) {
  const bool big = true;
  TExifData source;
  LoadJpeg(source, Jpeg({ExifBlock(BuildTiff(
                       big, {{{Rationals(282, {{72, 1}}, big), Rationals(283, {{72, 1}}, big), Pointer(34665, 1),
                               Pointer(34853, 2)}},
                             {{Raw(34855, 6, {100, 200}), Raw(36864, 7, Text("0221")), Shorts(37385, {0x41}, big)}},
                             {{Ascii(1, "n"), Rationals(2, {{51, 1}, {30, 1}, {15, 1}}, big)}}}))}));
  TExifData target;
  target.SetXMPWriteMode(xmWrite);
  target.GPSLatitude.Assign(&source.GPSLatitude);
  EXPECT_EQ(target.GPSLatitude.AsString(), "51,30,15N");
  EXPECT_EQ(XMP(target, xsExif, u"GPSLatitude"), "51,30,15N");
  target.GPSLongitude.Assign(&source.GPSLatitude);  // another kind of coordinate
  EXPECT_EQ(target.PeekSection(esGPS).Find(4), nullptr);
  target.ISOSpeedRatings.Assign(&source.ISOSpeedRatings);  // SBYTE values become SHORT ones
  EXPECT_EQ(target.PeekSection(esExif).Find(34855)->DataType(), tdWord);
  EXPECT_EQ(target.ISOSpeedRatings.AsString(), "100,200");
  EXPECT_EQ(XMP(target, xsExif, u"ISOSpeedRatings"), "100,200");
  target.Flash.Assign(&source.Flash);
  target.Flash.SetMode(efAuto);
  EXPECT_EQ(target.Flash.Value(), 0x59);
  const TXMPProperty& flash = *target.GetXMPPacket().FindSchema(xsExif)->FindProperty(u"Flash");
  EXPECT_EQ(flash.FindSubProperty(u"RedEyeMode")->ReadValue(), u"True");
  EXPECT_EQ(flash.FindSubProperty(u"Mode")->ReadValue(), u"3");
  target.ExifVersion.Assign(&source.ExifVersion);
  EXPECT_EQ(target.PeekSection(esExif).Find(36864)->AsString(), "30323231");  // the release too
  target.Resolution.Assign(&source.Resolution);
  EXPECT_EQ(XMP(target, xsTIFF, u"YResolution"), "72");
  target.Resolution.Assign(nullptr);
  EXPECT_TRUE(target.Resolution.IsMissing());
  EXPECT_EQ(XMP(target, xsTIFF, u"XResolution"), "-");
}

TEST(ExifWriteTest, TheWriteModeDecidesWhatTheMirrorDoes) {
  const std::string packet =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
      "<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Make=\"Old\" tiff:make=\"old\">"
      "</rdf:Description></rdf:RDF></x:xmpmeta>";
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(270, "D")}}})), XMPSegmentData(packet)}));
  EXPECT_EQ(exif.XMPWriteMode(), xmUpdateExisting);
  exif.SetCameraMake("New");
  EXPECT_EQ(XMP(exif, xsTIFF, u"Make") + XMP(exif, xsTIFF, u"make"), "NewNew");
  exif.SetCameraModel("M");
  EXPECT_EQ(XMP(exif, xsTIFF, u"Model"), "-");
  exif.SetXMPWriteMode(xmRemove);
  exif.SetCameraMake("X");
  EXPECT_EQ(XMP(exif, xsTIFF, u"Make") + XMP(exif, xsTIFF, u"make"), "--");
}

// A segment that is no packet takes no change: it is written back as it was, and both the data
// object and the save tell so.
TEST(ExifWriteTest, ASetterCannotChangeAnUnreadableXMPSegmentAndTheSaveSaysSo) {
  const Bytes broken = XMPSegmentData("<x:xmpmeta>not closed");
  const Bytes jpeg = Jpeg({ExifBlock(BuildTiff(false, {{{Ascii(270, "D")}}})), broken});
  TExifData exif;
  LoadJpeg(exif, jpeg);
  exif.SetXMPWriteMode(xmWrite);
  EXPECT_FALSE(exif.XMPChangesLost());
  exif.SetTitle(u"T");
  EXPECT_TRUE(exif.XMPChangesLost());
  TUserMemoryStream source(jpeg.data(), int64_t(jpeg.size()));
  TMemoryStream saved;
  EXPECT_FALSE(exif.SaveToJPEG(source, saved));
  TExifData back;
  saved.SetPosition(0);
  back.LoadFromJPEG(saved);
  EXPECT_EQ(back.Title(), u"T");
  EXPECT_EQ(back.XMPSegmentData(), broken);
}

#ifndef _WIN32
// An XMP date says the offset from UTC in force on that date, not today's.
TEST(ExifWriteTest, XMPDatesTakeTheOffsetOfTheirOwnDate) {
  std::string zone;
  const bool hadZone = os::GetEnv("TZ", zone);
  os::SetEnv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");  // Central Europe, without the zone database
  tzset();
  for (const auto& [month, text] :
       {std::pair{1, "2024-01-15T12:00:00.000+01:00"}, std::pair{6, "2024-06-15T12:00:00.000+02:00"}}) {
    TDateTime when = 0;
    ASSERT_TRUE(TryEncodeDateTime(2024, month, 15, 12, 0, 0, 0, when));
    TExifData exif;
    exif.SetXMPWriteMode(xmWrite);
    exif.SetDateTimeOriginal(when);
    EXPECT_EQ(XMP(exif, xsExif, u"DateTimeOriginal"), text);
  }
  hadZone ? void(os::SetEnv("TZ", zone)) : void(unsetenv("TZ"));
  tzset();
}
#endif

TEST(ExifWriteTest, TheBlockLaysOutItsDirectories) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    // IFD0 alone, at 8, with its data after it; a value of each type, each beginning on a word
    // (the odd-sized text is padded); a padding tag is not written.
    Entry one{7, 12, 1, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}};  // the double 1.0
    if (big) std::reverse(one.Value.begin(), one.Value.end());
    const std::vector<Entry> entries{Raw(1, 1, {1, 2, 3, 4, 5, 6}),
                                     Shorts(2, {7, 8, 9}, big),
                                     Shorts(3, {65535}, big, 8),
                                     Longs(4, {70000}, big),
                                     Rationals(5, {{1, 3}}, big),
                                     Ascii(6, "Camera"),
                                     one};
    std::vector<Entry> padded = entries;
    padded.push_back(Raw(59932, 7, {0x1C, 0xEA, 0, 0}));
    TExifData only;
    LoadJpeg(only, Jpeg({ExifBlock(BuildTiff(big, {{padded}}))}));
    EXPECT_EQ(Block(only), ExifBlock(BuildTiff(big, {{entries}})));

    // No GPS pointer (nor its repetition) to an empty directory; without thumbnail, IFD1 keeps
    // all but its pointer.
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(BuildTiff(big, {{{Ascii(272, "M"), Pointer(34853, 2), Pointer(34853, 2)}, 1},
                                                   {{Longs(282, {1}, big), Longs(513, {0}, big), Longs(514, {9}, big)}},
                                                   {}}))}));
    TExifData back;
    LoadBlock(back, Block(exif));
    EXPECT_EQ(Tags(back), "1:272/2*2 4D00\n5:282/4*1 01000000\n");
    EXPECT_EQ(back.ByteOrder(), big ? boBigEndian : boLittleEndian);
  }
}

// A maker note stays where it lay, and with it what its own pointers may reach outside it
// (a preview image that no directory names): the pointers still hold after the save. One that
// cannot stay refuses the save rather than lose what it points at.
TEST(ExifWriteTest, AMakerNoteStaysWhereItsOffsetCanBeKept) {
  for (uint32_t noteOffset : {8u, 4u}) {
    SCOPED_TRACE(noteOffset);
    const bool big = false;
    // The header, a 12-byte maker note at 8, IFD0 at 20 (the Exif pointer), the Exif IFD at 38,
    // a preview at 56.
    Bytes tiff = Text("II");
    Put16(tiff, 42, big), Put32(tiff, 20, big);
    Append(tiff, Text("MAKERNOTE..."));
    Put16(tiff, 1, big), Put16(tiff, 34665, big), Put16(tiff, 4, big), Put32(tiff, 1, big), Put32(tiff, 38, big);
    Put32(tiff, 0, big);
    Put16(tiff, 1, big), Put16(tiff, 37500, big), Put16(tiff, 7, big), Put32(tiff, 12, big),
        Put32(tiff, noteOffset, big);
    Put32(tiff, 0, big);
    Append(tiff, Text("PREVIEW!"));
    TExifData exif;
    LoadJpeg(exif, Jpeg({ExifBlock(tiff)}));
    exif.SetCameraModel("A model whose name takes room where the preview lies");
    if (noteOffset != 8) {
      EXPECT_THROW(Block(exif), EMakerNoteCannotStay);
      continue;
    }
    const Bytes block = Block(exif);
    TExifData back;
    LoadBlock(back, block);
    EXPECT_EQ(Tags(back), Tags(exif));
    EXPECT_EQ(back.PeekSection(esExif).Find(37500)->FileDataOffset(), 8);
    EXPECT_EQ(Bytes(block.begin() + 6, block.begin() + 8), Text("II"));
    EXPECT_EQ(block[10], 64);  // the header points at IFD0 where it is: after the preview
    EXPECT_EQ(Bytes(block.begin() + 6 + 56, block.begin() + 6 + 64), Text("PREVIEW!"));
    // A note that grew over the preview cannot stay where it lay either.
    exif.Section(esExif).Find(37500)->SetAsString(std::string(120, 'A'));
    EXPECT_THROW(Block(exif), EMakerNoteCannotStay);
  }
}

// A thumbnail that is no JPEG image goes back as it came, for the readers that read it.
TEST(ExifWriteTest, AThumbnailThatIsNoJPEGIsKept) {
  uint32_t at = 0;
  const auto tiff = [&] {
    return BuildTiff(false, {{{Ascii(272, "M")}, 1}, {{Longs(513, {at}, false), Longs(514, {5}, false)}}},
                     Text("THUMB"), &at);
  };
  tiff();
  TExifData exif;
  LoadJpeg(exif, Jpeg({ExifBlock(tiff())}));
  exif.SetCameraModel("Another model");
  TExifData back;
  const Bytes block = Block(exif);
  LoadBlock(back, block);
  const TExifTag* offset = back.PeekSection(esThumbnail).Find(513);
  ASSERT_NE(offset, nullptr);
  const uint32_t thumbnail = *reinterpret_cast<const uint32_t*>(offset->Data());
  EXPECT_EQ(Bytes(block.begin() + 6 + thumbnail, block.begin() + 6 + thumbnail + 5), Text("THUMB"));
  EXPECT_EQ(back.PeekSection(esThumbnail).Find(514)->AsString(), "5");
}

TEST(ExifWriteTest, ALargeThumbnailIsScaledToFit) {
  const struct {
    int Width, Height, NewWidth, NewHeight;
  } sizes[] = {{640, 480, 160, 120}, {480, 640, 90, 120}, {1000, 100, 160, 16}, {200, 120, 160, 96}};
  for (const auto& s : sizes) {
    int width, height;
    StandardThumbnailSize(s.Width, s.Height, width, height);
    EXPECT_EQ(width, s.NewWidth) << s.Width << "x" << s.Height;
    EXPECT_EQ(height, s.NewHeight) << s.Width << "x" << s.Height;
  }
  const Bytes image = ScaleJPEG(GreyJpeg8x8(), 640, 480, 100);
  Bytes large{0xFF, 0xD8};  // a comment makes it larger than a segment's worth
  Append(large, Segment(0xFE, Bytes(62000, 'x')));
  large.insert(large.end(), image.begin() + 2, image.end());
  TExifData exif;
  exif.SetCameraModel("M");
  exif.SetThumbnail(large);
  EXPECT_THROW(Block(exif), Exception);  // no codec to shrink it with
  exif.ThumbnailScaler = ScaleJPEG;
  TExifData back;
  LoadBlock(back, Block(exif));
  ASSERT_TRUE(back.HasThumbnail());
  EXPECT_LE(back.Thumbnail().size(), 61440u);
  TUserMemoryStream thumbnail(back.Thumbnail().data(), int64_t(back.Thumbnail().size()));
  int width = 0, height = 0;
  EXPECT_TRUE(GetJPEGImageSize(thumbnail, width, height));
  EXPECT_EQ(width, 160);
  EXPECT_EQ(height, 120);
}

// What stops a save is an error of the library, so that one handler of its base takes them all.
TEST(ExifWriteTest, ASaveThatCannotBeDoneRaisesTheLibrarysError) {
  const Bytes image = ScaleJPEG(GreyJpeg8x8(), 640, 480, 100);
  Bytes large{0xFF, 0xD8}, noFrame{0xFF, 0xD8};  // a comment makes each larger than a segment's worth
  Append(large, Segment(0xFE, Bytes(62000, 'x')));
  large.insert(large.end(), image.begin() + 2, image.end());
  Append(noFrame, Segment(0xFE, Bytes(62000, 'x')));
  Append(noFrame, {0xFF, 0xD9});
  const struct {
    const char* Name;
    std::function<void(TExifData&)> Setup;
    std::string Message;
  } cases[] = {
      {"a large thumbnail and no codec", [&](TExifData& exif) { exif.SetThumbnail(large); },
       "No JPEG codec to scale the thumbnail with"},
      {"a large thumbnail without a frame",
       [&](TExifData& exif) {
         exif.ThumbnailScaler = ScaleJPEG;
         exif.SetThumbnail(noFrame);
       },
       "The thumbnail is not a JPEG image"},
      {"more tags than a directory holds",
       [](TExifData& exif) {
         for (int id = 0; id <= 65535; ++id) exif.Section(esGPS).AddOrUpdate(uint16_t(id), tdByte, 1, {});
       },
       "Too many tags in one directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifData exif;
    exif.SetCameraModel("M");
    c.Setup(exif);
    try {
      Block(exif);
      ADD_FAILURE() << "saved";
    } catch (const EVmxExifException& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    } catch (const Exception& e) {
      ADD_FAILURE() << "not the library's error: " << e.what();
    }
  }
}

TEST(ExifWriteTest, AFileIsReplacedOnlyByOneThatReadsBack) {
  const std::string folder = testpaths::FreshFolder("exif_write");
  const std::string file = folder + "a.jpg";
  Bytes jfif{0xFF, 0xD8};
  Append(jfif, Segment(0xE0, Text("JFIF")));
  const Bytes original = Jpeg({});
  jfif.insert(jfif.end(), original.begin() + 2, original.end());
  WriteBytes(file, jfif);
  TExifData exif;
  exif.LoadFromFile(file);
  exif.SetXMPWriteMode(xmWrite);
  exif.SetCameraModel("New");
  exif.SetTitle(u"T");
  exif.SaveToJPEGFile(file);
  TExifData back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.CameraModel(), "New");
  EXPECT_EQ(XMP(back, xsDublinCore, u"title"), "T");
  const std::string written = testpaths::ReadText(file);
  EXPECT_EQ(written.substr(2, 10), std::string("\xFF\xE0\0\x06JFIF\xFF\xE1", 10));  // Exif after JFIF
  EXPECT_TRUE(written.ends_with(std::string(original.end() - 20, original.end())));

  // A tag that would not read back as it is held: the file stays as it was.
  static_cast<TExtendableExifSection&>(exif.Section(esPrimary)).Add(600, 99, 1);
  EXPECT_THROW(exif.SaveToJPEGFile(file), EInOutError);
  EXPECT_EQ(testpaths::ReadText(file), written);
  // A file cut inside its segments is not written at all.
  const std::string cut = folder + "cut.jpg";
  WriteBytes(cut, Bytes(jfif.begin(), jfif.begin() + 14));
  EXPECT_THROW(back.SaveToJPEGFile(cut), EReadError);
  EXPECT_EQ(testpaths::ReadText(cut).size(), 14u);
}

// The JPEG file without its APP1 segments: the image data and the other segments, which a
// save of Exif and XMP leaves as they were.
std::string WithoutApp1(const std::string& jpeg) {
  std::string out = jpeg.substr(0, 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF && uint8_t(jpeg[at + 1]) != 0xDA) {
    const size_t size = 2 + (uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]));
    if (uint8_t(jpeg[at + 1]) != 0xE1) out += jpeg.substr(at, size);
    at += size;
  }
  return out + jpeg.substr(std::min(at, jpeg.size()));
}

#ifndef _WIN32
// The warnings and errors in exiv2's output.
std::set<std::string> Complaints(const std::string& output) {
  std::set<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("Warning") || line.starts_with("Error") || line.find("Toolkit error") != std::string::npos)
      lines.insert(line);
  return lines;
}

// What ExifTool's -args output says, by group and tag, but for what a file system or a tool
// run says, the tags that the values set change, positions in the file (which move) and the
// toolkit an XMP packet names (the one that wrote it: now this one, which names none).
std::map<std::string, std::string> ExifToolTags(const std::string& fileName) {
  static const std::set<std::string> Changed{"XPAuthor",
                                             "Artist",
                                             "XPTitle",
                                             "XPKeywords",
                                             "Rating",
                                             "RatingPercent",
                                             "DateTimeOriginal",
                                             "Creator",
                                             "Title",
                                             "Subject",
                                             "SubSecTimeOriginal",
                                             "SubSecDateTimeOriginal",
                                             "LastKeywordXMP",
                                             "XMPToolkit"};
  std::map<std::string, std::string> tags;
  std::istringstream in(testpaths::ReadText(fileName));
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(':'), equals = line.find('=');
    if (colon == std::string::npos || equals == std::string::npos || colon > equals) continue;
    const std::string group = line.substr(1, colon - 1), name = line.substr(colon + 1, equals - colon - 1);
    if (group != "System" && group != "ExifTool" && !Changed.count(name) && !name.ends_with("Offset") &&
        !name.ends_with("Start"))
      tags[group + ":" + name] = line.substr(equals + 1);
  }
  return tags;
}
#endif

// Values set on every sample file and saved: we and other readers read them back, and all else
// that other readers read before they still read, without a new complaint.
TEST(ExifWriteTest, EveryCorpusFileTakesNewValuesAndKeepsAllElse) {
  testpaths::SkipWithoutCorpus("jpeg");
  if (IsSkipped()) return;
  const std::string folder = testpaths::FreshFolder("exif_corpus");
  std::vector<std::string> names;
  for (const auto& item :
       std::filesystem::directory_iterator(std::filesystem::u8path(testpaths::CorpusFolder("jpeg")))) {
    names.push_back(item.path().filename().string());
    std::filesystem::copy_file(item.path(), std::filesystem::u8path(folder + names.back()));
    std::filesystem::permissions(std::filesystem::u8path(folder + names.back()), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
  std::sort(names.begin(), names.end());
  const std::u16string author = u"Zo\u00EB \u00C5ngstr\u00F6m", title = u"D\u00E9j\u00E0 vu";
  TDateTime taken = 0;
  ASSERT_TRUE(TryEncodeDateTime(2021, 6, 15, 10, 20, 30, 0, taken));
#ifndef _WIN32
  std::string output;
  ASSERT_TRUE(RunTool("exiftool", "-q -args -G1 -a -n -w %d%f.before '" + folder + "'", output) &&
              RunTool("exiv2", "--version >/dev/null", output))
      << "exiftool and exiv2 are missing: scripts/setup.sh installs them";
  std::map<std::string, std::set<std::string>> exiv2Before;
  for (const std::string& name : names) {
    RunTool("exiv2", "-pa '" + folder + name + "' >/dev/null", output = {});
    exiv2Before[name] = Complaints(output);
  }
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string file = folder + name, original = testpaths::ReadText(file);
    TExifData exif;
    exif.LoadFromFile(file);
    TExifData block;
    LoadBlock(block, Block(exif));
    EXPECT_EQ(Tags(block), Tags(exif));  // every value the image source reads among them

    exif.SetXMPWriteMode(xmWrite);
    exif.SetAuthor(author);
    exif.SetTitle(title);
    exif.SetKeywords(u"alpha;beta");
    exif.SetUserRating(urFourStars);
    exif.SetDateTimeOriginal(taken);
    bool complete = false;
    ASSERT_NO_THROW(complete = exif.SaveToJPEGFile(file));
    EXPECT_TRUE(complete);
    EXPECT_EQ(WithoutApp1(testpaths::ReadText(file)), WithoutApp1(original));
    TExifData back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Author() + u"|" + back.Title() + u"|" + back.Keywords(), author + u"|" + title + u"|alpha;beta");
    EXPECT_EQ(back.UserRating(), urFourStars);
    EXPECT_EQ(back.DateTimeOriginal(), taken);
    EXPECT_EQ(XMP(back, xsDublinCore, u"title") + "|" + XMP(back, xsDublinCore, u"subject"),
              Utf16ToUtf8(title) + "|alpha,beta");
#ifndef _WIN32
    RunTool("exiv2", "-pa '" + file + "'", output = {});
    for (const std::string& line : Complaints(output))
      EXPECT_TRUE(exiv2Before[name].count(line)) << "exiv2 says now: " << line;
    EXPECT_NE(output.find("Xmp.dc.title"), std::string::npos) << "exiv2 reads no XMP";
#endif
  }
#ifndef _WIN32
  RunTool("exiftool", "-q -args -G1 -a -n -w %d%f.after '" + folder + "'", output = {});
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string stem = folder + name.substr(0, name.rfind('.'));
    std::map<std::string, std::string> before = ExifToolTags(stem + ".before"), after = ExifToolTags(stem + ".after");
    if (!before.count("File:ExifByteOrder")) after.erase("File:ExifByteOrder");  // an Exif block is new
    for (const auto& [tag, value] : before) EXPECT_EQ(after.count(tag) ? after[tag] : "(none)", value) << tag;
    for (const auto& [tag, value] : after) EXPECT_TRUE(before.count(tag)) << "new: " << tag << "=" << value;
    const std::string all = testpaths::ReadText(stem + ".after");
    for (const std::string& set : {"-IFD0:XPTitle=" + Utf16ToUtf8(title), "-XMP-dc:Title=" + Utf16ToUtf8(title),
                                   "-IFD0:XPAuthor=" + Utf16ToUtf8(author), "-XMP-dc:Creator=" + Utf16ToUtf8(author),
                                   std::string("-IFD0:Rating=4"), std::string("-XMP-dc:Subject=alpha, beta"),
                                   std::string("-ExifIFD:DateTimeOriginal=2021:06:15 10:20:30")})
      EXPECT_NE(all.find(set + "\n"), std::string::npos) << set;
  }
#endif
}
