#include "platform/pipewire_frames.h"

#include "platform/pipewire_buffer.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace platform {
namespace {

// The picture layouts we take: four bytes a pixel, in either byte order of the colours.
ScreenPixelFormat LayoutOf(spa_video_format format) {
  ScreenPixelFormat layout;
  layout.depth = 24;
  layout.bitsPerPixel = 32;
  layout.greenMask = 0x00ff00;
  const bool redFirst = format == SPA_VIDEO_FORMAT_RGBx || format == SPA_VIDEO_FORMAT_RGBA;
  layout.redMask = redFirst ? 0x0000ff : 0xff0000;
  layout.blueMask = redFirst ? 0xff0000 : 0x0000ff;
  return layout;
}

}  // namespace

struct PipeWireFrames::Loop {
  pw_thread_loop* thread = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  spa_hook coreListener{};
  pw_core_events coreEvents{};

  ~Loop() {
    if (thread) pw_thread_loop_stop(thread);
    if (core) pw_core_disconnect(core);
    if (context) pw_context_destroy(context);
    if (thread) pw_thread_loop_destroy(thread);
  }
};

struct PipeWireFrames::Stream {
  PipeWireFrames* owner = nullptr;
  ScreenCastStream cast;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  pw_stream_events events{};
  spa_video_info_raw format{};
  bool formatKnown = false;
  // The newest picture, copied out of the stream's buffer (guarded by the owner's mutex): the
  // desktop has few buffers, and one held back leaves it none to fill. `spare` is filled on the
  // PipeWire thread and then swapped in.
  std::vector<std::uint8_t> pixels, spare;
  bool held = false;
  PlacedPicture picture;

  static void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
    auto* self = static_cast<Stream*>(data);
    if (!param || id != SPA_PARAM_Format) return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0) return;
    self->format = info;
    self->formatKnown = true;
    // Plain memory only: the pictures are read by the processor. The header is asked for as it
    // tells which buffers the desktop could not fill.
    std::uint8_t buffer[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod* params[] = {
        static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,
                                       SPA_PARAM_BUFFERS_dataType,
                                       SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd)))),
        static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
                                       SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size,
                                       SPA_POD_Int(static_cast<int>(sizeof(spa_meta_header)))))};
    pw_stream_update_params(self->stream, params, 2);
  }

  static void OnStateChanged(void* data, pw_stream_state old, pw_stream_state state, const char* error) {
    auto* self = static_cast<Stream*>(data);
    if (state == PW_STREAM_STATE_ERROR) {
      self->owner->End(std::string("the screen cast failed") + (error ? std::string(": ") + error : ""));
    } else if (state == PW_STREAM_STATE_UNCONNECTED && old != PW_STREAM_STATE_UNCONNECTED) {
      self->owner->End("the screen cast has ended");
    } else if (state == PW_STREAM_STATE_PAUSED && old == PW_STREAM_STATE_STREAMING) {
      // What a cast whose producer went away (the desktop's portal ended, the monitor is gone)
      // does: its pictures would only grow old.
      self->owner->End("the screen cast has stopped");
    }
  }

  static void OnProcess(void* data) {
    auto* self = static_cast<Stream*>(data);
    // Only the newest picture matters; older ones go straight back.
    pw_buffer* newest = nullptr;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(self->stream)) {
      if (newest) pw_stream_queue_buffer(self->stream, newest);
      newest = buffer;
    }
    if (!newest) return;
    PlacedPicture described;
    const bool whole = self->Describe(*newest, described);
    if (whole) {
      const std::size_t rowBytes = static_cast<std::size_t>(described.width) * 4;
      self->spare.resize(rowBytes * static_cast<std::size_t>(described.height));
      for (int row = 0; row < described.height; ++row) {
        std::memcpy(&self->spare[static_cast<std::size_t>(row) * rowBytes],
                    described.pixels + static_cast<std::size_t>(row) * described.stride, rowBytes);
      }
      described.stride = rowBytes;
    }
    pw_stream_queue_buffer(self->stream, newest);
    if (!whole) return;
    {
      std::lock_guard<std::mutex> lock(self->owner->mutex_);
      self->pixels.swap(self->spare);
      described.pixels = self->pixels.data();
      self->picture = described;
      self->held = true;
    }
    self->owner->Received();
  }

  // The picture a buffer holds, when it holds a whole new one.
  bool Describe(const pw_buffer& buffer, PlacedPicture& out) const {
    if (!formatKnown) return false;
    const int width = static_cast<int>(format.size.width);
    const int height = static_cast<int>(format.size.height);
    if (width <= 0) return false;
    BufferPicture found;
    if (!FindBufferPicture(*buffer.buffer, static_cast<std::size_t>(width) * 4, height, found)) return false;
    out.pixels = found.pixels;
    out.stride = found.stride;
    out.width = width;
    out.height = height;
    out.format = LayoutOf(format.format);
    if (cast.hasArea) {
      out.areaX = cast.x;
      out.areaY = cast.y;
      out.areaWidth = cast.width;
      out.areaHeight = cast.height;
    }
    return true;
  }
};

