#include "tests/codec/codec_test_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace codectest {
namespace {

struct Expected {
  const char* fourcc;
  const char* encoder;
  bool lossless;
};
// The compressor table as the program promises it, in compressor-number order.
const Expected kTable[] = {
    {"MSVC", "msvideo1", false}, {"ZMBV", "zmbv", true},     {"MJPG", "mjpeg", false},  {"H264", "libx264", false},
    {"FMP4", "mpeg4", false},    {"ULRG", "utvideo", true},  {"HFYU", "huffyuv", true}, {"FFV1", "ffv1", true},
    {"MPNG", "png", true},       {"cvid", "cinepak", false},
};

std::uint32_t Pack(const char* text) { return mmioFOURCC(text[0], text[1], text[2], text[3]); }

const Expected* Find(std::uint32_t fourcc) {
  for (const Expected& e : kTable)
    if (Pack(e.fourcc) == fourcc) return &e;
  return nullptr;
}

std::uint32_t PaletteColour(int index) {
  if (index < 216) {
    const int r = index / 36, g = index / 6 % 6, b = index % 6;
    return static_cast<std::uint32_t>(r * 51) << 16 | static_cast<std::uint32_t>(g * 51) << 8 |
           static_cast<std::uint32_t>(b * 51);
  }
  const auto grey = static_cast<std::uint32_t>((index - 216) * 255 / 39);
  return grey << 16 | grey << 8 | grey;
}

int NearestPaletteIndex(std::uint32_t rgb) {
  int best = 0;
  long bestDistance = 1L << 30;
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t p = PaletteColour(i);
    long distance = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const long d = static_cast<long>((rgb >> shift) & 0xFF) - static_cast<long>((p >> shift) & 0xFF);
      distance += d * d;
    }
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

std::string FfprobeValue(const std::string& output, const std::string& key) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  return {};
}

std::uint32_t Le32(const std::string& data, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, data.data() + at, 4);
  return v;
}

}  // namespace

std::uint32_t PackedDib::Colour(int x, int y) const {
  const BITMAPINFOHEADER& h = Header();
  const std::size_t stride = (static_cast<std::size_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  const std::uint8_t* row = Bits() + stride * static_cast<std::size_t>(h.biHeight - 1 - y);
  switch (h.biBitCount) {
    case 8: {
      std::uint32_t entry;
      std::memcpy(&entry, bytes.data() + 40 + 4 * row[x], 4);
      return entry & 0xFFFFFF;
    }
    case 16: {
      const std::uint16_t v = static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
      return static_cast<std::uint32_t>((v >> 10) & 31) << 19 | static_cast<std::uint32_t>((v >> 5) & 31) << 11 |
             static_cast<std::uint32_t>(v & 31) << 3;
    }
    default: {
      const std::size_t bytesPerPixel = h.biBitCount / 8;
      const std::uint8_t* p = row + bytesPerPixel * static_cast<std::size_t>(x);
      return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
  }
}

PackedDib MakeDib(const testsupport::RgbPicture& picture, int bitsPerPixel) {
  const int w = picture.width, h = picture.height;
  const std::size_t stride = (static_cast<std::size_t>(w) * bitsPerPixel + 31) / 32 * 4;
  const std::uint32_t colours = bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0;
  PackedDib dib;
  dib.bytes.assign(40 + 4 * colours + stride * static_cast<std::size_t>(h), 0);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = w;
  header.biHeight = h;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<std::uint32_t>(stride * static_cast<std::size_t>(h));
  header.biClrUsed = colours;
  std::memcpy(dib.bytes.data(), &header, sizeof header);
  if (bitsPerPixel != 8 && bitsPerPixel < 16) return dib;  // a format only, for refusals
  if (bitsPerPixel == 8)
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t c = PaletteColour(i);
      std::memcpy(dib.bytes.data() + 40 + 4 * i, &c, 4);
    }
  std::uint8_t* bits = dib.bytes.data() + 40 + 4 * colours;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = bits + stride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = picture.At(x, y);
      const std::uint8_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      switch (bitsPerPixel) {
        case 8: row[x] = static_cast<std::uint8_t>(NearestPaletteIndex(c)); break;
        case 16: {
          const auto v = static_cast<std::uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
          row[2 * x] = static_cast<std::uint8_t>(v & 0xFF);
          row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        }
        default: {
          std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitsPerPixel / 8);
          p[0] = b;
          p[1] = g;
          p[2] = r;
        }
      }
    }
  }
  return dib;
}

