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
