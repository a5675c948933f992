#pragma once
// A Microsoft Video 1 encoder (16-bit mode) built for screen content: unchanged 4x4 blocks become
// skip runs, flat blocks one-colour blocks, the rest two-colour or eight-colour blocks.
// The output is what libavcodec's msvideo1 decoder and the classic Video 1 decoders read
// (bits per coded sample 16, FOURCC "MSVC" or "CRAM").
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "camera/codec/msvc1/block_coder.h"

namespace msvc1 {

struct EncodedFrame {
  std::span<const std::uint8_t> bytes;  // valid until the next Encode call
  bool keyFrame = false;
};

class Msvc1Encoder {
 public:
  // Video 1 works on whole 4x4 blocks, so both sides must be positive multiples of 4.
  static bool AcceptsSize(int width, int height);

  // Throws std::invalid_argument for sizes AcceptsSize refuses. `quality` 0..10000 (values
  // outside are clamped): 10000 codes flat and two-colour blocks exactly. `keyFrameEvery` N makes
  // frames 0, N, 2N, ... key frames; N <= 0 makes only the first frame one.
  Msvc1Encoder(int width, int height, int quality, int keyFrameEvery);

  // Encodes one frame given as DIB rows, bottom row first, `stride` bytes apart:
  // 32 bpp (B,G,R,x bytes), 16 bpp (x-5-5-5) or 8 bpp (indices into `palette`, 256 entries of
  // 0x00RRGGBB). Throws std::invalid_argument for other depths, a missing palette, a null
  // picture or a stride shorter than a row.
  EncodedFrame Encode(const std::uint8_t* dibBits, std::size_t stride, int dibBitsPerPixel,
                      const std::uint32_t* palette = nullptr);

  // Makes the next frame a key frame, whatever the count says.
  void ForceKeyFrame() { keyFrameForced_ = true; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Quality() const { return quality_; }
  int KeyFrameEvery() const { return keyFrameEvery_; }
  // The picture a decoder shows after the last frame: 5-5-5 values, DIB row order.
  const std::vector<std::uint16_t>& Reconstruction() const { return recon_; }

  // Worst-case size of one compressed frame, in bytes.
  std::size_t MaxFrameBytes() const { return output_.size(); }

 private:
  void ConvertStrip(const std::uint8_t* dibBits, std::size_t stride, int bitsPerPixel, int strip,
                    std::uint16_t* out) const;

  int width_, height_;
  int quality_;
  int keyFrameEvery_;
  Thresholds thresholds_;
  std::int64_t frameNumber_ = 0;
  bool keyFrameForced_ = false;
  std::vector<std::uint16_t> current_;   // this frame's source in 5-5-5
  std::vector<std::uint16_t> previous_;  // the last frame's source in 5-5-5
  std::vector<std::uint16_t> recon_;     // what the decoder shows
  std::vector<std::uint16_t> paletteColours_;
  std::vector<std::uint8_t> output_;
};

}  // namespace msvc1
