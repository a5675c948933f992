#include "tests/reference/libav_zmbv.h"

#include "tests/reference/libav_codec_handles.h"

#include <cstring>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

namespace zmbvtest {
namespace {

void Check(int result, const char* what) {
  if (result < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
}

std::uint32_t Widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }

}  // namespace

struct ZmbvDecoder::Impl : libavtest::CodecHandles {};

ZmbvDecoder::ZmbvDecoder(int width, int height, int bitsPerCodedSample) : impl_(std::make_unique<Impl>()) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_ZMBV);
  if (!codec) throw std::runtime_error("no zmbv decoder");
  impl_->context = avcodec_alloc_context3(codec);
  impl_->context->width = width;
  impl_->context->height = height;
  impl_->context->bits_per_coded_sample = bitsPerCodedSample;
  Check(avcodec_open2(impl_->context, codec, nullptr), "open zmbv decoder");
}
ZmbvDecoder::~ZmbvDecoder() = default;

ZmbvDecoder::Picture ZmbvDecoder::Decode(std::span<const std::uint8_t> bytes) {
  Check(av_new_packet(impl_->packet, static_cast<int>(bytes.size())), "packet");
  std::memcpy(impl_->packet->data, bytes.data(), bytes.size());
  Check(avcodec_send_packet(impl_->context, impl_->packet), "send packet");
  av_packet_unref(impl_->packet);
  AVFrame* f = impl_->frame;
  Check(avcodec_receive_frame(impl_->context, f), "receive frame");
  const int width = f->width, height = f->height;
  Picture picture;
  picture.keyFrame = f->key_frame != 0;
  picture.colours.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0];
    std::uint32_t* out = picture.colours.data() + static_cast<std::size_t>(height - 1 - y) * width;
    for (int x = 0; x < width; ++x) {
      switch (f->format) {
        case AV_PIX_FMT_PAL8: {
          std::uint32_t entry;
          std::memcpy(&entry, f->data[1] + 4 * row[x], 4);
          out[x] = entry & 0xFFFFFF;
          break;
        }
        case AV_PIX_FMT_RGB555LE: {
          std::uint16_t v;
          std::memcpy(&v, row + 2 * x, 2);
          out[x] = Widen5((v >> 10) & 31) << 16 | Widen5((v >> 5) & 31) << 8 | Widen5(v & 31);
          break;
        }
        case AV_PIX_FMT_BGR0: {
          std::uint32_t v;
          std::memcpy(&v, row + 4 * x, 4);
          out[x] = v & 0xFFFFFF;
          break;
        }
        default: throw std::runtime_error("unexpected decoder format");
      }
    }
  }
  av_frame_unref(f);
  return picture;
}

struct LibavZmbvEncoder::Impl : libavtest::CodecHandles {};

LibavZmbvEncoder::LibavZmbvEncoder(int width, int height, int level, int keyFrameEvery)
    : impl_(std::make_unique<Impl>()) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ZMBV);
  if (!codec) throw std::runtime_error("no zmbv encoder");
  AVCodecContext* c = impl_->context = avcodec_alloc_context3(codec);
  c->width = width;
  c->height = height;
  c->pix_fmt = AV_PIX_FMT_BGR0;
  c->time_base = AVRational{1, 50};
  c->compression_level = level;
  c->keyint_min = keyFrameEvery;  // this encoder's key-frame interval
  Check(avcodec_open2(c, codec, nullptr), "open zmbv encoder");
  impl_->AllocateFrame(width, height, AV_PIX_FMT_BGR0);
}
LibavZmbvEncoder::~LibavZmbvEncoder() = default;

LibavZmbvEncoder::Packet LibavZmbvEncoder::Encode(const std::uint8_t* dib, std::size_t stride) {
  AVFrame* f = impl_->frame;
  Check(av_frame_make_writable(f), "writable frame");
  for (int y = 0; y < f->height; ++y)
    std::memcpy(f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0],
                dib + static_cast<std::size_t>(f->height - 1 - y) * stride, static_cast<std::size_t>(f->width) * 4);
  auto [bytes, key] = impl_->EncodeFrame();
  Packet result{std::move(bytes), key};
  return result;
}

}  // namespace zmbvtest
