#pragma once
// For in-process widget tests: answers every modal dialog or message box that opens, recording
// its caption and text, so that code which shows one can run to its end.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace testsupport {

class ModalWatcher : public QObject {
 public:
  ModalWatcher();
  // "caption<TAB>text" of each box answered, in order.
  const QStringList& Seen() const { return seen_; }
  void Clear() { seen_.clear(); }
  // How Yes/No questions are answered (No unless set); `beforeAnswer` runs first, with the box open.
  void AnswerQuestions(bool yes, std::function<void()> beforeAnswer = {}) {
    answerYes_ = yes;
    beforeAnswer_ = std::move(beforeAnswer);
  }

 private:
  void Poll();
  QTimer timer_;
  QStringList seen_;
  bool answerYes_ = false;
  std::function<void()> beforeAnswer_;
};

}  // namespace testsupport
