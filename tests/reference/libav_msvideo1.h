#pragma once
// libavcodec's and libavformat's side of Microsoft Video 1, as independent checks of our encoder:
// its decoder, its own encoder, and AVI files. Pictures are 5-5-5 values in DIB row order
// (bottom row first), as our encoder keeps them.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace msvc1test {

// Everything libav* logged at warning level or worse since the last Take.
class LibavMessages {
 public:
  LibavMessages();  // starts collecting
  ~LibavMessages();
  std::string Take();
};

class Msvideo1Decoder {
 public:
  Msvideo1Decoder(int width, int height);
  ~Msvideo1Decoder();
  // Decodes one frame; returns the picture the decoder shows (15-bit values).
  std::vector<std::uint16_t> Decode(std::span<const std::uint8_t> frame);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// libavcodec's msvideo1 encoder.
class LibavMsvideo1Encoder {
 public:
  LibavMsvideo1Encoder(int width, int height, int keyFrameEvery);
  ~LibavMsvideo1Encoder();
  struct Packet {
    std::vector<std::uint8_t> bytes;
    bool keyFrame = false;
  };
  Packet Encode(const std::vector<std::uint16_t>& picture);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct StoredFrame {
  std::vector<std::uint8_t> bytes;
  bool keyFrame = false;
};

// Writes `frames` with libavformat's AVI muxer as an "MSVC" stream at `fps`; returns false on failure.
bool WriteAvi(const std::string& path, int width, int height, int fps, const std::vector<StoredFrame>& frames);
// The key-frame flags of the packets of the file's video stream, as the demuxer reports them.
std::vector<bool> ReadKeyFlags(const std::string& path);

}  // namespace msvc1test
