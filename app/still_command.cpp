#include "app/still_command.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "app/still_command_protocol.h"
#include "app/still_image.h"
#include "platform/command_channel.h"
#include "platform/display_hold.h"
#include "platform/termination_signals.h"

namespace app {
namespace {

constexpr int kTaken = 0;
constexpr int kNotTaken = 1;

void Report(int fd, int status) {
  const unsigned char byte = static_cast<unsigned char>(status);
  while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
  }
  ::close(fd);
}

// The offering process: nobody reads its output once the command has returned.
void LeaveTheTerminal() {
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) return;
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(null, fd);
  ::close(null);
}

// The child's side: takes the still, reports to the waiting command, then serves the clipboard.
int OfferUntilTakenOver(int argc, char** argv, int reportFd) {
  const platform::DisplayHold display;
  if (!display.Held()) {
    std::fprintf(stderr, "vorlix: cannot open the X display (is DISPLAY set and the X server running?)\n");
    Report(reportFd, kNotTaken);
    return kNotTaken;
  }
  QGuiApplication application(argc, argv);
  QClipboard* clipboard = QGuiApplication::clipboard();
  try {
    clipboard->setImage(ToQImage(CaptureRect(WholeScreenRectangle())));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vorlix: %s\n", error.what());
    Report(reportFd, kNotTaken);
    return kNotTaken;
  }
  if (!clipboard->ownsClipboard()) {
    std::fprintf(stderr, "vorlix: the clipboard could not be taken\n");
    Report(reportFd, kNotTaken);
    return kNotTaken;
  }
  Report(reportFd, kTaken);
  LeaveTheTerminal();
  QObject::connect(clipboard, &QClipboard::changed, &application, [clipboard](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  platform::OnTerminationSignal(&application, [](int) { QCoreApplication::quit(); });
  application.exec();
  return kTaken;
}

}  // namespace

std::optional<int> AskRunningWindow(const CommandLine& command) {
  std::string why;
  const std::string path = platform::CommandSocketPath(&why);
  if (path.empty()) {
    std::fprintf(stderr, "vorlix: %s; taking the still without the window\n", why.c_str());
    return std::nullopt;
  }
  const bool toFile = command.mode == CommandLine::Mode::ToFile;
  const platform::AskResult asked =
      platform::AskRunningProgram(path, toFile ? still_command::kToFile : still_command::kClipboard);
  using Outcome = platform::AskResult::Outcome;
  if (asked.outcome == Outcome::NobodyListening) return std::nullopt;
  if (asked.outcome == Outcome::NotOurs) {
    std::fprintf(stderr, "vorlix: %s; taking the still without the window\n", asked.why.c_str());
    return std::nullopt;
  }
  if (asked.outcome == Outcome::Failed) {
    std::fprintf(stderr, "vorlix: %s\n", asked.why.c_str());
    return kNotTaken;
  }
  const std::string& answer = asked.answer;
  const std::string taken = still_command::kTaken;
  if (answer == taken) return kTaken;
  if (answer.rfind(taken + " ", 0) == 0) {
    std::printf("%s\n", answer.c_str() + taken.size() + 1);
    return kTaken;
  }
  if (answer == still_command::kBusy) {
    std::fprintf(stderr, "vorlix: the Vorlix window was taking another still; this one was not taken\n");
  } else if (answer == still_command::kFailed) {
    std::fprintf(stderr, "vorlix: the Vorlix window could not take the still; its message says why\n");
  } else {
    std::fprintf(stderr, "vorlix: the Vorlix window did not understand the command\n");
  }
  return kNotTaken;
}

int OfferStillOnClipboard(int argc, char** argv) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    std::perror("vorlix: pipe");
    return kNotTaken;
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("vorlix: fork");
    return kNotTaken;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();  // the offer outlives the terminal or key binding that started the command
    return OfferUntilTakenOver(argc, argv, report[1]);
  }
  ::close(report[1]);
  unsigned char status = kNotTaken;
  ssize_t n;
  while ((n = ::read(report[0], &status, 1)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (n == 1) return status;
  // The offering process ended before it could say: it took nothing.
  ::waitpid(child, nullptr, 0);
  return kNotTaken;
}

}  // namespace app
