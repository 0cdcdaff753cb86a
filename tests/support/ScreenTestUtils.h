// Helpers for tests of screen captures under Wine: a window of one colour, the picture the
// clipboard holds, and the process's count of GDI objects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "sources/SearchSystem.h"
#include "tests/support/WineTestUtils.h"
#include "ui/Forms.h"

// A borderless window of one colour, shown in front at Bounds (screen coordinates).
class TColouredWindow : public TForm {
 public:
  TColouredWindow(COLORREF colour, RECT bounds) : TForm(nullptr) {
    BorderStyle = WS_POPUP;
    StayOnTop = true;
    SetColor(colour);
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  }
};

// What a capture holds for a colour: 0x00RRGGBB.
inline uint32_t PixelOf(COLORREF colour) {
  return (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

// The clipboard's device-independent bitmap of 32 bits, as a picture; empty when it holds none.
inline TCaptureImage ClipboardImage() {
  TCaptureImage image;
  const std::string dib = ClipboardData(CF_DIB);
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
  if (dib.size() < sizeof *header || header->biBitCount != 32 || header->biCompression != BI_RGB ||
      header->biHeight <= 0)
    return image;
  image.Width = header->biWidth;
  image.Height = header->biHeight;
  const auto* rows = reinterpret_cast<const uint32_t*>(dib.data() + header->biSize);
  for (int y = image.Height - 1; y >= 0; --y)
    for (int x = 0; x < image.Width; ++x) image.Pixels.push_back(rows[y * image.Width + x] & 0x00FFFFFF);
  return image;
}

// How many GDI objects this process holds. Wine answers 0 to GetGuiResources; there the
// process's table of GDI handles, which the PEB points at, is counted instead.
inline int GdiObjectCount() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(count);
#pragma pack(push, 1)
  struct TWineGdiEntry {
    uint64_t Object;
    uint32_t Owner;
    uint16_t Unique;
    uint8_t Type;  // 0: a free entry
    uint8_t Flags;
    uint64_t UserPointer;
  };
#pragma pack(pop)
  constexpr size_t GdiSharedHandleTableOffset = 0x94;  // in the 32-bit PEB
  using TGetPeb = const BYTE*(WINAPI*)();
  FARPROC entry = GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb");
  const auto getPeb = reinterpret_cast<TGetPeb>(reinterpret_cast<void*>(entry));
  const BYTE* peb = getPeb();
  const TWineGdiEntry* table;
  std::memcpy(&table, peb + GdiSharedHandleTableOffset, sizeof table);
  int count = 0;
  for (size_t i = 0; table && i < 0x10000; ++i) count += table[i].Type != 0;
  return count;
}
