#pragma once
// SIGINT and SIGTERM as a request to stop, delivered on the UI thread: the handler only writes a
// byte to a pipe, whose reading end the event loop watches.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace app {

class StopSignals : public QObject {
 public:
  // Installs the handlers; `onStop` runs on the event loop's thread for each signal received.
  explicit StopSignals(std::function<void()> onStop);
  // Restores the handlers that were in place before.
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  void Drain();

  std::function<void()> onStop_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app
