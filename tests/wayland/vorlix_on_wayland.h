#pragma once
// What the tests of the real program on the Wayland desktop share: Wayland windows of one colour at
// known places, the pixels of the videos the program writes, and the comparison of its stills with
// grim's screenshots.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/wayland/wayland_desktop.h"

namespace waylandtest {

// A colour_window (a Wayland-native window) of one colour, closed when the object goes.
class ColourWindow {
 public:
  // Shows it, moves its frame's top left to (x, y) in layout coordinates (the X root's) and waits until its colour
  // fills its contents on the screen. `animate` flips the colour's lowest bits all the time.
  ColourWindow(const std::string& title, std::uint32_t colour, int width, int height, int x, int y,
               bool animate = false);
  ~ColourWindow();
  // Where its contents are on the layout; width 0 when it never showed there.
  const Rect& Content() const { return content_; }

 private:
  std::unique_ptr<testsupport::ChildProcess> process_;
  Rect content_;
};

// The output's scale: its pixels for each unit of the layout (and of the X root).
int OutputScale();
// The title of the window that has the focus in sway's tree, "" when none has.
std::string FocusedWindow();

// "#rrggbb".
std::string Hex(std::uint32_t colour);
// Whether the two colours differ by at most `tolerance` in each channel.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance);

// "" when `image` equals the part of `screen` whose top left is at (left, top); else how many
// pixels differ and the first of them.
std::string Differences(const testsupport::RgbImage& image, const testsupport::RgbImage& screen, int left = 0,
                        int top = 0);

// The frames of a video as ffmpeg decodes them to 8-bit RGB, with what it said at -v error.
struct DecodedFrames {
  int exitCode = -1;
  std::string messages;
  int width = 0, height = 0;
  std::vector<testsupport::RgbImage> frames;
};
DecodedFrames DecodeFrames(const std::string& path);

// "" when every pixel of every frame is within 1 of `colour` in each channel; else the first pixel
// that is not.
std::string FramesOtherThan(const DecodedFrames& video, std::uint32_t colour);

}  // namespace waylandtest
