#include "camera/codec/msvc1/msvc1_encoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "camera/codec/msvc1/pixel_conversion.h"

namespace msvc1 {
namespace {

constexpr int kMaxSide = 16384;
// Bands smaller than this cost more in hand-over than they gain.
constexpr int kMinStripsPerBand = 32;

// One row of a block: four 5-5-5 pixels.
inline std::uint64_t LoadRow(const std::uint16_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline bool SameBlock(const std::uint16_t* a, const std::uint16_t* b, std::size_t rowPitch) {
  return ((LoadRow(a) ^ LoadRow(b)) | (LoadRow(a + rowPitch) ^ LoadRow(b + rowPitch)) |
          (LoadRow(a + 2 * rowPitch) ^ LoadRow(b + 2 * rowPitch)) |
          (LoadRow(a + 3 * rowPitch) ^ LoadRow(b + 3 * rowPitch))) == 0;
}

}  // namespace

bool Msvc1Encoder::AcceptsSize(int width, int height) {
  return width > 0 && height > 0 && width % 4 == 0 && height % 4 == 0 && width <= kMaxSide && height <= kMaxSide;
}

Msvc1Encoder::Msvc1Encoder(int width, int height, int quality, int keyFrameEvery, int threads)
    : width_(width),
      height_(height),
      quality_(std::clamp(quality, 0, 10000)),
      keyFrameEvery_(keyFrameEvery),
      thresholds_(ThresholdsForQuality(quality_)) {
  if (!AcceptsSize(width, height))
    throw std::invalid_argument("Microsoft Video 1 needs a width and height that are multiples of 4");
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (auto& source : sources_) source.assign(pixels, 0);
  recon_.assign(pixels, 0);
  paletteColours_.assign(256, 0);
  // Every block coded at its largest, then the end-of-frame code.
  output_.assign(pixels / 16 * kMaxBlockBytes + 2, 0);
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::clamp(threads, 1, std::max(1, height / 4 / kMinStripsPerBand));
  workers_ = std::make_unique<BandWorkers>(threads);
  loadWorkers_ = std::make_unique<BandWorkers>(threads);
  bands_.resize(static_cast<std::size_t>(threads));
  if (threads > 1) {
    const std::size_t stripBlocks = static_cast<std::size_t>(width) / 4;
    const std::size_t mostStrips = static_cast<std::size_t>((height / 4 + threads - 1) / threads);
    for (BandCode& band : bands_) band.bytes.assign(mostStrips * stripBlocks * kMaxBlockBytes, 0);
  }
}

void Msvc1Encoder::ConvertStrip(const std::uint8_t* dibBits, std::size_t stride, int bitsPerPixel, int strip,
                                std::uint16_t* out) const {
  for (std::size_t y = 0; y < 4; ++y) {
    const std::uint8_t* row = dibBits + (static_cast<std::size_t>(strip) * 4 + y) * stride;
    std::uint16_t* dst = out + y * static_cast<std::size_t>(width_);
    switch (bitsPerPixel) {
      case 32: ConvertBgrx32(row, width_, dst); break;
      case 16: ConvertRgb555(row, width_, dst); break;
      default: ConvertIndexed8(row, width_, paletteColours_.data(), dst); break;
    }
  }
}

EncodedFrame Msvc1Encoder::Encode(const std::uint8_t* dibBits, std::size_t stride, int dibBitsPerPixel,
                                  const std::uint32_t* palette) {
  Load(dibBits, stride, dibBitsPerPixel, palette);
  return EncodeLoaded();
}

void Msvc1Encoder::Load(const std::uint8_t* dibBits, std::size_t stride, int dibBitsPerPixel,
                        const std::uint32_t* palette) {
  if (!dibBits) throw std::invalid_argument("no picture to encode");
  if (dibBitsPerPixel != 32 && dibBitsPerPixel != 16 && dibBitsPerPixel != 8)
    throw std::invalid_argument("Microsoft Video 1 takes 32, 16 or 8 bits per pixel");
  if (dibBitsPerPixel == 8 && !palette) throw std::invalid_argument("an 8-bit picture needs its palette");
  if (stride < static_cast<std::size_t>(width_) * static_cast<std::size_t>(dibBitsPerPixel) / 8)
    throw std::invalid_argument("row stride shorter than a row");
  if (dibBitsPerPixel == 8)
    for (std::size_t i = 0; i < 256; ++i) paletteColours_[i] = Rgb555FromRgb(palette[i]);
  std::uint16_t* source = sources_[static_cast<std::size_t>(framesLoaded_ % 3)].data();
  const std::size_t stripPixels = 4 * static_cast<std::size_t>(width_);
  const int strips = height_ / 4;
  const int bands = loadWorkers_->Threads();
  loadWorkers_->Run(bands, [&](int band) {
    for (int strip = strips * band / bands; strip < strips * (band + 1) / bands; ++strip)
      ConvertStrip(dibBits, stride, dibBitsPerPixel, strip, source + static_cast<std::size_t>(strip) * stripPixels);
  });
  ++framesLoaded_;
}

void Msvc1Encoder::CodeBand(int firstStrip, int endStrip, bool key, const std::uint16_t* currentFrame,
                            const std::uint16_t* previousFrame, std::uint8_t* begin, bool wholeFrame, BandCode& code) {
  const std::size_t pitch = static_cast<std::size_t>(width_);
  const std::size_t stripPixels = 4 * pitch;
  std::uint8_t* out = begin;
  std::int64_t skipRun = 0;
  code.anyCoded = false;
  code.leadingSkips = 0;

  for (int strip = firstStrip; strip < endStrip; ++strip) {
    const std::size_t stripStart = static_cast<std::size_t>(strip) * stripPixels;
    const std::uint16_t* current = currentFrame + stripStart;
    const std::uint16_t* previous = previousFrame + stripStart;
    std::uint16_t* recon = recon_.data() + stripStart;
    // The four rows of a strip lie back to back, so one compare covers a still strip.
    if (!key && std::memcmp(current, previous, stripPixels * sizeof(std::uint16_t)) == 0) {
      skipRun += width_ / 4;
      continue;
    }
    for (std::size_t x = 0; x < pitch; x += 4) {
      if (!key) {
        // Same source as last time: the decoder already shows what we chose for it then.
        if (SameBlock(current + x, previous + x, pitch)) {
          ++skipRun;
          continue;
        }
        if (BlockError(current + x, recon + x, pitch) <= thresholds_.skip) {
          ++skipRun;
          continue;
        }
      }
      if (code.anyCoded || wholeFrame) out = WriteSkips(skipRun, out);
      else code.leadingSkips = skipRun;
      code.anyCoded = true;
      skipRun = 0;
      out = CodeBlock(current + x, pitch, thresholds_, out, recon + x);
    }
  }
  code.trailingSkips = 0;
  if (wholeFrame) out = WriteSkips(skipRun, out);
  else if (code.anyCoded) code.trailingSkips = skipRun;
  else code.leadingSkips = skipRun;
  code.end = static_cast<std::size_t>(out - begin);
}

EncodedFrame Msvc1Encoder::EncodeLoaded() {
  if (frameNumber_ >= framesLoaded_) throw std::logic_error("no picture loaded");
  const bool key = frameNumber_ == 0 || keyFrameForced_ || (keyFrameEvery_ > 0 && frameNumber_ % keyFrameEvery_ == 0);
  keyFrameForced_ = false;
  const std::uint16_t* current = sources_[static_cast<std::size_t>(frameNumber_ % 3)].data();
  const std::uint16_t* previous = sources_[static_cast<std::size_t>((frameNumber_ + 2) % 3)].data();
  const int strips = height_ / 4;
  const int bands = static_cast<int>(bands_.size());
  std::uint8_t* out = output_.data();

  if (bands == 1) {
    BandCode& only = bands_[0];
    CodeBand(0, strips, key, current, previous, out, true, only);
    out += only.end;
  } else {
    workers_->Run(bands, [&](int band) {
      const int first = strips * band / bands;
      const int end = strips * (band + 1) / bands;
      BandCode& code = bands_[static_cast<std::size_t>(band)];
      CodeBand(first, end, key, current, previous, code.bytes.data(), false, code);
    });
    std::int64_t carried = 0;
    for (int band = 0; band < bands; ++band) {
      const BandCode& code = bands_[static_cast<std::size_t>(band)];
      if (!code.anyCoded) {
        carried += code.leadingSkips;
        continue;
      }
      out = WriteSkips(carried + code.leadingSkips, out);
      std::memcpy(out, code.bytes.data(), code.end);
      out += code.end;
      carried = code.trailingSkips;
    }
    out = WriteSkips(carried, out);
  }
  // End-of-frame code: libavcodec ignores it, other Video 1 decoders may look for it.
  *out++ = 0;
  *out++ = 0;

  ++frameNumber_;
  return EncodedFrame{std::span<const std::uint8_t>(output_.data(), static_cast<std::size_t>(out - output_.data())),
                      key};
}

}  // namespace msvc1
