#include "platform/termination_signals.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

int signalPipe[2] = {-1, -1};

extern "C" void WriteSignalToPipe(int signal) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  // Async-signal-safe; a full pipe already holds a wake-up, so a lost byte loses nothing.
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

bool MakePipe() {
  if (signalPipe[0] >= 0) return true;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) return false;
  return true;
}

}  // namespace

bool OnTerminationSignal(QObject* context, std::function<void(int)> handler) {
  if (!MakePipe()) return false;
  // A later call replaces the handler: the old notifier stops reading now and goes with the loop.
  static QPointer<QSocketNotifier> notifier;
  if (notifier) {
    notifier->setEnabled(false);
    notifier->disconnect();
    notifier->deleteLater();
  }
  notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) handler(byte);
  });
  struct sigaction action = {};
  action.sa_handler = WriteSignalToPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
  return true;
}

}  // namespace platform
