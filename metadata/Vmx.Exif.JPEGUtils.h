// A walk over the marker segments at the head of a JPEG stream, without decoding the image:
// wanted segments are read into memory, the others are skipped by their length.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>

#include "metadata/Vmx.Exif.StreamHelper.h"

namespace vmx {

inline constexpr uint8_t jmSOI = 0xD8, jmEOI = 0xD9, jmSOS = 0xDA, jmApp1 = 0xE1, jmApp13 = 0xED;

// One bit per marker number.
using TJPEGMarkers = std::bitset<256>;
TJPEGMarkers JPEGMarkers(std::initializer_list<uint8_t> markers);

// Markers without a length field and without data.
bool IsNoLengthMarker(uint8_t marker);

class EInvalidJPEGHeader : public EVmxExifException {
 public:
  EInvalidJPEGHeader() : Exception("JPEG header is not valid") {}
};

// One segment held in memory: its marker and its data (without marker and length field).
class TUserJPEGSegment {
 public:
  explicit TUserJPEGSegment(uint8_t markerNum) : FMarkerNum(markerNum) {}
  virtual ~TUserJPEGSegment() = default;

  uint8_t MarkerNum() const { return FMarkerNum; }
  TMemoryStream& Data() { return FData; }
  const TMemoryStream& Data() const { return FData; }
  // An APP13 segment in one of the two Photoshop layouts; sets AdobeHeaderSize (14, 19 or 0).
  bool IsAdobeApp13();
  int AdobeHeaderSize() const { return FAdobeHeaderSize; }

 protected:
  int FAdobeHeaderSize = 0;
  TMemoryStream FData;
  uint8_t FMarkerNum;
};

// A segment met in a stream. Offset is the stream position of its 0xFF marker byte.
class TFoundJPEGSegment : public TUserJPEGSegment {
 public:
  // The stream stands just after the length field (just after the marker for a marker
  // without length); DataSize bytes are read from it.
  TFoundJPEGSegment(uint8_t markerNum, int64_t dataSize, TStream& stream);

  int64_t Offset() const { return FOffset; }
  int64_t OffsetOfData() const { return FOffset + 4; }
  int64_t TotalSize() const {
    return static_cast<int64_t>(FData.Bytes().size()) + (IsNoLengthMarker(FMarkerNum) ? 2 : 4);
  }

 private:
  int64_t FOffset = 0;
};

// The walk. Create it at the start of a JPEG stream (raises EInvalidJPEGHeader unless the
// stream starts with FF D8 there) and call MoveNext until it answers false. A walk ends
// quietly on anything that is not a marker, on a length field below 2 and at the start of
// scan; when EOI is wanted it is then looked for in the entropy-coded data. A stream that
// ends inside a marker, a length field or a wanted segment raises EReadError.
class TJPEGHeaderParser {
 public:
  TJPEGHeaderParser(TStream& stream, const TJPEGMarkers& markersToLookFor);

  bool MoveNext();
  const std::shared_ptr<TFoundJPEGSegment>& Current() const { return FCurrent; }

 private:
  bool EndWalk();
  bool SearchForEOI();

  std::shared_ptr<TFoundJPEGSegment> FCurrent;
  uint8_t FLastMarker = 0;
  TJPEGMarkers FMarkersToLookFor;
  int64_t FNextPosition = 0;
  int64_t FStartPosition = 0;
  TStream* FStream;
  bool FEnded = false;
};

// The length of the JPEG data that starts at the stream's position, up to and including its
// EOI marker (to the end of the stream when there is none); the position is kept.
int64_t GetJPEGDataSize(TStream& stream);

// The width and height in a JPEG stream's frame header; false when there is none.
bool GetJPEGImageSize(TStream& stream, int& width, int& height);

}  // namespace vmx
