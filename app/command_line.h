#pragma once
// The command line for scripted and headless use.
#include <optional>
#include <string>

#include "camera/recording_settings.h"
#include "platform/screen_source.h"

namespace app {

struct Region {
  int x = 0, y = 0, width = 0, height = 0;
};

struct CommandLine {
  // Clipboard and ToFile: a still as Ctrl+Shift+F1 / Ctrl+Shift+F2 take it, by the running window
  // when there is one.
  enum class Mode { Window, Still, Record, Clipboard, ToFile, ListCodecs, Help, Version };
  Mode mode = Mode::Window;
  std::string file;
  std::optional<Region> region;  // the whole screen when absent
  double seconds = 0;            // a recording's length; 0 until it is stopped by a signal
  int fps = recording::kDefaultFramesPerSecond;
  std::string codec = "MSVC";
  int quality = recording::kDefaultQuality;
  bool withCursor = true;
  // Where the screen's pixels come from, when forced; chosen by the session otherwise.
  std::optional<platform::ScreenSource> screenSource;
};

struct ParseResult {
  std::optional<CommandLine> commandLine;
  std::string error;  // set when the arguments are not understood
};

ParseResult ParseCommandLine(int argc, const char* const* argv);
const char* UsageText();

}  // namespace app
