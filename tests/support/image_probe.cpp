#include "tests/support/image_probe.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/process.h"

namespace testsupport {
namespace {

RgbImage Decode(const std::string& source) {
  RgbImage image;
  const CommandResult size = Run("identify -format '%w %h' " + source + " 2>/dev/null");
  std::istringstream in(size.output);
  if (!(in >> image.width >> image.height)) return RgbImage{};
  const CommandResult pixels = Run("convert " + source + " -depth 8 rgb:- 2>/dev/null");
  image.rgb.assign(pixels.output.begin(), pixels.output.end());
  if (image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3) return RgbImage{};
  return image;
}

}  // namespace

std::string Identify(const std::string& path, const std::string& format) {
  return Run("identify -format " + ShellQuote(format) + " " + ShellQuote(path) + " 2>/dev/null").output;
}

RgbImage ReadImage(const std::string& path) { return Decode(ShellQuote(path) + "[0]"); }

RgbImage ReadScreen() {
  const std::string path = "/tmp/vorlix-test-screen-" + std::to_string(::getpid()) + ".ppm";
  Run("import -window root " + ShellQuote(path) + " 2>/dev/null");
  RgbImage image = ReadImage(path);
  std::remove(path.c_str());
  return image;
}

void WritePpm(const std::string& path, const RgbImage& image) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
}

}  // namespace testsupport
