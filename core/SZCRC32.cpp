#include "core/SZCRC32.h"

uint32_t Crc32Update(const void* buffer, std::ptrdiff_t length, uint32_t crc) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (std::ptrdiff_t i = 0; i < length; ++i) crc = Crc32Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint32_t Crc32OfBuffer(const void* buffer, std::ptrdiff_t length) { return ~Crc32Update(buffer, length, Crc32Seed); }
