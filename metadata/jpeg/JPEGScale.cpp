#include "metadata/jpeg/JPEGScale.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <jpeglib.h>

#include "core/Persistent.h"

namespace vmx {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// to the call into the library (a C++ exception cannot pass through its C frames).
struct TJumpingErrors {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX] = "";
};

void JumpBack(j_common_ptr info) {
  auto* errors = reinterpret_cast<TJumpingErrors*>(info->err);
  (*info->err->format_message)(info, errors->Message);
  std::longjmp(errors->Jump, 1);
}

void Quietly(j_common_ptr) {}  // warnings about damaged data are no reason to print anything

jpeg_error_mgr* InstallErrors(TJumpingErrors& errors) {
  jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = JumpBack;
  errors.Manager.output_message = Quietly;
  return &errors.Manager;
}

struct TPixels {
  std::vector<uint8_t> Data;
  int Width = 0, Height = 0, Components = 0;
};

// Decodes at the smallest of libjpeg's scales (1/1 to 1/8) that still covers the wanted size.
bool Decode(std::span<const uint8_t> jpeg, int minWidth, int minHeight, TPixels& image, TJumpingErrors& errors) {
  jpeg_decompress_struct info{};
  info.err = InstallErrors(errors);
  if (setjmp(errors.Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  info.scale_num = 1;
  for (unsigned denom = 8; denom > 1; denom /= 2)
    if (info.image_width / denom >= static_cast<unsigned>(minWidth) &&
        info.image_height / denom >= static_cast<unsigned>(minHeight)) {
      info.scale_denom = denom;
      break;
    }
  jpeg_start_decompress(&info);
  image.Width = static_cast<int>(info.output_width);
  image.Height = static_cast<int>(info.output_height);
  image.Components = info.output_components;
  image.Data.resize(static_cast<size_t>(image.Width) * image.Height * image.Components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.Data.data() + static_cast<size_t>(info.output_scanline) * image.Width * image.Components;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

TPixels Stretch(const TPixels& source, int width, int height) {
  TPixels result{std::vector<uint8_t>(static_cast<size_t>(width) * height * source.Components), width, height,
                 source.Components};
  const int components = source.Components;
  for (int y = 0; y < height; ++y) {
    const int top = y * source.Height / height, bottom = std::max(top + 1, (y + 1) * source.Height / height);
    for (int x = 0; x < width; ++x) {
      const int left = x * source.Width / width, right = std::max(left + 1, (x + 1) * source.Width / width);
      for (int c = 0; c < components; ++c) {
        unsigned sum = 0;
        for (int sy = top; sy < bottom; ++sy)
          for (int sx = left; sx < right; ++sx)
            sum += source.Data[(static_cast<size_t>(sy) * source.Width + sx) * components + c];
        const unsigned count = static_cast<unsigned>((bottom - top) * (right - left));
        result.Data[(static_cast<size_t>(y) * width + x) * components + c] =
            static_cast<uint8_t>((sum + count / 2) / count);
      }
    }
  }
  return result;
}

bool Encode(const TPixels& image, int quality, std::vector<uint8_t>& jpeg, TJumpingErrors& errors) {
  jpeg_compress_struct info{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  info.err = InstallErrors(errors);
  if (setjmp(errors.Jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.Width);
  info.image_height = static_cast<JDIMENSION>(image.Height);
  info.input_components = image.Components;
  info.in_color_space = image.Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(image.Data.data() +
                                    static_cast<size_t>(info.next_scanline) * image.Width * image.Components);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  jpeg.assign(buffer, buffer + size);
  std::free(buffer);
  return true;
}

}  // namespace

std::vector<uint8_t> ScaleJPEG(std::span<const uint8_t> jpeg, int width, int height, int quality) {
  if (width <= 0 || height <= 0)
    throw Exception("Cannot scale an image to " + std::to_string(width) + " x " + std::to_string(height));
  TJumpingErrors errors;
  TPixels image;
  std::vector<uint8_t> result;
  if (!Decode(jpeg, width, height, image, errors) || !Encode(Stretch(image, width, height), quality, result, errors))
    throw Exception(std::string("Cannot scale the JPEG image: ") + errors.Message);
  return result;
}

}  // namespace vmx
