#include "app/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace app {
namespace {

// One instance at a time: the handler reaches it only through this descriptor.
int writeEnd = -1;
int readEnd = -1;
struct sigaction previousInt, previousTerm;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a stop request; nothing is lost by dropping this one.
  [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
  if (writeEnd >= 0) throw std::logic_error("stop signals are already watched");
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot watch for stop signals");
  readEnd = ends[0];
  writeEnd = ends[1];
  notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
  delete notifier_;
  close(readEnd);
  close(writeEnd);
  readEnd = writeEnd = -1;
}

void StopSignals::Drain() {
  char bytes[64];
  bool received = false;
  while (read(readEnd, bytes, sizeof bytes) > 0) received = true;
  if (received && onStop_) onStop_();
}

}  // namespace app
