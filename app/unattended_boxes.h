#pragma once
// Messages with nobody to answer them: while an instance lives, every message the program would
// show in a box goes to standard error instead, with the system's reason where there is one, and
// counts as a failure; a question is answered No, the answer that changes nothing.
#include <atomic>

#include "platform/message_box.h"

namespace app {

class UnattendedBoxes {
 public:
  UnattendedBoxes();
  UnattendedBoxes(const UnattendedBoxes&) = delete;
  UnattendedBoxes& operator=(const UnattendedBoxes&) = delete;

  int Shown() const { return shown_; }

 private:
  std::atomic<int> shown_{0};
  platform::ScopedMessageSink sink_;
};

}  // namespace app
