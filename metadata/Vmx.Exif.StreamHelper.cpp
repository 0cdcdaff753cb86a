#include "metadata/Vmx.Exif.StreamHelper.h"

#include <algorithm>
#include <cstring>

#include "os/os.h"

namespace vmx {

// --- streams ---------------------------------------------------------------------------

namespace {

int64_t SeekTarget(int64_t position, int64_t size, int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning:
      return offset;
    case TSeekOrigin::soCurrent:
      return position + offset;
    case TSeekOrigin::soEnd:
      return size + offset;
  }
  return position;
}

}  // namespace

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError();
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 0), 65536)));
  while (count > 0) {
    const int64_t chunk = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), chunk);
    WriteBuffer(buffer.data(), chunk);
    count -= chunk;
  }
}

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  const int64_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  FPosition = SeekTarget(FPosition, FSize, offset, origin);
  return FPosition;
}

TUserMemoryStream::TUserMemoryStream(const void* memory, int64_t size) {
  SetPointer(static_cast<const uint8_t*>(memory), std::max<int64_t>(size, 0));
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  if (FPosition + count > FSize) {
    FData.resize(static_cast<size_t>(FPosition + count));
    SetPointer(FData.data(), static_cast<int64_t>(FData.size()));
  }
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition += count;
  return count;
}

void TMemoryStream::SetSize(int64_t size) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  SetPointer(FData.data(), static_cast<int64_t>(FData.size()));
  if (FPosition > FSize) FPosition = FSize;
}

TFileStream::TFileStream(const std::string& fileName, int64_t bufferSize)
    : FBufferSize(std::max<int64_t>(bufferSize, 0)), FHandle(os::OpenSharedFile(fileName)) {
  if (FHandle == -1) throw EInOutError("Cannot open file \"" + fileName + "\"");
  FSize = os::SharedFileSize(FHandle);
  FBuffer = std::make_unique<uint8_t[]>(static_cast<size_t>(FBufferSize));
}

TFileStream::~TFileStream() { os::CloseSharedFile(FHandle); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  count = std::min(count, FSize - FPosition);  // the size when opened: a growing file is not chased
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t at = FPosition + done;
    if (at >= FBufferStart && at < FBufferStart + FBufferCount) {
      const int64_t n = std::min(count - done, FBufferStart + FBufferCount - at);
      std::memcpy(out + done, FBuffer.get() + (at - FBufferStart), static_cast<size_t>(n));
      done += n;
      continue;
    }
    if (count - done >= FBufferSize) {  // large reads go straight to the caller's memory
      const int64_t got = os::ReadSharedFile(FHandle, at, out + done, count - done);
      FBytesFetched += got;
      done += got;
      break;
    }
    FBufferStart = at;
    FBufferCount = os::ReadSharedFile(FHandle, at, FBuffer.get(), FBufferSize);
    FBytesFetched += FBufferCount;
    if (FBufferCount == 0) break;
  }
  FPosition += done;
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  FPosition = SeekTarget(FPosition, FSize, offset, origin);
  return FPosition;
}

// --- byte order ------------------------------------------------------------------------

