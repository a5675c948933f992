#include "app/record_progress.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "camera/scrcam.h"

namespace app {
namespace {

constexpr int kRefreshMs = 500;

std::string Size(std::uintmax_t bytes) {
  char text[32];
  if (bytes < 1024 * 1024) std::snprintf(text, sizeof text, "%ju kB", bytes / 1024);
  else std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

std::string ProgressLine(std::int64_t elapsedMs, int framesWritten, int slotsDropped, std::uintmax_t fileBytes) {
  const std::int64_t seconds = elapsedMs / 1000;
  char text[96];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld  frames %d  dropped %d  ",
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60), framesWritten, slotsDropped);
  return text + Size(fileBytes);
}

TerminalProgress::TerminalProgress(const TScreenCam& camera, std::string fileName)
    : camera_(camera), fileName_(std::move(fileName)), terminal_(::isatty(STDERR_FILENO) == 1) {
  connect(&timer_, &QTimer::timeout, this, [this] { Show(); });
}

void TerminalProgress::Start() {
  if (!terminal_) return;
  clock_.start();
  Show();
  timer_.start(kRefreshMs);
}

void TerminalProgress::Finish() {
  if (!clock_.isValid()) return;
  timer_.stop();
  Show();
  std::fputc('\n', stderr);
  clock_.invalidate();
}

void TerminalProgress::Show() {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(fileName_, error);
  const std::string line =
      ProgressLine(clock_.elapsed(), camera_.FramesWritten, camera_.FramesDropped, error ? 0 : bytes);
  // Back to the line's start, and the rest of the old line cleared.
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
}

}  // namespace app
