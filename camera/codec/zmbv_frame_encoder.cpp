#include "camera/codec/zmbv_frame_encoder.h"

#include <charconv>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "camera/codec/own_frame_encoder.h"
#include "camera/codec/zmbv/zmbv_encoder.h"

namespace codec {
namespace {

constexpr const char* kLevelSetting = "compression_level";
constexpr int kDefaultLevel = 1;  // the entry's first choice: recording at full frame rates needs speed

int LevelFrom(const EncoderSetup& setup) {
  int level = kDefaultLevel;
  for (const auto& [name, value] : setup.settings) {
    if (name != kLevelSetting) continue;
    int parsed = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error == std::errc() && end == value.data() + value.size()) level = parsed;
  }
  return level;
}

class ZmbvFrameEncoder final : public FrameEncoder {
 public:
  explicit ZmbvFrameEncoder(const EncoderSetup& setup) : input_(setup.input), stride_(setup.input.Stride()) {
    // 24-bit frames are widened to 32 bits: ZMBV's 24-bit format is one few decoders take.
    const int coded = input_.bitsPerPixel == 24 ? 32 : input_.bitsPerPixel;
    // Key frames come when the stream asks for them (by position), never by the encoder's count.
    encoder_.emplace(input_.width, input_.height, coded, LevelFrom(setup), 0);
  }

  bool Load(const std::uint8_t* dibBits) override {
    if (!dibBits) return false;
    try {
      switch (input_.bitsPerPixel) {
        case 8: encoder_->Load(dibBits, stride_, input_.palette.data()); break;
        case 24: encoder_->Load(Widened(dibBits), static_cast<std::size_t>(input_.width) * 4); break;
        default: encoder_->Load(dibBits, stride_); break;
      }
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  bool Code(bool keyFrame, EncodedFrame& out) override { return CodeLoadedFrame(*encoder_, keyFrame, out); }

  int BitsPerCodedSample() const override { return encoder_->BitsPerCodedSample(); }

 private:
  const std::uint8_t* Widened(const std::uint8_t* dibBits) {
    WidenTo32Bits(input_, dibBits, widened_);
    return widened_.data();
  }

  DibFormat input_;
  std::size_t stride_;
  std::optional<zmbv::ZmbvEncoder> encoder_;
  std::vector<std::uint8_t> widened_;
};

}  // namespace

std::unique_ptr<FrameEncoder> MakeZmbvEncoder(const CompressorEntry&, const EncoderSetup& setup) {
  return MakeOwnEncoder<ZmbvFrameEncoder, zmbv::ZmbvEncoder>(setup);
}

}  // namespace codec
