#include "metadata/Vmx.Exif.JPEGUtils.h"

#include <cstring>
#include <vector>

namespace vmx {

TJPEGMarkers JPEGMarkers(std::initializer_list<uint8_t> markers) {
  TJPEGMarkers result;
  for (uint8_t marker : markers) result.set(marker);
  return result;
}

bool IsNoLengthMarker(uint8_t marker) { return marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9); }

TUserJPEGSegment::TUserJPEGSegment(uint8_t markerNum, IStreamPersist* source) : FMarkerNum(markerNum) {
  if (!source) return;
  source->SaveToStream(FData);
  FData.SetPosition(0);
}

bool TUserJPEGSegment::IsAdobeApp13() {
  FAdobeHeaderSize = 0;
  if (FMarkerNum != jmApp13 || FData.Size() < 20) return false;
  const uint8_t* data = FData.Memory();
  if (std::memcmp(data, "Photoshop 3.0\0", 14) == 0) {
    FAdobeHeaderSize = 14;
    return true;
  }
  if (std::memcmp(data, "Adobe_Photoshop2.5:", 19) == 0) {
    FAdobeHeaderSize = 19;
    return true;
  }
  return false;
}

TAdobeApp13Enumerator TUserJPEGSegment::AdobeBlocks() {
  return TAdobeApp13Enumerator(FData, IsAdobeApp13() ? FAdobeHeaderSize : INT32_MAX);
}

namespace {

class TAdobeBlock final : public IAdobeBlock {
 public:
  const std::string& Signature() const override { return FSignature; }
  uint16_t TypeID() const override { return FTypeID; }
  const std::string& Name() const override { return FName; }
  const TMemoryStream& Data() const override { return FData; }

  std::string FSignature;
  uint16_t FTypeID = 0;
  std::string FName;
  TMemoryStream FData;
};

uint32_t BigEndianAt(const uint8_t* p, int size) {
  uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | p[i];
  return value;
}

}  // namespace

// A block: a 4-character signature, a 16-bit type, its name as a length byte and characters
// padded to an even count, a 32-bit data size and the data padded to an even count (all
// numbers big-endian). The padding of the last block may be missing.
bool TAdobeApp13Enumerator::MoveNext() {
  FCurrent.reset();
  const int64_t size = static_cast<int64_t>(FData.Bytes().size());
  const uint8_t* data = FData.Bytes().data();
  int64_t at = FNextPosition;
  if (at < 0 || size - at < 4 + 2 + 2 + 4) return false;
  auto block = std::make_shared<TAdobeBlock>();
  block->FSignature.assign(reinterpret_cast<const char*>(data + at), 4);
  block->FTypeID = static_cast<uint16_t>(BigEndianAt(data + at + 4, 2));
  at += 6;
  const int64_t nameLength = data[at];
  const int64_t nameField = (1 + nameLength + 1) & ~int64_t{1};
  if (size - at < nameField + 4) return Stop();
  block->FName.assign(reinterpret_cast<const char*>(data + at + 1), static_cast<size_t>(nameLength));
  at += nameField;
  const int64_t dataSize = BigEndianAt(data + at, 4);
  at += 4;
  if (dataSize > size - at) return Stop();
  block->FData.WriteBuffer(data + at, dataSize);
  block->FData.SetPosition(0);
  FNextPosition = at + dataSize + (dataSize & 1);
  FCurrent = std::move(block);
  return true;
}

bool TAdobeApp13Enumerator::Stop() {
  FNextPosition = INT64_MAX;
  return false;
}

TFoundJPEGSegment::TFoundJPEGSegment(uint8_t markerNum, int64_t dataSize, TStream& stream)
    : TUserJPEGSegment(markerNum) {
  if (IsNoLengthMarker(markerNum)) {
    FOffset = stream.Position() - 2;
    return;
  }
  FOffset = stream.Position() - 4;
  if (dataSize > 0) {
    FData.SetSize(dataSize);
    stream.ReadBuffer(const_cast<uint8_t*>(FData.Memory()), dataSize);
    FData.SetPosition(0);
  }
}

TJPEGHeaderParser::TJPEGHeaderParser(TStream& stream, const TJPEGMarkers& markersToLookFor)
    : FMarkersToLookFor(markersToLookFor), FStream(&stream) {
  Start();
}

