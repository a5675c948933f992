#pragma once
// What each libavcodec coder of the reference wrappers holds: its context, a packet and a frame,
// freed together.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace libavtest {

struct CodecHandles {
  AVCodecContext* context = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::int64_t pts = 0;  // encoders: the next frame's

  CodecHandles() = default;
  CodecHandles(const CodecHandles&) = delete;
  CodecHandles& operator=(const CodecHandles&) = delete;
  ~CodecHandles() {
    avcodec_free_context(&context);
    av_packet_free(&packet);
    av_frame_free(&frame);
  }

  // Encoders: gives `frame` its buffers.
  void AllocateFrame(int width, int height, AVPixelFormat format) {
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (av_frame_get_buffer(frame, 0) < 0) throw std::runtime_error("no frame buffer");
  }

  // Encoders: codes `frame`, once its pixels are in, and gives the packet's bytes and whether it
  // is a key frame.
  std::pair<std::vector<std::uint8_t>, bool> EncodeFrame() {
    frame->pts = pts++;
    if (avcodec_send_frame(context, frame) < 0 || avcodec_receive_packet(context, packet) < 0)
      throw std::runtime_error("the encoder refused a frame");
    std::pair<std::vector<std::uint8_t>, bool> coded{std::vector<std::uint8_t>(packet->data,
                                                                               packet->data + packet->size),
                                                     (packet->flags & AV_PKT_FLAG_KEY) != 0};
    av_packet_unref(packet);
    return coded;
  }
};

}  // namespace libavtest
