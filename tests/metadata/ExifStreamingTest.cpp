// The data object in component text and in the binary component stream: its options, and its
// Exif block as the binary property Data.
#include <gtest/gtest.h>

#include <sstream>

#include "ExifTestFiles.h"
#include "core/qmDfmUtils.h"
#include "metadata/Vmx.Exif.h"

using namespace vmx;
using namespace exiftest;

namespace {

// A component that publishes a data object.
class TExifHolder : public TComponent {
 public:
  TExifHolder() : TComponent(nullptr) {}
  const char* ClassName() const override { return "TExifHolder"; }
  void describe(TPropertyVisitor& visitor) override { visitor.Object("Exif", Exif); }
  TExifData Exif;
};

Bytes Block(TExifData& exif) {
  TMemoryStream stream;
  exif.SaveToStream(stream);
  return stream.Bytes();
}

std::string Hex(const Bytes& bytes) { return "{" + BinToHexStr(bytes.data(), int64_t(bytes.size())) + "}"; }

std::vector<std::string> ReadText(TExifHolder& holder, const std::string& text) {
  std::vector<std::string> errors;
  TextToComponent(holder, text, [&errors](const std::string& message) { errors.push_back(message); });
  return errors;
}

// IFD0 with a pointer to the Exif IFD, and one tag there.
Bytes SampleJpeg(bool big, std::string_view make) {
  return Jpeg({ExifBlock(BuildTiff(big, {{{Ascii(271, make), Pointer(34665, 1)}}, {{Shorts(37383, {2}, big)}}})),
               XMPSegmentData("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>")});
}

}  // namespace

TEST(ExifStreamingTest, ComponentTextHoldsTheOptionsAndTheBlockThatSaveToStreamWrites) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    TExifHolder holder;
    LoadJpeg(holder.Exif, SampleJpeg(big, "Maker"));
    holder.Exif.SetThumbnail(TinyJpeg());
    holder.Exif.SetAlwaysWritePreciseTimes(true);
    holder.Exif.SetEnforceASCII(false);
    holder.Exif.EnsureEnumsInRange = false;
    holder.Exif.RemovePaddingTagsOnSave = false;

    const std::string text = ComponentToText(holder);
    EXPECT_NE(text.find("object TExifHolder\r\n  Exif.AlwaysWritePreciseTimes = True\r\n  Exif.EnforceASCII = False\r\n"
                        "  Exif.EnsureEnumsInRange = False\r\n  Exif.RemovePaddingTagsOnSave = False\r\n"
                        "  Exif.Data = {\r\n"),
              std::string::npos)
        << text;
    const Bytes block = Block(holder.Exif);
    EXPECT_EQ(TUserJPEGSegment(jmApp1, &holder.Exif).Data().Bytes(), block);

    TExifHolder back;
    EXPECT_TRUE(ReadText(back, text).empty());
    EXPECT_EQ(Tags(back.Exif), Tags(holder.Exif));
    EXPECT_FALSE(back.Exif.Modified());
    EXPECT_EQ(ComponentToText(back), text);  // the same options, block and thumbnail

    // The binary component stream carries the block that SaveToStream writes, both ways.
    std::stringstream source(text), resource, again;
    TextToResource(resource, source);
    std::string value = "\x09" + std::string("Exif.Data\x0A");
    for (int i = 0; i < 4; ++i) value += char(block.size() >> 8 * i);
    EXPECT_NE(resource.str().find(value + std::string(block.begin(), block.end())), std::string::npos);
    ResourceToText(resource, again);
    EXPECT_EQ(again.str(), text);
  }
  // An empty object writes its options only.
  TExifHolder empty;
  EXPECT_EQ(ComponentToText(empty).find("Exif.Data"), std::string::npos);
}

// Reading Data replaces the tags and the thumbnail and keeps the XMP packet; what is no Exif
// block is refused before anything goes.
TEST(ExifStreamingTest, ReadingDataReplacesTheTagsOrRefusesWhatIsNoBlock) {
  TExifData other;
  LoadJpeg(other, SampleJpeg(true, "Other"));
  const Bytes otherBlock = Block(other);
  const struct {
    const char* Name;
    std::string Value, Error, Make;
  } cases[] = {
      {"another block", Hex(otherBlock), "", "Other"},
      {"no Exif header", "{457869660000}", "No Exif header found", "Maker"},
      {"a header without the first directory's offset", Hex(Text(std::string_view("Exif\0\0II*\0\x08\0", 12))),
       "Stream read error", "Maker"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifHolder holder;
    LoadJpeg(holder.Exif, SampleJpeg(false, "Maker"));
    holder.Exif.SetThumbnail(TinyJpeg());
    const Bytes xmp = holder.Exif.XMPSegmentData();
    const std::vector<std::string> errors =
        ReadText(holder, "object TExifHolder\n  Exif.Data = " + c.Value + "\nend\n");
    EXPECT_EQ(errors, c.Error.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{"Line 2: Property Exif.Data: " + c.Error});
    EXPECT_EQ(holder.Exif.CameraMake(), c.Make);
    EXPECT_EQ(holder.Exif.HasThumbnail(), !c.Error.empty());
    EXPECT_EQ(holder.Exif.XMPSegmentData(), xmp);
  }
  // The stream-persistence load reads a block where the stream stands.
  Bytes shifted{1, 2, 3};
  Append(shifted, otherBlock);
  TUserMemoryStream stream(shifted.data(), int64_t(shifted.size()));
  stream.SetPosition(3);
  TExifData exif;
  exif.LoadFromStream(stream);
  EXPECT_EQ(Tags(exif), Tags(other));
}
