#include <csignal>
#include <cstdio>
#include <optional>

#include "app/command_line.h"
#include "app/headless.h"
#include "app/startup.h"
#include "app/still_command.h"
#include "app/vorlix_application.h"
#include "platform/display_hold.h"
#include "platform/screen_source.h"
#include "platform/termination_signals.h"
#include "vorlix_version.h"

namespace {

int RunWindows(int argc, char** argv) {
  VorlixApplication::UseScreenPixels();
  VorlixApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  CreateWindows();
  // Ended from outside: leave as Exit does, so a recording's file is finished, not cut off.
  platform::OnTerminationSignal(&application, [](int) { CloseMainWindow(); });
  const int result = application.exec();
  DestroyWindows();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit must fail the write that meets it, which we report, not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const app::ParseResult parsed = app::ParseCommandLine(argc, argv);
  if (!parsed.commandLine) {
    std::fprintf(stderr, "vorlix: %s\nTry 'vorlix --help' for more information.\n", parsed.error.c_str());
    return 2;
  }
  const app::CommandLine& command = *parsed.commandLine;
  platform::UseScreenSource(platform::ChooseScreenSource(command.screenSource));
  switch (command.mode) {
    case app::CommandLine::Mode::Help: std::fputs(app::UsageText(), stdout); return 0;
    case app::CommandLine::Mode::Version: std::puts("vorlix " VORLIX_VERSION); return 0;
    case app::CommandLine::Mode::Clipboard:
    case app::CommandLine::Mode::ToFile:
      // A running window takes the still; only without one is the display ours to open.
      if (const std::optional<int> answered = app::AskRunningWindow(command)) return *answered;
      // Forks before it opens the display: the offer must outlive this command.
      if (command.mode == app::CommandLine::Mode::Clipboard) return app::OfferStillOnClipboard(argc, argv);
      break;
    default: break;
  }
  // Held until the exit. Without a reachable X server Qt would abort with a long message; say it
  // in one line instead. On a Wayland session the windows live on Xwayland.
  const platform::DisplayHold display;
  if (!display.Held()) {
    if (platform::IsWaylandSession()) {
      std::fprintf(stderr,
                   "vorlix: this Wayland session has no Xwayland (DISPLAY is not set or not reachable); "
                   "Vorlix needs it for its windows\n");
    } else {
      std::fprintf(stderr, "vorlix: cannot open the X display (is DISPLAY set and the X server running?)\n");
    }
    return 1;
  }
  if (command.mode == app::CommandLine::Mode::Window) return RunWindows(argc, argv);
  return app::RunHeadless(command, argc, argv);
}
