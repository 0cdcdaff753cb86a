#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "metadata/Vmx.Exif.StreamHelper.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

using namespace vmx;

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
