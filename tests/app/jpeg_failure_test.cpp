// A JPEG encoding that fails once libjpeg has moved its output into a larger block: the still is
// refused with libjpeg's message, and every block is freed exactly once. libjpeg's own failures
// at that point (out of memory, a broken state) cannot be caused from outside, so this program's
// link puts one in place of jpeg_finish_compress (-Wl,--wrap).
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "app/jpeg_file.h"

extern "C" void __wrap_jpeg_finish_compress(j_compress_ptr info) {
  info->err->msg_code = JERR_OUT_OF_MEMORY;
  info->err->msg_parm.i[0] = 0;
  info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

namespace {

TEST(JpegFile, AFailureAfterTheOutputGrewIsReportedAndFreesItsBlocksOnce) {
  // Noise compresses badly: far more than libjpeg's first output block of 4 KiB.
  app::StillImage image;
  image.width = image.height = 256;
  image.bitsPerPixel = 32;
  image.stride = image.width * 4;
  image.bits.resize(static_cast<std::size_t>(image.stride) * image.height);
  std::uint32_t state = 12345;
  for (auto& byte : image.bits) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  try {
    app::EncodeJpeg(image);
    FAIL() << "a failed encoding gave a file";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("memory"), std::string::npos) << error.what();
  }
}

}  // namespace
