// Steps handed from other threads to the UI thread: where and in which order they run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui_thread_call.h"

namespace {

TEST(UiThreadCall, PostedAndWaitedStepsRunOnTheUiThreadInTheOrderHandedOver) {
  int argc = 1;
  char name[] = "ui_thread_call_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const QThread* uiThread = QThread::currentThread();
  std::vector<std::string> order;  // written only on the UI thread
  bool allOnUiThread = true;
  const auto step = [&](const char* what) {
    return [&, what] {
      allOnUiThread = allOnUiThread && QThread::currentThread() == uiThread;
      order.push_back(what);
    };
  };

  std::vector<std::string> seenByTheWorker;
  std::thread worker([&] {
    platform::PostToUiThread(step("posted 1"));
    platform::PostToUiThread([] { throw std::runtime_error("a posted step that fails is dropped"); });
    platform::PostToUiThread(step("posted 2"));
    platform::RunOnUiThread(step("waited"));
    // The wait ends after the step has run, and so after everything handed over before it.
    platform::RunOnUiThread([&] { seenByTheWorker = order; });
    QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection);
  });
  app.exec();
  worker.join();

  const std::vector<std::string> expected = {"posted 1", "posted 2", "waited"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(seenByTheWorker, expected);
  EXPECT_TRUE(allOnUiThread);
}

}  // namespace
