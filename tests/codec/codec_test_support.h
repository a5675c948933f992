#pragma once
// Helpers of the codec tests: packed DIBs of synthetic screens, AVI files written through the
// codec services in the camera's order, and what ffprobe / ffmpeg / a RIFF walk read back.
#include <cstdint>
#include <string>
#include <vector>

#include "camera/codec/vfw.h"
#include "tests/support/screen_frames.h"

namespace codectest {

// One block as the frame grabber hands it out: header, colour table, rows (bottom row first).
struct PackedDib {
  std::vector<std::uint8_t> bytes;
  const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data()); }
  std::size_t FormatSize() const { return 40 + 4 * Header().biClrUsed; }
  const std::uint8_t* Bits() const { return bytes.data() + FormatSize(); }
  // Colour of a pixel as the DIB holds it (rows counted from the top), 0x00RRGGBB.
  std::uint32_t Colour(int x, int y) const;
};

// The picture at 8 (a 6x6x6 cube and greys), 16 (5-5-5), 24 or 32 bits per pixel; or a format
// block of another kind when `bitsPerPixel` is 1 or 4 (for refusals).
PackedDib MakeDib(const testsupport::RgbPicture& picture, int bitsPerPixel);
PackedDib ScreenDib(int width, int height, int bitsPerPixel, int index);

std::vector<std::uint32_t> AllFourccs();  // the table's FOURCCs in order, installed or not
std::vector<std::uint32_t> InstalledFourccs();
std::string Text(std::uint32_t fourcc);
bool IsLossless(std::uint32_t fourcc);
std::string EncoderName(std::uint32_t fourcc);  // libavcodec's name of the entry's encoder

struct WriteSettings {
  std::uint32_t fourcc = mmioFOURCC('M', 'S', 'V', 'C');
  int framesPerSecond = 10;
  std::uint32_t quality = 7500;
  std::uint32_t keyFrameEvery = 5;
};
struct WriteResult {
  HRESULT open = -1, stream = -1, compressed = -1, format = -1;
  std::vector<HRESULT> writes;
  bool AllOk() const;
};
// Writes frames[i] at positions[i], with the calls and releases in the camera's order. Stops at
// the first failure.
WriteResult WriteAvi(const std::string& path, const WriteSettings& settings, const std::vector<PackedDib>& frames,
                     const std::vector<int>& positions);

struct StreamProbe {
  std::string codecTag, frameRate;
  int width = 0, height = 0;
  long frames = -1;  // positions the stream header declares
};
StreamProbe ProbeStream(const std::string& path);

struct PacketProbe {
  long position = -1;  // decode time stamp: with no B-frames, the stream position
  long size = 0;
  bool key = false;
};
std::vector<PacketProbe> ProbePackets(const std::string& path);

struct Decoded {
  std::string messages;  // what ffmpeg -v error said
  int exitCode = -1;
  std::vector<std::vector<std::uint8_t>> frames;  // RGB24, top row first
};
Decoded DecodeRgb(const std::string& path, int width, int height);

// Mean absolute difference of every channel between a decoded frame and the picture.
double MeanError(const std::vector<std::uint8_t>& rgb, const PackedDib& dib);
// Whether the decoded frame is exactly the DIB's colours (16 bits: the 5 significant bits).
bool SameColours(const std::vector<std::uint8_t>& rgb, const PackedDib& dib);

// What the file's stream header (strh) and format (strf) say, read with a RIFF walk.
struct AviHeaders {
  bool found = false;
  std::uint32_t fccType = 0, fccHandler = 0, scale = 0, rate = 0, length = 0;
  std::int16_t frame[4] = {};  // rcFrame
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  // The legacy index (idx1): one entry per stream position, in order.
  struct IndexEntry {
    std::uint32_t size = 0;
    bool key = false;
  };
  std::vector<IndexEntry> index;
};
AviHeaders ReadAviHeaders(const std::string& path);

// A fresh empty folder for one test.
std::string TempFolder();
long FileSize(const std::string& path);

}  // namespace codectest
