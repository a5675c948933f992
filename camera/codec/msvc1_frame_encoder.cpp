#include "camera/codec/msvc1_frame_encoder.h"

#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#include "camera/codec/msvc1/msvc1_encoder.h"
#include "camera/codec/own_frame_encoder.h"

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
  }

  bool Load(const std::uint8_t* dibBits) override {
    if (!dibBits) return false;
    try {
      switch (input_.bitsPerPixel) {
        case 8: encoder_->Load(dibBits, stride_, 8, input_.palette.data()); break;
        case 24: encoder_->Load(Widened(dibBits), static_cast<std::size_t>(input_.width) * 4, 32); break;
        default: encoder_->Load(dibBits, stride_, input_.bitsPerPixel); break;
      }
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  bool Code(bool keyFrame, EncodedFrame& out) override { return CodeLoadedFrame(*encoder_, keyFrame, out); }

  int BitsPerCodedSample() const override { return kCodedBitsPerSample; }

 private:
  const std::uint8_t* Widened(const std::uint8_t* dibBits) {
    WidenTo32Bits(input_, dibBits, widened_);
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
  return MakeOwnEncoder<Msvc1FrameEncoder, msvc1::Msvc1Encoder>(setup);
}

}  // namespace codec
