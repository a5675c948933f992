#include "camera/codec/zmbv_frame_encoder.h"

#include <charconv>
#include <exception>
#include <optional>
#include <string>
#include <vector>

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
    if (input_.bitsPerPixel == 24)
      widened_.resize(static_cast<std::size_t>(input_.width) * static_cast<std::size_t>(input_.height) * 4);
  }

  bool Load(const std::uint8_t* dibBits) override {
    if (!dibBits) return false;
    try {
      switch (input_.bitsPerPixel) {
        case 8: encoder_->Load(dibBits, stride_, input_.palette.data()); break;
        case 24: encoder_->Load(Widen24(dibBits), static_cast<std::size_t>(input_.width) * 4); break;
        default: encoder_->Load(dibBits, stride_); break;
      }
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  bool Code(bool keyFrame, EncodedFrame& out) override {
    try {
      if (keyFrame) encoder_->ForceKeyFrame();
      const zmbv::EncodedFrame coded = encoder_->EncodeLoaded();
      out.bytes = coded.bytes;
      out.keyFrame = coded.keyFrame;
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  int BitsPerCodedSample() const override { return encoder_->BitsPerCodedSample(); }

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
  std::size_t stride_;
  std::optional<zmbv::ZmbvEncoder> encoder_;
  std::vector<std::uint8_t> widened_;
};

}  // namespace

std::unique_ptr<FrameEncoder> MakeZmbvEncoder(const CompressorEntry&, const EncoderSetup& setup) {
  const int bits = setup.input.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  if (!zmbv::ZmbvEncoder::AcceptsSize(setup.input.width, setup.input.height)) return nullptr;
  try {
    return std::make_unique<ZmbvFrameEncoder>(setup);
  } catch (const std::exception&) {  // no memory for a picture this large
    return nullptr;
  }
}

}  // namespace codec
