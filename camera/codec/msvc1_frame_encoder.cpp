#include "camera/codec/msvc1_frame_encoder.h"

#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#include "camera/codec/msvc1/msvc1_encoder.h"

namespace codec {
namespace {

// Video 1 in 16-bit mode: decoders pick that mode from the stream format's bit count.
constexpr int kCodedBitsPerSample = 16;

class Msvc1FrameEncoder final : public FrameEncoder {
 public:
  explicit Msvc1FrameEncoder(const EncoderSetup& setup)
      : input_(setup.input), quality_(setup.quality), stride_(setup.input.Stride()) {
    // Key frames come when the stream asks for them (by position), never by the encoder's count.
    encoder_.emplace(input_.width, input_.height, quality_, 0);
    if (input_.bitsPerPixel == 24)
      widened_.resize(static_cast<std::size_t>(input_.width) * static_cast<std::size_t>(input_.height) * 4);
  }

  bool Load(const std::uint8_t* dibBits) override {
    if (!dibBits) return false;
    try {
      switch (input_.bitsPerPixel) {
        case 8: encoder_->Load(dibBits, stride_, 8, input_.palette.data()); break;
        case 24: encoder_->Load(Widen24(dibBits), static_cast<std::size_t>(input_.width) * 4, 32); break;
        default: encoder_->Load(dibBits, stride_, input_.bitsPerPixel); break;
      }
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  bool Code(bool keyFrame, EncodedFrame& out) override {
    try {
      if (keyFrame) encoder_->ForceKeyFrame();
      const msvc1::EncodedFrame coded = encoder_->EncodeLoaded();
      out.bytes = coded.bytes;
      out.keyFrame = coded.keyFrame;
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  int BitsPerCodedSample() const override { return kCodedBitsPerSample; }

 private:
  // B,G,R rows to B,G,R,0 rows, which the encoder reads.
  const std::uint8_t* Widen24(const std::uint8_t* dibBits) {
    std::uint8_t* out = widened_.data();
    for (int y = 0; y < input_.height; ++y) {
      const std::uint8_t* row = dibBits + static_cast<std::size_t>(y) * stride_;
      for (int x = 0; x < input_.width; ++x, out += 4, row += 3) {
        out[0] = row[0];
        out[1] = row[1];
        out[2] = row[2];
        out[3] = 0;
      }
    }
    return widened_.data();
  }

  DibFormat input_;
  int quality_;
  std::size_t stride_;
  std::optional<msvc1::Msvc1Encoder> encoder_;
  std::vector<std::uint8_t> widened_;
};

}  // namespace

std::unique_ptr<FrameEncoder> MakeMsvc1Encoder(const CompressorEntry&, const EncoderSetup& setup) {
  const int bits = setup.input.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  if (!msvc1::Msvc1Encoder::AcceptsSize(setup.input.width, setup.input.height)) return nullptr;
  try {
    return std::make_unique<Msvc1FrameEncoder>(setup);
  } catch (const std::exception&) {  // no memory for a picture this large
    return nullptr;
  }
}

}  // namespace codec
