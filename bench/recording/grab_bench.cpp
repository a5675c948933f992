// Grab-and-convert time of a full screen against a plain memcpy of the same bytes.
//
//   grab_bench [--frames N]
// Reports the median of N runs of each: memcpy of a 32-bit frame; the screen read with its one
// conversion pass into DIB rows (platform::ScreenReader); and the camera's whole grab
// (TScreenCam::CaptureFrame: block, pointer, read, arrow; then FreeFrame).
#include <QApplication>
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

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  work();  // warm-up: first-touch page faults and the shared-memory segment
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
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
  const double copyMs = MedianMs(frames, [&] {
    std::memcpy(target.data(), source.data(), bytes);
    asm volatile("" : : "r"(target.data()) : "memory");
  });
  const double readMs = MedianMs(frames, [&] { screen.ReadDib(0, 0, width, height, bits, target.data(), stride); });

  TScreenCam camera(nullptr);
  double grabMs[2];
  for (bool cursor : {false, true}) {
    camera.WithCursor = cursor;
    grabMs[cursor] = MedianMs(frames, [&] {
      PackedDib frame = camera.CaptureFrame(0, 0, width, height);
      FreeFrame(frame);
    });
  }

  std::printf("screen %dx%d at %d bits per pixel, %zu bytes a frame, median of %d\n", width, height, bits, bytes,
              frames);
  std::printf("  memcpy                        %7.2f ms\n", copyMs);
  std::printf("  screen read + conversion      %7.2f ms  %5.2f x memcpy\n", readMs, readMs / copyMs);
  std::printf("  CaptureFrame, no cursor       %7.2f ms  %5.2f x memcpy\n", grabMs[0], grabMs[0] / copyMs);
  std::printf("  CaptureFrame, with cursor     %7.2f ms  %5.2f x memcpy\n", grabMs[1], grabMs[1] / copyMs);
  return 0;
}
