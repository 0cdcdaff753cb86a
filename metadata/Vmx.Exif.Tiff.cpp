// The TIFF header and its directories, read with every size and offset checked.
#include "metadata/Vmx.Exif.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace vmx {

// --- TIFF header and directories ---------------------------------------------------------------

bool HasExifHeader(TStream& stream, bool moveToTiffHeader) {
  uint8_t header[10];
  const int64_t got = stream.Read(header, 10);
  const bool ok = got == 10 && std::memcmp(header, "Exif\0\0", 6) == 0 &&
                  ((header[6] == 'I' && header[7] == 'I') || (header[6] == 'M' && header[7] == 'M')) &&
                  ((header[8] == 0x2A && header[9] == 0) || (header[8] == 0 && header[9] == 0x2A));
  stream.Seek(ok && moveToTiffHeader ? -4 : -got, TSeekOrigin::soCurrent);
  return ok;
}

void LoadTiffDirectory(const TTiffInfo& info, TTiffDirectory& directory, int64_t dataOffsetAdjust,
                       int64_t directoryOffset) {
  directory = {};
  TStream& stream = *info.Stream;
  const int64_t start = info.StartOffset;
  const int64_t size = stream.Size();
  const int64_t p = start + directoryOffset;
  if (p < 0 || p + 2 > size) {
    directory.LoadFlags = lfBadOffset;
    return;
  }
  stream.SetPosition(p);
  const int64_t declared = ReadWord(stream, info.ByteOrder);
  const int64_t fitting = (size - p - 2) / 12;
  const int64_t count = std::min(declared, fitting);
  if (declared > fitting) directory.LoadFlags |= lfCountCut;
  const int64_t nextPointer = p + 2 + 12 * declared;
  if (nextPointer + 4 <= size) directory.NextPointerOffset = nextPointer - start;

  directory.Entries.reserve(static_cast<size_t>(count));
  bool previousValid = true;
  for (int64_t i = 0; i < count; ++i) {
    TTiffDirectoryEntry entry;
    entry.EntryOffset = stream.Position() - start;
    entry.TagID = ReadWord(stream, info.ByteOrder);
    entry.DataType = ReadWord(stream, info.ByteOrder);
    entry.ElementCount = ReadLongInt(stream, info.ByteOrder);
    const int elementSize = TiffElementSize(entry.DataType);
    const int64_t dataSize = int64_t{entry.ElementCount} * elementSize;  // 64-bit: cannot wrap
    if (dataSize > 4) {
      entry.DataOffset = int64_t{ReadLongWord(stream, info.ByteOrder)} + dataOffsetAdjust;
      if (start + entry.DataOffset < 0 || start + entry.DataOffset + dataSize > size) entry.ElementCount = -1;
    } else {
      entry.DataOffset = stream.Position() - start;
      stream.Seek(4, TSeekOrigin::soCurrent);
    }
    const bool valid = entry.IsValid();
    if (!valid && !previousValid) {  // two bad entries in a row: the rest is not a directory
      directory.LoadFlags |= lfCountCut;
      break;
    }
    if (!valid) directory.LoadFlags |= lfBadEntry;
    previousValid = valid;
    directory.Entries.push_back(entry);
  }
}

void LoadTiffInfo(TStream& stream, TTiffInfo& info) {
  info.Directories.clear();
  info.Stream = &stream;
  info.StartOffset = stream.Position();
  const uint16_t mark = ReadWord(stream, boLittleEndian);
  if (mark == 0x4949)
    info.ByteOrder = boLittleEndian;
  else if (mark == 0x4D4D)
    info.ByteOrder = boBigEndian;
  else
    throw EInvalidTiffData();
  const uint16_t magic = ReadWord(stream, info.ByteOrder);
  if (magic != 42) {
    if (static_cast<uint16_t>(magic << 8 | magic >> 8) != 42) throw EInvalidTiffData();
    info.ByteOrder = info.ByteOrder == boBigEndian ? boLittleEndian : boBigEndian;  // the data wins
  }
  const int64_t limit = stream.Size() - info.StartOffset - 4;
  int64_t offset = ReadLongWord(stream, info.ByteOrder);

  // The chain, as a loop: it ends on a zero or bad offset, an offset met before, a
  // directory without room for its next pointer, or after MaxTiffDirectories.
  std::unordered_set<int64_t> visited;
  while (offset != 0 && info.Directories.size() < MaxTiffDirectories && visited.insert(offset).second) {
    TTiffDirectory& directory = info.Directories.emplace_back();
    LoadTiffDirectory(info, directory, 0, offset);
    if ((directory.LoadFlags & lfBadOffset) || directory.NextPointerOffset < 0) break;
    stream.SetPosition(info.StartOffset + directory.NextPointerOffset);
    uint32_t next = 0;
    if (!TryReadLongWord(stream, info.ByteOrder, next) || next > limit) break;
    offset = next;
  }
}

}  // namespace vmx
