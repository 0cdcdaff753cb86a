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
  TWatchedStream(const Bytes& bytes, bool& gone) : TUserMemoryStream(bytes.data(), int64_t(bytes.size())), FGone(gone) {}
  ~TWatchedStream() override { FGone = true; }

 private:
  bool& FGone;
};

}  // namespace

TEST(ExifJPEGTest, AnOwnedStreamGoesWhenTheWalkEndsWithTheParserAndWithAFailedOne) {
  const Bytes jpeg{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xDB, 0x00, 0x02, 0x00};
  bool gone = false;
  {
    TJPEGHeaderParser parser(std::make_unique<TWatchedStream>(jpeg, gone), JPEGMarkers({jmApp1}));
    EXPECT_TRUE(parser.OwnsStream());
    ASSERT_TRUE(parser.MoveNext());
    EXPECT_FALSE(gone);
    EXPECT_FALSE(parser.MoveNext());  // the walk ends at the 00 after the DB segment
    EXPECT_TRUE(gone);
    EXPECT_FALSE(parser.MoveNext());
  }
  gone = false;
  {
    TJPEGHeaderParser parser(std::make_unique<TWatchedStream>(jpeg, gone), JPEGMarkers({jmApp1}));
    ASSERT_TRUE(parser.MoveNext());
  }
  EXPECT_TRUE(gone);  // with the parser, in the middle of the walk
  gone = false;
  const Bytes notJpeg{0x00, 0xD8};
  EXPECT_THROW(TJPEGHeaderParser(std::make_unique<TWatchedStream>(notJpeg, gone), JPEGMarkers({jmApp1})),
               EInvalidJPEGHeader);
  EXPECT_TRUE(gone);
  gone = false;
  {
    TWatchedStream stream(jpeg, gone);
    TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
    EXPECT_FALSE(parser.OwnsStream());
    while (parser.MoveNext()) {
    }
    EXPECT_FALSE(gone);  // a stream that is only lent stays
  }
}

TEST(ExifJPEGTest, AnInvalidHeaderIsAnInvalidGraphicAndAnErrorOfTheLibrary) {
  const Bytes notJpeg{0xFF, 0xD9};
  TUserMemoryStream stream(notJpeg.data(), 2);
  EXPECT_EQ(ThrownMessage<EInvalidGraphic>([&] { JPEGHeader(stream, JPEGMarkers({jmApp1})); }),
            "JPEG header is not valid");
  stream.SetPosition(0);
  EXPECT_EQ(ThrownMessage<EVmxExifException>([&] { JPEGHeader(stream, JPEGMarkers({jmApp1})); }),
            "JPEG header is not valid");
  stream.SetPosition(0);
  EXPECT_EQ(ThrownMessage<Exception>([&] { JPEGHeader(stream, JPEGMarkers({jmApp1})); }), "JPEG header is not valid");
}

TEST(ExifJPEGTest, ASegmentMadeFromASourceHoldsWhatTheSourceSaves) {
  struct TSource : IStreamPersist {
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream& stream) override { WriteRawChars(stream, "saved"); }
  } source;
  TUserJPEGSegment segment(jmApp1, &source);
  EXPECT_EQ(segment.Data().Bytes(), exiftest::Text("saved"));
  EXPECT_EQ(segment.Data().Position(), 0);
  EXPECT_EQ(TUserJPEGSegment(jmApp1).Data().Size(), 0);
}

namespace {

// One image resource block: signature, type, name, size, data, each padded to an even length.
Bytes AdobeBlock(std::string_view signature, uint16_t type, std::string_view name, const Bytes& data,
                 bool padLast = true) {
  Bytes out = exiftest::Text(signature);
  exiftest::Put16(out, type, true);
  out.push_back(uint8_t(name.size()));
  exiftest::Append(out, exiftest::Text(name));
  if (name.size() % 2 == 0) out.push_back(0);
  exiftest::Put32(out, uint32_t(data.size()), true);
  exiftest::Append(out, data);
  if (data.size() % 2 == 1 && padLast) out.push_back(0);
  return out;
}

struct TBlock {
  std::string Signature;
  uint16_t Type;
  std::string Name;
  Bytes Data;
  bool operator==(const TBlock&) const = default;
};

}  // namespace

TEST(ExifJPEGTest, AdobeBlocksAreThoseOfAPhotoshopSegmentUpToTheFirstThatDoesNotFit) {
  const Bytes photoshop3 = exiftest::Text(std::string_view("Photoshop 3.0\0", 14));
  const Bytes photoshop25 = exiftest::Text("Adobe_Photoshop2.5:");
  const auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) exiftest::Append(out, part);
    return out;
  };
  const Bytes iptc = AdobeBlock("8BIM", 0x0404, "", {1, 2, 3});
  const Bytes named = AdobeBlock("8BIM", 0x040C, "ab", {});
  Bytes tooLong = AdobeBlock("8BIM", 0x0422, "", {9, 9});
  tooLong[8] = 0x10;  // claims 256 MiB
  const struct {
    const char* Name;
    uint8_t Marker;
    Bytes Data;
    int HeaderSize;
    std::vector<TBlock> Blocks;
  } cases[] = {
      {"two blocks", jmApp13, join({photoshop3, iptc, named}), 14,
       {{"8BIM", 0x0404, "", {1, 2, 3}}, {"8BIM", 0x040C, "ab", {}}}},
      {"the older layout", jmApp13, join({photoshop25, AdobeBlock("PHUT", 7, "x", {5})}), 19, {{"PHUT", 7, "x", {5}}}},
      {"a last block without its padding", jmApp13, join({photoshop3, AdobeBlock("8BIM", 1, "", {4}, false)}), 14,
       {{"8BIM", 1, "", {4}}}},
      {"a block running past the end", jmApp13, join({photoshop3, iptc, tooLong, named}), 14,
       {{"8BIM", 0x0404, "", {1, 2, 3}}}},
      {"a cut block", jmApp13, join({photoshop3, iptc, Bytes{'8', 'B', 'I', 'M', 0}}), 14,
       {{"8BIM", 0x0404, "", {1, 2, 3}}}},
      {"19 bytes are too few", jmApp13, join({photoshop3, Bytes(5, 0)}), 0, {}},
      {"20 bytes are enough, though too few for a block", jmApp13, join({photoshop3, Bytes(6, 0)}), 14, {}},
      {"no Photoshop signature", jmApp13, join({exiftest::Text("Photoshop 2.0"), Bytes{0}, iptc}), 0, {}},
      {"another marker", jmApp1, join({photoshop3, iptc}), 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TUserJPEGSegment segment(c.Marker);
    segment.Data().WriteBuffer(c.Data.data(), int64_t(c.Data.size()));
    std::vector<TBlock> blocks;
    for (const auto& block : segment.AdobeBlocks())
      blocks.push_back({block->Signature(), block->TypeID(), block->Name(), block->Data().Bytes()});
    EXPECT_EQ(segment.AdobeHeaderSize(), c.HeaderSize);
    EXPECT_EQ(segment.IsAdobeApp13(), c.HeaderSize != 0);
    EXPECT_EQ(blocks, c.Blocks);
  }
}
