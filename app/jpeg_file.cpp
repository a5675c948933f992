#include "jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace app {
namespace {

struct ErrorManager {
  jpeg_error_mgr standard;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// libjpeg's default ends the process on an error; we return to the caller instead.
[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  errors->standard.format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void RgbRow(const StillImage& image, int y, std::vector<JSAMPLE>& rgb) {
  const std::uint8_t* src = image.Row(y);
  const std::size_t width = static_cast<std::size_t>(image.width);
  for (std::size_t x = 0; x < width; ++x) {
    std::uint8_t r = 0, g = 0, b = 0;
    if (image.bitsPerPixel == 32) {
      b = src[4 * x];
      g = src[4 * x + 1];
      r = src[4 * x + 2];
    } else if (image.bitsPerPixel == 24) {
      b = src[3 * x];
      g = src[3 * x + 1];
      r = src[3 * x + 2];
    } else if (image.bitsPerPixel == 16) {
      const unsigned v = src[2 * x] | unsigned(src[2 * x + 1]) << 8;
      r = std::uint8_t(((v >> 10) & 31) * 255 / 31);
      g = std::uint8_t(((v >> 5) & 31) * 255 / 31);
      b = std::uint8_t((v & 31) * 255 / 31);
    } else {
      const std::uint32_t entry = src[x] < image.palette.size() ? image.palette[src[x]] : 0;
      r = std::uint8_t(entry >> 16);
      g = std::uint8_t(entry >> 8);
      b = std::uint8_t(entry);
    }
    rgb[3 * x] = r;
    rgb[3 * x + 1] = g;
    rgb[3 * x + 2] = b;
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const StillImage& image) {
  jpeg_compress_struct info{};
  ErrorManager errors{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width) * 3);

  info.err = jpeg_std_error(&errors.standard);
  errors.standard.error_exit = OnJpegError;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw std::runtime_error(errors.message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < image.height; ++y) {
    RgbRow(image, y, row);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace app
