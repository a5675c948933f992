#pragma once
// What the adapters of our own encoders (Video 1, ZMBV) share behind FrameEncoder: both coders
// take a frame in two steps, make a key frame when asked and say so by throwing when they fail.
#include <exception>
#include <memory>

#include "camera/codec/frame_encoder.h"

namespace codec {

// Codes the frame `coder` has loaded, a key frame when `keyFrame` demands one.
template <typename Coder>
bool CodeLoadedFrame(Coder& coder, bool keyFrame, EncodedFrame& out) {
  try {
    if (keyFrame) coder.ForceKeyFrame();
    const auto coded = coder.EncodeLoaded();
    out.bytes = coded.bytes;
    out.keyFrame = coded.keyFrame;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The adapter for `setup`, or nullptr where the coder cannot take its frames: a depth other than
// 8, 16, 24 (widened to 32) or 32 bits, a size the coder refuses, no memory for its buffers.
template <typename Adapter, typename Coder>
std::unique_ptr<FrameEncoder> MakeOwnEncoder(const EncoderSetup& setup) {
  const int bits = setup.input.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  if (!Coder::AcceptsSize(setup.input.width, setup.input.height)) return nullptr;
  try {
    return std::make_unique<Adapter>(setup);
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace codec
