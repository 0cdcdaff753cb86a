// Small TIFF blocks and JPEG files made byte by byte for the Exif tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/Vmx.Exif.h"
#include "tests/support/TestPaths.h"

namespace exiftest {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline void Put16(Bytes& out, uint32_t v, bool big) {
  for (int i = 0; i < 2; ++i) out.push_back(uint8_t(v >> (big ? 8 - 8 * i : 8 * i)));
}

inline void Put32(Bytes& out, uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
}

// One directory entry. Value holds the data in the file's order; SubIfd >= 0 makes the value
// the offset of that directory (a LONG pointer tag).
struct Entry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  Bytes Value;
  int SubIfd = -1;
};

struct Ifd {
  std::vector<Entry> Entries;
  int Next = -1;  // the directory that follows in the chain; -1 for none
};

inline Entry Ascii(uint16_t tag, std::string_view s) {
  Bytes value = Text(s);
  value.push_back(0);
  return {tag, 2, uint32_t(value.size()), value};
}

inline Entry Shorts(uint16_t tag, std::initializer_list<uint32_t> values, bool big, uint16_t type = 3) {
  Entry e{tag, type, uint32_t(values.size()), {}};
  for (uint32_t v : values) Put16(e.Value, v, big);
  return e;
}

inline Entry Longs(uint16_t tag, std::initializer_list<uint32_t> values, bool big, uint16_t type = 4) {
  Entry e{tag, type, uint32_t(values.size()), {}};
  for (uint32_t v : values) Put32(e.Value, v, big);
  return e;
}

inline Entry Rationals(uint16_t tag, std::initializer_list<std::pair<uint32_t, uint32_t>> values, bool big,
                       uint16_t type = 5) {
  Entry e{tag, type, uint32_t(values.size()), {}};
  for (auto [n, d] : values) {
    Put32(e.Value, n, big);
    Put32(e.Value, d, big);
  }
  return e;
}

inline Entry Raw(uint16_t tag, uint16_t type, const Bytes& value) { return {tag, type, uint32_t(value.size()), value}; }

inline Entry Pointer(uint16_t tag, int subIfd) { return {tag, 4, 1, {}, subIfd}; }

// The TIFF block: an 8-byte header, then the directories in the given order (each followed
// by its data); the first directory is IFD0. Extra bytes go after everything at ExtraOffset.
inline Bytes BuildTiff(bool big, const std::vector<Ifd>& ifds, const Bytes& extra = {},
                       uint32_t* extraOffset = nullptr) {
  std::vector<uint32_t> offsets;
  uint32_t at = 8;
  for (const Ifd& ifd : ifds) {
    offsets.push_back(at);
    at += 2 + 12 * uint32_t(ifd.Entries.size()) + 4;
    for (const Entry& e : ifd.Entries)
      if (e.Value.size() > 4) at += uint32_t(e.Value.size() + 1) & ~1u;
  }
  if (extraOffset) *extraOffset = at;
  Bytes out = big ? Text("MM") : Text("II");
  Put16(out, 42, big);
  Put32(out, ifds.empty() ? 0 : 8, big);
  for (size_t i = 0; i < ifds.size(); ++i) {
    const Ifd& ifd = ifds[i];
    uint32_t data = offsets[i] + 2 + 12 * uint32_t(ifd.Entries.size()) + 4;
    Put16(out, uint32_t(ifd.Entries.size()), big);
    Bytes tail;
    for (const Entry& e : ifd.Entries) {
      Put16(out, e.Tag, big);
      Put16(out, e.Type, big);
      Put32(out, e.Count, big);
      if (e.SubIfd >= 0) {
        Put32(out, offsets[size_t(e.SubIfd)], big);
      } else if (e.Value.size() <= 4) {
        Bytes v = e.Value;
        v.resize(4);
        Append(out, v);
      } else {
        Put32(out, data, big);
        Append(tail, e.Value);
        if (e.Value.size() % 2) tail.push_back(0);
        data += uint32_t(e.Value.size() + 1) & ~1u;
      }
    }
    Put32(out, ifd.Next >= 0 ? offsets[size_t(ifd.Next)] : 0, big);
    Append(out, tail);
  }
  Append(out, extra);
  return out;
}

