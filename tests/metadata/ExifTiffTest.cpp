#include <gtest/gtest.h>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"

using namespace vmx;
using namespace exiftest;

namespace {

struct TLoaded {
  Bytes Data;
  std::unique_ptr<TUserMemoryStream> Stream;
  TTiffInfo Info;
};

std::unique_ptr<TLoaded> Load(const Bytes& tiff) {
  auto loaded = std::make_unique<TLoaded>();
  loaded->Data = tiff;
  loaded->Stream = std::make_unique<TUserMemoryStream>(loaded->Data.data(), int64_t(loaded->Data.size()));
  LoadTiffInfo(*loaded->Stream, loaded->Info);
  return loaded;
}

}  // namespace

TEST(ExifTiffTest, ReadsTheChainInBothByteOrders) {
  for (bool big : {false, true}) {
    const Bytes tiff = BuildTiff(big, {{{Ascii(272, "Model"), Shorts(274, {6}, big)}, 1}, {{Longs(513, {0}, big)}}});
    auto loaded = Load(tiff);
    EXPECT_EQ(loaded->Info.ByteOrder, big ? boBigEndian : boLittleEndian);
    ASSERT_EQ(loaded->Info.Directories.size(), 2u);
    const auto& entries = loaded->Info.Directories[0].Entries;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].TagID, 272);
    EXPECT_EQ(entries[0].ElementCount, 6);
    EXPECT_EQ(entries[0].EntryOffset, 10);
    EXPECT_EQ(entries[1].DataOffset, 10 + 12 + 8);  // a short value lies in the entry itself
    EXPECT_EQ(loaded->Info.Directories[0].LoadFlags, 0);
  }
}

TEST(ExifTiffTest, TheDataDecidesAByteOrderThatTheMarkContradicts) {
  Bytes tiff = BuildTiff(true, {{{Shorts(274, {3}, true)}}});
  tiff[0] = tiff[1] = 'I';
  auto loaded = Load(tiff);
  EXPECT_EQ(loaded->Info.ByteOrder, boBigEndian);
  ASSERT_EQ(loaded->Info.Directories.size(), 1u);

  Bytes bad = tiff;
  bad[0] = 'X';
  EXPECT_THROW(Load(bad), EInvalidTiffData);
  bad = tiff;
  bad[3] = 43;
  try {
    Load(bad);
    FAIL();
  } catch (const EInvalidTiffData& e) {
    EXPECT_STREQ(e.what(), "Malformed TIFF data");
  }
}

TEST(ExifTiffTest, DamageIsRecordedInTheLoadFlags) {
  const bool big = false;
  // One bad type between good entries is kept; data past the end makes an entry invalid.
  auto one = Load(BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1, 2}), Shorts(3, {3}, big)}}}));
  const TTiffDirectory& kept = one->Info.Directories[0];
  EXPECT_EQ(kept.Entries.size(), 3u);
  EXPECT_EQ(kept.LoadFlags, lfBadEntry);
  EXPECT_FALSE(kept.Entries[1].IsValid());

  // Two bad entries in a row end the directory before the second.
  Entry pastEnd = Longs(4, {1, 2, 3}, big);
  auto two = Load(BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1}), Raw(3, 14, {1}), Shorts(4, {4}, big)}}}));
  EXPECT_EQ(two->Info.Directories[0].Entries.size(), 2u);
  EXPECT_EQ(two->Info.Directories[0].LoadFlags, lfBadEntry | lfCountCut);

  Bytes tiff = BuildTiff(big, {{{Shorts(1, {1}, big), pastEnd}}});
  tiff.resize(tiff.size() - 4);  // the LONG data is cut
  auto cut = Load(tiff);
  ASSERT_EQ(cut->Info.Directories[0].Entries.size(), 2u);
  EXPECT_EQ(cut->Info.Directories[0].Entries[1].ElementCount, -1);
  EXPECT_EQ(cut->Info.Directories[0].LoadFlags, lfBadEntry);

  // A count that claims more entries than the stream holds.
  Bytes claims = BuildTiff(big, {{{Shorts(1, {1}, big), Shorts(2, {2}, big)}}});
  claims[8] = 200;
  auto many = Load(claims);
  EXPECT_EQ(many->Info.Directories[0].Entries.size(), 2u);
  EXPECT_TRUE(many->Info.Directories[0].LoadFlags & lfCountCut);
}

