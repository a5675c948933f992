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

// Median time of each piece of work over `runs` rounds; the pieces take turns within a round.
std::vector<double> MedianMs(int runs, const std::vector<std::function<void()>>& work) {
  std::vector<std::vector<double>> times(work.size());
  for (const auto& piece : work) piece();  // warm-up: first-touch page faults and the shared-memory segment
  for (int i = 0; i < runs; ++i) {
    for (std::size_t w = 0; w < work.size(); ++w) {
      const auto start = std::chrono::steady_clock::now();
      work[w]();
      times[w].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
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
  };
  std::printf("screen %dx%d at %d bits per pixel, %zu bytes a frame, median of %d\n", width, height, bits, bytes,
              frames);
  // Back to back, each piece finds its data still in the cache from its own last run; taking
  // turns, it finds what the others left there, as a grab does between the codings of a recording.
  for (const bool turns : {false, true}) {
    std::vector<double> ms;
    if (turns) {
      ms = MedianMs(frames, pieces);
    } else {
      for (const auto& piece : pieces) ms.push_back(MedianMs(frames, {piece})[0]);
    }
    std::printf(turns ? " taking turns:\n" : " each back to back:\n");
    std::printf("  memcpy                        %7.2f ms\n", ms[0]);
    std::printf("  screen read + conversion      %7.2f ms  %5.2f x memcpy\n", ms[1], ms[1] / ms[0]);
    std::printf("  CaptureFrame, no cursor       %7.2f ms  %5.2f x memcpy\n", ms[2], ms[2] / ms[0]);
    std::printf("  CaptureFrame, with cursor     %7.2f ms  %5.2f x memcpy\n", ms[3], ms[3] / ms[0]);
  }
  return 0;
}
