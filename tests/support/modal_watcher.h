#pragma once
// For in-process widget tests: answers every modal dialog or message box that opens, recording
// its caption and text, so that code which shows one can run to its end.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace testsupport {

class ModalWatcher : public QObject {
 public:
  ModalWatcher();
  // "caption<TAB>text" of each box answered, in order.
  const QStringList& Seen() const { return seen_; }
  void Clear() { seen_.clear(); }

 private:
  void Poll();
  QTimer timer_;
  QStringList seen_;
};

}  // namespace testsupport
