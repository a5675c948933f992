#pragma once
// The program's stay-on-top windows other than the main window are on top only while the program is
// the active application. Suspending takes the stay-on-top state away from them (they keep their
// place, but other windows may now cover them); suspensions nest, and the state comes back when the
// last one is undone.
#include <QList>
#include <QPointer>
#include <QWidget>

namespace platform {

class TopMostWindows {
 public:
  static TopMostWindows& Instance();

  // A window that is to stay on top while the program is active. It is taken off the list when it
  // is destroyed. Registered during a suspension, it loses the state at once.
  void Register(QWidget* window);

  // One more suspension; the first one takes the state away.
  void Suspend();
  // Undoes one suspension; undoing the last one gives the state back. Does nothing when none is left.
  void UndoOneSuspension();
  int SuspensionCount() const { return count_; }

  // Suspends while the application is inactive and while `mainWindow` is minimised, each reason
  // counting as one suspension. Call once, after the main window exists.
  void FollowApplicationState(QWidget* mainWindow);

 private:
  TopMostWindows() = default;
  void Apply(bool onTop);

  QList<QPointer<QWidget>> windows_;
  int count_ = 0;
};

}  // namespace platform
