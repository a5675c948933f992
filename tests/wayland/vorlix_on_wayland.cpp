#include "tests/wayland/vorlix_on_wayland.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <unistd.h>

namespace waylandtest {
namespace {

std::string FocusedIn(const QJsonObject& node) {
  if (node["focused"].toBool()) return node["name"].toString().toStdString();
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue& child : node[children].toArray()) {
      const std::string found = FocusedIn(child.toObject());
      if (!found.empty()) return found;
    }
  }
  return "";
}

}  // namespace

int OutputScale() {
  const testsupport::CommandResult outputs = testsupport::Run("swaymsg -r -t get_outputs");
  const QJsonArray list = QJsonDocument::fromJson(QByteArray::fromStdString(outputs.output)).array();
  return list.isEmpty() ? 1 : std::max(1, list[0].toObject()["scale"].toInt(1));
}

std::string FocusedWindow() {
  const testsupport::CommandResult tree = testsupport::Run("swaymsg -r -t get_tree");
  if (tree.exitCode != 0) return "";
  return FocusedIn(QJsonDocument::fromJson(QByteArray::fromStdString(tree.output)).object());
}

ColourWindow::ColourWindow(const std::string& title, std::uint32_t colour, int width, int height, int x, int y,
                           bool animate) {
  const std::string shownFile = "/tmp/colour-window-" + title + "-" + std::to_string(::getpid()) + ".txt";
  std::string command = "exec " + testsupport::ShellQuote(COLOUR_WINDOW) + " --colour '" + Hex(colour) + "' --title " +
                        testsupport::ShellQuote(title) + " --size " + std::to_string(width) + "x" +
                        std::to_string(height) + (animate ? " --animate" : "") + " > " +
                        testsupport::ShellQuote(shownFile);
  process_ =
      std::make_unique<testsupport::ChildProcess>(std::vector<std::string>{"sh", "-c", command},
                                                  std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "wayland"}});
  const bool shown = testsupport::WaitUntil(
      [&] {
        QFile file(QString::fromStdString(shownFile));
        return file.open(QIODevice::ReadOnly) && file.readAll().startsWith("shown ");
      },
      testsupport::kPatience);
  std::remove(shownFile.c_str());
  if (!shown) return;
  // sway places a floating window in the middle; a test needs it where it asks.
  const std::string move = "swaymsg " +
                           testsupport::ShellQuote("[title=\"" + title + "\"] move position " + std::to_string(x) +
                                                   " " + std::to_string(y)) +
                           " >/dev/null";
  const std::string shot = "/tmp/colour-window-" + title + "-" + std::to_string(::getpid()) + ".png";
  testsupport::WaitUntil(
      [&] {
        const auto frame = WindowFrame(title);
        if (!frame || frame->x != x || frame->y != y) {
          testsupport::Run(move);
          return false;
        }
        const auto content = WindowContent(title);
        if (!content) return false;
        const testsupport::RgbImage screen = Screenshot(shot);
        if (screen.width == 0) return false;
        // All four corners drawn: the window is at its place on the screen, not on its way there.
        const int s = OutputScale();
        for (int cy : {content->y * s, (content->y + content->height) * s - 1})
          for (int cx : {content->x * s, (content->x + content->width) * s - 1})
            if (!Near(screen.At(cx, cy), colour, animate ? 1 : 0)) return false;
        content_ = *content;
        return true;
      },
      testsupport::kPatience);
  std::remove(shot.c_str());
}

ColourWindow::~ColourWindow() = default;

std::string Hex(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", colour & 0xffffffu);
  return text;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance) return false;
  }
  return true;
}

std::string Differences(const testsupport::RgbImage& image, const testsupport::RgbImage& screen, int left, int top) {
  if (image.width == 0 || left + image.width > screen.width || top + image.height > screen.height)
    return "sizes do not fit: " + std::to_string(image.width) + "x" + std::to_string(image.height) + " at " +
           std::to_string(left) + "," + std::to_string(top) + " on " + std::to_string(screen.width) + "x" +
           std::to_string(screen.height);
  long differ = 0;
  std::string first;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.At(x, y) == screen.At(left + x, top + y)) continue;
      if (differ++ == 0)
        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + Hex(image.At(x, y)) + ", the screen " +
                Hex(screen.At(left + x, top + y));
    }
  }
  return differ == 0 ? "" : std::to_string(differ) + " pixels differ, the first " + first;
}

DecodedFrames DecodeFrames(const std::string& path) {
  DecodedFrames video;
  const std::string size =
      testsupport::Run("ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x " +
                       testsupport::ShellQuote(path) + " 2>/dev/null")
          .output;
  if (std::sscanf(size.c_str(), "%dx%d", &video.width, &video.height) != 2 || video.width <= 0 || video.height <= 0)
    return video;
  const std::string errors = path + ".ffmpeg-errors";
  const testsupport::CommandResult run =
      testsupport::Run("ffmpeg -nostdin -v error -i " + testsupport::ShellQuote(path) +
                       " -f rawvideo -pix_fmt rgb24 - 2>" + testsupport::ShellQuote(errors));
  video.exitCode = run.exitCode;
  std::ifstream in(errors);
  video.messages.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::remove(errors.c_str());
  const std::size_t frameBytes = static_cast<std::size_t>(video.width) * video.height * 3;
  for (std::size_t at = 0; at + frameBytes <= run.output.size(); at += frameBytes) {
    testsupport::RgbImage frame;
    frame.width = video.width;
    frame.height = video.height;
    frame.rgb.assign(run.output.begin() + at, run.output.begin() + at + frameBytes);
    video.frames.push_back(std::move(frame));
  }
  return video;
}

std::string FramesOtherThan(const DecodedFrames& video, std::uint32_t colour) {
  for (std::size_t i = 0; i < video.frames.size(); ++i) {
    const testsupport::RgbImage& frame = video.frames[i];
    for (int y = 0; y < frame.height; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        if (!Near(frame.At(x, y), colour, 1))
          return "frame " + std::to_string(i) + " (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                 Hex(frame.At(x, y));
      }
    }
  }
  return "";
}

}  // namespace waylandtest
