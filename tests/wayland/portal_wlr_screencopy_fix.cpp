// Preloaded into xdg-desktop-portal-wlr 0.7.0 alone, so that it can cast a screen that sway
// renders in software. That version waits for a linux_dmabuf format from every
// zwlr_screencopy_frame_v1 once its own interface version is 3 or more, but a compositor without
// GPU buffers sends only the shared-memory `buffer` event, so `Start` fails. Here each frame's
// listener is wrapped: every `buffer` event is also reported as a linux_dmabuf format of the same
// size. With no GBM device and no modifiers the stream still settles on shared memory.
#include <dlfcn.h>
#include <wayland-client-core.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Frame;
// zwlr_screencopy_frame_v1's events in protocol order (version 3), as wayland-scanner lays them out.
struct FrameListener {
  void (*buffer)(void* data, Frame* frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride);
  void (*flags)(void* data, Frame* frame, uint32_t flags);
  void (*ready)(void* data, Frame* frame, uint32_t secondsHigh, uint32_t secondsLow, uint32_t nanoseconds);
  void (*failed)(void* data, Frame* frame);
  void (*damage)(void* data, Frame* frame, uint32_t x, uint32_t y, uint32_t width, uint32_t height);
  void (*linuxDmabuf)(void* data, Frame* frame, uint32_t format, uint32_t width, uint32_t height);
  void (*bufferDone)(void* data, Frame* frame);
};

std::mutex mutex;
std::map<Frame*, const FrameListener*> originals;  // the portal's listener of each live frame

const FrameListener* Original(Frame* frame) {
  std::lock_guard lock(mutex);
  return originals.at(frame);
}
// `ready` and `failed` are a frame's last events.
const FrameListener* LastOf(Frame* frame) {
  std::lock_guard lock(mutex);
  const FrameListener* original = originals.at(frame);
  originals.erase(frame);
  return original;
}

// wl_shm names its two basic formats 0 and 1; every other wl_shm format is the DRM fourcc.
uint32_t DrmFormat(uint32_t shmFormat) {
  auto fourcc = [](char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
  };
  if (shmFormat == 0) return fourcc('A', 'R', '2', '4');
  if (shmFormat == 1) return fourcc('X', 'R', '2', '4');
  return shmFormat;
}

void Buffer(void* data, Frame* frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
  const FrameListener* original = Original(frame);
  original->buffer(data, frame, format, width, height, stride);
  if (original->linuxDmabuf) original->linuxDmabuf(data, frame, DrmFormat(format), width, height);
}
void Flags(void* data, Frame* frame, uint32_t flags) { Original(frame)->flags(data, frame, flags); }
void Ready(void* data, Frame* frame, uint32_t high, uint32_t low, uint32_t nanoseconds) {
  LastOf(frame)->ready(data, frame, high, low, nanoseconds);
}
void Failed(void* data, Frame* frame) { LastOf(frame)->failed(data, frame); }
void Damage(void* data, Frame* frame, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  Original(frame)->damage(data, frame, x, y, width, height);
}
void LinuxDmabuf(void* data, Frame* frame, uint32_t format, uint32_t width, uint32_t height) {
  Original(frame)->linuxDmabuf(data, frame, format, width, height);
}
void BufferDone(void* data, Frame* frame) { Original(frame)->bufferDone(data, frame); }

const FrameListener wrapper{Buffer, Flags, Ready, Failed, Damage, LinuxDmabuf, BufferDone};

}  // namespace

extern "C" __attribute__((visibility("default"))) int wl_proxy_add_listener(wl_proxy* proxy,
                                                                            void (**implementation)(void), void* data) {
  using AddListener = int (*)(wl_proxy*, void (**)(void), void*);
  static const auto next = reinterpret_cast<AddListener>(dlsym(RTLD_NEXT, "wl_proxy_add_listener"));
  if (std::strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") != 0) {
    return next(proxy, implementation, data);
  }
  // A frame destroyed before its last event leaves its entry; a later frame at that address replaces it.
  {
    std::lock_guard lock(mutex);
    originals[reinterpret_cast<Frame*>(proxy)] = reinterpret_cast<const FrameListener*>(implementation);
  }
  return next(proxy, reinterpret_cast<void (**)(void)>(const_cast<FrameListener*>(&wrapper)), data);
}
