// Streams and byte-order routines under the image-metadata readers: a small stream layer
// (a read-only view over memory, a growing memory stream, a buffered read-only file stream
// that never locks the file) and fixed-width reads and writes in either byte order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Persistent.h"
#include "core/qmTranslate.h"

namespace vmx {

// The base of the errors the image-metadata library raises. Exception is a virtual base, so
// that an error of the library may also descend from another of the framework's errors; a
// descendant names the message itself: Exception("...").
class EVmxExifException : public virtual Exception {
 public:
  explicit EVmxExifException(const std::string& message) : Exception(message) {}

 protected:
  EVmxExifException() : Exception(std::string()) {}  // the descendant gives the message
};

// A stream delivered fewer bytes than were asked for.
class EReadError : public Exception {
 public:
  EReadError() : Exception("Stream read error") {}
};

// A stream took fewer bytes than it was given.
class EWriteError : public Exception {
 public:
  EWriteError() : Exception("Stream write error") {}
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The base of every stream: positions and sizes are 64-bit.
class TStream {
 public:
  virtual ~TStream() = default;
  // The bytes actually read or written (0..count).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // The stream's bytes when they lie in memory (for scanning in place), else nullptr.
  virtual const uint8_t* Memory() const { return nullptr; }

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Read and Write that raise EReadError / EWriteError on a short transfer.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Writes Count bytes read from Source (EReadError when it has fewer).
  void CopyFrom(TStream& source, int64_t count);
};

// A stream over a block of memory; the position may lie beyond the end (reads then give 0).
class TCustomMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  const uint8_t* Memory() const override { return FMemory; }

 protected:
  void SetPointer(const uint8_t* memory, int64_t size) {
    FMemory = memory;
    FSize = size;
  }
  const uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A read-only stream over memory that the caller owns and keeps alive; writes take nothing.
class TUserMemoryStream : public TCustomMemoryStream {
 public:
  TUserMemoryStream(const void* memory, int64_t size);
  int64_t Write(const void*, int64_t) override { return 0; }
};

// A stream over its own growing buffer.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream& other) : FData(other.FData) { Adopt(other.FPosition); }
  TMemoryStream(TMemoryStream&& other) noexcept : FData(std::move(other.FData)) {
    Adopt(other.FPosition);
    other.FData.clear();
    other.Adopt(0);
  }
  TMemoryStream& operator=(const TMemoryStream& other) {
    FData = other.FData;
    Adopt(other.FPosition);
    return *this;
  }
  TMemoryStream& operator=(TMemoryStream&& other) noexcept {
    FData = std::move(other.FData);
    Adopt(other.FPosition);
    other.FData.clear();
    other.Adopt(0);
    return *this;
  }
  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t size);  // new bytes are zero
  void Clear() { SetSize(0), FPosition = 0; }
  const std::vector<uint8_t>& Bytes() const { return FData; }

 private:
  void Adopt(int64_t position) {
    SetPointer(FData.data(), static_cast<int64_t>(FData.size()));
    FPosition = position;
  }
  std::vector<uint8_t> FData;
};

// A read-only file, opened so that other programs may still read, write, rename and delete
// it; reads smaller than BufferSize are served from a buffer of that size (0: every read goes
// to the file as asked, so nothing beyond it is fetched). Raises EInOutError when the file
// cannot be opened.
class TFileStream : public TStream {
 public:
  static constexpr int64_t DefaultBufferSize = 4096;
  explicit TFileStream(const std::string& fileName, int64_t bufferSize = DefaultBufferSize);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  // Bytes fetched from the file so far (for measuring).
  int64_t BytesFetched() const { return FBytesFetched; }

 private:
  int64_t FBufferSize;
  intptr_t FHandle;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FBufferStart = 0;  // file offset of FBuffer[0]
  int64_t FBufferCount = 0;
  int64_t FBytesFetched = 0;
  std::unique_ptr<uint8_t[]> FBuffer;
};

// An object that saves its content into a stream and loads it from one.
class IStreamPersist {
 public:
  virtual ~IStreamPersist() = default;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
};

// 0 = little-endian ("II"), 1 = big-endian ("MM").
enum TByteOrder : uint8_t { boLittleEndian = 0, boBigEndian = 1 };

int32_t SwapLongInt(int32_t value);
uint32_t SwapLongWord(uint32_t value);
double SwapDouble(double value);

uint8_t ReadByte(TStream& stream);
bool TryReadWord(TStream& stream, TByteOrder byteOrder, uint16_t& value);
uint16_t ReadWord(TStream& stream, TByteOrder byteOrder);
bool TryReadLongInt(TStream& stream, TByteOrder byteOrder, int32_t& value);
int32_t ReadLongInt(TStream& stream, TByteOrder byteOrder);
bool TryReadLongWord(TStream& stream, TByteOrder byteOrder, uint32_t& value);
uint32_t ReadLongWord(TStream& stream, TByteOrder byteOrder);
double ReadDouble(TStream& stream, TByteOrder byteOrder);

void WriteByte(TStream& stream, uint8_t value);
void WriteWord(TStream& stream, uint16_t value, TByteOrder byteOrder);
void WriteLongInt(TStream& stream, int32_t value, TByteOrder byteOrder);
void WriteLongWord(TStream& stream, uint32_t value, TByteOrder byteOrder);
void WriteDouble(TStream& stream, TByteOrder byteOrder, double value);
void WriteWideChars(TStream& stream, std::u16string_view s, TByteOrder byteOrder);
void WriteRawChars(TStream& stream, std::string_view s);
// Formats with the framework's Format (%s, %d, %%) and writes the text as UTF-8, without
// byte-order mark or terminator.
void WriteUTF8Format(TStream& stream, std::u16string_view format, TFormatArgs args);

// True when the next Length bytes equal Signature (the stream then stays after them);
// otherwise the position is left where it was.
bool CheckSignature(TStream& stream, const void* signature, uint8_t length);

// Only a..z change.
char UpCaseChar(char c);
char16_t UpCaseWideChar(char16_t c);

// Two upper-case hexadecimal digits per byte, high nibble first.
std::string BinToHexStr(const void* buffer, int64_t count);

// A 16-bit tag value that may be missing: a packed record of 3 bytes.
#pragma pack(push, 1)
struct TWordTagValue {
  uint16_t Value = 0;
  bool MissingOrInvalid = true;

  static TWordTagValue Missing() { return {}; }
  static TWordTagValue From(uint16_t value) { return {value, false}; }
  operator uint16_t() const { return Value; }
};
#pragma pack(pop)
static_assert(sizeof(TWordTagValue) == 3);

// A signed 32-bit tag value that may be missing.
struct TLongIntTagValue {
  int32_t Value = 0;
  bool MissingOrInvalid = true;

  static TLongIntTagValue Missing() { return {}; }
  static TLongIntTagValue From(int32_t value) { return {value, false}; }
  operator int64_t() const { return Value; }
};

}  // namespace vmx
