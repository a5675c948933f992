#pragma once
// The "ZMBV" entry's encoder: our own ZMBV encoder (camera/codec/zmbv/) behind FrameEncoder.
#include <memory>

#include "camera/codec/compressor_table.h"
#include "camera/codec/frame_encoder.h"

namespace codec {

// The entry's "compression_level" setting (in setup.settings) is zlib's level; 1 without it.
// nullptr for a depth other than 8, 16, 24 or 32 bits per pixel, or a size ZMBV does not take.
std::unique_ptr<FrameEncoder> MakeZmbvEncoder(const CompressorEntry& entry, const EncoderSetup& setup);

}  // namespace codec
