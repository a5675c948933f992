#pragma once
// The program's hold on its X display: one connection opened first and kept until the exit.
//
// An X server whose last client leaves resets itself and refuses connections meanwhile. The
// program opens several connections over its life (the toolkit's, the screen reader's); with one
// of its own held from the start, the server never sees it leave between two of them.
#include <memory>

struct xcb_connection_t;

namespace platform {

class DisplayHold {
 public:
  // Connects to $DISPLAY. A server that refuses for a moment (one resetting after its last
  // client left) is asked again for up to about two seconds. Held() is false when no connection
  // could be had.
  DisplayHold();
  ~DisplayHold();
  DisplayHold(const DisplayHold&) = delete;
  DisplayHold& operator=(const DisplayHold&) = delete;

  bool Held() const { return connection_ != nullptr; }

 private:
  struct Disconnect {
    void operator()(xcb_connection_t* c) const;
  };
  std::unique_ptr<xcb_connection_t, Disconnect> connection_;
};

}  // namespace platform