uint32_t SwapLongWord(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

int32_t SwapLongInt(int32_t value) { return static_cast<int32_t>(SwapLongWord(static_cast<uint32_t>(value))); }

double SwapDouble(double value) {
  uint8_t bytes[8];
  std::memcpy(bytes, &value, 8);
  std::reverse(bytes, bytes + 8);
  std::memcpy(&value, bytes, 8);
  return value;
}

uint8_t ReadByte(TStream& stream) {
  uint8_t value = 0;
  stream.ReadBuffer(&value, 1);
  return value;
}

bool TryReadWord(TStream& stream, TByteOrder byteOrder, uint16_t& value) {
  uint8_t b[2];
  if (stream.Read(b, 2) != 2) return false;
  value = byteOrder == boBigEndian ? static_cast<uint16_t>(b[0] << 8 | b[1]) : static_cast<uint16_t>(b[1] << 8 | b[0]);
  return true;
}

uint16_t ReadWord(TStream& stream, TByteOrder byteOrder) {
  uint16_t value = 0;
  if (!TryReadWord(stream, byteOrder, value)) throw EReadError();
  return value;
}

bool TryReadLongWord(TStream& stream, TByteOrder byteOrder, uint32_t& value) {
  uint8_t b[4];
  if (stream.Read(b, 4) != 4) return false;
  value = byteOrder == boBigEndian ? static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                                         static_cast<uint32_t>(b[2]) << 8 | b[3]
                                   : static_cast<uint32_t>(b[3]) << 24 | static_cast<uint32_t>(b[2]) << 16 |
                                         static_cast<uint32_t>(b[1]) << 8 | b[0];
  return true;
}

uint32_t ReadLongWord(TStream& stream, TByteOrder byteOrder) {
  uint32_t value = 0;
  if (!TryReadLongWord(stream, byteOrder, value)) throw EReadError();
  return value;
}

bool TryReadLongInt(TStream& stream, TByteOrder byteOrder, int32_t& value) {
  uint32_t raw = 0;
  if (!TryReadLongWord(stream, byteOrder, raw)) return false;
  value = static_cast<int32_t>(raw);
  return true;
}

int32_t ReadLongInt(TStream& stream, TByteOrder byteOrder) {
  return static_cast<int32_t>(ReadLongWord(stream, byteOrder));
}

double ReadDouble(TStream& stream, TByteOrder byteOrder) {
  double value = 0;
  stream.ReadBuffer(&value, 8);
  return byteOrder == boBigEndian ? SwapDouble(value) : value;
}

void WriteByte(TStream& stream, uint8_t value) { stream.WriteBuffer(&value, 1); }

void WriteWord(TStream& stream, uint16_t value, TByteOrder byteOrder) {
  const uint8_t b[2] = {static_cast<uint8_t>(byteOrder == boBigEndian ? value >> 8 : value),
                        static_cast<uint8_t>(byteOrder == boBigEndian ? value : value >> 8)};
  stream.WriteBuffer(b, 2);
}

void WriteLongWord(TStream& stream, uint32_t value, TByteOrder byteOrder) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
  if (byteOrder == boBigEndian) std::reverse(b, b + 4);
  stream.WriteBuffer(b, 4);
}

void WriteLongInt(TStream& stream, int32_t value, TByteOrder byteOrder) {
  WriteLongWord(stream, static_cast<uint32_t>(value), byteOrder);
}

void WriteDouble(TStream& stream, TByteOrder byteOrder, double value) {
  if (byteOrder == boBigEndian) value = SwapDouble(value);
  stream.WriteBuffer(&value, 8);
}

void WriteWideChars(TStream& stream, std::u16string_view s, TByteOrder byteOrder) {
  for (char16_t c : s) WriteWord(stream, static_cast<uint16_t>(c), byteOrder);
}

void WriteRawChars(TStream& stream, std::string_view s) {
  stream.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
}

void WriteUTF8Format(TStream& stream, std::u16string_view format, TFormatArgs args) {
  WriteRawChars(stream, FormatText(Utf16ToUtf8(format), args));
}

bool CheckSignature(TStream& stream, const void* signature, uint8_t length) {
  uint8_t buffer[255];
  const int64_t got = stream.Read(buffer, length);
  if (got == length && std::memcmp(buffer, signature, length) == 0) return true;
  stream.Seek(-got, TSeekOrigin::soCurrent);
  return false;
}

char UpCaseChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

char16_t UpCaseWideChar(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

std::string BinToHexStr(const void* buffer, int64_t count) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  std::string result;
  result.reserve(static_cast<size_t>(std::max<int64_t>(count, 0) * 2));
  for (int64_t i = 0; i < count; ++i) {
    result += Digits[bytes[i] >> 4];
    result += Digits[bytes[i] & 15];
  }
  return result;
}

}  // namespace vmx
