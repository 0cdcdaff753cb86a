// Maker notes: the first byte chooses the camera make and model and the file's byte order,
// the rest is the maker note, placed in a small Exif block and parsed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "metadata/Vmx.Exif.h"
#include "fuzz/FuzzCheck.h"

using namespace vmx;

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v, bool big) {
  if (big)
    out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
  else
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
}

void Put32(std::vector<uint8_t>& out, uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
}

void PutEntry(std::vector<uint8_t>& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value, bool big) {
  Put16(out, tag, big), Put16(out, type, big), Put32(out, count, big), Put32(out, value, big);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const Makes[] = {"Canon", "NIKON CORPORATION", "SONY", "Panasonic", "OLYMPUS", ""};
  static const char* const Models[] = {"DSLR-A100", "X"};
  const uint8_t choice = data[0];
  const std::string make = Makes[choice % 6];
  const std::string model = Models[(choice >> 3) & 1];
  const bool big = (choice & 0x10) != 0;
  const bool offsetSchema = (choice & 0x20) != 0;
  const std::vector<uint8_t> note(data + 1, data + size);

  // "Exif" NUL NUL, header, IFD0 (Make, Model, Exif pointer), Exif IFD (maker note, offset schema).
  std::vector<uint8_t> block{'E', 'x', 'i', 'f', 0, 0};
  std::vector<uint8_t> tiff;
  tiff.insert(tiff.end(), big ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
  Put16(tiff, 42, big);
  Put32(tiff, 8, big);
  const uint32_t ifd0Size = 2 + 3 * 12 + 4, exifSize = 2 + 2 * 12 + 4;
  const uint32_t makeAt = 8 + ifd0Size + exifSize, modelAt = makeAt + uint32_t(make.size()) + 1;
  const uint32_t noteAt = modelAt + uint32_t(model.size()) + 1;
  Put16(tiff, 3, big);
  PutEntry(tiff, 271, 2, uint32_t(make.size() + 1), makeAt, big);
  PutEntry(tiff, 272, 2, uint32_t(model.size() + 1), modelAt, big);
  PutEntry(tiff, 34665, 4, 1, 8 + ifd0Size, big);
  Put32(tiff, 0, big);
  Put16(tiff, 2, big);
  PutEntry(tiff, 37500, 7, uint32_t(note.size()), note.size() <= 4 ? 0 : noteAt, big);
  if (note.size() <= 4) std::copy(note.begin(), note.end(), tiff.end() - 4);
  PutEntry(tiff, 59933, 9, 1, offsetSchema ? uint32_t(-int32_t(choice >> 6)) : 0, big);
  Put32(tiff, 0, big);
  tiff.insert(tiff.end(), make.begin(), make.end());
  tiff.push_back(0);
  tiff.insert(tiff.end(), model.begin(), model.end());
  tiff.push_back(0);
  tiff.insert(tiff.end(), note.begin(), note.end());
  block.insert(block.end(), tiff.begin(), tiff.end());

  TExifData exif;
  TUserMemoryStream stream(block.data(), static_cast<int64_t>(block.size()));
  exif.LoadFromExifStream(stream);
  Check(!exif.MakerNoteParsed());
  const TExifSection& section = exif.GetSection(esMakerNote);
  for (const TExifTag& tag : section) {
    tag.AsString();
    for (int32_t i = 0; i <= tag.ElementCount(); ++i) tag.ElementAsString(i);
  }
  Check(&exif.GetSection(esMakerNote) == &section && !exif.Modified());
  return 0;
}
