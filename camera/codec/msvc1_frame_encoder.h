#pragma once
// The "MSVC" entry's encoder: our own Video 1 encoder (camera/codec/msvc1/) behind FrameEncoder.
#include <memory>

#include "camera/codec/compressor_table.h"
#include "camera/codec/frame_encoder.h"

namespace codec {

// nullptr when Video 1 cannot code frames of setup.input (sides not multiples of 4, or a depth
// other than 8, 16, 24 or 32 bits per pixel).
std::unique_ptr<FrameEncoder> MakeMsvc1Encoder(const CompressorEntry& entry, const EncoderSetup& setup);

}  // namespace codec
