// XMP trees built by arbitrary edits: every tree the model lets be built is written as text
// that reads back as the same tree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "fuzz/XMPTreeText.h"

using namespace vmx;

namespace {

class TEdits {
 public:
  TEdits(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  bool More() const { return FAt < FSize; }
  uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
  // A short text of characters that names and values find hard.
  std::u16string Text() {
    static constexpr char16_t Chars[] = u"abXY_-.09: <&\"'\t\n\r\x01\u00E9\uFFFE\xD834\xDD1Exml";
    std::u16string text;
    for (int length = Byte() % 8; length > 0; --length) text += Chars[Byte() % (std::size(Chars) - 1)];
    return text;
  }
  std::u16string URI() {
    static const char16_t* URIs[] = {u"http://purl.org/dc/elements/1.1/", u"http://ns.adobe.com/exif/1.0/",
                                     u"http://www.w3.org/1999/02/22-rdf-syntax-ns#", u"http://a/", u"urn:b#"};
    return URIs[Byte() % std::size(URIs)];
  }
  // A property of the packet, reached by a path of indexes; null when there is none.
  TXMPProperty* Pick(TXMPPacket& packet) {
    if (packet.SchemaCount() == 0) return nullptr;
    const TXMPPropertyCollection* at = &packet.Schema(Byte() % packet.SchemaCount());
    TXMPProperty* property = nullptr;
    while (at->Count() > 0) {
      property = &(*at)[Byte() % at->Count()];
      if (Byte() % 2) break;
      at = property;
    }
    return property;
  }

 private:
  const uint8_t* FData;
  size_t FSize, FAt = 0;
};

void Edit(TXMPPacket& packet, TEdits& edits) {
  const uint8_t op = edits.Byte() % 12;
  if (op == 0) {
    TXMPSchema& schema = packet.GetSchema(edits.URI());
    if (edits.Byte() % 2) schema.NamespaceInfo().SetPreferredPrefix(edits.Text());
    return;
  }
  if (op == 1) {
    if (packet.SchemaCount() > 0) packet.Schema(edits.Byte() % packet.SchemaCount()).AddProperty(edits.Text());
    return;
  }
  if (op == 2) return packet.SetAboutAttributeValue(edits.Text());
  TXMPProperty* property = edits.Pick(packet);
  if (!property) return;
  switch (op) {
    case 3:
      return property->SetKind(TXMPPropertyKind(edits.Byte() % 5));
    case 4:
      property->AddSubProperty(edits.Text());
      return;
    case 5:
      return property->WriteValue(edits.Text());
    case 6:
      return property->SetName(edits.Text());
    case 7:
      return property->SetLanguage(edits.Text());
    case 8:
      return property->SetIsURI(edits.Byte() % 2);
    case 9:
      return property->SetSubPropertyCount(edits.Byte() % 4);
    case 10: {
      const std::u16string prefix = edits.Text();
      return property->NamespaceInfo().Assign(TXMPNamespaceInfo(prefix, edits.URI()));
    }
    default: {
      const std::u16string name = edits.Text();
      const TXMPPropertyKind kind = TXMPPropertyKind(edits.Byte() % 5);
      return property->UpdateSubProperty(name, kind, edits.Text());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TEdits edits(data, size);
  TXMPPacket packet;
  while (edits.More()) {
    try {
      Edit(packet, edits);
    } catch (const Exception&) {
      // refused: the tree stays one that can be written
    }
  }
  const std::string text = packet.RawXML();
  TXMPPacket back;
  TUserMemoryStream stream(text.data(), static_cast<int64_t>(text.size()));
  Check(back.TryLoadFromStream(stream));
  Check(TreeText(back) == TreeText(packet));
  return 0;
}
