#include "tests/support/x_session.h"

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "tests/support/process.h"

namespace testsupport {

namespace {

// What xwininfo with the given arguments says of a window's place and size.
WindowGeometry XwininfoGeometry(const std::string& arguments) {
  WindowGeometry g;
  std::istringstream in(Run("xwininfo " + arguments).output);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const int value = std::atoi(line.c_str() + colon + 1);
    if (line.find("Absolute upper-left X") != std::string::npos) g.x = value;
    if (line.find("Absolute upper-left Y") != std::string::npos) g.y = value;
    if (line.find("  Width") == 0) g.width = value;
    if (line.find("  Height") == 0) g.height = value;
  }
  return g;
}

}  // namespace

// The root window itself, not the monitor that xdotool's display geometry reports on a screen of
// several monitors.
WindowGeometry ScreenSize() { return XwininfoGeometry("-root"); }

WindowGeometry PrimaryMonitor() {
  // Lines such as " 0: *right 1024/270x768/203+1024+0  screen"; the star marks the primary one.
  std::istringstream in(Run("xrandr --listmonitors").output);
  for (std::string line; std::getline(in, line);) {
    const auto star = line.find(": *");
    if (star == std::string::npos) continue;
    const auto space = line.find(' ', star + 3);
    if (space == std::string::npos) continue;
    WindowGeometry g;
    if (std::sscanf(line.c_str() + space, " %d/%*dx%d/%*d+%d+%d", &g.width, &g.height, &g.x, &g.y) == 4) return g;
  }
  return ScreenSize();
}

RgbImage MakePattern(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
      // Multiples of 8 survive a 5-bit-per-channel display unchanged.
      p[0] = static_cast<std::uint8_t>((x * 8) & 0xf8);
      p[1] = static_cast<std::uint8_t>((y * 8) & 0xf8);
      p[2] = static_cast<std::uint8_t>(((x + y) * 24 + (x / 32) * 40) & 0xf8);
    }
  }
  return image;
}

void PaintRoot(const RgbImage& image) {
  const std::string path = "/tmp/vorlix-test-root-" + std::to_string(::getpid()) + ".ppm";
  WritePpm(path, image);
  Run("display -window root " + ShellQuote(path) + " 2>/dev/null");
  std::remove(path.c_str());
}

std::vector<std::string> FindWindows(const std::string& nameRegex) {
  std::vector<std::string> ids;
  std::istringstream in(Run("xdotool search --onlyvisible --name " + ShellQuote(nameRegex) + " 2>/dev/null").output);
  for (std::string id; in >> id;) ids.push_back(id);
  return ids;
}

std::string WaitForWindow(const std::string& nameRegex, std::chrono::milliseconds timeout) {
  std::string found;
  WaitUntil(
      [&] {
        const auto ids = FindWindows(nameRegex);
        if (!ids.empty()) found = ids.front();
        return !found.empty();
      },
      timeout);
  return found;
}

WindowGeometry GetGeometry(const std::string& windowId) {
  WindowGeometry g;
  const std::string out = Run("xdotool getwindowgeometry --shell " + windowId).output;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const int value = std::atoi(line.c_str() + eq + 1);
    if (key == "X") g.x = value;
    if (key == "Y") g.y = value;
    if (key == "WIDTH") g.width = value;
    if (key == "HEIGHT") g.height = value;
  }
  return g;
}

bool WaitUntilSettled(const std::string& windowId, std::chrono::milliseconds timeout) {
  WindowGeometry previous = GetGeometry(windowId);
  return WaitUntil(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const WindowGeometry now = GetGeometry(windowId);
        const bool still = now.x == previous.x && now.y == previous.y && now.width == previous.width &&
                           now.height == previous.height;
        previous = now;
        return still;
      },
      timeout);
}

WindowGeometry ClientOrigin(const std::string& windowId) { return XwininfoGeometry("-id " + windowId); }

WindowGeometry FrameGeometry(const std::string& windowId) {
  WindowGeometry g = ClientOrigin(windowId);
  // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
  const std::string out = Run("xprop -id " + windowId + " _NET_FRAME_EXTENTS 2>/dev/null").output;
  int left = 0, right = 0, top = 0, bottom = 0;
  const std::size_t equals = out.find('=');
  if (equals != std::string::npos) {
    std::sscanf(out.c_str() + equals + 1, " %d , %d , %d , %d", &left, &right, &top, &bottom);
  }
  return {g.x - left, g.y - top, g.width + left + right, g.height + top + bottom};
}

int Xdotool(const std::string& arguments) { return Run("xdotool " + arguments + " 2>/dev/null").exitCode; }

}  // namespace testsupport
