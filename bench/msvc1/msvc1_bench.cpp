// Our Video 1 encoder against libavcodec's msvideo1 encoder on a 1080p screen sequence:
// a static desktop with text, gradients and a photo, and a window dragged across it.
// Prints time and size per frame of both, their speed ratio, and the PSNR of both decoded
// outputs against the 8-bit source.
//
//   msvc1_bench [--frames N] [--quality Q] [--key-every K] [--passes P] [--ours-only 1]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "bench/msvc1/screen_scene.h"
#include "camera/codec/msvc1/msvc1_encoder.h"
#include "camera/codec/msvc1/pixel_conversion.h"
#include "tests/reference/libav_msvideo1.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Processor time, not wall time: the machine may be shared. Both encoders run on this one thread.
double CpuMs() { return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

// Squared 8-bit channel errors of decoder output against the source, summed.
struct ErrorSum {
  double squares = 0;
  double samples = 0;
  void Add(const std::vector<std::uint8_t>& dib, const std::vector<std::uint16_t>& decoded) {
    auto widen = [](unsigned v) { return static_cast<int>((v << 3) | (v >> 2)); };
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      const std::uint16_t c = decoded[i];
      const int db = dib[4 * i] - widen(c & 31), dg = dib[4 * i + 1] - widen((c >> 5) & 31),
                dr = dib[4 * i + 2] - widen((c >> 10) & 31);
      squares += db * db + dg * dg + dr * dr;
    }
    samples += 3.0 * decoded.size();
  }
  double Psnr() const { return squares == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / squares); }
};

struct Result {
  double msPerFrame = 0, msKey = 0, msInter = 0;
  double bytesPerFrame = 0;
  double psnr = 0;
};

// Encodes the sequence `passes` times with fresh encoders and reports the median pass; the PSNR
// comes from the first.
Result RunOurs(const std::vector<std::vector<std::uint8_t>>& frames, int quality, int keyEvery, int passes,
               bool measureQuality) {
  std::vector<Result> runs;
  double psnr = 0;
  for (int pass = 0; pass < passes; ++pass) {
    msvc1::Msvc1Encoder encoder(kWidth, kHeight, quality, keyEvery);
    msvc1test::Msvideo1Decoder decoder(kWidth, kHeight);
    ErrorSum error;
    Result r;
    int keys = 0;
    for (const auto& dib : frames) {
      const double start = CpuMs();
      const msvc1::EncodedFrame frame = encoder.Encode(dib.data(), kWidth * 4, 32);
      const double ms = CpuMs() - start;
      r.msPerFrame += ms;
      (frame.keyFrame ? r.msKey : r.msInter) += ms;
      keys += frame.keyFrame;
      r.bytesPerFrame += static_cast<double>(frame.bytes.size());
      if (measureQuality && pass == 0) error.Add(dib, decoder.Decode(frame.bytes));
    }
    const double n = static_cast<double>(frames.size());
    r.msPerFrame /= n;
    r.msKey /= std::max(1, keys);
    r.msInter /= std::max(1.0, n - keys);
    r.bytesPerFrame /= n;
    if (pass == 0) psnr = error.Psnr();
    runs.push_back(r);
  }
  std::sort(runs.begin(), runs.end(), [](const Result& a, const Result& b) { return a.msPerFrame < b.msPerFrame; });
  Result median = runs[runs.size() / 2];
  median.psnr = psnr;
  return median;
}

Result RunLibav(const std::vector<std::vector<std::uint8_t>>& frames, int keyEvery) {
  msvc1test::LibavMsvideo1Encoder encoder(kWidth, kHeight, keyEvery);
  msvc1test::Msvideo1Decoder decoder(kWidth, kHeight);
  ErrorSum error;
  Result r;
  int keys = 0;
  std::vector<std::uint16_t> picture(static_cast<std::size_t>(kWidth) * kHeight);
  for (const auto& dib : frames) {
    // The same 5-5-5 input our encoder derives, so only the encoders differ.
    for (std::size_t i = 0; i < picture.size(); ++i)
      picture[i] = msvc1::Rgb555FromRgb(dib[4 * i] | (dib[4 * i + 1] << 8) | (dib[4 * i + 2] << 16));
    const double start = CpuMs();
    const auto packet = encoder.Encode(picture);
    const double ms = CpuMs() - start;
    r.msPerFrame += ms;
    (packet.keyFrame ? r.msKey : r.msInter) += ms;
    keys += packet.keyFrame;
    r.bytesPerFrame += static_cast<double>(packet.bytes.size());
    error.Add(dib, decoder.Decode(packet.bytes));
  }
  const double n = static_cast<double>(frames.size());
  r.msPerFrame /= n;
  r.msKey /= std::max(1, keys);
  r.msInter /= std::max(1.0, n - keys);
  r.bytesPerFrame /= n;
  r.psnr = error.Psnr();
  return r;
}

void Print(const char* name, const Result& r, bool withPsnr = true) {
  std::printf("%-22s %8.2f CPU ms/frame (key %7.2f, inter %7.2f)  %9.0f bytes/frame", name, r.msPerFrame, r.msKey,
              r.msInter, r.bytesPerFrame);
  if (withPsnr) std::printf("  PSNR %6.2f dB", r.psnr);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  int frameCount = 20, quality = 6550, keyEvery = 5, passes = 5;
  bool oursOnly = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (option == "--frames") frameCount = std::max(2, value);
    else if (option == "--quality") quality = value;
    else if (option == "--key-every") keyEvery = value;
    else if (option == "--passes") passes = std::max(1, value);
    else if (option == "--ours-only") oursOnly = value != 0;
    else {
      std::fprintf(stderr, "usage: %s [--frames N] [--quality Q] [--key-every K] [--passes P] [--ours-only 1]\n",
                   argv[0]);
      return 2;
    }
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  std::printf("Video 1 encoders on %d frames of %dx%d (desktop with a moving window), key frame every %d\n", frameCount,
              kWidth, kHeight, keyEvery);
  const ScreenScene scene(kWidth, kHeight);
  std::vector<std::vector<std::uint8_t>> frames(frameCount);
  for (int i = 0; i < frameCount; ++i) scene.RenderFrame(i, frames[i]);

  msvc1test::LibavMessages messages;
  std::vector<std::vector<std::uint8_t>> still(frameCount, frames[0]);
  const Result stillDesktop = RunOurs(still, quality, keyEvery, passes, false);
  const Result ours = RunOurs(frames, quality, keyEvery, passes, true);
  char name[64];
  std::snprintf(name, sizeof name, "ours, quality %d", quality);
  Print(name, ours);
  Print("ours, still desktop", stillDesktop, false);
  if (oursOnly) return 0;
  const Result libav = RunLibav(frames, keyEvery);
  const std::string decoderMessages = messages.Take();
  Print("libavcodec msvideo1", libav);
  const double ratio = libav.msPerFrame / ours.msPerFrame;
  std::printf("speed ratio %.1fx, PSNR difference %+.2f dB, decoder messages: %s\n", ratio, ours.psnr - libav.psnr,
              decoderMessages.empty() ? "none" : decoderMessages.c_str());
  const bool met = ratio >= 20 && ours.psnr >= libav.psnr - 1 && decoderMessages.empty();
  std::printf("target (>= 20x faster, PSNR at most 1 dB lower, silent decode): %s\n", met ? "met" : "NOT met");
  return met ? 0 : 1;
}
