#include <gtest/gtest.h>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.JPEGUtils.h"

using namespace vmx;
using exiftest::Bytes;

namespace {

struct TWalk {
  std::vector<uint8_t> Markers;
  std::vector<int64_t> Offsets;
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
  return walk;
}

}  // namespace

TEST(ExifJPEGTest, YieldsOnlyWantedSegmentsWithTheirData) {
  const Bytes bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xD9};
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
  ASSERT_TRUE(parser.MoveNext());
  const auto& segment = *parser.Current();
  EXPECT_EQ(segment.MarkerNum(), jmApp1);
  EXPECT_EQ(segment.Offset(), 2);
  EXPECT_EQ(segment.OffsetOfData(), 6);
  EXPECT_EQ(segment.TotalSize(), 6);
  EXPECT_EQ(parser.Current()->Data().Bytes(), (Bytes{0x41, 0x42}));
  EXPECT_FALSE(parser.MoveNext());

  const TWalk eoi = Walk(bytes, {jmEOI});
  EXPECT_EQ(eoi.Markers, (std::vector<uint8_t>{jmEOI}));
  EXPECT_EQ(eoi.Offsets, (std::vector<int64_t>{8}));
  TUserMemoryStream again(bytes.data(), int64_t(bytes.size()));
  EXPECT_EQ(GetJPEGDataSize(again), 10);
  EXPECT_EQ(again.Position(), 0);
}

TEST(ExifJPEGTest, SkipsFillBytesAndRejectsAStreamWithoutSOI) {
  EXPECT_EQ(Walk({0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xE1, 0x00, 0x02, 0xFF, 0xD9}, {jmApp1}).Markers,
            (std::vector<uint8_t>{jmApp1}));
  const Bytes bad{0x00, 0xD8, 0xFF, 0xD9};
  TUserMemoryStream stream(bad.data(), 4);
  try {
    TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
    FAIL();
  } catch (const EInvalidJPEGHeader& e) {
    EXPECT_STREQ(e.what(), "JPEG header is not valid");
  }
}

TEST(ExifJPEGTest, LengthsBelowTwoEndTheWalkQuietly) {
  for (uint8_t low : {0, 1}) {
    const Bytes bytes{0xFF, 0xD8, 0xFF, 0xE2, 0x00, low, 0xFF, 0xE1, 0x00, 0x04, 1, 2, 0xFF, 0xD9};
    EXPECT_TRUE(Walk(bytes, {jmApp1, jmEOI}).Markers.empty()) << int(low);
  }
}

TEST(ExifJPEGTest, FindsEOIInScanDataOnlyAfterSOS) {
  // Scan data holding FF FF D9: the second FF starts the marker.
  Bytes bytes{0xFF, 0xD8};
  exiftest::Append(bytes, exiftest::Segment(jmSOS, {1, 2}));
  exiftest::Append(bytes, {0x10, 0xFF, 0x00, 0xFF, 0xFF, 0xD9});
  const TWalk walk = Walk(bytes, {jmEOI});
  ASSERT_EQ(walk.Markers, (std::vector<uint8_t>{jmEOI}));
  EXPECT_EQ(walk.Offsets[0], int64_t(bytes.size()) - 2);
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  EXPECT_EQ(GetJPEGDataSize(stream), int64_t(bytes.size()));

  // EOI right at the start of the scan data is found too.
  Bytes early{0xFF, 0xD8};
  exiftest::Append(early, exiftest::Segment(jmSOS, {1, 2}));
  exiftest::Append(early, {0xFF, 0xD9, 0x00, 0x00});
  TUserMemoryStream earlyStream(early.data(), int64_t(early.size()));
  EXPECT_EQ(GetJPEGDataSize(earlyStream), int64_t(early.size()) - 2);
}

TEST(ExifJPEGTest, ScanDataWithoutEOIRunsToTheEnd) {
  Bytes bytes{0xFF, 0xD8};
  exiftest::Append(bytes, exiftest::Segment(jmSOS, {1, 2}));
  exiftest::Append(bytes, {0x10, 0x20, 0xFF});  // a final FF is not followed by anything
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  EXPECT_EQ(GetJPEGDataSize(stream), int64_t(bytes.size()));
  EXPECT_TRUE(Walk(bytes, {jmEOI}).Markers.empty());
  // Without EOI wanted the walk stops at the scan: the image data is never read.
  EXPECT_TRUE(Walk(bytes, {jmApp1}).Markers.empty());
}

TEST(ExifJPEGTest, TruncatedWantedSegmentRaisesReadError) {
  const Bytes bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 1, 2, 3};
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
  EXPECT_THROW(parser.MoveNext(), EReadError);
}

TEST(ExifJPEGTest, RecognisesBothAdobeLayouts) {
  auto segment = [](std::string_view head, size_t size) {
    TUserJPEGSegment s(jmApp13);
    exiftest::Bytes data = exiftest::Text(head);
    data.resize(size);
    s.Data().Write(data.data(), int64_t(data.size()));
    return s;
  };
  auto short19 = segment(std::string_view("Photoshop 3.0\0", 14), 19);
  EXPECT_FALSE(short19.IsAdobeApp13());
  auto full = segment(std::string_view("Photoshop 3.0\0", 14), 20);
  EXPECT_TRUE(full.IsAdobeApp13());
  EXPECT_EQ(full.AdobeHeaderSize(), 14);
  auto old = segment("Adobe_Photoshop2.5:", 30);
  EXPECT_TRUE(old.IsAdobeApp13());
  EXPECT_EQ(old.AdobeHeaderSize(), 19);
}
