#include "camera/codec/jpeg_frame_encoder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "camera/codec/yuv420_conversion.h"

namespace codec {
namespace {

constexpr int kBlock = DCTSIZE;           // 8 samples a side
constexpr int kRowsPerCall = 2 * kBlock;  // luma rows of one 4:2:0 block row

int RoundUp(int value, int multiple) { return (value + multiple - 1) / multiple * multiple; }

// JPEG's standard tables are scaled by this percentage: 25 % at quality 10000, doubling every
// 2500 steps down to 400 % at 0.
int TableScale(int quality) {
  const double scale = 25.0 * std::pow(2.0, (10000 - std::clamp(quality, 0, 10000)) / 2500.0);
  return static_cast<int>(std::lround(scale));
}

struct ErrorManager {
  jpeg_error_mgr standard;
  std::jmp_buf jump;
};

// libjpeg's default ends the process on an error; the frame fails instead.
[[noreturn]] void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

// A destination that writes into a vector the encoder keeps, grown as frames need: most frames
// take a small part of the picture's size, and the vector keeps its size for the next one.
struct VectorDestination {
  jpeg_destination_mgr manager;
  std::vector<std::uint8_t>* bytes;
  std::size_t used;

  static VectorDestination* Of(j_compress_ptr info) { return reinterpret_cast<VectorDestination*>(info->dest); }
  static void Init(j_compress_ptr info) {
    VectorDestination* self = Of(info);
    self->manager.next_output_byte = self->bytes->data();
    self->manager.free_in_buffer = self->bytes->size();
  }
  // Called with the buffer full.
  static boolean Grow(j_compress_ptr info) {
    VectorDestination* self = Of(info);
    const std::size_t full = self->bytes->size();
    self->bytes->resize(full * 2);
    self->manager.next_output_byte = self->bytes->data() + full;
    self->manager.free_in_buffer = full;
    return TRUE;
  }
  static void Term(j_compress_ptr info) {
    VectorDestination* self = Of(info);
    self->used = self->bytes->size() - self->manager.free_in_buffer;
  }
};

// One loaded frame as 4:2:0 planes, each row padded to whole 8-sample blocks with its last sample
// repeated: libjpeg reads whole blocks.
struct Planes {
  std::array<std::vector<std::uint8_t>, 3> samples;
  std::array<int, 3> strides{};
};

class JpegFrameEncoder final : public FrameEncoder {
 public:
  explicit JpegFrameEncoder(const EncoderSetup& setup) : input_(setup.input) {
    const int width = input_.width, height = input_.height;
    const int sides[3][2] = {{width, height}, {(width + 1) / 2, (height + 1) / 2}, {(width + 1) / 2, (height + 1) / 2}};
    for (Planes& planes : pictures_) {
      for (std::size_t i = 0; i < 3; ++i) {
        planes.strides[i] = RoundUp(sides[i][0], kBlock);
        planes.samples[i].resize(static_cast<std::size_t>(planes.strides[i]) * static_cast<std::size_t>(sides[i][1]));
      }
    }
    output_.resize(std::max<std::size_t>(4096, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) / 8));

    info_.err = jpeg_std_error(&errors_.standard);
    errors_.standard.error_exit = OnJpegError;
    destination_.manager.init_destination = VectorDestination::Init;
    destination_.manager.empty_output_buffer = VectorDestination::Grow;
    destination_.manager.term_destination = VectorDestination::Term;
    destination_.bytes = &output_;
    if (setjmp(errors_.jump)) {
      jpeg_destroy_compress(&info_);
      throw std::bad_alloc();
    }
    jpeg_create_compress(&info_);
    created_ = true;
    info_.dest = &destination_.manager;
    info_.image_width = static_cast<JDIMENSION>(width);
    info_.image_height = static_cast<JDIMENSION>(height);
    info_.input_components = 3;
    info_.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&info_);
    info_.raw_data_in = TRUE;
    info_.comp_info[0].h_samp_factor = info_.comp_info[0].v_samp_factor = 2;
    for (int i = 1; i < 3; ++i) info_.comp_info[i].h_samp_factor = info_.comp_info[i].v_samp_factor = 1;
    jpeg_set_linear_quality(&info_, TableScale(setup.quality), TRUE);
  }

