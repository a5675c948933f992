#pragma once
// What a compressor entry needs from whatever does its encoding: one object per stream that turns
// DIB frames into coded frames. libav_frame_encoder.h drives libavcodec encoders through it; an
// encoder of our own plugs in the same way (see compressor_table.cpp).
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "camera/codec/dib_format.h"

namespace codec {

struct EncoderSetup {
  DibFormat input;           // every frame comes in this format
  int quality = 7500;        // 0..10000
  int rate = 10, scale = 1;  // frames per second = rate / scale
  // The entry's settings as the configuration dialog left them: option name and value.
  std::vector<std::pair<std::string, std::string>> settings;
};

struct EncodedFrame {
  std::span<const std::uint8_t> bytes;  // valid until the next Code call
  bool keyFrame = false;                // decodes without earlier frames
};

class FrameEncoder {
 public:
  virtual ~FrameEncoder() = default;

  // Takes one frame: `dibBits` holds input.ImageSize() bytes of rows, bottom row first, which
  // are not read after the call returns (the encoder keeps what it needs in its own form).
  // False when the frame cannot be taken.
  virtual bool Load(const std::uint8_t* dibBits) = 0;

  // Codes the frame loaded last. `keyFrame` demands a frame that decodes alone; without it the
  // encoder may still make one. Exactly one coded frame comes out per call. False when the
  // encoder failed.
  // The next frame's Load may run on another thread while Code runs; two Loads or two Codes
  // never overlap, and each Load is followed by one Code.
  virtual bool Code(bool keyFrame, EncodedFrame& out) = 0;

  // Load and Code in one.
  bool Encode(const std::uint8_t* dibBits, bool keyFrame, EncodedFrame& out) {
    return Load(dibBits) && Code(keyFrame, out);
  }

  // What the stream format must tell a decoder: bits per coded sample (biBitCount of the
  // stream's format) and the codec's private data (stored after the format's header).
  virtual int BitsPerCodedSample() const = 0;
  virtual std::span<const std::uint8_t> CodecPrivateData() const { return {}; }
};

}  // namespace codec