PackedDib ScreenDib(int width, int height, int bitsPerPixel, int index) {
  return MakeDib(testsupport::ScreenFrame(width, height, index), bitsPerPixel);
}

std::vector<std::uint32_t> AllFourccs() {
  std::vector<std::uint32_t> all;
  for (const Expected& e : kTable) all.push_back(Pack(e.fourcc));
  return all;
}

std::vector<std::uint32_t> InstalledFourccs() {
  std::vector<std::uint32_t> installed;
  ICINFO info;
  for (std::uint32_t i = 0; i < 32; ++i)
    if (ICInfo(ICTYPE_VIDEO, i, &info)) installed.push_back(info.fccHandler);
  return installed;
}

std::string Text(std::uint32_t fourcc) {
  std::string text;
  for (int i = 0; i < 4; ++i) text.push_back(static_cast<char>((fourcc >> (8 * i)) & 0xFF));
  return text;
}

bool IsLossless(std::uint32_t fourcc) {
  const Expected* e = Find(fourcc);
  return e && e->lossless;
}

std::string EncoderName(std::uint32_t fourcc) {
  const Expected* e = Find(fourcc);
  return e ? e->encoder : "";
}

bool WriteResult::AllOk() const {
  if (open || stream || compressed || format) return false;
  for (HRESULT w : writes)
    if (w) return false;
  return true;
}

WriteResult WriteAvi(const std::string& path, const WriteSettings& settings, const std::vector<PackedDib>& frames,
                     const std::vector<int>& positions) {
  WriteResult result;
  const BITMAPINFOHEADER& first = frames.at(0).Header();
  AVISTREAMINFOA header{};
  header.fccType = streamtypeVIDEO;
  header.dwScale = 1;
  header.dwRate = static_cast<std::uint32_t>(settings.framesPerSecond);
  header.dwSuggestedBufferSize = first.biSizeImage;
  header.rcFrame = RECT{0, 0, first.biWidth, first.biHeight};
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = settings.fourcc;
  options.dwKeyFrameEvery = settings.keyFrameEvery;
  options.dwQuality = settings.quality;
  options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;

  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  AVICOMPRESSOPTIONS* optionList[1] = {&options};
  AVIFileInit();
  result.open = AVIFileOpenA(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr);
  if (result.open == AVIERR_OK) result.stream = AVIFileCreateStreamA(file, &stream, &header);
  if (result.stream == AVIERR_OK) result.compressed = AVIMakeCompressedStream(&compressed, stream, &options, nullptr);
  if (result.compressed == AVIERR_OK)
    result.format =
        AVIStreamSetFormat(compressed, 0, frames[0].bytes.data(), static_cast<std::int32_t>(frames[0].FormatSize()));
  if (result.format == AVIERR_OK)
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const PackedDib& frame = frames.at(i);
      result.writes.push_back(AVIStreamWrite(compressed, positions[i], 1, frame.Bits(),
                                             static_cast<std::int32_t>(frame.Header().biSizeImage), 0, nullptr,
                                             nullptr));
      if (result.writes.back() != AVIERR_OK) break;
    }
  AVISaveOptionsFree(1, optionList);
  if (file) AVIFileRelease(file);
  if (stream) AVIStreamRelease(stream);
  if (compressed) AVIStreamRelease(compressed);
  AVIFileExit();
  return result;
}

StreamProbe ProbeStream(const std::string& path) {
  const auto run = testsupport::Run(
      "ffprobe -v error -select_streams v:0 -show_entries stream=codec_tag_string,width,height,r_frame_rate,"
      "nb_frames -of default=nw=1 " +
      testsupport::ShellQuote(path));
  StreamProbe probe;
  probe.codecTag = FfprobeValue(run.output, "codec_tag_string");
  probe.frameRate = FfprobeValue(run.output, "r_frame_rate");
  probe.width = std::atoi(FfprobeValue(run.output, "width").c_str());
  probe.height = std::atoi(FfprobeValue(run.output, "height").c_str());
  const std::string frames = FfprobeValue(run.output, "nb_frames");
  probe.frames = frames.empty() || frames == "N/A" ? -1 : std::atol(frames.c_str());
  return probe;
}

