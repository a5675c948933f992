#pragma once
// libavcodec's side of ZMBV, as independent checks of our encoder: its decoder and its own
// encoder. Pictures are DIB rows (bottom row first); decoded pictures are 0x00RRGGBB per pixel in
// the same order. libav* messages are collected with msvc1test::LibavMessages (libav_msvideo1.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zmbvtest {

class ZmbvDecoder {
 public:
  ZmbvDecoder(int width, int height, int bitsPerCodedSample);
  ~ZmbvDecoder();
  struct Picture {
    std::vector<std::uint32_t> colours;  // 0x00RRGGBB, bottom row first
    bool keyFrame = false;
  };
  // Decodes one frame; throws std::runtime_error when the decoder refuses it.
  Picture Decode(std::span<const std::uint8_t> frame);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// libavcodec's zmbv encoder on 32-bit DIBs (B,G,R,x), coded as 32-bit ZMBV; `level` is its
// compression_level, the motion search its default. It makes frames 0, N, 2N, ... key frames for
// `keyFrameEvery` N.
class LibavZmbvEncoder {
 public:
  LibavZmbvEncoder(int width, int height, int level, int keyFrameEvery);
  ~LibavZmbvEncoder();
  struct Packet {
    std::vector<std::uint8_t> bytes;
    bool keyFrame = false;
  };
  Packet Encode(const std::uint8_t* dib, std::size_t stride);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zmbvtest