  ~JpegFrameEncoder() override {
    if (created_) jpeg_destroy_compress(&info_);
  }
  JpegFrameEncoder(const JpegFrameEncoder&) = delete;
  JpegFrameEncoder& operator=(const JpegFrameEncoder&) = delete;

  bool Load(const std::uint8_t* dibBits) override {
    if (!dibBits) return false;
    std::size_t stride = input_.Stride();
    if (input_.bitsPerPixel != 32) {
      WidenTo32Bits(input_, dibBits, widened_);
      dibBits = widened_.data();
      stride = static_cast<std::size_t>(input_.width) * 4;
    }
    Planes& planes = pictures_[static_cast<std::size_t>(framesLoaded_.load() % 2)];
    // DIB rows come bottom first.
    const std::uint8_t* topRow = dibBits + stride * static_cast<std::size_t>(input_.height - 1);
    std::uint8_t* const data[3] = {planes.samples[0].data(), planes.samples[1].data(), planes.samples[2].data()};
    if (!Bgr0ToYuv420(topRow, -static_cast<std::ptrdiff_t>(stride), input_.width, input_.height, true, data,
                      planes.strides.data()))
      return false;
    RepeatRightEdges(planes);
    ++framesLoaded_;
    return true;
  }

  bool Code(bool, EncodedFrame& out) override {
    if (framesCoded_ >= framesLoaded_.load()) return false;  // nothing loaded
    const Planes& planes = pictures_[static_cast<std::size_t>(framesCoded_ % 2)];
    ++framesCoded_;
    if (!CodePlanes(planes)) return false;
    out.bytes = std::span<const std::uint8_t>(output_.data(), destination_.used);
    out.keyFrame = true;
    return true;
  }

  // Three 8-bit components.
  int BitsPerCodedSample() const override { return 24; }

 private:
  void RepeatRightEdges(Planes& planes) const {
    const int widths[3] = {input_.width, (input_.width + 1) / 2, (input_.width + 1) / 2};
    for (std::size_t i = 0; i < 3; ++i) {
      const auto stride = static_cast<std::size_t>(planes.strides[i]);
      const auto width = static_cast<std::size_t>(widths[i]);
      if (width == stride) continue;
      for (std::uint8_t* row = planes.samples[i].data(); row < planes.samples[i].data() + planes.samples[i].size();
           row += stride)
        std::fill(row + width, row + stride, row[width - 1]);
    }
  }

  // No object with a destructor lives here: a libjpeg error jumps back over this frame.
  bool CodePlanes(const Planes& planes) {
    if (setjmp(errors_.jump)) {
      jpeg_abort_compress(&info_);
      return false;
    }
    jpeg_start_compress(&info_, TRUE);
    const int heights[3] = {input_.height, (input_.height + 1) / 2, (input_.height + 1) / 2};
    std::array<JSAMPROW, kRowsPerCall> rows[3];
    JSAMPARRAY blockRows[3] = {rows[0].data(), rows[1].data(), rows[2].data()};
    for (int top = 0; top < input_.height; top += kRowsPerCall) {
      for (std::size_t i = 0; i < 3; ++i) {
        const int first = i == 0 ? top : top / 2;
        const int count = i == 0 ? kRowsPerCall : kRowsPerCall / 2;
        // Rows below the picture repeat its last row, as whole blocks need them.
        for (int j = 0; j < count; ++j) {
          const int y = std::min(first + j, heights[i] - 1);
          rows[i][static_cast<std::size_t>(j)] = const_cast<JSAMPROW>(
              planes.samples[i].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(planes.strides[i]));
        }
      }
      jpeg_write_raw_data(&info_, blockRows, kRowsPerCall);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

  DibFormat input_;
  std::vector<std::uint8_t> widened_;
  // Frame n is in n % 2, so that the next frame loads while this one is coded.
  std::array<Planes, 2> pictures_;
  std::atomic<std::int64_t> framesLoaded_{0};  // written by Load only
  std::int64_t framesCoded_ = 0;               // by Code only
  jpeg_compress_struct info_{};
  ErrorManager errors_{};
  VectorDestination destination_{};
  std::vector<std::uint8_t> output_;
  bool created_ = false;
};

}  // namespace

std::unique_ptr<FrameEncoder> MakeJpegEncoder(const CompressorEntry&, const EncoderSetup& setup) {
  const int bits = setup.input.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  try {
    return std::make_unique<JpegFrameEncoder>(setup);
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace codec
