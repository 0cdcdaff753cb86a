#include <gtest/gtest.h>

#include "ExifTestFiles.h"
#include "metadata/Vmx.Exif.h"
#include "tests/support/Thrown.h"

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

Bytes Cut(Bytes bytes, size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

Bytes Patched(Bytes bytes, size_t at, uint8_t value) {
  bytes[at] = value;
  return bytes;
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
    EXPECT_EQ(entries[0].EntryOffset, 10);
    EXPECT_EQ(entries[1].DataOffset, 10 + 12 + 8);  // a short value lies in the entry itself
  }
}

TEST(ExifTiffTest, TheDataDecidesAByteOrderThatTheMarkContradicts) {
  const Bytes tiff = Patched(Patched(BuildTiff(true, {{{Shorts(274, {3}, true)}}}), 0, 'I'), 1, 'I');
  auto loaded = Load(tiff);
  EXPECT_EQ(loaded->Info.ByteOrder, boBigEndian);
  EXPECT_EQ(loaded->Info.Directories.size(), 1u);
  EXPECT_THROW(Load(Patched(tiff, 0, 'X')), EInvalidTiffData);
  EXPECT_EQ(ThrownMessage<EInvalidTiffData>([&] { Load(Patched(tiff, 3, 43)); }), "Malformed TIFF data");
}

// Damage is recorded in the load flags of the first directory; loops and long chains end.
TEST(ExifTiffTest, DamagedDirectoriesAndChainsLoadWhatTheyCan) {
  const bool big = false;
  const Bytes one = BuildTiff(big, {{{Shorts(1, {1}, big)}}});
  std::vector<Ifd> longChain;
  for (int i = 0; i < 40; ++i) longChain.push_back({{Shorts(1, {1}, big)}, i + 1 < 40 ? i + 1 : -1});
  const struct {
    const char* Name;
    Bytes Tiff;
    size_t Directories, Entries;
    int Flags;
    int Invalid = -1;  // the entry that reads as invalid
  } cases[] = {
      {"one bad type between good entries is kept",
       BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1, 2}), Shorts(3, {3}, big)}}}), 1, 3, lfBadEntry, 1},
      {"two bad entries in a row end the directory before the second",
       BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1}), Raw(3, 14, {1}), Shorts(4, {4}, big)}}}), 1, 2,
       lfBadEntry | lfCountCut, 1},
      {"data past the end makes an entry invalid",
       Cut(BuildTiff(big, {{{Shorts(1, {1}, big), Longs(4, {1, 2, 3}, big)}}}), 4), 1, 2, lfBadEntry, 1},
      {"a count that claims more entries than the stream holds",
       Patched(BuildTiff(big, {{{Shorts(1, {1}, big), Shorts(2, {2}, big)}}}), 8, 200), 1, 2, lfCountCut},
      {"the next pointer is read where the directory says, even when entries are dropped",
       BuildTiff(big, {{{Shorts(1, {1}, big), Raw(2, 0, {1}), Raw(3, 0, {1}), Shorts(4, {4}, big)}, 1},
                       {{Longs(513, {0}, big)}}}),
       2, 2, lfBadEntry | lfCountCut, 1},
      {"a cycle", BuildTiff(big, {{{Shorts(1, {1}, big)}, 1}, {{Shorts(2, {2}, big)}, 2}, {{Shorts(3, {3}, big)}, 0}}),
       3, 1, 0},
      {"a chain that never repeats but runs long", BuildTiff(big, longChain), MaxTiffDirectories, 1, 0},
      {"no room for the next pointer", Cut(one, 2), 1, 1, 0},
      {"a bad first offset", Patched(one, 7, 0x70), 1, 0, lfBadOffset},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto loaded = Load(c.Tiff);
    const auto& directories = loaded->Info.Directories;
    ASSERT_EQ(directories.size(), c.Directories);
    ASSERT_EQ(directories[0].Entries.size(), c.Entries);
    EXPECT_EQ(directories[0].LoadFlags, c.Flags);
    for (size_t i = 0; i < c.Entries; ++i) EXPECT_EQ(directories[0].Entries[i].IsValid(), int(i) != c.Invalid) << i;
    for (size_t i = 1; i < directories.size(); ++i) EXPECT_EQ(directories[i].LoadFlags, 0) << i;
  }
}

