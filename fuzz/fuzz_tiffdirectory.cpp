// TIFF directories and tags over arbitrary bytes: the header, the chain, each directory as
// a section, and every typed reader of every tag at the indices 0..count+1.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>

#include "metadata/Vmx.Exif.h"
#include "fuzz/FuzzCheck.h"

using namespace vmx;

namespace {

void ReadEveryWay(const TExifSection& section, const TExifTag& tag) {
  const uint16_t id = tag.ID();
  for (int32_t i = -1; i <= tag.ElementCount() + 1; ++i) {
    uint8_t b;
    uint16_t w;
    uint32_t l;
    section.TryGetByteValue(id, i, b);
    section.TryGetWordValue(id, i, w);
    section.TryGetLongWordValue(id, i, l);
    section.GetWordValue(id, i);
    section.GetLongIntValue(id, i);
    section.GetFractionValue(id, i);
    section.GetSignedFractionValue(id, i);
    tag.ElementAsString(i);
  }
  std::string s;
  std::u16string w;
  section.TryGetStringValue(id, s);
  section.TryGetWideStringValue(id, w);
  section.GetDateTimeValue(id, 0);
  tag.AsString();
  tag.IsPadding();
  Check(tag.DataSize() == int64_t{tag.ElementCount()} * TiffElementSize(tag.DataType()));
}

// Writes the section as a directory of its own and checks that it reads back the same.
void RoundTrip(const TExifSection& section, TByteOrder order) {
  TMemoryStream out;
  WriteRawChars(out, order == boBigEndian ? "MM" : "II");
  WriteWord(out, 42, order);
  WriteLongWord(out, 8, order);
  WriteWord(out, static_cast<uint16_t>(section.Count()), order);
  uint32_t dataOffset = 8 + 2 + 12 * static_cast<uint32_t>(section.Count()) + 4;
  for (const TExifTag& tag : section) {
    tag.WriteEntry(out, order, dataOffset);
    if (tag.DataSize() > 4) dataOffset += static_cast<uint32_t>(tag.DataSize());
  }
  WriteLongWord(out, 0, order);
  for (const TExifTag& tag : section) tag.WriteData(out, order);
  out.SetPosition(0);
  TTiffInfo info;
  LoadTiffInfo(out, info);
  TExifSection back(nullptr, esPrimary);
  back.Load(info.Directories.at(0), info);
  Check(back.Count() == section.Count());
  for (int i = 0; i < back.Count(); ++i)
    Check(back[i].ID() == section[i].ID() && back[i].DataType() == section[i].DataType() &&
          back[i].ElementCount() == section[i].ElementCount() &&
          std::equal(back[i].Data(), back[i].Data() + back[i].DataSize(), section[i].Data()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TUserMemoryStream stream(data, static_cast<int64_t>(size));
  TTiffInfo info;
  try {
    LoadTiffInfo(stream, info);
  } catch (const EInvalidTiffData&) {
    return 0;
  } catch (const EReadError&) {
    return 0;
  }
  Check(info.Directories.size() <= MaxTiffDirectories);
  for (const TTiffDirectory& directory : info.Directories) {
    for (const TTiffDirectoryEntry& entry : directory.Entries)
      if (entry.IsValid() && entry.DataSize() > 0)
        Check(entry.DataOffset >= 0 && entry.DataOffset + entry.DataSize() <= static_cast<int64_t>(size));
    TExifSection section(nullptr, esPrimary);
    section.Load(directory, info);
    for (const TExifTag& tag : section) ReadEveryWay(section, tag);
    if (section.Count() < 0x4000) RoundTrip(section, info.ByteOrder == boBigEndian ? boLittleEndian : boBigEndian);
  }
  // The same bytes as a maker-note style directory at a data offset adjustment.
  TExifSection shifted(nullptr, esMakerNote);
  shifted.LoadFromStream(info, size > 0 ? data[0] - 128 : 0, 8);
  for (const TExifTag& tag : shifted) ReadEveryWay(shifted, tag);
  return 0;
}
