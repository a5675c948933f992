#include "headless.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>

#include "app/default_outputs.h"
#include "app/headless_record.h"
#include "app/still_files.h"
#include "app/still_image.h"
#include "platform/file_system.h"

namespace app {
namespace {

constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

CaptureRectangle RectangleOf(const CommandLine& command) {
  if (!command.region) return WholeScreenRectangle();
  const Region& r = *command.region;
  return CaptureRectangle{r.x, r.y, r.x + r.width, r.y + r.height};
}

int TakeStill(const CommandLine& command) {
  if (KindOfStillFile(command.file) == StillFileKind::Unsupported) {
    std::fprintf(stderr, "vorlix: %s: stills are written as .bmp or .jpg files only\n", command.file.c_str());
    return kBadArguments;
  }
  const StillImage image = CaptureRect(RectangleOf(command));
  const std::string written = SaveStill(command.file, image);
  std::printf("%s\n", written.c_str());
  return 0;
}

// --to-file without a window: where the window puts it before any name is chosen.
int TakeStillToDefaultFile() {
  const std::string folder = DefaultOutputFolder();
  platform::ForcePrivateDirectories(folder);  // a failure shows when the still is written
  CommandLine command;
  command.file = folder + kDefaultImageName;
  return TakeStill(command);
}

}  // namespace

int RunHeadless(const CommandLine& command, int argc, char** argv) {
  try {
    switch (command.mode) {
      case CommandLine::Mode::Still:
      case CommandLine::Mode::ToFile: {
        // The screen-cast portal's answers come through Qt's event loops, which need an application.
        const QCoreApplication application(argc, argv);
        return command.mode == CommandLine::Mode::Still ? TakeStill(command) : TakeStillToDefaultFile();
      }
      case CommandLine::Mode::Record: return RecordFromCommandLine(command, argc, argv);
      case CommandLine::Mode::ListCodecs: return ListCodecs(argc, argv);
      default: std::fprintf(stderr, "vorlix: this command has no headless form\n"); return kFailed;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vorlix: %s\n", error.what());
    return kFailed;
  }
}

}  // namespace app
