// The standard CRC-32 of ISO 3309 / IEEE 802.3: reflected, polynomial 0xEDB88320, initial
// value 0xFFFFFFFF, final complement. The three letters "abc" give 0x352441C2.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr uint32_t Crc32Seed = 0xFFFFFFFF;

using TCrc32Table = std::array<uint32_t, 256>;

// For each byte value n: start from n and, 8 times, shift right by one bit and XOR with the
// polynomial when the bit shifted out was 1.
constexpr TCrc32Table BuildCrc32Table() {
  TCrc32Table table{};
  for (uint32_t n = 0; n < table.size(); ++n) {
    uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    table[n] = crc;
  }
  return table;
}

// Built by the compiler: it exists before any code runs.
inline constexpr TCrc32Table Crc32Table = BuildCrc32Table();

// Continues Crc over Length bytes of Buffer; a Length below 1 returns Crc unchanged.
uint32_t Crc32Update(const void* buffer, std::ptrdiff_t length, uint32_t crc);

// The finished checksum of Length bytes of Buffer.
uint32_t Crc32OfBuffer(const void* buffer, std::ptrdiff_t length);