std::vector<PacketProbe> ProbePackets(const std::string& path) {
  const auto run = testsupport::Run(
      "ffprobe -v error -select_streams v:0 -show_entries packet=dts,size,flags -of "
      "compact=p=0:nk=1 " +
      testsupport::ShellQuote(path));
  std::vector<PacketProbe> packets;
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string dts, size, flags;
    std::getline(fields, dts, '|');
    std::getline(fields, size, '|');
    std::getline(fields, flags, '|');
    PacketProbe packet;
    packet.position = dts == "N/A" ? -1 : std::atol(dts.c_str());
    packet.size = std::atol(size.c_str());
    packet.key = flags.find('K') != std::string::npos;
    packets.push_back(packet);
  }
  return packets;
}

Decoded DecodeRgb(const std::string& path, int width, int height) {
  const std::string raw = path + ".rgb";
  const auto run = testsupport::Run("ffmpeg -nostdin -v error -y -i " + testsupport::ShellQuote(path) +
                                    " -fps_mode passthrough -f rawvideo -pix_fmt rgb24 " +
                                    testsupport::ShellQuote(raw) + " 2>&1");
  Decoded decoded;
  decoded.messages = run.output;
  decoded.exitCode = run.exitCode;
  std::ifstream in(raw, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 3;
  for (std::size_t at = 0; frameBytes && at + frameBytes <= data.size(); at += frameBytes)
    decoded.frames.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(at),
                                data.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
  std::filesystem::remove(raw);
  return decoded;
}

double MeanError(const std::vector<std::uint8_t>& rgb, const PackedDib& dib) {
  const int w = dib.Header().biWidth, h = dib.Header().biHeight;
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = dib.Colour(x, y);
      const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * w + x);
      sum += std::abs(p[0] - static_cast<int>((c >> 16) & 0xFF)) + std::abs(p[1] - static_cast<int>((c >> 8) & 0xFF)) +
             std::abs(p[2] - static_cast<int>(c & 0xFF));
    }
  return sum / (3.0 * w * h);
}

bool SameColours(const std::vector<std::uint8_t>& rgb, const PackedDib& dib) {
  const int w = dib.Header().biWidth, h = dib.Header().biHeight;
  const bool fiveBits = dib.Header().biBitCount == 16;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = dib.Colour(x, y);
      const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * w + x);
      const std::uint8_t expected[3] = {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                        static_cast<std::uint8_t>(c)};
      for (int i = 0; i < 3; ++i)
        if (fiveBits ? (p[i] >> 3) != (expected[i] >> 3) : p[i] != expected[i]) return false;
    }
  return true;
}

AviHeaders ReadAviHeaders(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  AviHeaders headers;
  // The stream header and format sit in RIFF AVI / LIST hdrl / LIST strl; a flat search for the
  // chunk ids is enough for files with one stream.
  const std::size_t strh = data.find("strh");
  const std::size_t strf = data.find("strf");
  if (data.compare(0, 4, "RIFF") != 0 || strh == std::string::npos || strf == std::string::npos ||
      strh + 8 + 56 > data.size() || strf + 8 + 40 > data.size())
    return headers;
  const std::size_t h = strh + 8;
  headers.found = true;
  headers.fccType = Le32(data, h);
  headers.fccHandler = Le32(data, h + 4);
  headers.scale = Le32(data, h + 20);
  headers.rate = Le32(data, h + 24);
  headers.length = Le32(data, h + 32);
  std::memcpy(headers.frame, data.data() + h + 48, 8);
  const std::size_t f = strf + 8;
  std::memcpy(&headers.bitCount, data.data() + f + 14, 2);
  headers.compression = Le32(data, f + 16);
  const std::size_t idx1 = data.rfind("idx1");
  if (idx1 != std::string::npos && idx1 + 8 <= data.size()) {
    const std::size_t end = std::min<std::size_t>(data.size(), idx1 + 8 + Le32(data, idx1 + 4));
    for (std::size_t at = idx1 + 8; at + 16 <= end; at += 16)
      headers.index.push_back({Le32(data, at + 12), (Le32(data, at + 4) & 0x10) != 0});
  }
  return headers;
}

std::string TempFolder() { return testsupport::MakeTempFolder("vorlix-codec"); }

long FileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<long>(size);
}

}  // namespace codectest