TEST(ExifTiffTest, ACountThatWouldWrapMakesTheEntryInvalid) {
  for (bool big : {false, true}) {
    // 0x40000001 LONGs are 4 bytes in 32-bit arithmetic: a value field read at index 1.
    Entry wraps{5, 4, 0x40000001u, {1, 2, 3, 4}};
    Entry rational{6, 5, 0x20000001u, {1, 2, 3, 4}};
    auto loaded = Load(BuildTiff(big, {{{wraps, rational, Shorts(7, {7}, big)}}}));
    const auto& entries = loaded->Info.Directories[0].Entries;
    ASSERT_EQ(entries.size(), 1u);  // the second bad entry in a row ends the directory
    EXPECT_FALSE(entries[0].IsValid());

    TExifSection section(nullptr, esPrimary);
    section.Load(loaded->Info.Directories[0], loaded->Info);
    const TExifTag* tag = section.Find(5);
    ASSERT_NE(tag, nullptr);
    EXPECT_FALSE(tag->ReadOK());
    EXPECT_EQ(tag->ElementCount(), 0);
    uint32_t value;
    EXPECT_FALSE(section.TryGetLongWordValue(5, 1, value));
  }
}

TEST(ExifTiffTest, CyclesAndSelfLoopsEndTheChain) {
  const bool big = true;
  auto self = Load(BuildTiff(big, {{{Shorts(1, {1}, big)}, 0}}));
  EXPECT_EQ(self->Info.Directories.size(), 1u);
  auto cycle = Load(BuildTiff(big, {{{Shorts(1, {1}, big)}, 1}, {{Shorts(2, {2}, big)}, 2}, {{Shorts(3, {3}, big)}, 0}}));
  EXPECT_EQ(cycle->Info.Directories.size(), 3u);

  // A chain that never repeats but runs long is cut.
  std::vector<Ifd> long_chain;
  for (int i = 0; i < 40; ++i) long_chain.push_back({{Shorts(1, {1}, big)}, i + 1 < 40 ? i + 1 : -1});
  EXPECT_EQ(Load(BuildTiff(big, long_chain))->Info.Directories.size(), MaxTiffDirectories);

  // A directory with no room for its next pointer ends the chain.
  Bytes tiff = BuildTiff(big, {{{Shorts(1, {1}, big)}}});
  tiff.resize(tiff.size() - 2);
  auto cut = Load(tiff);
  ASSERT_EQ(cut->Info.Directories.size(), 1u);
  EXPECT_EQ(cut->Info.Directories[0].NextPointerOffset, -1);
  EXPECT_EQ(cut->Info.Directories[0].Entries.size(), 1u);

  // A bad first offset gives one directory with lfBadOffset.
  Bytes far = BuildTiff(big, {{{Shorts(1, {1}, big)}}});
  far[4] = 0x70;
  auto bad = Load(far);
  ASSERT_EQ(bad->Info.Directories.size(), 1u);
  EXPECT_EQ(bad->Info.Directories[0].LoadFlags, lfBadOffset);
}

TEST(ExifTiffTest, TheNextPointerIsReadWhereTheDirectorySaysEvenWhenEntriesAreDropped) {
  const bool big = false;
  // IFD0 has two bad entries in a row (reading stops early) but a valid next pointer.
  Bytes tiff = BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1}), Raw(3, 0, {1}), Shorts(4, {4}, big)}, 1},
                               {{Longs(513, {0}, big)}}});
  auto loaded = Load(tiff);
  ASSERT_EQ(loaded->Info.Directories.size(), 2u);
  ASSERT_EQ(loaded->Info.Directories[1].Entries.size(), 1u);
  EXPECT_EQ(loaded->Info.Directories[1].Entries[0].TagID, 513);
}

