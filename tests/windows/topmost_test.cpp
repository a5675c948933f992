// The nesting suspension of the stay-on-top state, on real windows of a real window manager.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "platform/topmost.h"
#include "tests/support/process.h"
#include "tests/windows/ui_wait.h"
#include "tests/windows/x_window_state.h"

using platform::TopMostWindows;
using windowstest::HasAboveState;
using windowstest::PumpUntil;

namespace {

std::unique_ptr<QWidget> ShowStayOnTopWindow() {
  auto window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
  window->resize(200, 100);
  window->show();
  EXPECT_TRUE(PumpUntil([&] { return window->windowHandle()->isExposed() && HasAboveState(window->winId()); }));
  return window;
}

bool OnTop(QWidget* window) { return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

}  // namespace

TEST(TopMostWindows, SuspensionsNestAndUndoingTheLastGivesTheStateBack) {
  TopMostWindows& topMost = TopMostWindows::Instance();
  ASSERT_EQ(topMost.SuspensionCount(), 0);
  auto window = ShowStayOnTopWindow();
  ASSERT_TRUE(HasAboveState(window->winId()));
  topMost.Register(window.get());

  topMost.Suspend();
  EXPECT_EQ(topMost.SuspensionCount(), 1);
  EXPECT_FALSE(OnTop(window.get()));
  EXPECT_TRUE(PumpUntil([&] { return !HasAboveState(window->winId()); }));
  EXPECT_TRUE(window->isVisible());  // it steps back, it does not go away

  topMost.Suspend();
  topMost.UndoOneSuspension();
  EXPECT_EQ(topMost.SuspensionCount(), 1);
  EXPECT_FALSE(OnTop(window.get()));

  topMost.UndoOneSuspension();
  EXPECT_EQ(topMost.SuspensionCount(), 0);
  EXPECT_TRUE(OnTop(window.get()));
  EXPECT_TRUE(PumpUntil([&] { return HasAboveState(window->winId()); }));

  // Nothing to undo: nothing happens, and the next suspension still takes the state away.
  topMost.UndoOneSuspension();
  EXPECT_EQ(topMost.SuspensionCount(), 0);
  EXPECT_TRUE(OnTop(window.get()));
  topMost.Suspend();
  EXPECT_FALSE(OnTop(window.get()));
  topMost.UndoOneSuspension();
}

TEST(TopMostWindows, WindowRegisteredDuringASuspensionStepsBackAtOnceAndDestroyedOnesAreDropped) {
  TopMostWindows& topMost = TopMostWindows::Instance();
  auto first = ShowStayOnTopWindow();
  topMost.Register(first.get());
  topMost.Suspend();
  auto second = ShowStayOnTopWindow();
  topMost.Register(second.get());
  EXPECT_FALSE(OnTop(second.get()));
  first.reset();
  topMost.UndoOneSuspension();
  EXPECT_TRUE(OnTop(second.get()));
}

TEST(TopMostWindows, MinimisingTheMainWindowSuspendsUntilItIsRestored) {
  TopMostWindows& topMost = TopMostWindows::Instance();
  QWidget mainWindow;
  mainWindow.resize(300, 100);
  mainWindow.show();
  ASSERT_TRUE(PumpUntil([&] { return mainWindow.windowHandle()->isExposed(); }));
  auto window = ShowStayOnTopWindow();
  topMost.Register(window.get());
  topMost.FollowApplicationState(&mainWindow);
  const std::string activateMain = "xdotool windowactivate " + std::to_string(mainWindow.winId());
  testsupport::Run(activateMain);
  ASSERT_TRUE(PumpUntil([&] {
    return QGuiApplication::applicationState() == Qt::ApplicationActive && topMost.SuspensionCount() == 0;
  })) << "state "
      << QGuiApplication::applicationState() << ", suspensions " << topMost.SuspensionCount();

  mainWindow.showMinimized();
  EXPECT_TRUE(PumpUntil([&] { return mainWindow.isMinimized() && topMost.SuspensionCount() >= 1; }));
  EXPECT_FALSE(OnTop(window.get()));

  mainWindow.showNormal();
  testsupport::Run(activateMain);
  EXPECT_TRUE(PumpUntil([&] { return !mainWindow.isMinimized() && topMost.SuspensionCount() == 0; }))
      << "suspensions left: " << topMost.SuspensionCount();
  EXPECT_TRUE(OnTop(window.get()));
}