PipeWireFrames::PipeWireFrames() : loop_(std::make_unique<Loop>()) {}

std::unique_ptr<PipeWireFrames> PipeWireFrames::Connect(int fd, const std::vector<ScreenCastStream>& streams,
                                                        std::string& error) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
  std::unique_ptr<PipeWireFrames> frames(new PipeWireFrames);
  Loop& loop = *frames->loop_;
  loop.thread = pw_thread_loop_new("vorlix-screen-cast", nullptr);
  if (!loop.thread) {
    ::close(fd);
    error = "PipeWire could not start";
    return nullptr;
  }
  loop.context = pw_context_new(pw_thread_loop_get_loop(loop.thread), nullptr, 0);
  if (!loop.context || pw_thread_loop_start(loop.thread) < 0) {
    ::close(fd);
    error = "PipeWire could not start";
    return nullptr;
  }
  pw_thread_loop_lock(loop.thread);
  loop.core = pw_context_connect_fd(loop.context, fd, nullptr, 0);  // owns fd from here, even on failure
  if (!loop.core) {
    pw_thread_loop_unlock(loop.thread);
    error = "the screen cast's PipeWire connection failed";
    return nullptr;
  }
  loop.coreEvents.version = PW_VERSION_CORE_EVENTS;
  loop.coreEvents.error = [](void* data, uint32_t id, int, int, const char* message) {
    if (id == PW_ID_CORE) static_cast<PipeWireFrames*>(data)->End(std::string("PipeWire: ") + message);
  };
  pw_core_add_listener(loop.core, &loop.coreListener, &loop.coreEvents, frames.get());

  for (const ScreenCastStream& cast : streams) {
    auto stream = std::make_unique<Stream>();
    stream->owner = frames.get();
    stream->cast = cast;
    stream->stream = pw_stream_new(loop.core, "vorlix",
                                   pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                     PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!stream->stream) continue;
    stream->events.version = PW_VERSION_STREAM_EVENTS;
    stream->events.param_changed = &Stream::OnParamChanged;
    stream->events.state_changed = &Stream::OnStateChanged;
    stream->events.process = &Stream::OnProcess;
    pw_stream_add_listener(stream->stream, &stream->listener, &stream->events, stream.get());

    std::uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    spa_rectangle defaultSize = SPA_RECTANGLE(1920, 1080), minSize = SPA_RECTANGLE(1, 1),
                  maxSize = SPA_RECTANGLE(16384, 16384);
    spa_fraction defaultRate = SPA_FRACTION(60, 1), minRate = SPA_FRACTION(0, 1), maxRate = SPA_FRACTION(1000, 1);
    const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)))};
    if (pw_stream_connect(stream->stream, PW_DIRECTION_INPUT, cast.nodeId,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params,
                          1) < 0) {
      pw_stream_destroy(stream->stream);
      continue;
    }
    frames->streams_.push_back(std::move(stream));
  }
  pw_thread_loop_unlock(loop.thread);
  if (frames->streams_.empty()) {
    error = "the screen cast's streams could not be opened";
    return nullptr;
  }
  return frames;
}

PipeWireFrames::~PipeWireFrames() {
  if (loop_->thread) {
    pw_thread_loop_lock(loop_->thread);
    for (auto& stream : streams_) {
      pw_stream_destroy(stream->stream);
    }
    pw_thread_loop_unlock(loop_->thread);
  }
  streams_.clear();
  loop_.reset();
}

void PipeWireFrames::Received() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++frames_;
  }
  changed_.notify_all();
}

void PipeWireFrames::End(const std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (endReason_.empty()) endReason_ = reason;
  }
  changed_.notify_all();
}

std::string PipeWireFrames::EndReason() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return endReason_;
}

std::uint64_t PipeWireFrames::FramesReceived() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

bool PipeWireFrames::WaitForPictures(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto allHeld = [&] {
    for (const auto& stream : streams_) {
      if (!stream->held) return false;
    }
    return true;
  };
  changed_.wait_until(lock, deadline, [&] { return !endReason_.empty() || allHeld(); });
  return endReason_.empty() && allHeld();
}

bool PipeWireFrames::WaitForFrameAfter(std::uint64_t seen, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, deadline, [&] { return !endReason_.empty() || frames_ > seen; });
  return endReason_.empty() && frames_ > seen;
}

void PipeWireFrames::WithPictures(const std::function<void(std::vector<PlacedPicture>&)>& use) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<PlacedPicture> pictures;
  for (const auto& stream : streams_) {
    if (stream->held) pictures.push_back(stream->picture);
  }
  use(pictures);
}

}  // namespace platform
