#pragma once
// A ZMBV (Zip Motion Blocks Video) encoder built for screen content: a key frame is the whole
// picture, any other frame a motion vector per 16x16 block and the XOR of the blocks that changed,
// all through one zlib stream that restarts at key frames. Lossless. The output is what
// libavcodec's zmbv decoder reads, in the format of the input's depth (8, 15 or 32 bits).
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zmbv {

struct EncodedFrame {
  std::span<const std::uint8_t> bytes;  // valid until the next Encode call
  bool keyFrame = false;
};

class ZmbvEncoder {
 public:
  // Any size from 1x1 up to 16384 on a side: blocks at the right and bottom edges are cut short.
  static bool AcceptsSize(int width, int height);

  // `bitsPerPixel` is the depth of every frame's DIB: 8 (indices into a palette of 256 entries of
  // 0x00RRGGBB), 16 (x-5-5-5) or 32 (B,G,R,x bytes). `level` is zlib's compression level 0..9
  // (clamped). `keyFrameEvery` N makes frames 0, N, 2N, ... key frames; N <= 0 only the first.
  // Throws std::invalid_argument for sizes AcceptsSize refuses and other depths.
  ZmbvEncoder(int width, int height, int bitsPerPixel, int level, int keyFrameEvery);
  ~ZmbvEncoder();
  ZmbvEncoder(const ZmbvEncoder&) = delete;
  ZmbvEncoder& operator=(const ZmbvEncoder&) = delete;

  // Encodes one frame given as DIB rows, bottom row first, `stride` bytes apart, at the depth
  // given to the constructor. Throws std::invalid_argument for a null picture, a missing palette
  // at 8 bits or a stride shorter than a row; std::runtime_error when zlib fails.
  EncodedFrame Encode(const std::uint8_t* dibBits, std::size_t stride, const std::uint32_t* palette = nullptr);

  // Encode in two steps: Load takes the picture (the caller's rows are not read after it returns),
  // EncodeLoaded codes it. The next frame's Load may run on another thread while EncodeLoaded
  // codes this one, and waits there until that frame no longer reads the picture before it; each
  // Load is followed by one EncodeLoaded (a second Load before it would wait for ever).
  void Load(const std::uint8_t* dibBits, std::size_t stride, const std::uint32_t* palette = nullptr);
  EncodedFrame EncodeLoaded();

  // Makes the next frame a key frame, whatever the count says.
  void ForceKeyFrame() { keyFrameForced_ = true; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  // What a decoder must be told of the stream: 8, 16 (for the 15-bit format) or 32.
  int BitsPerCodedSample() const { return bitsPerPixel_; }

 private:
  struct Deflater;
  // One loaded frame in coded form: rows top first, as ZMBV stores them.
  struct Source {
    std::vector<std::uint8_t> pixels;
    std::array<std::uint8_t, 768> palette{};  // R,G,B bytes, 8 bits per pixel only
  };

  std::size_t CodeInter(const Source& current, const Source& previous, bool& paletteChanged);

  int width_, height_, bitsPerPixel_;
  int level_;
  int keyFrameEvery_;
  int blocksWide_, blocksHigh_;
  std::size_t bytesPerPixel_, rowBytes_;
  std::size_t vectorBytes_;  // two a block, padded to a multiple of 4
  std::int64_t frameNumber_ = 0;
  std::atomic<std::int64_t> framesLoaded_{0};  // written by Load only
  // Frames whose coding no longer reads the picture before them: written by EncodeLoaded only.
  std::atomic<std::int64_t> framesPastCompare_{0};
  bool keyFrameForced_ = false;
  // Frame n is in n % 2. Frame n + 1 loads into the picture that frame n is compared with, so its
  // Load waits until that compare is over: a short pass before the deflate, which it overlaps.
  std::array<Source, 2> sources_;
  std::unique_ptr<std::uint8_t[]> inter_;  // an inter frame before deflate: palette XOR, vectors, XOR blocks
  std::vector<std::uint8_t> output_;
  std::unique_ptr<Deflater> deflater_;
};

}  // namespace zmbv
