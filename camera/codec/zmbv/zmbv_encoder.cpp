#include "camera/codec/zmbv/zmbv_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zmbv {
namespace {

constexpr int kMaxSide = 16384;
constexpr int kBlockSide = 16;
constexpr std::size_t kPaletteBytes = 768;

// The first byte of every frame.
constexpr std::uint8_t kKeyFrameFlag = 1;
constexpr std::uint8_t kPaletteChangedFlag = 2;  // an inter frame starts with the palette's XOR
// What follows the flags on a key frame: version 0.1, zlib, the pixel format, the block size.
constexpr std::uint8_t kVersionHigh = 0, kVersionLow = 1;
constexpr std::uint8_t kZlibCompression = 1;
constexpr std::size_t kKeyHeaderBytes = 7;

std::uint8_t FormatCode(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8: return 4;
    case 16: return 5;  // 15 bits: x-5-5-5, as the DIB has it
    default: return 8;  // 32 bits: B,G,R,x
  }
}

// A vector's two bytes: each component shifted left by one; bit 0 of the first says that XOR
// data follows for the block.
constexpr std::uint8_t kXorFollows = 1;

}  // namespace

struct ZmbvEncoder::Deflater {
  z_stream stream{};
  explicit Deflater(int level) {
    if (deflateInit(&stream, level) != Z_OK) throw std::runtime_error("zlib: deflateInit failed");
  }
  ~Deflater() { deflateEnd(&stream); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Deflates `bytes` onto the end of `out` (growing it when needed), `used` bytes of which are
  // taken. The frame's last piece flushes, so that the decoder gets the whole frame from it.
  void Add(const std::uint8_t* bytes, std::size_t size, bool last, std::vector<std::uint8_t>& out, std::size_t& used) {
    stream.next_in = const_cast<std::uint8_t*>(bytes);
    stream.avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_SYNC_FLUSH : Z_NO_FLUSH;
    for (;;) {
      if (used == out.size()) out.resize(out.size() + out.size() / 2 + 64);
      stream.next_out = out.data() + used;
      stream.avail_out = static_cast<uInt>(out.size() - used);
      const int result = deflate(&stream, flush);
      used = out.size() - stream.avail_out;
      if (result != Z_OK && result != Z_BUF_ERROR) throw std::runtime_error("zlib: deflate failed");
      // Done when everything is in and, for a flush, nothing is left inside for want of room.
      if (stream.avail_in == 0 && stream.avail_out != 0) return;
    }
  }
};

bool ZmbvEncoder::AcceptsSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

ZmbvEncoder::ZmbvEncoder(int width, int height, int bitsPerPixel, int level, int keyFrameEvery)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      level_(std::clamp(level, 0, 9)),
      keyFrameEvery_(keyFrameEvery) {
  if (!AcceptsSize(width, height)) throw std::invalid_argument("ZMBV takes sides of 1 to 16384 pixels");
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32)
    throw std::invalid_argument("ZMBV takes 32, 16 or 8 bits per pixel");
  blocksWide_ = (width + kBlockSide - 1) / kBlockSide;
  blocksHigh_ = (height + kBlockSide - 1) / kBlockSide;
  bytesPerPixel_ = static_cast<std::size_t>(bitsPerPixel) / 8;
  rowBytes_ = static_cast<std::size_t>(width) * bytesPerPixel_;
  const std::size_t pictureBytes = rowBytes_ * static_cast<std::size_t>(height);
  for (Source& source : sources_) source.pixels.assign(pictureBytes, 0);
  const std::size_t blocks = static_cast<std::size_t>(blocksWide_) * static_cast<std::size_t>(blocksHigh_);
  vectorBytes_ = (blocks * 2 + 3) & ~std::size_t{3};
  // Sized for a frame that changes everywhere, but left unwritten: a frame takes memory only for
  // the blocks it changes.
  inter_.reset(new std::uint8_t[kPaletteBytes + vectorBytes_ + pictureBytes]);
  // Grows when a frame needs more; most need a small part of the picture's size.
  output_.assign(kKeyHeaderBytes + pictureBytes / 8 + 64, 0);
  deflater_ = std::make_unique<Deflater>(level_);
}

ZmbvEncoder::~ZmbvEncoder() = default;

EncodedFrame ZmbvEncoder::Encode(const std::uint8_t* dibBits, std::size_t stride, const std::uint32_t* palette) {
  Load(dibBits, stride, palette);
  return EncodeLoaded();
}

