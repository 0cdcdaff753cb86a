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
  FStartPosition = stream.Position();
  uint8_t soi[2] = {0, 0};
  if (stream.Read(soi, 2) != 2 || soi[0] != 0xFF || soi[1] != jmSOI) throw EInvalidJPEGHeader();
  FNextPosition = FStartPosition + 2;
}

bool TJPEGHeaderParser::EndWalk() {
  FEnded = true;
  return false;
}

bool TJPEGHeaderParser::MoveNext() {
  FCurrent.reset();
  if (FEnded || FLastMarker == jmEOI) return false;
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
    TJPEGHeaderParser parser(stream, JPEGMarkers({jmEOI}));
    while (parser.MoveNext()) result = stream.Position() - start;
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
