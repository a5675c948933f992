#include "tests/reference/libav_msvideo1.h"

#include "tests/reference/libav_codec_handles.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace msvc1test {
namespace {

std::mutex logMutex;
std::string logText;

void CollectLog(void*, int level, const char* format, va_list args) {
  if (level > AV_LOG_WARNING) return;
  char line[1024];
  std::vsnprintf(line, sizeof line, format, args);
  std::lock_guard lock(logMutex);
  logText += line;
}

void Check(int result, const char* what) {
  if (result < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
}

}  // namespace

LibavMessages::LibavMessages() {
  av_log_set_callback(CollectLog);
  Take();
}
LibavMessages::~LibavMessages() { av_log_set_callback(av_log_default_callback); }
std::string LibavMessages::Take() {
  std::lock_guard lock(logMutex);
  return std::exchange(logText, {});
}

struct Msvideo1Decoder::Impl : libavtest::CodecHandles {};

Msvideo1Decoder::Msvideo1Decoder(int width, int height) : impl_(std::make_unique<Impl>()) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MSVIDEO1);
  if (!codec) throw std::runtime_error("no msvideo1 decoder");
  impl_->context = avcodec_alloc_context3(codec);
  impl_->context->width = width;
  impl_->context->height = height;
  impl_->context->bits_per_coded_sample = 16;
  Check(avcodec_open2(impl_->context, codec, nullptr), "open msvideo1 decoder");
}
Msvideo1Decoder::~Msvideo1Decoder() = default;

std::vector<std::uint16_t> Msvideo1Decoder::Decode(std::span<const std::uint8_t> bytes) {
  Check(av_new_packet(impl_->packet, static_cast<int>(bytes.size())), "packet");
  std::memcpy(impl_->packet->data, bytes.data(), bytes.size());
  Check(avcodec_send_packet(impl_->context, impl_->packet), "send packet");
  av_packet_unref(impl_->packet);
  Check(avcodec_receive_frame(impl_->context, impl_->frame), "receive frame");
  const int width = impl_->frame->width, height = impl_->frame->height;
  if (impl_->frame->format != AV_PIX_FMT_RGB555) throw std::runtime_error("unexpected decoder format");
  std::vector<std::uint16_t> picture(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint16_t*>(impl_->frame->data[0] + y * impl_->frame->linesize[0]);
    std::uint16_t* dst = picture.data() + static_cast<std::size_t>(height - 1 - y) * width;
    for (int x = 0; x < width; ++x) dst[x] = row[x] & 0x7FFF;
  }
  av_frame_unref(impl_->frame);
  return picture;
}

struct LibavMsvideo1Encoder::Impl : libavtest::CodecHandles {};

LibavMsvideo1Encoder::LibavMsvideo1Encoder(int width, int height, int keyFrameEvery) : impl_(std::make_unique<Impl>()) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MSVIDEO1);
  if (!codec) throw std::runtime_error("no msvideo1 encoder");
  AVCodecContext* c = impl_->context = avcodec_alloc_context3(codec);
  c->width = width;
  c->height = height;
  c->pix_fmt = AV_PIX_FMT_RGB555;
  c->time_base = AVRational{1, 50};
  c->keyint_min = keyFrameEvery;  // this encoder's key-frame interval
  c->gop_size = keyFrameEvery;
  Check(avcodec_open2(c, codec, nullptr), "open msvideo1 encoder");
  impl_->AllocateFrame(width, height, AV_PIX_FMT_RGB555);
}
LibavMsvideo1Encoder::~LibavMsvideo1Encoder() = default;

LibavMsvideo1Encoder::Packet LibavMsvideo1Encoder::Encode(const std::vector<std::uint16_t>& picture) {
  AVFrame* f = impl_->frame;
  Check(av_frame_make_writable(f), "writable frame");
  for (int y = 0; y < f->height; ++y)
    std::memcpy(f->data[0] + y * f->linesize[0],
                picture.data() + static_cast<std::size_t>(f->height - 1 - y) * f->width,
                static_cast<std::size_t>(f->width) * 2);
  auto [bytes, key] = impl_->EncodeFrame();
  Packet result{std::move(bytes), key};
  return result;
}

bool WriteAvi(const std::string& path, int width, int height, int fps, const std::vector<StoredFrame>& frames) {
  AVFormatContext* output = nullptr;
  if (avformat_alloc_output_context2(&output, nullptr, "avi", path.c_str()) < 0) return false;
  bool ok = false;
  AVPacket* packet = av_packet_alloc();
  AVStream* stream = avformat_new_stream(output, nullptr);
  if (stream) {
    stream->time_base = AVRational{1, fps};
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_MSVIDEO1;
    par->codec_tag = MKTAG('M', 'S', 'V', 'C');
    par->width = width;
    par->height = height;
    par->bits_per_coded_sample = 16;
    ok = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(output, nullptr) >= 0;
    for (std::size_t i = 0; ok && i < frames.size(); ++i) {
      ok = av_new_packet(packet, static_cast<int>(frames[i].bytes.size())) >= 0;
      if (!ok) break;
      std::memcpy(packet->data, frames[i].bytes.data(), frames[i].bytes.size());
      packet->stream_index = stream->index;
      packet->pts = packet->dts = static_cast<std::int64_t>(i);
      av_packet_rescale_ts(packet, AVRational{1, fps}, stream->time_base);
      if (frames[i].keyFrame) packet->flags |= AV_PKT_FLAG_KEY;
      ok = av_write_frame(output, packet) >= 0;
      av_packet_unref(packet);
    }
    if (ok) ok = av_write_trailer(output) >= 0;
  }
  av_packet_free(&packet);
  if (output->pb) avio_closep(&output->pb);
  avformat_free_context(output);
  return ok;
}

std::vector<bool> ReadKeyFlags(const std::string& path) {
  AVFormatContext* input = nullptr;
  std::vector<bool> flags;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return flags;
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(input, packet) >= 0) {
    if (input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      flags.push_back((packet->flags & AV_PKT_FLAG_KEY) != 0);
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&input);
  return flags;
}

}  // namespace msvc1test