void ZmbvEncoder::Load(const std::uint8_t* dibBits, std::size_t stride, const std::uint32_t* palette) {
  if (!dibBits) throw std::invalid_argument("no picture to encode");
  if (bitsPerPixel_ == 8 && !palette) throw std::invalid_argument("an 8-bit picture needs its palette");
  if (stride < rowBytes_) throw std::invalid_argument("row stride shorter than a row");
  const std::int64_t frame = framesLoaded_.load();
  // The frame before must be past its compare with the picture this one replaces.
  for (std::int64_t past = framesPastCompare_.load(); past < frame; past = framesPastCompare_.load())
    framesPastCompare_.wait(past);
  Source& source = sources_[static_cast<std::size_t>(frame % 2)];
  if (bitsPerPixel_ == 8)
    for (std::size_t i = 0; i < 256; ++i) {
      source.palette[3 * i] = static_cast<std::uint8_t>(palette[i] >> 16);
      source.palette[3 * i + 1] = static_cast<std::uint8_t>(palette[i] >> 8);
      source.palette[3 * i + 2] = static_cast<std::uint8_t>(palette[i]);
    }
  const std::size_t width = static_cast<std::size_t>(width_);
  for (int y = 0; y < height_; ++y) {
    // DIB rows come bottom first; ZMBV's top first.
    const std::uint8_t* row = dibBits + static_cast<std::size_t>(height_ - 1 - y) * stride;
    std::uint8_t* out = source.pixels.data() + static_cast<std::size_t>(y) * rowBytes_;
    // The unused bits are cleared, so that they never count as a change nor cost bytes.
    switch (bitsPerPixel_) {
      case 32:
        for (std::size_t x = 0; x < width; ++x) {
          std::uint32_t v;
          std::memcpy(&v, row + 4 * x, 4);
          v &= 0x00FFFFFFu;
          std::memcpy(out + 4 * x, &v, 4);
        }
        break;
      case 16:
        for (std::size_t x = 0; x < width; ++x) {
          std::uint16_t v;
          std::memcpy(&v, row + 2 * x, 2);
          v &= 0x7FFFu;
          std::memcpy(out + 2 * x, &v, 2);
        }
        break;
      default: std::memcpy(out, row, rowBytes_); break;
    }
  }
  ++framesLoaded_;
}

std::size_t ZmbvEncoder::CodeInter(const Source& current, const Source& previous, bool& paletteChanged) {
  std::uint8_t* out = inter_.get();
  paletteChanged = bitsPerPixel_ == 8 && current.palette != previous.palette;
  if (paletteChanged) {
    for (std::size_t i = 0; i < kPaletteBytes; ++i) *out++ = current.palette[i] ^ previous.palette[i];
  }
  std::uint8_t* vectors = out;
  std::memset(vectors, 0, vectorBytes_);
  out += vectorBytes_;

  const std::size_t blockRowBytes = kBlockSide * bytesPerPixel_;
  for (int by = 0; by < blocksHigh_; ++by) {
    const int top = by * kBlockSide;
    const int rows = std::min(kBlockSide, height_ - top);
    const std::size_t stripStart = static_cast<std::size_t>(top) * rowBytes_;
    const std::uint8_t* cur = current.pixels.data() + stripStart;
    const std::uint8_t* prev = previous.pixels.data() + stripStart;
    // Rows of a strip lie back to back, so one compare covers a still strip.
    if (std::memcmp(cur, prev, rowBytes_ * static_cast<std::size_t>(rows)) == 0) continue;
    for (int bx = 0; bx < blocksWide_; ++bx) {
      const std::size_t left = static_cast<std::size_t>(bx) * blockRowBytes;
      const std::size_t bytes = std::min(blockRowBytes, rowBytes_ - left);
      int changedFrom = rows;
      for (int j = 0; j < rows; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * rowBytes_ + left;
        if (std::memcmp(cur + at, prev + at, bytes) != 0) {
          changedFrom = j;
          break;
        }
      }
      if (changedFrom == rows) continue;
      vectors[2 * static_cast<std::size_t>(by * blocksWide_ + bx)] = kXorFollows;
      // Rows above the first change XOR to zero.
      std::memset(out, 0, static_cast<std::size_t>(changedFrom) * bytes);
      out += static_cast<std::size_t>(changedFrom) * bytes;
      for (int j = changedFrom; j < rows; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * rowBytes_ + left;
        for (std::size_t i = 0; i < bytes; ++i) out[i] = cur[at + i] ^ prev[at + i];
        out += bytes;
      }
    }
  }
  return static_cast<std::size_t>(out - inter_.get());
}

EncodedFrame ZmbvEncoder::EncodeLoaded() {
  if (frameNumber_ >= framesLoaded_) throw std::logic_error("no picture loaded");
  const bool key = frameNumber_ == 0 || keyFrameForced_ || (keyFrameEvery_ > 0 && frameNumber_ % keyFrameEvery_ == 0);
  keyFrameForced_ = false;
  const Source& current = sources_[static_cast<std::size_t>(frameNumber_ % 2)];
  const Source& previous = sources_[static_cast<std::size_t>((frameNumber_ + 1) % 2)];
  auto releasePrevious = [this] {
    framesPastCompare_.store(frameNumber_ + 1);
    framesPastCompare_.notify_all();
  };

  std::size_t used = 0;
  if (key) {
    const std::uint8_t header[kKeyHeaderBytes] = {
        kKeyFrameFlag, kVersionHigh, kVersionLow, kZlibCompression, FormatCode(bitsPerPixel_), kBlockSide, kBlockSide};
    std::memcpy(output_.data(), header, kKeyHeaderBytes);
    used = kKeyHeaderBytes;
    // The decoder restarts its inflater at every key frame.
    releasePrevious();
    if (deflateReset(&deflater_->stream) != Z_OK) throw std::runtime_error("zlib: deflateReset failed");
    if (bitsPerPixel_ == 8) deflater_->Add(current.palette.data(), kPaletteBytes, false, output_, used);
    deflater_->Add(current.pixels.data(), current.pixels.size(), true, output_, used);
  } else {
    bool paletteChanged = false;
    const std::size_t size = CodeInter(current, previous, paletteChanged);
    releasePrevious();
    output_[0] = paletteChanged ? kPaletteChangedFlag : 0;
    used = 1;
    deflater_->Add(inter_.get(), size, true, output_, used);
  }
  ++frameNumber_;
  return EncodedFrame{std::span<const std::uint8_t>(output_.data(), used), key};
}

}  // namespace zmbv
