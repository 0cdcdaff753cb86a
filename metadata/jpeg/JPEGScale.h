// JPEG decoding and encoding over libjpeg, for shrinking Exif thumbnails. It is a library of
// its own: a program that only reads Exif data does not link a JPEG codec.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vmx {

// Decodes a JPEG image, stretches it to Width x Height pixels (averaging the pixels each new
// one covers) and encodes it with Quality (1..100). Raises an Exception with libjpeg's
// message when the data cannot be decoded. Fits TExifData::ThumbnailScaler.
std::vector<uint8_t> ScaleJPEG(std::span<const uint8_t> jpeg, int width, int height, int quality);

}  // namespace vmx
