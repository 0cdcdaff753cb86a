#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "metadata/Vmx.Exif.StreamHelper.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

using namespace vmx;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Written(const std::function<void(TStream&)>& write) {
  TMemoryStream stream;
  write(stream);
  return stream.Bytes();
}

}  // namespace

TEST(ExifStreamTest, EachWidthInBothByteOrders) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04};
  TUserMemoryStream stream(bytes, 4);
  EXPECT_EQ(ReadWord(stream, boBigEndian), 258);
  stream.SetPosition(0);
  EXPECT_EQ(ReadWord(stream, boLittleEndian), 513);
  stream.SetPosition(0);
  EXPECT_EQ(ReadLongWord(stream, boBigEndian), 0x01020304u);
  stream.SetPosition(0);
  EXPECT_EQ(ReadLongInt(stream, boLittleEndian), 0x04030201);
  const uint8_t one[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
  TUserMemoryStream doubles(one, 8);
  EXPECT_EQ(ReadDouble(doubles, boBigEndian), 1.0);

  EXPECT_EQ(Written([](TStream& s) { WriteWord(s, 258, boBigEndian); }), (TBytes{1, 2}));
  EXPECT_EQ(Written([](TStream& s) { WriteWord(s, 258, boLittleEndian); }), (TBytes{2, 1}));
  EXPECT_EQ(Written([](TStream& s) { WriteLongWord(s, 0x01020304, boBigEndian); }), (TBytes{1, 2, 3, 4}));
  EXPECT_EQ(Written([](TStream& s) { WriteWideChars(s, u"AB", boBigEndian); }), (TBytes{0, 0x41, 0, 0x42}));
  EXPECT_EQ(Written([](TStream& s) { WriteWideChars(s, u"AB", boLittleEndian); }), (TBytes{0x41, 0, 0x42, 0}));
  EXPECT_EQ(Written([](TStream& s) { WriteDouble(s, boBigEndian, 1.0); }), (TBytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written([](TStream& s) { WriteRawChars(s, "\xC3\xA9"); }), (TBytes{0xC3, 0xA9}));
}

TEST(ExifStreamTest, ShortReadsAnswerFalseOrRaise) {
  const uint8_t bytes[] = {1, 2, 3};
  TUserMemoryStream stream(bytes, 3);
  uint32_t value = 7;
  EXPECT_FALSE(TryReadLongWord(stream, boBigEndian, value));
  EXPECT_EQ(value, 7u);
  stream.SetPosition(0);
  EXPECT_EQ(ThrownMessage<EReadError>([&] { ReadLongWord(stream, boLittleEndian); }), "Stream read error");
  stream.SetPosition(3);
  EXPECT_THROW(ReadByte(stream), EReadError);
  stream.SetPosition(100);  // beyond the end reads nothing
  EXPECT_THROW(ReadWord(stream, boBigEndian), EReadError);
}

TEST(ExifStreamTest, UserMemoryIsReadOnly) {
  uint8_t bytes[] = {1, 2};
  TUserMemoryStream stream(bytes, 2);
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_THROW(WriteByte(stream, 9), EWriteError);
  EXPECT_EQ(bytes[0], 1);
}

TEST(ExifStreamTest, CheckSignatureKeepsThePositionWhenItFails) {
  const char text[] = "Exif\0\0MM";
  TUserMemoryStream stream(text, 8);
  stream.SetPosition(3);
  EXPECT_FALSE(CheckSignature(stream, "0123456789abcd", 14));  // only 5 bytes left
  EXPECT_EQ(stream.Position(), 3);
  stream.SetPosition(0);
  EXPECT_TRUE(CheckSignature(stream, "Exif\0\0", 6));
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_TRUE(CheckSignature(stream, "", 0));
  EXPECT_EQ(stream.Position(), 6);
}

TEST(ExifStreamTest, UpCaseKnowsNoLocaleAndHexTextIsUpperCase) {
  EXPECT_EQ(std::string({UpCaseChar('z'), UpCaseChar('1'), UpCaseChar('\xE9')}), "Z1\xE9");
  const uint8_t bytes[] = {0x0A, 0xFF};
  EXPECT_EQ(BinToHexStr(bytes, 2), "0AFF");
}

TEST(ExifStreamTest, FileStreamReadsLikeTheFileAndLeavesItWritable) {
  const std::string folder = testpaths::FreshFolder("exif_stream");
  const std::string path = folder + "held.bin";
  std::string contents;
  for (int i = 0; i < 10000; ++i) contents += static_cast<char>(i * 7);
  std::ofstream writer(std::filesystem::u8path(path), std::ios::binary);
  writer << contents;
  writer.flush();  // the writer stays open while we read

  auto held = std::make_unique<TFileStream>(path);
  TFileStream& stream = *held;
  EXPECT_EQ(stream.Size(), 10000);
  stream.SetPosition(4090);  // small reads across the buffer's edge
  for (int i = 4090; i < 4110; ++i) EXPECT_EQ(ReadByte(stream), static_cast<uint8_t>(contents[size_t(i)]));
  stream.SetPosition(0);
  std::string back(20000, '\0');
  EXPECT_EQ(stream.Read(back.data(), 20000), 10000);  // large reads skip the buffer
  back.resize(10000);
  const auto mismatch = std::mismatch(back.begin(), back.end(), contents.begin());
  EXPECT_TRUE(mismatch.first == back.end()) << "first difference at " << (mismatch.first - back.begin());
  EXPECT_EQ(stream.Read(back.data(), 1), 0);

  writer << "more";  // still writable while we hold it
  writer.close();
  EXPECT_TRUE(std::filesystem::remove(std::filesystem::u8path(path)));  // and deletable
  held.reset();  // (Windows removes it once the last handle is closed)
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(path)));
  EXPECT_THROW(TFileStream(folder + "missing.bin"), EInOutError);
}
