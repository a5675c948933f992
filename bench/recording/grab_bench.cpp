// Grab-and-convert time of a full screen against a plain memcpy of the same bytes.
//
//   grab_bench [--frames N]
// Reports the median of N runs of each: memcpy of a 32-bit frame; the screen read with its one
// conversion pass into DIB rows (platform::ScreenReader); and the camera's whole grab
// (TScreenCam::CaptureFrame: block, pointer, read, arrow; then FreeFrame).
#include <QApplication>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "camera/scrcam.h"
#include "platform/screen_reader.h"

namespace {

// The X server's own copy of the screen into shared memory, as one request and without any
// conversion: the floor under any shared-memory read.
class ServerCopy {
 public:
  ServerCopy() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_)) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    root_ = screen->root;
    width_ = screen->width_in_pixels;
    height_ = screen->height_in_pixels;
    const int id = shmget(IPC_PRIVATE, std::size_t{4} * width_ * height_, IPC_CREAT | 0600);
    if (id < 0) return;
    address_ = shmat(id, nullptr, 0);
    segment_ = xcb_generate_id(connection_);
    xcb_generic_error_t* error = xcb_request_check(connection_, xcb_shm_attach_checked(connection_, segment_, id, 0));
    shmctl(id, IPC_RMID, nullptr);
    ok_ = address_ != reinterpret_cast<void*>(-1) && !error;
    free(error);
  }
  ~ServerCopy() { xcb_disconnect(connection_); }
  bool Ok() const { return ok_; }
  void Read() {
    free(xcb_shm_get_image_reply(connection_,
                                 xcb_shm_get_image(connection_, root_, 0, 0, width_, height_, ~0u,
                                                   XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
                                 nullptr));
  }

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  std::uint16_t width_ = 0, height_ = 0;
  void* address_ = nullptr;
  xcb_shm_seg_t segment_ = 0;
  bool ok_ = false;
};

// Median time of each piece of work over `runs` timed runs. The pieces take turns, each turn
// `inARow` runs long; with more than one in a row the turn's first run is untimed and brings the
// piece's data into the cache. Turns spread a busy moment of the machine over all pieces alike.
std::vector<double> MedianMs(int runs, int inARow, const std::vector<std::function<void()>>& work) {
  std::vector<std::vector<double>> times(work.size());
  for (const auto& piece : work) piece();  // warm-up: first-touch page faults and the shared-memory segment
  const int timedInARow = std::max(1, inARow - 1);
  for (int done = 0; done < runs; done += timedInARow) {
    for (std::size_t w = 0; w < work.size(); ++w) {
      if (inARow > 1) work[w]();
      for (int i = 0; i < timedInARow; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work[w]();
        times[w].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      }
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& t : times) {
    std::sort(t.begin(), t.end());
    medians.push_back(t[t.size() / 2]);
  }
  return medians;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 100;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--frames") frames = std::max(1, std::atoi(argv[i + 1]));
  QApplication app(argc, argv);
  platform::ScreenReader& screen = platform::ScreenReader::Instance();
  const int width = screen.Info().width, height = screen.Info().height;
  const int bits = screen.BitsPerPixel();
  const std::size_t stride = platform::DibStride(width, bits);
  const std::size_t bytes = stride * static_cast<std::size_t>(height);

  std::vector<std::uint8_t> source(bytes, 1), target(bytes, 0);
  TScreenCam camera(nullptr);
  ServerCopy server;
  if (!server.Ok()) {
    std::fprintf(stderr, "grab_bench: no shared memory with the X server\n");
    return 1;
  }
  const auto capture = [&](bool cursor) {
    camera.WithCursor = cursor;
    PackedDib frame = camera.CaptureFrame(0, 0, width, height);
    FreeFrame(frame);
  };
  const std::vector<std::function<void()>> pieces = {
      [&] {
        std::memcpy(target.data(), source.data(), bytes);
        asm volatile("" : : "r"(target.data()) : "memory");
      },
      [&] { screen.ReadDib(0, 0, width, height, bits, target.data(), stride); },
      [&] { capture(false); },
      [&] { capture(true); },
      [&] { server.Read(); },
  };
  std::printf("screen %dx%d at %d bits per pixel, %zu bytes a frame, median of %d\n", width, height, bits, bytes,
              frames);
  // Back to back (ten in a row), each piece finds its data still in the cache from its own last
  // run; one at a time, it finds what the others left there, as a grab does between the codings
  // of a recording.
  for (const bool turns : {false, true}) {
    const std::vector<double> ms = MedianMs(frames, turns ? 1 : 11, pieces);
    std::printf(turns ? " one at a time, taking turns:\n" : " back to back, ten in a row:\n");
    std::printf("  memcpy                        %7.2f ms\n", ms[0]);
    std::printf("  screen read + conversion      %7.2f ms  %5.2f x memcpy\n", ms[1], ms[1] / ms[0]);
    std::printf("  CaptureFrame, no cursor       %7.2f ms  %5.2f x memcpy\n", ms[2], ms[2] / ms[0]);
    std::printf("  CaptureFrame, with cursor     %7.2f ms  %5.2f x memcpy\n", ms[3], ms[3] / ms[0]);
    std::printf("  (the X server's copy alone    %7.2f ms  %5.2f x memcpy)\n", ms[4], ms[4] / ms[0]);
  }
  return 0;
}