TEST(ExifTiffTest, ACountThatWouldWrapMakesTheEntryInvalid) {
  // 0x40000001 LONGs are 4 bytes in 32-bit arithmetic: a value field read at index 1.
  Entry wraps{5, 4, 0x40000001u, {1, 2, 3, 4}};
  Entry rational{6, 5, 0x20000001u, {1, 2, 3, 4}};
  auto loaded = Load(BuildTiff(false, {{{wraps, rational, Shorts(7, {7}, false)}}}));
  const auto& entries = loaded->Info.Directories[0].Entries;
  ASSERT_EQ(entries.size(), 1u);  // the second bad entry in a row ends the directory
  EXPECT_FALSE(entries[0].IsValid());

  TExifSection section(nullptr, esPrimary);
  section.Load(loaded->Info.Directories[0], loaded->Info);
  ASSERT_NE(section.Find(5), nullptr);
  EXPECT_EQ(section.Find(5)->ElementCount(), 0);
  uint32_t value;
  EXPECT_FALSE(section.TryGetLongWordValue(5, 1, value));
}

TEST(ExifTiffTest, DateTimeAndRationalTexts) {
  TDateTime value;
  for (const char* bad : {"2003-12-04 06:46:52", "0000:00:00 00:00:00", "2003:12:04 06:46:5"})
    EXPECT_FALSE(TryExifStringToDateTime(bad, value)) << bad;
  EXPECT_EQ(DateTimeToExifString(0), std::string(19, ' '));
  ASSERT_TRUE(TryExifStringToDateTime("2003:12:04 06:46:52", value));
  EXPECT_EQ(DateTimeToExifString(value), "2003:12:04 06:46:52");
  ASSERT_TRUE(TryEncodeDateTime(1850, 6, 1, 18, 0, 0, 0, value));  // before 1900: negative days
  EXPECT_EQ(DateTimeToExifString(value), "1850:06:01 18:00:00");
  ASSERT_TRUE(TryEncodeDateTime(2020, 1, 2, 3, 4, 5, 5, value));
  EXPECT_EQ(MillisecondsToSubsecString(value), "005");

  EXPECT_EQ(RationalToString(TExifRational{}), "");
  EXPECT_EQ(RationalToString(TExifRational{10, 1}), "10");  // a whole number without its denominator
  EXPECT_EQ(RationalToString(TExifRational{1, 3}), "1/3");
  EXPECT_EQ(RationalToString(TExifRational{3000000000u, 7}), "3000000000/7");  // unsigned stays unsigned
  EXPECT_EQ(RationalToString(TExifSignedRational{-2, 3}), "-2/3");
  TExifRational parsed;
  EXPECT_TRUE(TryStringToRational("7", parsed));
  EXPECT_EQ(parsed.Denominator, 1u);
  EXPECT_TRUE(TryStringToRational("4294967295/2", parsed));
  EXPECT_EQ(parsed.Numerator, 4294967295u);
  EXPECT_FALSE(TryStringToRational("4294967296", parsed));
  EXPECT_EQ(parsed.Denominator, 0u);
}

TEST(ExifTiffTest, SectionReadersCheckTypesAndIndices) {
  const bool big = true;
  auto loaded = Load(BuildTiff(
      big, {{{Raw(1, 1, {7, 8}), Shorts(2, {300, 400}, big), Shorts(3, {65535}, big, 8), Longs(4, {70000}, big),
              Rationals(5, {{1, 3}, {5, 1}}, big), Rationals(6, {{uint32_t(-2), 3}}, big, 10), Ascii(7, "text"),
              Raw(8, 7, {0xAB, 0x01}), Raw(40091, 1, {'H', 0, 'i', 0, 0, 0})}}}));
  TExifSection section(nullptr, esPrimary);
  section.Load(loaded->Info.Directories[0], loaded->Info);
  const std::pair<uint16_t, const char*> texts[] = {{1, "7,8"},   {2, "300,400"}, {3, "-1"},
                                                    {4, "70000"}, {5, "1/3,5"},   {6, "-2/3"},
                                                    {7, "text"},  {8, "AB01"},    {40091, "Hi"}};
  for (const auto& [id, text] : texts) EXPECT_EQ(section.Find(id)->AsString(), text) << id;
  uint16_t word;
  EXPECT_TRUE(section.TryGetWordValue(1, 1, word));  // from a byte
  EXPECT_EQ(word, 8);
  for (const auto& [id, index] : {std::pair{2, 2}, {2, -1}, {4, 0}})
    EXPECT_FALSE(section.TryGetWordValue(uint16_t(id), index, word)) << id << "," << index;
  EXPECT_EQ(section.GetLongIntValue(4).Value, 70000);
  EXPECT_TRUE(section.GetWordValue(5).MissingOrInvalid);
  EXPECT_EQ(section.GetFractionValue(5, 1).Numerator, 5u);
  EXPECT_EQ(section.GetSignedFractionValue(6, 0).Numerator, -2);
  EXPECT_EQ(section.GetStringValue(2, "default"), "default");
  EXPECT_EQ(section.GetWideStringValue(40091), u"Hi");
}