TEST(ExifTiffTest, DateTimeAndRationalTexts) {
  TDateTime value;
  ASSERT_TRUE(TryExifStringToDateTime("2003:12:04 06:46:52", value));
  EXPECT_EQ(DateTimeToExifString(value), "2003:12:04 06:46:52");
  EXPECT_FALSE(TryExifStringToDateTime("2003-12-04 06:46:52", value));
  EXPECT_FALSE(TryExifStringToDateTime("0000:00:00 00:00:00", value));
  EXPECT_FALSE(TryExifStringToDateTime("2003:12:04 06:46:5", value));
  EXPECT_EQ(DateTimeToExifString(0), std::string(19, ' '));
  ASSERT_TRUE(TryEncodeDateTime(2020, 1, 2, 3, 4, 5, 5, value));
  EXPECT_EQ(MillisecondsToSubsecString(value), "005");
  ASSERT_TRUE(TryEncodeDateTime(1850, 6, 1, 18, 0, 0, 0, value));  // before 1900: negative days
  EXPECT_EQ(DateTimeToExifString(value), "1850:06:01 18:00:00");

  EXPECT_EQ(RationalToString(TExifRational{10, 1}), "10");
  EXPECT_EQ(RationalToString(TExifRational{1, 3}), "1/3");
  EXPECT_EQ(RationalToString(TExifRational{}), "");
  EXPECT_EQ(RationalToString(TExifRational{3000000000u, 7}), "3000000000/7");  // unsigned stays unsigned
  EXPECT_EQ(RationalToString(TExifSignedRational{-2, 3}), "-2/3");
  TExifRational parsed;
  EXPECT_TRUE(TryStringToRational("4294967295/2", parsed));
  EXPECT_EQ(parsed.Numerator, 4294967295u);
  EXPECT_TRUE(TryStringToRational("7", parsed));
  EXPECT_EQ(parsed.Denominator, 1u);
  EXPECT_FALSE(TryStringToRational("4294967296", parsed));
  EXPECT_EQ(parsed.Denominator, 0u);
}

TEST(ExifTiffTest, SectionReadersCheckTypesAndIndices) {
  const bool big = true;
  auto loaded = Load(BuildTiff(big, {{{Raw(1, 1, {7, 8}), Shorts(2, {300, 400}, big), Shorts(3, {65535}, big, 8),
                                        Longs(4, {70000}, big), Rationals(5, {{1, 3}, {5, 1}}, big),
                                        Rationals(6, {{uint32_t(-2), 3}}, big, 10), Ascii(7, "text"),
                                        Raw(8, 7, {0xAB, 0x01}), Raw(40091, 1, {'H', 0, 'i', 0, 0, 0})}}}));
  TExifSection section(nullptr, esPrimary);
  section.Load(loaded->Info.Directories[0], loaded->Info);
  EXPECT_EQ(section.Count(), 9);
  uint16_t word;
  EXPECT_TRUE(section.TryGetWordValue(1, 1, word));
  EXPECT_EQ(word, 8);
  EXPECT_TRUE(section.TryGetWordValue(2, 1, word));
  EXPECT_EQ(word, 400);
  EXPECT_FALSE(section.TryGetWordValue(2, 2, word));
  EXPECT_FALSE(section.TryGetWordValue(2, -1, word));
  EXPECT_FALSE(section.TryGetWordValue(4, 0, word));
  EXPECT_EQ(section.GetLongIntValue(4).Value, 70000);
  EXPECT_TRUE(section.GetWordValue(5).MissingOrInvalid);
  EXPECT_EQ(section.GetFractionValue(5, 1).Numerator, 5u);
  EXPECT_EQ(section.GetSignedFractionValue(6, 0).Numerator, -2);
  EXPECT_EQ(section.GetStringValue(7), "text");
  EXPECT_EQ(section.GetStringValue(2, "default"), "default");
  EXPECT_EQ(section.GetWideStringValue(40091), u"Hi");

  EXPECT_EQ(section.Find(2)->AsString(), "300,400");
  EXPECT_EQ(section.Find(3)->AsString(), "-1");
  EXPECT_EQ(section.Find(5)->AsString(), "1/3,5");
  EXPECT_EQ(section.Find(6)->AsString(), "-2/3");
  EXPECT_EQ(section.Find(7)->AsString(), "text");
  EXPECT_EQ(section.Find(8)->AsString(), "AB01");
  EXPECT_EQ(section.Find(40091)->AsString(), "Hi");
  EXPECT_TRUE(section.Remove(7));
  EXPECT_FALSE(section.Remove(7));
  EXPECT_TRUE(section.Modified());
}
