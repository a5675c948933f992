#include "camera/codec/compressor_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
}

#include "camera/codec/jpeg_frame_encoder.h"
#include "camera/codec/libav_frame_encoder.h"
#include "camera/codec/msvc1_frame_encoder.h"
#include "camera/codec/vfw_types.h"
#include "camera/codec/zmbv_frame_encoder.h"

namespace codec {
namespace {

// ---- quality mappings: 0..10000 onto each encoder's own control ----

// Fixed quantiser 2 (best) .. 31, halving the quality every 2500 steps down from 10000.
QualityControl QuantiserQuality(AVCodecContext* context, AVDictionary**, int quality) {
  const double qscale = 2.0 * std::pow(2.0, (10000 - quality) / 2500.0);
  const int q = std::clamp(static_cast<int>(std::lround(qscale)), 2, 31);
  context->flags |= AV_CODEC_FLAG_QSCALE;
  context->global_quality = q * FF_QP2LAMBDA;
  QualityControl control;
  control.frameQuality = context->global_quality;
  return control;
}

// Constant rate factor 6 (best) .. 51.
QualityControl RateFactorQuality(AVCodecContext*, AVDictionary** options, int quality) {
  const double crf = 6.0 + 45.0 * (10000 - quality) / 10000.0;
  av_dict_set(options, "crf", std::to_string(crf).c_str(), 0);
  return {};
}

// Cinepak weighs bits against error with a lambda: 32 (best) .. 8192, doubling every 1250 steps.
QualityControl LambdaQuality(AVCodecContext*, AVDictionary**, int quality) {
  const double lambda = 32.0 * std::pow(2.0, (10000 - quality) / 1250.0);
  QualityControl control;
  control.frameQuality = static_cast<int>(std::lround(lambda)) + 1;  // the encoder subtracts 1
  return control;
}

// ---- how each encoder is driven ----

const LibavRecipe kX264{AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P,
                        KeyFrameControl::PictureType, Threading::Always,
                        // No lookahead and no frame threads: one packet comes out per frame.
                        "tune=zerolatency:forced-idr=1", RateFactorQuality};
const LibavRecipe kMpeg4{AV_PIX_FMT_YUV420P,
                         AV_PIX_FMT_YUV420P,
                         AV_PIX_FMT_YUV420P,
                         AV_PIX_FMT_YUV420P,
                         KeyFrameControl::PictureType,
                         Threading::SlicesForLargeFrames,
                         "",
                         QuantiserQuality};
const LibavRecipe kUtvideo{AV_PIX_FMT_GBRP, AV_PIX_FMT_GBRP, AV_PIX_FMT_GBRP, AV_PIX_FMT_GBRP,
                           KeyFrameControl::EveryFrame};
const LibavRecipe kHuffyuv{AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24,
                           KeyFrameControl::EveryFrame};
const LibavRecipe kFfv1{AV_PIX_FMT_BGR0, AV_PIX_FMT_BGR0, AV_PIX_FMT_BGR0, AV_PIX_FMT_BGR0, KeyFrameControl::Reopen};
const LibavRecipe kPng{AV_PIX_FMT_PAL8, AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24,
                       KeyFrameControl::EveryFrame};
const LibavRecipe kCinepak{AV_PIX_FMT_RGB24,
                           AV_PIX_FMT_RGB24,
                           AV_PIX_FMT_RGB24,
                           AV_PIX_FMT_RGB24,
                           KeyFrameControl::Reopen,
                           Threading::None,
                           "",
                           LambdaQuality};

CompressorEntry Entry(std::uint32_t fourcc, const char* encoder, const char* description, AVCodecID codecId,
                      bool lossless, bool temporal, SizeRule sizes, const LibavRecipe& recipe,
                      std::vector<ChoiceSetting> settings = {}) {
  CompressorEntry entry;
  entry.fourcc = fourcc;
  entry.shortName = encoder;
  entry.ownDescription = description;
  entry.codecId = codecId;
  entry.lossless = lossless;
  entry.temporal = temporal;
  entry.sizes = sizes;
  entry.settings = std::move(settings);
  entry.makeEncoder = MakeLibavEncoder;
  entry.recipe = &recipe;
  return entry;
}

// An entry coded by an encoder of our own or one over another library than libavcodec; it reads
// quality 0..10000 and its settings itself.
CompressorEntry OwnEntry(std::uint32_t fourcc, const char* name, AVCodecID codecId, bool lossless, bool temporal,
                         SizeRule sizes, EncoderFactory makeEncoder, const char* description, const char* encoderName,
                         std::vector<ChoiceSetting> settings = {}) {
  CompressorEntry entry;
  entry.fourcc = fourcc;
  entry.shortName = name;
  entry.codecId = codecId;
  entry.lossless = lossless;
  entry.temporal = temporal;
  entry.sizes = sizes;
  entry.settings = std::move(settings);
  entry.makeEncoder = makeEncoder;
  entry.ownDescription = description;
  entry.ownEncoderName = encoderName;
  return entry;
}

// The table, in compressor-number order. Size rules are what the encoders (and the decoders of
// their streams) take; the codec tests check each rule against the real encoder.
// clang-format off: one entry to a paragraph, its settings below it
std::vector<CompressorEntry> Table() {
  const SizeRule any{};
  const SizeRule even{2, 2};
  const SizeRule blocksOf4{4, 4};
  const SizeRule mpeg4Sizes{1, 1, 8191};  // 13-bit picture sizes in the stream header
  return {
      // Video 1 by our own encoder, built for screens: libavcodec's takes a tenth of a second and
      // more for a full-HD frame.
      OwnEntry(mmioFOURCC('M', 'S', 'V', 'C'), "msvideo1", AV_CODEC_ID_MSVIDEO1, false, true, blocksOf4,
               MakeMsvc1Encoder, "Video 1 (fast, large files)", "Video 1, coded for screens"),
      // ZMBV by our own encoder too: libavcodec's searches motion over every changed block and must
      // be reopened for each key frame the stream asks for.
      OwnEntry(mmioFOURCC('Z', 'M', 'B', 'V'), "zmbv", AV_CODEC_ID_ZMBV, true, true, any, MakeZmbvEncoder,
               "ZMBV (lossless, screens)", "Zip Motion Blocks Video, coded for screens",
               {{"Compression",
                 "compression_level",
                 {{"Fastest", "1"}, {"Balanced", "4"}, {"Default", "6"}, {"Smallest", "9"}},
                 0,
                 "Higher levels make smaller files but take longer over each frame."}}),
      // Motion JPEG by libjpeg-turbo: about twice as fast on one core as libavcodec's encoder, which
      // above full HD needs slice threads and with them a worst-case packet of 100 MB and more.
      OwnEntry(mmioFOURCC('M', 'J', 'P', 'G'), "mjpeg", AV_CODEC_ID_MJPEG, false, false, any, MakeJpegEncoder,
               "Motion JPEG (fast)", "Motion JPEG, coded by libjpeg-turbo"),
      Entry(mmioFOURCC('H', '2', '6', '4'), "libx264", "H.264 (small, plays anywhere)", AV_CODEC_ID_H264, false, true,
            even, kX264,
            {{"Speed",
              "preset",
              {{"Ultra fast", "ultrafast"},
               {"Super fast", "superfast"},
               {"Very fast", "veryfast"},
               {"Faster", "faster"},
               {"Fast", "fast"},
               {"Medium", "medium"}},
              0,
              "Faster presets keep up with high frame rates; slower ones make smaller files."}}),
      Entry(mmioFOURCC('F', 'M', 'P', '4'), "mpeg4", "MPEG-4 Part 2 (small)", AV_CODEC_ID_MPEG4, false, true,
            mpeg4Sizes, kMpeg4),
      Entry(mmioFOURCC('U', 'L', 'R', 'G'), "utvideo", "Ut Video (lossless, fast)", AV_CODEC_ID_UTVIDEO, true, false,
            any, kUtvideo,
            {{"Prediction",
              "pred",
              {{"None", "none"}, {"Left", "left"}, {"Median", "median"}},
              1,
              "Median makes the smallest files; None is the fastest."}}),
      Entry(mmioFOURCC('H', 'F', 'Y', 'U'), "huffyuv", "Huffyuv (lossless, fast)", AV_CODEC_ID_HUFFYUV, true, false,
            any, kHuffyuv,
            {{"Prediction",
              "pred",
              {{"Left", "left"}, {"Plane", "plane"}},
              0,
              "Plane makes smaller files of shaded pictures; Left is faster."}}),
      Entry(mmioFOURCC('F', 'F', 'V', '1'), "ffv1", "FFV1 (lossless, smaller)", AV_CODEC_ID_FFV1, true, true, any,
            kFfv1,
            {{"Entropy coder",
              "coder",
              {{"Golomb-Rice", "rice"}, {"Range coder", "range_def"}},
              0,
              "The range coder makes smaller files; Golomb-Rice is faster."}}),
      Entry(mmioFOURCC('M', 'P', 'N', 'G'), "png", "PNG (lossless, slow)", AV_CODEC_ID_PNG, true, false, any, kPng,
            {{"Prediction",
              "pred",
              {{"None", "none"},
               {"Sub", "sub"},
               {"Up", "up"},
               {"Average", "avg"},
               {"Paeth", "paeth"},
               {"Mixed", "mixed"}},
              0,
              "Paeth and Mixed make the smallest files; None is the fastest."}}),
      Entry(mmioFOURCC('c', 'v', 'i', 'd'), "cinepak", "Cinepak (old players)", AV_CODEC_ID_CINEPAK, false, true,
            blocksOf4, kCinepak),
  };
}
// clang-format on

std::u16string Utf16(const char* text) {
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  return out;
}

void DescribeOwnEncoder(CompressorEntry& entry) {
  entry.encoderName = Utf16(entry.ownEncoderName ? entry.ownEncoderName : entry.shortName);
  entry.description = entry.ownDescription ? Utf16(entry.ownDescription) : entry.encoderName;
  entry.driver = u"Vorlix";
}

std::deque<CompressorEntry> BuildInstalled() {
  // Encoders report to stderr what a user cannot act on; failures come back as results.
  av_log_set_level(AV_LOG_ERROR);
  std::deque<CompressorEntry> installed;
  for (CompressorEntry& entry : Table()) {
    if (!entry.recipe) {
      DescribeOwnEncoder(entry);
      installed.push_back(std::move(entry));
      continue;
    }
    const AVCodec* encoder = avcodec_find_encoder_by_name(entry.shortName);
    if (!encoder) continue;
    entry.encoderName = Utf16(encoder->long_name ? encoder->long_name : encoder->name);
    entry.description = entry.ownDescription ? Utf16(entry.ownDescription) : entry.encoderName;
    const unsigned version = avcodec_version();
    entry.driver = Utf16(("libavcodec " + std::string(entry.shortName) + " " + std::to_string(version >> 16) + "." +
                          std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF))
                             .c_str());
    installed.push_back(std::move(entry));
  }
  return installed;
}

std::uint32_t LowerFourcc(std::uint32_t fourcc) {
  std::uint32_t out = 0;
  for (int i = 0; i < 4; ++i)
    out |= static_cast<std::uint32_t>(std::tolower(static_cast<int>((fourcc >> (8 * i)) & 0xFF))) << (8 * i);
  return out;
}

// A deque, so that an entry installed later moves none of the others: open compressors point at
// their entries.
std::deque<CompressorEntry>& MutableInstalled() {
  static std::deque<CompressorEntry> installed = BuildInstalled();
  return installed;
}

}  // namespace

const std::deque<CompressorEntry>& InstalledCompressors() { return MutableInstalled(); }

void InstallCompressor(CompressorEntry entry) {
  if (!entry.recipe) DescribeOwnEncoder(entry);
  MutableInstalled().push_back(std::move(entry));
}

const CompressorEntry* FindInstalledCompressor(std::uint32_t fourcc) {
  for (const CompressorEntry& entry : InstalledCompressors())
    if (LowerFourcc(entry.fourcc) == LowerFourcc(fourcc)) return &entry;
  return nullptr;
}

bool TakesFormat(const CompressorEntry& entry, const DibFormat& format) {
  return entry.sizes.Accepts(format.width, format.height);
}

std::string FourccText(std::uint32_t fourcc) {
  std::string text;
  for (int i = 0; i < 4; ++i) text.push_back(static_cast<char>((fourcc >> (8 * i)) & 0xFF));
  return text;
}

}  // namespace codec
