#pragma once
// A Microsoft Video 1 encoder (16-bit mode) built for screen content: unchanged 4x4 blocks become
// skip runs, flat blocks one-colour blocks, the rest two-colour or eight-colour blocks.
// The output is what libavcodec's msvideo1 decoder and the classic Video 1 decoders read
// (bits per coded sample 16, FOURCC "MSVC" or "CRAM").
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "camera/codec/msvc1/band_workers.h"
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
  // frames 0, N, 2N, ... key frames; N <= 0 makes only the first frame one. `threads` code bands
  // of a large frame side by side (0: one per core); the bytes are the same for any number.
  Msvc1Encoder(int width, int height, int quality, int keyFrameEvery, int threads = 0);

  // Encodes one frame given as DIB rows, bottom row first, `stride` bytes apart:
  // 32 bpp (B,G,R,x bytes), 16 bpp (x-5-5-5) or 8 bpp (indices into `palette`, 256 entries of
  // 0x00RRGGBB). Throws std::invalid_argument for other depths, a missing palette, a null
  // picture or a stride shorter than a row.
  EncodedFrame Encode(const std::uint8_t* dibBits, std::size_t stride, int dibBitsPerPixel,
                      const std::uint32_t* palette = nullptr);

  // Encode in two steps: Load takes the picture (as Encode does; the caller's rows are not read
  // after it returns), EncodeLoaded codes it. The next frame's Load may run on another thread
  // while EncodeLoaded codes this one; each Load is followed by one EncodeLoaded.
  void Load(const std::uint8_t* dibBits, std::size_t stride, int dibBitsPerPixel,
            const std::uint32_t* palette = nullptr);
  EncodedFrame EncodeLoaded();

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
  // One band's code: skip runs at its edges are left to the join, which merges them with the
  // neighbours' so that the frame's bytes do not depend on where bands begin.
  struct BandCode {
    std::vector<std::uint8_t> bytes;  // worst-case size; `end` of it used (not for a whole frame)
    std::size_t end = 0;
    std::int64_t leadingSkips = 0;   // before the first coded block (all, when none is coded)
    std::int64_t trailingSkips = 0;  // after the last coded block
    bool anyCoded = false;
  };

  void ConvertStrip(const std::uint8_t* dibBits, std::size_t stride, int bitsPerPixel, int strip,
                    std::uint16_t* out) const;
  // Codes strips [firstStrip, endStrip) at `begin`. A band that is the whole frame writes its
  // edge skips itself.
  void CodeBand(int firstStrip, int endStrip, bool key, const std::uint16_t* current, const std::uint16_t* previous,
                std::uint8_t* begin, bool wholeFrame, BandCode& code);

  int width_, height_;
  int quality_;
  int keyFrameEvery_;
  Thresholds thresholds_;
  std::int64_t frameNumber_ = 0;
  std::atomic<std::int64_t> framesLoaded_{0};  // written by Load only
  bool keyFrameForced_ = false;
  // Sources in 5-5-5, used in turn: frame n is in n % 3, so that a Load never writes the picture
  // being coded nor the one it is compared with.
  std::array<std::vector<std::uint16_t>, 3> sources_;
  std::vector<std::uint16_t> recon_;  // what the decoder shows
  std::vector<std::uint16_t> paletteColours_;
  std::vector<std::uint8_t> output_;
  std::vector<BandCode> bands_;
  std::unique_ptr<BandWorkers> workers_;      // EncodeLoaded's
  std::unique_ptr<BandWorkers> loadWorkers_;  // Load's: it may run beside EncodeLoaded
};

}  // namespace msvc1
