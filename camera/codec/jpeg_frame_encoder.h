#pragma once
// The "MJPG" entry's encoder: each frame a baseline JPEG picture (4:2:0, full-range BT.601, as
// JFIF has it) coded by libjpeg-turbo from planes converted by libyuv. One core codes a 4K frame
// in about 13 ms, with no buffer larger than the frame's own planes and its JPEG.
#include <memory>

#include "camera/codec/compressor_table.h"
#include "camera/codec/frame_encoder.h"

namespace codec {

// Quality 0..10000 scales JPEG's standard quantisation tables from 400 % down to 25 %, halving
// them every 2500 steps. nullptr for a depth other than 8, 16, 24 or 32 bits per pixel.
std::unique_ptr<FrameEncoder> MakeJpegEncoder(const CompressorEntry& entry, const EncoderSetup& setup);

}  // namespace codec
