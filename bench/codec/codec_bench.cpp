// Encodes a 1920 x 1080 screen-like sequence (a static desktop with text, one window moving over
// it, a clock that changes) through every installed compressor into an AVI file, the way a
// recording does, and prints frames per second and bytes per frame for each.
//
// Usage: codec_bench [--frames N] [--seconds S] [--size WxH] [--bits B] [--quality Q]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "camera/codec/vfw.h"
#include "tests/support/screen_frames.h"

namespace {

struct Options {
  int frames = 16;      // at most this many frames per compressor
  double seconds = 20;  // and no longer than this
  int width = 1920, height = 1080, bits = 32;
  std::uint32_t quality = 6550;  // the camera's default
};

// The picture as a packed DIB at 32 (B,G,R,0) or 16 (5-5-5) bits, bottom row first.
std::vector<std::uint8_t> ToDib(const testsupport::RgbPicture& picture, int bits) {
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * bits + 31) / 32 * 4;
  std::vector<std::uint8_t> dib(40 + stride * picture.height);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = picture.width;
  header.biHeight = picture.height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bits);
  header.biSizeImage = static_cast<std::uint32_t>(stride * picture.height);
  std::memcpy(dib.data(), &header, 40);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = dib.data() + 40 + stride * (picture.height - 1 - y);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t c = picture.At(x, y);
      if (bits == 16) {
        const auto v = static_cast<std::uint16_t>(((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31));
        std::memcpy(row + 2 * x, &v, 2);
      } else {
        std::memcpy(row + 4 * x, &c, 4);
      }
    }
  }
  return dib;
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--frames") options.frames = std::atoi(value);
    else if (key == "--seconds") options.seconds = std::atof(value);
    else if (key == "--bits") options.bits = std::atoi(value);
    else if (key == "--quality") options.quality = static_cast<std::uint32_t>(std::atoi(value));
    else if (key == "--size") std::sscanf(value, "%dx%d", &options.width, &options.height);
  }
  return options;
}

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  std::printf(
      "Screen-like sequence %dx%d at %d bits, quality %u, key frame every 5, up to %d frames / %.0f s "
      "per compressor\n",
      options.width, options.height, options.bits, options.quality, options.frames, options.seconds);
  std::vector<std::vector<std::uint8_t>> frames;
  for (int i = 0; i < options.frames; ++i)
    frames.push_back(ToDib(testsupport::ScreenFrame(options.width, options.height, i), options.bits));
  const std::string path = (std::filesystem::temp_directory_path() / "vorlix-codec-bench.avi").string();

  std::printf("%-5s %-52s %7s %9s %12s\n", "FOURCC", "description", "frames", "fps", "bytes/frame");
  ICINFO info;
  for (std::uint32_t number = 0; ICInfo(ICTYPE_VIDEO, number, &info); ++number) {
    const std::string fourcc(reinterpret_cast<const char*>(&info.fccHandler), 4);
    AVISTREAMINFOA header{};
    header.fccType = streamtypeVIDEO;
    header.dwScale = 1;
    header.dwRate = 10;
    header.rcFrame = RECT{0, 0, options.width, options.height};
    AVICOMPRESSOPTIONS compression{};
    compression.fccType = streamtypeVIDEO;
    compression.fccHandler = info.fccHandler;
    compression.dwKeyFrameEvery = 5;
    compression.dwQuality = options.quality;
    compression.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr, compressed = nullptr;
    AVIFileInit();
    HRESULT result = AVIFileOpenA(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr);
    if (!result) result = AVIFileCreateStreamA(file, &stream, &header);
    if (!result) result = AVIMakeCompressedStream(&compressed, stream, &compression, nullptr);
    if (!result) result = AVIStreamSetFormat(compressed, 0, frames[0].data(), 40);
    int written = 0;
    long long bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    while (!result && written < options.frames && (written < 3 || elapsed < options.seconds)) {
      const auto& frame = frames[static_cast<std::size_t>(written)];
      std::int32_t frameBytes = 0;
      result = AVIStreamWrite(compressed, written, 1, frame.data() + 40, static_cast<std::int32_t>(frame.size() - 40),
                              0, nullptr, &frameBytes);
      if (!result) {
        ++written;
        bytes += frameBytes;
      }
      elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (file) AVIFileRelease(file);
    if (stream) AVIStreamRelease(stream);
    if (compressed) AVIStreamRelease(compressed);
    AVIFileExit();
    if (result)
      std::printf("%-6s %-52s failed: 0x%08X\n", fourcc.c_str(), Narrow(info.szDescription).c_str(),
                  static_cast<unsigned>(result));
    else
      std::printf("%-6s %-52s %7d %9.2f %12lld\n", fourcc.c_str(), Narrow(info.szDescription).substr(0, 52).c_str(),
                  written, written / elapsed, bytes / written);
    std::fflush(stdout);
  }
  std::filesystem::remove(path);
  return 0;
}
