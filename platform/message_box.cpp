#include "message_box.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <mutex>

#include "platform/ui_thread_call.h"

namespace platform {
namespace {

void LogShown(const QString& caption, const QString& text) {
  static std::mutex mutex;
  const QByteArray path = qgetenv("VORLIX_MESSAGE_LOG");
  if (path.isEmpty()) return;
  std::lock_guard<std::mutex> lock(mutex);
  QFile log(QString::fromLocal8Bit(path));
  if (log.open(QIODevice::Append | QIODevice::Text)) {
    QString line = caption + '\t' + text;
    line.replace('\n', ' ');
    log.write((line + '\n').toUtf8());
  }
}

QMessageBox::Icon ToQt(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// The installed sink; set before the threads that ask for boxes start, read by any thread.
std::mutex sinkMutex;
MessageSink installedSink;

BoxAnswer RunBox(const QString& caption, const QString& text, BoxIcon icon, bool yesNo, QWidget* owner,
                 const QString& reason = {}) {
  MessageSink sink;
  {
    std::lock_guard<std::mutex> lock(sinkMutex);
    sink = installedSink;
  }
  if (sink) {
    LogShown(caption, text);
    return sink(Message{caption, text, icon, yesNo, reason});
  }
  if (!qApp) return BoxAnswer::Ok;
  BoxAnswer answer = BoxAnswer::Ok;
  QPointer<QWidget> guardedOwner(owner);
  auto show = [&] {
    LogShown(caption, text);
    QMessageBox box(ToQt(icon), caption, text, yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    guardedOwner.data());
    if (yesNo) box.setDefaultButton(QMessageBox::Yes);
    const int result = box.exec();
    answer = !yesNo ? BoxAnswer::Ok : (result == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No);
  };
  RunOnUiThread(show);
  return answer;
}

QString AppTitle() { return qApp ? QApplication::applicationName() : QString("Vorlix"); }

}  // namespace

void ShowPlainMessage(const QString& text, QWidget* owner) { RunBox(AppTitle(), text, BoxIcon::None, false, owner); }

void ShowErrorMessage(const QString& text) {
  QString shown = text;
  if (!shown.endsWith('.')) shown += '.';
  RunBox(AppTitle(), shown, BoxIcon::Error, false, nullptr);
}

void ShowMessage(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner, const QString& reason) {
  RunBox(caption, text, icon, false, owner, reason);
}

BoxAnswer AskYesNo(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner, const QString& reason) {
  return RunBox(caption, text, icon, true, owner, reason);
}

ScopedMessageSink::ScopedMessageSink(MessageSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex);
  installedSink = std::move(sink);
}

ScopedMessageSink::~ScopedMessageSink() {
  std::lock_guard<std::mutex> lock(sinkMutex);
  installedSink = nullptr;
}

}  // namespace platform
