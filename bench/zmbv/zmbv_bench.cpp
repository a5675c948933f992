// Our ZMBV encoder against libavcodec's zmbv encoder on a 1080p screen sequence: a static desktop
// with text, gradients and a photo, and a window dragged across it. Both code 32-bit frames at the
// same zlib level; prints processor time and size per frame of both, key and inter frames apart.
//
//   zmbv_bench [--frames N] [--level L] [--key-every K]
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "bench/msvc1/screen_scene.h"
#include "camera/codec/zmbv/zmbv_encoder.h"
#include "tests/reference/libav_zmbv.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr std::size_t kStride = kWidth * 4;

// Processor time, not wall time: the machine may be shared. Both encoders run on this one thread.
double CpuMs() { return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

struct Totals {
  double ms = 0, msKey = 0, msInter = 0, bytes = 0;
  int frames = 0, keys = 0;
  void Add(double elapsed, std::size_t size, bool key) {
    ms += elapsed;
    (key ? msKey : msInter) += elapsed;
    bytes += static_cast<double>(size);
    ++frames;
    keys += key;
  }
  void Print(const char* name) const {
    std::printf("%-16s %d key: %8.2f ms/frame (key %7.2f, inter %7.2f)  %10.0f bytes/frame\n", name, keys, ms / frames,
                keys ? msKey / keys : 0.0, frames > keys ? msInter / (frames - keys) : 0.0, bytes / frames);
  }
};

}  // namespace

int main(int argc, char** argv) {
  int frameCount = 50, level = 1, keyEvery = 25;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (option == "--frames") frameCount = value;
    else if (option == "--level") level = value;
    else if (option == "--key-every") keyEvery = value;
    else {
      std::fprintf(stderr, "usage: %s [--frames N] [--level L] [--key-every K]\n", argv[0]);
      return 2;
    }
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ScreenScene scene(kWidth, kHeight);
  std::vector<std::vector<std::uint8_t>> frames(static_cast<std::size_t>(frameCount));
  for (int i = 0; i < frameCount; ++i) scene.RenderFrame(i, frames[static_cast<std::size_t>(i)]);

  Totals ours;
  zmbv::ZmbvEncoder encoder(kWidth, kHeight, 32, level, keyEvery);
  for (const auto& dib : frames) {
    const double start = CpuMs();
    const zmbv::EncodedFrame frame = encoder.Encode(dib.data(), kStride);
    ours.Add(CpuMs() - start, frame.bytes.size(), frame.keyFrame);
  }

  Totals theirs;
  zmbvtest::LibavZmbvEncoder libav(kWidth, kHeight, level, keyEvery);
  for (const auto& dib : frames) {
    const double start = CpuMs();
    const zmbvtest::LibavZmbvEncoder::Packet packet = libav.Encode(dib.data(), kStride);
    theirs.Add(CpuMs() - start, packet.bytes.size(), packet.keyFrame);
  }

  std::printf("%d frames of %dx%d at 32 bits, zlib level %d, key frame every %d\n", frameCount, kWidth, kHeight, level,
              keyEvery);
  ours.Print("ours");
  theirs.Print("libavcodec zmbv");
  std::printf("speed ratio (libavcodec / ours): %.1f\n", theirs.ms / ours.ms);
  return 0;
}
