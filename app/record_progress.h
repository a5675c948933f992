#pragma once
// The line a recording from a terminal keeps up to date on standard error, so that the person at
// the terminal sees it is working: elapsed time, frames written, slots dropped, file size.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

class TScreenCam;

namespace app {

// One state of the line, e.g. "0:01:05  frames 612  dropped 3  4.2 MB".
std::string ProgressLine(std::int64_t elapsedMs, int framesWritten, int slotsDropped, std::uintmax_t fileBytes);

// Rewrites the line in place twice a second while the recording runs, only when standard error is
// a terminal: in a pipe or a log the carriage returns would be noise.
class TerminalProgress : public QObject {
 public:
  TerminalProgress(const TScreenCam& camera, std::string fileName);
  // From the first frame on.
  void Start();
  // Writes the line a last time and ends it, so that what follows starts on a line of its own.
  void Finish();

 private:
  void Show();
  const TScreenCam& camera_;
  const std::string fileName_;
  const bool terminal_;
  QTimer timer_;
  QElapsedTimer clock_;  // valid while the line is shown
};

}  // namespace app