inline Bytes ExifBlock(const Bytes& tiff) {
  Bytes out = Text(std::string_view("Exif\0\0", 6));
  Append(out, tiff);
  return out;
}

inline Bytes Segment(uint8_t marker, const Bytes& data) {
  Bytes out{0xFF, marker};
  Put16(out, uint32_t(data.size() + 2), true);
  Append(out, data);
  return out;
}

inline Bytes XMPSegmentData(std::string_view packet) {
  Bytes out = Text(std::string_view("http://ns.adobe.com/xap/1.0/\0", 29));
  Append(out, Text(packet));
  return out;
}

// SOI, the APP1 segments, a scan header with a little scan data, EOI.
inline Bytes Jpeg(const std::vector<Bytes>& app1Segments) {
  Bytes out{0xFF, 0xD8};
  for (const Bytes& data : app1Segments) Append(out, Segment(0xE1, data));
  Append(out, Segment(0xDB, Bytes(10, 1)));
  Append(out, Segment(0xDA, Bytes(10, 2)));
  Append(out, Bytes{0x11, 0x22, 0xFF, 0x00, 0x33, 0xFF, 0xD9});
  return out;
}

// A tiny whole JPEG stream for thumbnails: SOI, one segment, scan, EOI.
inline Bytes TinyJpeg() {
  Bytes out{0xFF, 0xD8};
  Append(out, Segment(0xDB, Bytes(6, 7)));
  Append(out, Segment(0xDA, Bytes(4, 8)));
  Append(out, Bytes{0x55, 0x66, 0x77, 0xFF, 0xD9});
  return out;
}

// Writes Bytes as the whole file at Path.
inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  testpaths::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

// Every tag of the sections a block holds, one a line: section, ID, type, count and data.
inline std::string Tags(const vmx::TCustomExifData& exif) {
  std::string out;
  for (int kind = vmx::esPrimary; kind <= vmx::esThumbnail; ++kind)
    for (const vmx::TExifTag& tag : exif.PeekSection(vmx::TExifSectionKind(kind)))
      out += std::to_string(kind) + ":" + std::to_string(tag.ID()) + "/" + std::to_string(tag.DataType()) + "*" +
             std::to_string(tag.ElementCount()) + " " + vmx::BinToHexStr(tag.Data(), tag.DataSize()) + "\n";
  return out;
}

inline void LoadJpeg(vmx::TCustomExifData& exif, const Bytes& jpeg) {
  vmx::TUserMemoryStream stream(jpeg.data(), int64_t(jpeg.size()));
  exif.LoadFromJPEG(stream);
}

// A real 8 x 8 grey JPEG image, for the codec.
inline Bytes GreyJpeg8x8() {
  return {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x10, 0x0B, 0x0C, 0x0E, 0x0C, 0x0A, 0x10, 0x0E, 0x0D, 0x0E,
          0x12, 0x11, 0x10, 0x13, 0x18, 0x28, 0x1A, 0x18, 0x16, 0x16, 0x18, 0x31, 0x23, 0x25, 0x1D, 0x28, 0x3A,
          0x33, 0x3D, 0x3C, 0x39, 0x33, 0x38, 0x37, 0x40, 0x48, 0x5C, 0x4E, 0x40, 0x44, 0x57, 0x45, 0x37, 0x38,
          0x50, 0x6D, 0x51, 0x57, 0x5F, 0x62, 0x67, 0x68, 0x67, 0x3E, 0x4D, 0x71, 0x79, 0x70, 0x64, 0x78, 0x5C,
          0x65, 0x67, 0x63, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00, 0xFF,
          0xC4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x00, 0x00, 0x03, 0xFF, 0xC4, 0x00, 0x17, 0x10, 0x00, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x06, 0x33, 0xFF, 0xDA, 0x00, 0x08, 0x01,
          0x01, 0x00, 0x00, 0x3F, 0x00, 0x18, 0xD5, 0x66, 0x7F, 0xFF, 0xD9};
}

}  // namespace exiftest
