#include "jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
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

// One compression: libjpeg's state and the output block jpeg_mem_dest allocates, both freed once
// whichever way the compression ends.
struct Compression {
  struct FreeBlock {
    void operator()(unsigned char* block) const { std::free(block); }
  };

  Compression() = default;
  ~Compression() { jpeg_destroy_compress(&info); }
  Compression(const Compression&) = delete;
  Compression& operator=(const Compression&) = delete;

  // libjpeg moves its output into a larger block as it grows, freeing the smaller one itself, and
  // says which block holds the output only when its destination is ended. Ends it (once more does
  // no harm) and takes that block over.
  void TakeOutput() {
    if (!output) return;  // jpeg_mem_dest never returned: there is no block
    info.dest->term_destination(&info);
    static_cast<void>(output.release());  // the same block, or one libjpeg has freed
    output.reset(buffer);
  }

  jpeg_compress_struct info{};
  ErrorManager errors{};
  unsigned char* buffer = nullptr;  // where jpeg_mem_dest reports its block
  unsigned long size = 0;
  std::unique_ptr<unsigned char, FreeBlock> output;  // the block, from the moment it exists
};

// libjpeg's errors jump back into this function: nothing here may need destroying. False, with
// libjpeg's message, when the encoding failed.
bool Compress(const StillImage& image, Compression& job, std::vector<JSAMPLE>& row) {
  job.info.err = jpeg_std_error(&job.errors.standard);
  job.errors.standard.error_exit = OnJpegError;
  if (setjmp(job.errors.jump)) return false;
  jpeg_create_compress(&job.info);
  jpeg_mem_dest(&job.info, &job.buffer, &job.size);
  job.output.reset(job.buffer);
  job.info.image_width = static_cast<JDIMENSION>(image.width);
  job.info.image_height = static_cast<JDIMENSION>(image.height);
  job.info.input_components = 3;
  job.info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job.info);
  jpeg_set_quality(&job.info, 90, TRUE);
  jpeg_start_compress(&job.info, TRUE);
  for (int y = 0; y < image.height; ++y) {
    RgbRow(image, y, row);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&job.info, rows, 1);
  }
  jpeg_finish_compress(&job.info);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const StillImage& image) {
  std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width) * 3);
  Compression job;
  const bool compressed = Compress(image, job, row);
  job.TakeOutput();
  if (!compressed) throw std::runtime_error(job.errors.message);
  return std::vector<std::uint8_t>(job.output.get(), job.output.get() + job.size);
}

}  // namespace app
