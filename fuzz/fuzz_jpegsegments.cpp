// The JPEG segment walk over arbitrary bytes: every marker wanted (over a stream the walk owns,
// with the Photoshop resource blocks of every segment), then the EOI search and the data-size
// measure. Only EReadError and EInvalidJPEGHeader may leave the walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "metadata/Vmx.Exif.JPEGUtils.h"
#include "fuzz/FuzzCheck.h"

using namespace vmx;

namespace {

void Walk(const uint8_t* data, size_t size, const TJPEGMarkers& wanted, bool owned = false) {
  TUserMemoryStream stream(data, static_cast<int64_t>(size));
  try {
    TJPEGHeaderParser parser = owned ? JPEGHeader(std::make_unique<TUserMemoryStream>(data, int64_t(size)), wanted)
                                     : JPEGHeader(stream, wanted);
    int64_t last = 0;
    while (parser.MoveNext()) {
      auto& segment = *parser.Current();
      Check(wanted.test(segment.MarkerNum()));
      Check(segment.Offset() >= last && segment.Offset() + segment.TotalSize() <= static_cast<int64_t>(size));
      last = segment.Offset() + 1;
      segment.OffsetOfData();
      int64_t blockBytes = 0;
      for (const auto& block : segment.AdobeBlocks()) {
        Check(block->Signature().size() == 4 && block->Name().size() < 256);
        blockBytes += 12 + block->Data().Bytes().size();
        Check(blockBytes <= segment.Data().Size());
      }
    }
    Check(!parser.MoveNext());
  } catch (const EReadError&) {
  } catch (const EInvalidJPEGHeader&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TJPEGMarkers all;
  all.set();
  Walk(data, size, all, true);
  Walk(data, size, JPEGMarkers({jmApp1}));
  Walk(data, size, JPEGMarkers({jmEOI}));
  TUserMemoryStream stream(data, static_cast<int64_t>(size));
  try {
    const int64_t length = GetJPEGDataSize(stream);
    Check(length >= 0 && length <= static_cast<int64_t>(size) && stream.Position() == 0);
  } catch (const EReadError&) {
  } catch (const EInvalidJPEGHeader&) {
  }
  return 0;
}