// A stream that is not a JPEG one goes with the parser that failed.
TJPEGHeaderParser::TJPEGHeaderParser(std::unique_ptr<TStream> stream, const TJPEGMarkers& markersToLookFor)
    : FMarkersToLookFor(markersToLookFor), FStream(stream.get()), FOwnedStream(std::move(stream)), FOwnsStream(true) {
  if (!FStream) throw EInvalidJPEGHeader();
  Start();
}

void TJPEGHeaderParser::Start() {
  FStartPosition = FStream->Position();
  uint8_t soi[2] = {0, 0};
  if (FStream->Read(soi, 2) != 2 || soi[0] != 0xFF || soi[1] != jmSOI) throw EInvalidJPEGHeader();
  FNextPosition = FStartPosition + 2;
}

bool TJPEGHeaderParser::EndWalk() {
  FEnded = true;
  if (FOwnsStream) {
    FStream = nullptr;
    FOwnedStream.reset();
  }
  return false;
}

bool TJPEGHeaderParser::MoveNext() {
  FCurrent.reset();
  if (FEnded || !FStream || FLastMarker == jmEOI) return false;
  FStream->SetPosition(FNextPosition);
  for (;;) {
    uint8_t marker = ReadByte(*FStream);
    if (marker != 0xFF) return EndWalk();
    while (marker == 0xFF) marker = ReadByte(*FStream);
    FLastMarker = marker;
    int64_t length = 0;
    if (!IsNoLengthMarker(marker)) {
      const uint16_t field = ReadWord(*FStream, boBigEndian);
      if (field < 2) return EndWalk();  // a length that does not even count itself
      length = field - 2;
    }
    if (FMarkersToLookFor.test(marker)) {
      FCurrent = std::make_shared<TFoundJPEGSegment>(marker, length, *FStream);
      FNextPosition = FStream->Position();
      return true;
    }
    if (marker == jmEOI) return EndWalk();
    FStream->Seek(length, TSeekOrigin::soCurrent);
    if (marker == jmSOS) return FMarkersToLookFor.test(jmEOI) ? SearchForEOI() : EndWalk();
  }
}

// Looks for FF D9 in the entropy-coded data that follows the scan header.
bool TJPEGHeaderParser::SearchForEOI() {
  const int64_t from = FStream->Position();
  const int64_t count = FStream->Size() - from;
  if (count < 2) return EndWalk();
  std::vector<uint8_t> copy;
  const uint8_t* rest = FStream->Memory() ? FStream->Memory() + from : nullptr;
  if (!rest) {
    copy.resize(static_cast<size_t>(count));
    copy.resize(static_cast<size_t>(FStream->Read(copy.data(), count)));
    rest = copy.data();
  }
  const int64_t available = rest == copy.data() ? static_cast<int64_t>(copy.size()) : count;
  for (int64_t i = 0; i + 1 < available; ++i) {
    if (rest[i] == 0xFF && rest[i + 1] == jmEOI) {
      FStream->SetPosition(from + i + 2);
      FCurrent = std::make_shared<TFoundJPEGSegment>(jmEOI, 0, *FStream);
      FLastMarker = jmEOI;
      return true;
    }
  }
  FStream->Seek(0, TSeekOrigin::soEnd);
  return EndWalk();
}

int64_t GetJPEGDataSize(TStream& stream) {
  const int64_t start = stream.Position();
  int64_t result = stream.Size() - start;
  try {
    for ([[maybe_unused]] const auto& eoi : JPEGHeader(stream, JPEGMarkers({jmEOI})))
      result = stream.Position() - start;
  } catch (...) {
    stream.SetPosition(start);
    throw;
  }
  stream.SetPosition(start);
  return result;
}

bool GetJPEGImageSize(TStream& stream, int& width, int& height) {
  TJPEGMarkers frames;  // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC)
  for (int marker = 0xC0; marker <= 0xCF; ++marker)
    if (marker != 0xC4 && marker != 0xC8 && marker != 0xCC) frames.set(static_cast<size_t>(marker));
  try {
    TJPEGHeaderParser parser(stream, frames);
    while (parser.MoveNext()) {
      TMemoryStream& data = parser.Current()->Data();
      if (data.Size() < 5) continue;
      ReadByte(data);  // the sample precision
      height = ReadWord(data, boBigEndian);
      width = ReadWord(data, boBigEndian);
      return true;
    }
  } catch (const EReadError&) {
  } catch (const EInvalidJPEGHeader&) {
  }
  return false;
}

}  // namespace vmx
