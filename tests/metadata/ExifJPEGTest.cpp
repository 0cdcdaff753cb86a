#include <gtest/gtest.h>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.JPEGUtils.h"
#include "tests/support/Thrown.h"

using namespace vmx;
using exiftest::Bytes;

namespace {

// The markers and offsets of the wanted segments, and the data size of the whole stream.
struct TWalk {
  std::vector<uint8_t> Markers;
  std::vector<int64_t> Offsets;
  int64_t DataSize = 0;
};

TWalk Walk(const Bytes& bytes, std::initializer_list<uint8_t> wanted) {
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  TJPEGHeaderParser parser(stream, JPEGMarkers(wanted));
  TWalk walk;
  while (parser.MoveNext()) {
    walk.Markers.push_back(parser.Current()->MarkerNum());
    walk.Offsets.push_back(parser.Current()->Offset());
  }
  EXPECT_FALSE(parser.MoveNext());  // an ended walk stays ended
  EXPECT_EQ(parser.Current(), nullptr);
  // A for-each loop makes the same walk.
  TUserMemoryStream loop(bytes.data(), int64_t(bytes.size()));
  std::vector<uint8_t> looped;
  for (const auto& segment : JPEGHeader(loop, JPEGMarkers(wanted))) looped.push_back(segment->MarkerNum());
  EXPECT_EQ(looped, walk.Markers);
  TUserMemoryStream again(bytes.data(), int64_t(bytes.size()));
  walk.DataSize = GetJPEGDataSize(again);
  EXPECT_EQ(again.Position(), 0);
  return walk;
}

// SOI, a scan header, then the scan data.
Bytes Scan(const Bytes& data) {
  Bytes bytes{0xFF, 0xD8};
  exiftest::Append(bytes, exiftest::Segment(jmSOS, {1, 2}));
  exiftest::Append(bytes, data);
  return bytes;
}

}  // namespace

