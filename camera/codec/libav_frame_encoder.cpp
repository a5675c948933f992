#include "camera/codec/libav_frame_encoder.h"

#include <array>
#include <atomic>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "camera/codec/yuv420_conversion.h"

namespace codec {

AVPixelFormat LibavRecipe::FedFormat(int bitsPerPixel) const {
  switch (bitsPerPixel) {
    case 8: return from8;
    case 16: return from16;
    case 24: return from24;
    default: return from32;
  }
}

namespace {

// The DIB pixel layouts: 8-bit indices, x-5-5-5 little-endian words, B,G,R and B,G,R,0 bytes.
AVPixelFormat DibPixelFormat(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8: return AV_PIX_FMT_PAL8;
    case 16: return AV_PIX_FMT_RGB555LE;
    case 24: return AV_PIX_FMT_BGR24;
    default: return AV_PIX_FMT_BGR0;
  }
}

bool IsYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
  return descriptor && !(descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) &&
         descriptor->nb_components >= 3;
}

bool IsFullRangeYuv(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

// Count-based key-frame logic of an encoder never fires within a recording.
constexpr int kNeverByCount = 1 << 30;
// Longest run of frames without a key frame that picture-type encoders take without complaint;
// the stream asks for key frames by position anyway.
constexpr int kLongGop = 600;

class LibavFrameEncoder final : public FrameEncoder {
 public:
  LibavFrameEncoder(const CompressorEntry& entry, const EncoderSetup& setup) : recipe_(*entry.recipe), setup_(setup) {
    codec_ = avcodec_find_encoder_by_name(entry.shortName);
    inputFormat_ = DibPixelFormat(setup.input.bitsPerPixel);
    codedFormat_ = recipe_.FedFormat(setup.input.bitsPerPixel);
    for (std::size_t i = 0; i < palette_.size(); ++i) palette_[i] = 0xFF000000u | setup.input.palette[i];
  }

  ~LibavFrameEncoder() override {
    CloseContext();
    sws_freeContext(scaler_);
    for (AVFrame*& frame : frames_) av_frame_free(&frame);
    av_packet_free(&packet_);
  }

  LibavFrameEncoder(const LibavFrameEncoder&) = delete;
  LibavFrameEncoder& operator=(const LibavFrameEncoder&) = delete;

  bool Open() {
    if (!codec_) return false;
    packet_ = av_packet_alloc();
    if (!packet_) return false;
    for (AVFrame*& frame : frames_) {
      frame = av_frame_alloc();
      if (!frame) return false;
      frame->format = codedFormat_;
      frame->width = setup_.input.width;
      frame->height = setup_.input.height;
      if (av_frame_get_buffer(frame, 0) < 0) return false;
    }
    // libswscale does not map palette pixels exactly onto every format: they are looked up here.
    expandPalette_ = inputFormat_ == AV_PIX_FMT_PAL8 && codedFormat_ != AV_PIX_FMT_PAL8;
    const AVPixelFormat scaledFrom = expandPalette_ ? AV_PIX_FMT_BGR0 : inputFormat_;
    fastYuv420_ = scaledFrom == AV_PIX_FMT_BGR0 &&
                  (codedFormat_ == AV_PIX_FMT_YUV420P || codedFormat_ == AV_PIX_FMT_YUVJ420P);
    if (scaledFrom != codedFormat_ && !fastYuv420_) {
      scaler_ = sws_getContext(setup_.input.width, setup_.input.height, scaledFrom, setup_.input.width,
                               setup_.input.height, codedFormat_, SWS_BILINEAR, nullptr, nullptr, nullptr);
      if (!scaler_) return false;
      if (IsYuv(codedFormat_)) {
        // Full-range RGB in, BT.601 out, at the range the encoder declares.
        const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(scaler_, coefficients, 1, coefficients, IsFullRangeYuv(codedFormat_) ? 1 : 0, 0,
                                 1 << 16, 1 << 16);
      }
    }
    if (!OpenContext()) return false;
    bitsPerCodedSample_ = context_->bits_per_coded_sample;
    if (context_->extradata && context_->extradata_size > 0)
      extradata_.assign(context_->extradata, context_->extradata + context_->extradata_size);
    return true;
  }

  bool Load(const std::uint8_t* dibBits) override {
    AVFrame* frame = frames_[static_cast<std::size_t>(framesLoaded_ % 2)];
    if (!dibBits || !TakeWritableBuffer(frame) || !FillFrame(dibBits, frame)) return false;
    ++framesLoaded_;
    return true;
  }

  bool Code(bool keyFrame, EncodedFrame& out) override {
    av_packet_unref(packet_);
    if (nextPts_ >= framesLoaded_) return false;  // nothing loaded
    if (keyFrame && recipe_.keys == KeyFrameControl::Reopen && framesSinceOpen_ > 0) {
      CloseContext();
      if (!OpenContext()) return false;
    }
    AVFrame* frame = frames_[static_cast<std::size_t>(nextPts_ % 2)];
    frame->pts = nextPts_++;
    frame->quality = quality_.frameQuality;
    const bool forceIntra = keyFrame && recipe_.keys == KeyFrameControl::PictureType;
    frame->pict_type = forceIntra ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (avcodec_send_frame(context_, frame) < 0) return false;
    // Encoders are opened without delay: each frame gives its packet at once.
    if (avcodec_receive_packet(context_, packet_) < 0) return false;
    ++framesSinceOpen_;
    out.bytes = std::span<const std::uint8_t>(packet_->data, static_cast<std::size_t>(packet_->size));
    out.keyFrame = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    return true;
  }

  int BitsPerCodedSample() const override { return bitsPerCodedSample_; }
  std::span<const std::uint8_t> CodecPrivateData() const override { return extradata_; }

 private:
  bool OpenContext() {
    context_ = avcodec_alloc_context3(codec_);
    if (!context_) return false;
    context_->width = setup_.input.width;
    context_->height = setup_.input.height;
    context_->pix_fmt = codedFormat_;
    context_->time_base = AVRational{setup_.scale, setup_.rate};
    context_->framerate = AVRational{setup_.rate, setup_.scale};
    context_->max_b_frames = 0;
    context_->thread_count = Threaded() ? 0 : 1;  // 0: one per core
    context_->thread_type = FF_THREAD_SLICE;      // frame threads would delay the packets
    if (IsYuv(codedFormat_)) {
      context_->colorspace = AVCOL_SPC_SMPTE170M;
      context_->color_range = IsFullRangeYuv(codedFormat_) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    }
    switch (recipe_.keys) {
      case KeyFrameControl::Reopen:
        context_->gop_size = kNeverByCount;
        context_->keyint_min = kNeverByCount;
        break;
      case KeyFrameControl::PictureType: context_->gop_size = kLongGop; break;
      case KeyFrameControl::EveryFrame: break;
    }

    AVDictionary* options = nullptr;
    bool ok = av_dict_parse_string(&options, recipe_.fixedOptions, "=", ":", 0) >= 0;
    for (const auto& [name, value] : setup_.settings)
      ok = ok && av_dict_set(&options, name.c_str(), value.c_str(), 0) >= 0;
    if (ok && recipe_.quality) quality_ = recipe_.quality(context_, &options, setup_.quality);
    ok = ok && avcodec_open2(context_, codec_, &options) >= 0;
    // An option the encoder did not know is a fault of the table, not a choice to ignore.
    ok = ok && av_dict_count(options) == 0;
    av_dict_free(&options);
    if (!ok) {
      CloseContext();
      return false;
    }
    framesSinceOpen_ = 0;
    return true;
  }

  void CloseContext() { avcodec_free_context(&context_); }

  bool Threaded() const {
    constexpr long long kFullHd = 1920LL * 1080LL;
    switch (recipe_.threading) {
      case Threading::None: return false;
      case Threading::SlicesForLargeFrames:
        return static_cast<long long>(setup_.input.width) * setup_.input.height > kFullHd;
      case Threading::Always: return true;
    }
    return false;
  }

  // Some encoders (FFV1) hold the last frame they coded until they code the next one. Its buffer
  // is then replaced, not copied as av_frame_make_writable would: every byte is written anew.
  static bool TakeWritableBuffer(AVFrame* frame) {
    if (av_frame_is_writable(frame)) return true;
    const int format = frame->format, width = frame->width, height = frame->height;
    av_frame_unref(frame);
    frame->format = format;
    frame->width = width;
    frame->height = height;
    return av_frame_get_buffer(frame, 0) >= 0;
  }

  // The DIB's rows, bottom row first, into the frame, top row first, in the fed format.
  bool FillFrame(const std::uint8_t* dibBits, AVFrame* frame) {
    const DibFormat& input = setup_.input;
    const auto stride = static_cast<std::ptrdiff_t>(input.Stride());
    const std::uint8_t* topRow = dibBits + stride * (input.height - 1);
    std::ptrdiff_t rowStep = -stride;
    if (expandPalette_) {
      ExpandPalette(topRow, -stride);
      topRow = reinterpret_cast<const std::uint8_t*>(expanded_.data());
      rowStep = 4 * input.width;
    }
    if (fastYuv420_) {
      return Bgr0ToYuv420(topRow, rowStep, input.width, input.height, IsFullRangeYuv(codedFormat_), frame->data,
                          frame->linesize);
    }
    if (!scaler_) {
      const int rowBytes = av_image_get_linesize(codedFormat_, input.width, 0);
      for (int y = 0; y < input.height; ++y)
        std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0], topRow + rowStep * y,
                    static_cast<std::size_t>(rowBytes));
      if (codedFormat_ == AV_PIX_FMT_PAL8) std::memcpy(frame->data[1], palette_.data(), 4 * palette_.size());
    } else {
      const std::uint8_t* source[4] = {topRow, reinterpret_cast<const std::uint8_t*>(palette_.data()), nullptr,
                                       nullptr};
      const int sourceStride[4] = {static_cast<int>(rowStep), 0, 0, 0};
      if (sws_scale(scaler_, source, sourceStride, 0, input.height, frame->data, frame->linesize) != input.height)
        return false;
    }
    return true;
  }

  // Palette pixels as B,G,R,0 rows, top row first.
  void ExpandPalette(const std::uint8_t* topRow, std::ptrdiff_t rowStep) {
    const DibFormat& input = setup_.input;
    expanded_.resize(static_cast<std::size_t>(input.width) * static_cast<std::size_t>(input.height));
    std::uint32_t* out = expanded_.data();
    for (int y = 0; y < input.height; ++y) {
      const std::uint8_t* row = topRow + rowStep * y;
      for (int x = 0; x < input.width; ++x) *out++ = input.palette[row[x]];
    }
  }

  const LibavRecipe& recipe_;
  EncoderSetup setup_;
  const AVCodec* codec_ = nullptr;
  AVCodecContext* context_ = nullptr;
  SwsContext* scaler_ = nullptr;
  // Frames in turn: frame n in n % 2, so that the next frame loads while this one is coded.
  std::array<AVFrame*, 2> frames_{};
  AVPacket* packet_ = nullptr;
  AVPixelFormat inputFormat_ = AV_PIX_FMT_NONE;
  AVPixelFormat codedFormat_ = AV_PIX_FMT_NONE;
  std::array<std::uint32_t, 256> palette_{};  // 0xAARRGGBB, as libavutil keeps palettes
  bool expandPalette_ = false;
  bool fastYuv420_ = false;  // B,G,R,0 rows to 4:2:0 without libswscale
  std::vector<std::uint32_t> expanded_;
  QualityControl quality_;
  std::int64_t framesSinceOpen_ = 0;
  std::atomic<std::int64_t> framesLoaded_{0};  // written by Load only
  std::int64_t nextPts_ = 0;                   // by Code only: frames coded
  int bitsPerCodedSample_ = 0;
  std::vector<std::uint8_t> extradata_;
};

}  // namespace

std::unique_ptr<FrameEncoder> MakeLibavEncoder(const CompressorEntry& entry, const EncoderSetup& setup) {
  if (!entry.recipe) return nullptr;
  auto encoder = std::make_unique<LibavFrameEncoder>(entry, setup);
  if (!encoder->Open()) return nullptr;
  return encoder;
}

}  // namespace codec
