#pragma once
// Frame encoders backed by libavcodec, with the input converted by libyuv (B,G,R,0 to 4:2:0) or
// libswscale (the rest). Internal to the codec services: nothing outside camera/codec/ sees
// FFmpeg.
#include <memory>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "camera/codec/compressor_table.h"
#include "camera/codec/frame_encoder.h"

struct AVCodecContext;
struct AVDictionary;

namespace codec {

// How an encoder is made to give a key frame at the position the stream asks for.
enum class KeyFrameControl {
  PictureType,  // it honours a frame marked as intra
  Reopen,       // it only counts frames itself: it is reopened, which starts with a key frame
  EveryFrame,   // every frame it makes is a key frame
};

// Whether an encoder splits a frame over the cores.
enum class Threading {
  None,
  // libavcodec's MPEG-family encoders: in slices only for frames above full HD. Coding in slices
  // makes them reserve and clear a worst-case packet of about 3 KB a macroblock (27 MB at full HD,
  // 108 MB at 4K), while one core codes a full-HD frame in a few milliseconds.
  SlicesForLargeFrames,
  Always,  // the encoder's own threads (x264's): no such cost
};

// What a quality mapping sets besides the encoder's options.
struct QualityControl {
  int frameQuality = 0;  // AVFrame::quality of every frame (0: unset)
};
// Maps quality 0..10000 onto the encoder's own control.
using QualityMapping = QualityControl (*)(AVCodecContext* context, AVDictionary** options, int quality);

struct LibavRecipe {
  // The pixel format the encoder is fed, per input depth 8, 16, 24 and 32 bits.
  AVPixelFormat from8, from16, from24, from32;
  KeyFrameControl keys = KeyFrameControl::PictureType;
  Threading threading = Threading::None;
  const char* fixedOptions = "";  // "name=value:name=value"
  QualityMapping quality = nullptr;

  AVPixelFormat FedFormat(int bitsPerPixel) const;
};

// Opens the entry's libavcodec encoder for `setup`; nullptr when the encoder refuses it.
std::unique_ptr<FrameEncoder> MakeLibavEncoder(const CompressorEntry& entry, const EncoderSetup& setup);

}  // namespace codec