TEST(ExifJPEGTest, WalksFindTheirMarkersAndTheEndOfTheData) {
  const Bytes app1{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xD9};
  const struct {
    const char* Name;
    Bytes Stream;
    std::initializer_list<uint8_t> Wanted;
    TWalk Walk;
  } cases[] = {
      {"EOI", app1, {jmEOI}, {{jmEOI}, {8}, 10}},
      {"fill bytes before a marker",
       {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xE1, 0x00, 0x02, 0xFF, 0xD9},
       {jmApp1},
       {{jmApp1}, {4}, 10}},
      {"a length of 1 ends the walk",
       {0xFF, 0xD8, 0xFF, 0xE2, 0x00, 1, 0xFF, 0xE1, 0x00, 0x04, 1, 2, 0xFF, 0xD9},
       {jmApp1, jmEOI},
       {{}, {}, 14}},
      // FF FF D9: the second FF starts the marker.
      {"EOI in the scan data", Scan({0x10, 0xFF, 0x00, 0xFF, 0xFF, 0xD9}), {jmEOI}, {{jmEOI}, {12}, 14}},
      {"EOI right at the start of the scan data", Scan({0xFF, 0xD9, 0x00, 0x00}), {jmEOI}, {{jmEOI}, {8}, 10}},
      {"no EOI: a final FF is followed by nothing", Scan({0x10, 0x20, 0xFF}), {jmEOI}, {{}, {}, 11}},
      // Without EOI wanted the walk stops at the scan: the image data is never read.
      {"the scan ends the walk", Scan({0x10, 0xFF, 0xD9}), {jmApp1}, {{}, {}, 11}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TWalk walk = Walk(c.Stream, c.Wanted);
    EXPECT_EQ(walk.Markers, c.Walk.Markers);
    EXPECT_EQ(walk.Offsets, c.Walk.Offsets);
    EXPECT_EQ(walk.DataSize, c.Walk.DataSize);
  }
}

TEST(ExifJPEGTest, AStreamWithoutSOIOrAWantedSegmentCutShortIsAnError) {
  const Bytes bad{0x00, 0xD8, 0xFF, 0xD9};
  TUserMemoryStream stream(bad.data(), 4);
  EXPECT_EQ(ThrownMessage<EInvalidJPEGHeader>([&] { TJPEGHeaderParser(stream, JPEGMarkers({jmApp1})); }),
            "JPEG header is not valid");
  const Bytes cut{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 1, 2, 3};
  TUserMemoryStream cutStream(cut.data(), int64_t(cut.size()));
  TJPEGHeaderParser parser(cutStream, JPEGMarkers({jmApp1}));
  EXPECT_THROW(parser.MoveNext(), EReadError);
}

namespace {

// A stream that tells when it goes.
class TWatchedStream : public TUserMemoryStream {
 public:
  TWatchedStream(const Bytes& bytes, bool& gone)
      : TUserMemoryStream(bytes.data(), int64_t(bytes.size())), FGone(gone) {}
  ~TWatchedStream() override { FGone = true; }

 private:
  bool& FGone;
};

}  // namespace

TEST(ExifJPEGTest, AnOwnedStreamGoesWhenTheWalkEndsWithTheParserAndWithAFailedOne) {
  const Bytes jpeg{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xDB, 0x00, 0x02, 0x00}, notJpeg{0x00, 0xD8};
  bool gone = false;
  const auto owned = [&](const Bytes& bytes) {
    gone = false;
    return TJPEGHeaderParser(std::make_unique<TWatchedStream>(bytes, gone), JPEGMarkers({jmApp1}));
  };
  {
    TJPEGHeaderParser parser = owned(jpeg);
    EXPECT_TRUE(parser.OwnsStream() && parser.MoveNext() && !gone);
    EXPECT_FALSE(parser.MoveNext());  // the walk ends at the 00 after the DB segment
    EXPECT_TRUE(gone);
    EXPECT_FALSE(parser.MoveNext());
  }
  owned(jpeg).MoveNext();
  EXPECT_TRUE(gone);  // with the parser, in the middle of the walk
  EXPECT_THROW(owned(notJpeg), EInvalidJPEGHeader);
  EXPECT_TRUE(gone);
  gone = false;
  TWatchedStream lent(jpeg, gone);
  for (TJPEGHeaderParser parser(lent, JPEGMarkers({jmApp1})); parser.MoveNext();) EXPECT_FALSE(parser.OwnsStream());
  EXPECT_FALSE(gone);
}

TEST(ExifJPEGTest, AnInvalidHeaderIsAnInvalidGraphicAndAnErrorOfTheLibrary) {
  const Bytes notJpeg{0xFF, 0xD9};
  const auto walk = [&] {
    TUserMemoryStream stream(notJpeg.data(), 2);
    JPEGHeader(stream, JPEGMarkers({jmApp1}));
  };
  EXPECT_EQ(ThrownMessage<EInvalidGraphic>(walk), "JPEG header is not valid");
  EXPECT_EQ(ThrownMessage<EVmxExifException>(walk), "JPEG header is not valid");
}

namespace {

// One image resource block: signature, type, name, size, data, each padded to an even length.
Bytes AdobeBlock(std::string_view signature, uint16_t type, std::string_view name, const Bytes& data, bool pad = true) {
  Bytes out = exiftest::Text(signature);
  exiftest::Put16(out, type, true);
  out.push_back(uint8_t(name.size()));
  exiftest::Append(out, exiftest::Text(name));
  if (name.size() % 2 == 0) out.push_back(0);
  exiftest::Put32(out, uint32_t(data.size()), true);
  exiftest::Append(out, data);
  if (data.size() % 2 == 1 && pad) out.push_back(0);
  return out;
}

}  // namespace

TEST(ExifJPEGTest, AdobeBlocksAreThoseOfAPhotoshopSegmentUpToTheFirstThatDoesNotFit) {
  const Bytes photoshop3 = exiftest::Text(std::string_view("Photoshop 3.0\0", 14));
  const Bytes iptc = AdobeBlock("8BIM", 1028, "", {1, 2, 3}), named = AdobeBlock("8BIM", 1036, "ab", {});
  const Bytes older = exiftest::Text("Adobe_Photoshop2.5:"), unpadded = AdobeBlock("8BIM", 1, "", {4}, false);
  Bytes tooLong = AdobeBlock("8BIM", 1058, "", {9, 9});
  tooLong[8] = 0x10;  // claims 256 MiB
  const struct {
    const char* Name;
    uint8_t Marker;
    std::vector<Bytes> Parts;
    int HeaderSize;
    std::string Blocks;  // signature/type/name/data of each
  } cases[] = {
      {"two blocks", jmApp13, {photoshop3, iptc, named}, 14, "8BIM/1028//010203 8BIM/1036/ab/ "},
      {"the older layout", jmApp13, {older, AdobeBlock("PHUT", 7, "x", {5})}, 19, "PHUT/7/x/05 "},
      {"a last block without its padding", jmApp13, {photoshop3, unpadded}, 14, "8BIM/1//04 "},
      {"a block running past the end", jmApp13, {photoshop3, iptc, tooLong, iptc}, 14, "8BIM/1028//010203 "},
      {"a cut block", jmApp13, {photoshop3, iptc, {'8', 'B', 'I', 'M', 0}}, 14, "8BIM/1028//010203 "},
      {"19 bytes are too few", jmApp13, {photoshop3, Bytes(5, 0)}, 0, ""},
      {"20 bytes are enough, though too few for a block", jmApp13, {photoshop3, Bytes(6, 0)}, 14, ""},
      {"another marker", jmApp1, {photoshop3, iptc}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TUserJPEGSegment segment(c.Marker);
    for (const Bytes& part : c.Parts) segment.Data().WriteBuffer(part.data(), int64_t(part.size()));
    std::string blocks;
    for (const auto& block : segment.AdobeBlocks())
      blocks += block->Signature() + "/" + std::to_string(block->TypeID()) + "/" + block->Name() + "/" +
                BinToHexStr(block->Data().Bytes().data(), int64_t(block->Data().Bytes().size())) + " ";
    EXPECT_EQ(segment.AdobeHeaderSize(), c.HeaderSize);
    EXPECT_EQ(blocks, c.Blocks);
  }
}

// Only the wanted segments come, each with its data read and its place in the stream.
TEST(ExifJPEGTest, YieldsOnlyWantedSegmentsWithTheirData) {
  const Bytes bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xD9};
  const struct {
    std::initializer_list<uint8_t> Wanted;
    uint8_t Marker;
    int64_t Offset, OffsetOfData, TotalSize;
    Bytes Data;
  } cases[] = {{{jmApp1}, jmApp1, 2, 6, 6, {0x41, 0x42}}, {{jmEOI}, jmEOI, 8, 12, 2, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Marker));
    TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TJPEGHeaderParser parser(stream, JPEGMarkers(c.Wanted));
    ASSERT_TRUE(parser.MoveNext());
    TFoundJPEGSegment& segment = *parser.Current();
    EXPECT_EQ(segment.MarkerNum(), c.Marker);
    EXPECT_EQ(segment.Offset(), c.Offset);
    EXPECT_EQ(segment.OffsetOfData(), c.OffsetOfData);
    EXPECT_EQ(segment.TotalSize(), c.TotalSize);
    EXPECT_EQ(segment.Data().Bytes(), c.Data);
    EXPECT_EQ(segment.Data().Position(), 0);
    EXPECT_FALSE(parser.MoveNext());
  }
}

// A segment made from a source holds what the source saves, read from its start; without one
// its data is empty.
TEST(ExifJPEGTest, ASegmentMadeFromASourceHoldsWhatItSavesFromItsStart) {
  struct TSource final : IStreamPersist {
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream& stream) override { stream.WriteBuffer("Exif\0\0MM", 8); }
  } source;
  TUserJPEGSegment segment(jmApp1, &source);
  EXPECT_EQ(segment.MarkerNum(), jmApp1);
  EXPECT_EQ(segment.Data().Bytes(), exiftest::Text(std::string_view("Exif\0\0MM", 8)));
  EXPECT_EQ(segment.Data().Position(), 0);
  EXPECT_EQ(ReadByte(segment.Data()), 'E') << "read from the start";
  EXPECT_EQ(TUserJPEGSegment(jmApp1).Data().Size(), 0);
}
