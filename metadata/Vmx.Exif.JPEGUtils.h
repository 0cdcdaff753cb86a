// A walk over the marker segments at the head of a JPEG stream, without decoding the image:
// wanted segments are read into memory, the others are skipped by their length.
#pragma once

#include <bitset>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

#include "metadata/Vmx.Exif.StreamHelper.h"

namespace vmx {

inline constexpr uint8_t jmSOI = 0xD8, jmEOI = 0xD9, jmSOS = 0xDA, jmApp1 = 0xE1, jmApp13 = 0xED;

// One bit per marker number.
using TJPEGMarkers = std::bitset<256>;
TJPEGMarkers JPEGMarkers(std::initializer_list<uint8_t> markers);

// Markers without a length field and without data.
bool IsNoLengthMarker(uint8_t marker);

// An invalid graphic and an error of this library at once.
class EInvalidJPEGHeader : public EInvalidGraphic, public EVmxExifException {
 public:
  EInvalidJPEGHeader() : Exception(Message), EInvalidGraphic(Message), EVmxExifException() {}

 private:
  static constexpr const char* Message = "JPEG header is not valid";
};

// A for-each loop over what an enumerator's MoveNext finds, from where the enumerator stands: the
// owner answers Current(), empty once it has found all.
template <class TOwner, class TValue>
class TMoveNextIterator {
 public:
  using value_type = TValue;
  using difference_type = std::ptrdiff_t;
  explicit TMoveNextIterator(TOwner* owner = nullptr) : FOwner(owner) {}
  const value_type& operator*() const { return FOwner->Current(); }
  TMoveNextIterator& operator++() {
    FOwner->MoveNext();
    return *this;
  }
  void operator++(int) { ++*this; }
  bool operator==(std::default_sentinel_t) const { return !FOwner->Current(); }

 private:
  TOwner* FOwner;
};

// One image resource block of a Photoshop APP13 segment.
class IAdobeBlock {
 public:
  virtual ~IAdobeBlock() = default;
  // The four characters that open the block, most often "8BIM".
  virtual const std::string& Signature() const = 0;
  virtual uint16_t TypeID() const = 0;
  virtual const std::string& Name() const = 0;
  virtual const TMemoryStream& Data() const = 0;
};

// The resource blocks of an APP13 segment, in order. A block that runs past the end of the
// segment, or does not fit a block's layout, ends them. The segment must outlive its enumerator.
class TAdobeApp13Enumerator {
 public:
  TAdobeApp13Enumerator(const TMemoryStream& data, int64_t nextPosition) : FNextPosition(nextPosition), FData(data) {}

  bool MoveNext();
  // The block of the last successful MoveNext; null before the first and after the last.
  const std::shared_ptr<IAdobeBlock>& Current() const { return FCurrent; }

  using TIterator = TMoveNextIterator<TAdobeApp13Enumerator, std::shared_ptr<IAdobeBlock>>;
  // A for-each loop walks the blocks from where the enumerator stands.
  TIterator begin() {
    MoveNext();
    return TIterator(this);
  }
  std::default_sentinel_t end() const { return {}; }

 private:
  bool Stop();

  std::shared_ptr<IAdobeBlock> FCurrent;
  int64_t FNextPosition;
  const TMemoryStream& FData;
};

// One segment held in memory: its marker and its data (without marker and length field).
class TUserJPEGSegment {
 public:
  // Source, when given, writes the segment's data.
  explicit TUserJPEGSegment(uint8_t markerNum, IStreamPersist* source = nullptr);
  virtual ~TUserJPEGSegment() = default;

  uint8_t MarkerNum() const { return FMarkerNum; }
  TMemoryStream& Data() { return FData; }
  const TMemoryStream& Data() const { return FData; }
  // An APP13 segment in one of the two Photoshop layouts; sets AdobeHeaderSize (14, 19 or 0).
  bool IsAdobeApp13();
  int AdobeHeaderSize() const { return FAdobeHeaderSize; }
  // The resource blocks of a Photoshop APP13 segment; none for any other segment.
  TAdobeApp13Enumerator AdobeBlocks();

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
// stream starts with FF D8 there) and call MoveNext until it answers false, or walk it with a
// for-each loop. A walk ends quietly on anything that is not a marker, on a length field below
// 2 and at the start of scan; when EOI is wanted it is then looked for in the entropy-coded
// data. A stream that ends inside a marker, a length field or a wanted segment raises EReadError.
// A parser given its stream owns it: the stream goes when the walk ends, or with the parser.
class TJPEGHeaderParser {
 public:
  TJPEGHeaderParser(TStream& stream, const TJPEGMarkers& markersToLookFor);
  TJPEGHeaderParser(std::unique_ptr<TStream> stream, const TJPEGMarkers& markersToLookFor);

  bool MoveNext();
  // The segment of the last successful MoveNext; null before the first and after the last.
  const std::shared_ptr<TFoundJPEGSegment>& Current() const { return FCurrent; }
  bool OwnsStream() const { return FOwnsStream; }

  using TIterator = TMoveNextIterator<TJPEGHeaderParser, std::shared_ptr<TFoundJPEGSegment>>;
  // A for-each loop walks on from where the parser stands.
  TIterator begin() {
    MoveNext();
    return TIterator(this);
  }
  std::default_sentinel_t end() const { return {}; }

 private:
  void Start();
  bool EndWalk();
  bool SearchForEOI();

  std::shared_ptr<TFoundJPEGSegment> FCurrent;
  uint8_t FLastMarker = 0;
  TJPEGMarkers FMarkersToLookFor;
  int64_t FNextPosition = 0;
  int64_t FStartPosition = 0;
  TStream* FStream;  // null once an owned stream has gone
  std::unique_ptr<TStream> FOwnedStream;
  bool FOwnsStream = false;
  bool FEnded = false;
};

// A walk over Stream, for a for-each loop: for (const auto& segment : JPEGHeader(stream, wanted)).
inline TJPEGHeaderParser JPEGHeader(TStream& stream, const TJPEGMarkers& markersToLookFor) {
  return TJPEGHeaderParser(stream, markersToLookFor);
}
// The same over a stream the walk owns.
inline TJPEGHeaderParser JPEGHeader(std::unique_ptr<TStream> stream, const TJPEGMarkers& markersToLookFor) {
  return TJPEGHeaderParser(std::move(stream), markersToLookFor);
}

// The length of the JPEG data that starts at the stream's position, up to and including its
// EOI marker (to the end of the stream when there is none); the position is kept.
int64_t GetJPEGDataSize(TStream& stream);

// The width and height in a JPEG stream's frame header; false when there is none.
bool GetJPEGImageSize(TStream& stream, int& width, int& height);

}  // namespace vmx
