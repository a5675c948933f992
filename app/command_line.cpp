#include "command_line.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace app {
namespace {

bool ParseInt(const std::string& text, long low, long high, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseRegion(const std::string& text, Region& region) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    parts.push_back(text.substr(start, comma - start));
  }
  parts.push_back(text.substr(start));
  constexpr long kLimit = 1 << 20;
  return parts.size() == 4 && ParseInt(parts[0], -kLimit, kLimit, region.x) &&
         ParseInt(parts[1], -kLimit, kLimit, region.y) && ParseInt(parts[2], 1, kLimit, region.width) &&
         ParseInt(parts[3], 1, kLimit, region.height);
}

std::string Range(int low, int high) { return std::to_string(low) + ".." + std::to_string(high); }

}  // namespace

const char* UsageText() {
  static const std::string text =
      "Usage: vorlix [OPTION]...\n"
      "Without options, opens the Vorlix window.\n"
      "\n"
      // help2man puts what follows this heading under OPTIONS in the man page.
      "Options:\n"
      "  --still FILE [--region X,Y,W,H]\n"
      "        take a still of the screen (or the region) into FILE, .bmp or .jpg\n"
      "  --record SECONDS FILE [--region X,Y,W,H] [--fps N] [--codec FOURCC] [--quality Q] [--no-cursor]\n"
      "        record the screen (or the region) into the AVI file FILE, for SECONDS or, with 0,\n"
      "        until Ctrl+C or SIGTERM; N is " +
      Range(recording::kMinFramesPerSecond, recording::kMaxFramesPerSecond) + " (" +
      std::to_string(recording::kDefaultFramesPerSecond) + "), Q is " + Range(0, recording::kMaxQuality) + " (" +
      std::to_string(recording::kDefaultQuality) +
      "), FOURCC one of\n"
      "        --list-codecs (MSVC). On a terminal a line shows the time, frames and file size.\n"
      "  --clipboard    take a still to the clipboard, as Ctrl+Shift+F1 does\n"
      "  --to-file      take a still to the image file, as Ctrl+Shift+F2 does\n"
      "        Both ask the running Vorlix window, which uses its region and file name; without one\n"
      "        the whole screen goes to the clipboard (offered until another program takes it over)\n"
      "        or to ~/Temp Vorlix/My screenshot.bmp. The exit status is 0 when the still was taken.\n"
      "  --screen-source x11|portal\n"
      "        read the screen from the X server, or from the desktop's screen-cast portal (the\n"
      "        default on a Wayland session; the desktop may ask once per run); also\n"
      "        VORLIX_SCREEN_SOURCE\n"
      "  --list-codecs  list the installed compressors\n"
      "  --help         show this help\n"
      "  --version      show the version\n"
      "\n"
      "Names are numbered (FILE, 001_FILE, 002_FILE ...) so that no file is ever overwritten.\n";
  return text.c_str();
}

ParseResult ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  std::vector<std::string> args(argv + 1, argv + argc);
  auto fail = [](const std::string& message) { return ParseResult{std::nullopt, message}; };
  bool modeSet = false;
  auto setMode = [&](CommandLine::Mode mode) {
    if (modeSet) return false;
    modeSet = true;
    line.mode = mode;
    return true;
  };
  bool recordOnly = false;  // an option that only a recording takes

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      if (!setMode(CommandLine::Mode::Help)) return fail("--help takes no other command");
    } else if (arg == "--version") {
      if (!setMode(CommandLine::Mode::Version)) return fail("--version takes no other command");
    } else if (arg == "--list-codecs") {
      if (!setMode(CommandLine::Mode::ListCodecs)) return fail("only one command at a time");
    } else if (arg == "--clipboard") {
      if (!setMode(CommandLine::Mode::Clipboard)) return fail("only one command at a time");
    } else if (arg == "--to-file") {
      if (!setMode(CommandLine::Mode::ToFile)) return fail("only one command at a time");
    } else if (arg == "--still") {
      if (!setMode(CommandLine::Mode::Still)) return fail("only one command at a time");
      if (!value(line.file) || line.file.empty()) return fail("--still needs a file name");
    } else if (arg == "--record") {
      if (!setMode(CommandLine::Mode::Record)) return fail("only one command at a time");
      int seconds = 0;
      if (!value(v) || !ParseInt(v, 0, 86400, seconds)) return fail("--record needs a number of seconds (0..86400)");
      line.seconds = seconds;
      if (!value(line.file) || line.file.empty()) return fail("--record needs a file name");
    } else if (arg == "--region") {
      Region region;
      if (!value(v) || !ParseRegion(v, region)) return fail("--region needs X,Y,W,H with W and H at least 1");
      line.region = region;
    } else if (arg == "--fps") {
      if (!value(v) || !ParseInt(v, recording::kMinFramesPerSecond, recording::kMaxFramesPerSecond, line.fps)) {
        return fail("--fps needs a number from " + std::to_string(recording::kMinFramesPerSecond) + " to " +
                    std::to_string(recording::kMaxFramesPerSecond));
      }
      recordOnly = true;
    } else if (arg == "--codec") {
      if (!value(line.codec) || line.codec.size() != 4) return fail("--codec needs a four-character code");
      recordOnly = true;
    } else if (arg == "--quality") {
      if (!value(v) || !ParseInt(v, 0, recording::kMaxQuality, line.quality)) {
        return fail("--quality needs a number from 0 to " + std::to_string(recording::kMaxQuality));
      }
      recordOnly = true;
    } else if (arg == "--screen-source") {
      if (!value(v) || !(line.screenSource = platform::ParseScreenSource(v)))
        return fail("--screen-source needs x11 or portal");
    } else if (arg == "--no-cursor") {
      line.withCursor = false;
      recordOnly = true;
    } else {
      return fail("unknown argument '" + arg + "'");
    }
  }
  if (recordOnly && line.mode != CommandLine::Mode::Record)
    return fail("--fps, --codec, --quality and --no-cursor go with --record");
  if (line.region && line.mode != CommandLine::Mode::Still && line.mode != CommandLine::Mode::Record) {
    return fail("--region goes with --still or --record");
  }
  return ParseResult{line, ""};
}

}  // namespace app
