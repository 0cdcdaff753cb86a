#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Big-endian swaps, little-endian takes the bytes as they stand.
TEST(ExifStreamTest, EachWidthInBothByteOrders) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0xFD, 0xFC};
  TUserMemoryStream stream(bytes, 8);
  const auto at = [&](int64_t position) -> TStream& { return stream.SetPosition(position), stream; };
  EXPECT_EQ(ReadWord(at(0), boBigEndian), 258);
  EXPECT_EQ(ReadWord(at(0), boLittleEndian), 513);
  EXPECT_EQ(ReadLongWord(at(0), boBigEndian), 0x01020304u);
  EXPECT_EQ(ReadLongInt(at(0), boLittleEndian), 0x04030201);
  EXPECT_EQ(ReadLongInt(at(4), boBigEndian), -66052);  // FF FE FD FC
  EXPECT_EQ(ReadLongWord(at(4), boLittleEndian), 0xFCFDFEFFu);
  uint16_t word = 0;
  int32_t longInt = 0;
  EXPECT_TRUE(TryReadWord(at(2), boBigEndian, word) && word == 0x0304) << word;
  EXPECT_TRUE(TryReadLongInt(at(4), boLittleEndian, longInt) && longInt == int32_t(0xFCFDFEFF)) << longInt;
  EXPECT_EQ(ReadByte(at(7)), 0xFC);
  EXPECT_THROW(ReadByte(stream), EReadError);
  const uint8_t one[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
  TUserMemoryStream doubles(one, 8);
  EXPECT_EQ(ReadDouble(doubles, boBigEndian), 1.0);
  doubles.SetPosition(1);
  EXPECT_THROW(ReadDouble(doubles, boBigEndian), EReadError);

  const struct {
    const char* Name;
    std::function<void(TStream&)> Write;
    TBytes Bytes;
  } writes[] = {
      {"word, big", [](TStream& s) { WriteWord(s, 258, boBigEndian); }, {1, 2}},
      {"word, little", [](TStream& s) { WriteWord(s, 258, boLittleEndian); }, {2, 1}},
      {"long word, big", [](TStream& s) { WriteLongWord(s, 0x01020304, boBigEndian); }, {1, 2, 3, 4}},
      {"long int, little", [](TStream& s) { WriteLongInt(s, -2, boLittleEndian); }, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"long int, big", [](TStream& s) { WriteLongInt(s, -2, boBigEndian); }, {0xFF, 0xFF, 0xFF, 0xFE}},
      {"wide, big", [](TStream& s) { WriteWideChars(s, u"AB", boBigEndian); }, {0, 0x41, 0, 0x42}},
      {"wide, little", [](TStream& s) { WriteWideChars(s, u"AB", boLittleEndian); }, {0x41, 0, 0x42, 0}},
      {"double, big", [](TStream& s) { WriteDouble(s, boBigEndian, 1.0); }, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
      {"double, little", [](TStream& s) { WriteDouble(s, boLittleEndian, 1.0); }, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
      {"raw", [](TStream& s) { WriteRawChars(s, "\xC3\xA9"); }, {0xC3, 0xA9}},
      {"raw, empty", [](TStream& s) { WriteRawChars(s, ""); }, {}},
  };
  for (const auto& c : writes) EXPECT_EQ(Written(c.Write), c.Bytes) << c.Name;
}

// The caller's block is read, never written.
TEST(ExifStreamTest, UserMemoryIsReadOnly) {
  uint8_t bytes[] = {1, 2};
  TUserMemoryStream stream(bytes, 2);
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_THROW(WriteByte(stream, 9), EWriteError);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(stream.Size(), 2);
  EXPECT_EQ(ReadByte(stream), 1);
}

// Only a to z are upper-cased, whatever the locale; hexadecimal text is upper-case, two digits a byte.
TEST(ExifStreamTest, UpCaseKnowsNoLocaleAndHexTextIsUpperCase) {
  EXPECT_EQ(std::string({UpCaseChar('z'), UpCaseChar('a'), UpCaseChar('1'), UpCaseChar('\xE9'), UpCaseChar('{')}),
            "ZA1\xE9{");
  EXPECT_EQ(std::u16string({UpCaseWideChar(u'q'), UpCaseWideChar(u'\u00E9'), UpCaseWideChar(u'\u0430')}),
            u"Q\u00E9\u0430");
  const uint8_t bytes[] = {0x0A, 0xFF, 0x00};
  EXPECT_EQ(BinToHexStr(bytes, 3), "0AFF00");
  EXPECT_EQ(BinToHexStr(bytes, 0), "");
}

TEST(ExifStreamTest, ShortReadsAnswerFalseOrRaise) {
  const uint8_t bytes[] = {1, 2, 3};
  TUserMemoryStream stream(bytes, 3);
  uint32_t value = 7;
  EXPECT_FALSE(TryReadLongWord(stream, boBigEndian, value));
  EXPECT_EQ(value, 7u);
  stream.SetPosition(0);
  EXPECT_EQ(ThrownMessage<EReadError>([&] { ReadLongWord(stream, boLittleEndian); }), "Stream read error");
  stream.SetPosition(100);  // beyond the end reads nothing
  EXPECT_THROW(ReadWord(stream, boBigEndian), EReadError);
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
  EXPECT_TRUE(CheckSignature(stream, "", 0));  // nothing to compare
  EXPECT_EQ(stream.Position(), 6);
}

// An editor may hold the image open for writing, and the user may delete it, while we read it.
TEST(ExifStreamTest, FileStreamReadsLikeTheFileAndLeavesItWritableAndDeletable) {
  const std::string folder = testpaths::FreshFolder("exif_stream");
  const std::string path = folder + "held.bin";
  std::string contents;
  for (int i = 0; i < 10000; ++i) contents += static_cast<char>(i * 7);
  std::ofstream writer(std::filesystem::u8path(path), std::ios::binary);
  writer << contents << std::flush;

  auto stream = std::make_unique<TFileStream>(path);
  stream->SetPosition(4090);  // small reads across the buffer's edge
  for (int i = 4090; i < 4110; ++i) EXPECT_EQ(ReadByte(*stream), static_cast<uint8_t>(contents[size_t(i)]));
  stream->SetPosition(0);
  std::string back(20000, '\0');
  EXPECT_EQ(stream->Read(back.data(), 20000), 10000);  // large reads skip the buffer
  back.resize(10000);
  EXPECT_TRUE(back == contents);

  writer << "more";
  writer.close();
  EXPECT_TRUE(std::filesystem::remove(std::filesystem::u8path(path)));
  stream.reset();  // (Windows removes it once the last handle is closed)
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(path)));
  EXPECT_THROW(TFileStream(folder + "missing.bin"), EInOutError);
}

TEST(ExifStreamTest, WriteUTF8FormatWritesTheFormattedTextAsUTF8) {
  TMemoryStream stream;
  WriteUTF8Format(stream, u"%s", {std::u16string(u"\u00E9")});
  EXPECT_EQ(stream.Bytes(), (std::vector<uint8_t>{0xC3, 0xA9}));
  stream.Clear();
  WriteUTF8Format(stream, u"<\u00E9 n=%d>%s", {42, "x"});
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "<\xC3\xA9 n=42>x");
}
