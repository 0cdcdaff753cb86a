// An XMP packet over arbitrary bytes: whatever loads is written from its tree as text that
// loads again, into a tree that is written as the same text and reads back as the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "metadata/Vmx.Exif.XMPUtils.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/XMPTreeText.h"

using namespace vmx;

namespace {

// A packet whose text can be made again from its tree.
struct TRegeneratedPacket : TXMPPacket {
  bool Load(const void* data, size_t size) {
    TUserMemoryStream stream(data, static_cast<int64_t>(size));
    if (!TryLoadFromStream(stream)) return false;
    Changed(true);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TRegeneratedPacket packet;
  if (!packet.Load(data, size)) return 0;
  const std::string text = packet.RawXML();
  TRegeneratedPacket again;
  Check(again.Load(text.data(), text.size()));
  Check(again.RawXML() == text);
  TRegeneratedPacket third;
  Check(third.Load(text.data(), text.size()) && TreeText(third) == TreeText(again));
  return 0;
}
