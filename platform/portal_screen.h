#pragma once
// The screen as the desktop's screen-cast portal shows it: what the screen reader reads on a
// Wayland session, where the X root of Xwayland reads black. The cast is opened at the first read
// (the desktop may ask the user once) and kept for the program's run.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <xcb/xcb.h>

namespace platform {

class PipeWireFrames;

class PortalScreen {
 public:
  // `connection` and `root`: the X display the program's windows are on (Xwayland's), where a
  // window of ours can make the desktop send a picture.
  PortalScreen(xcb_connection_t* connection, xcb_window_t root);
  ~PortalScreen();
  PortalScreen(const PortalScreen&) = delete;
  PortalScreen& operator=(const PortalScreen&) = delete;

  // Reads as ScreenReader::ReadDib does; a monitor whose place the portal does not tell covers
  // the logical screen (0, 0, rootWidth, rootHeight). With `fresh` the picture is one that arrived
  // after this call, waited for a short while (the desktop sends pictures only when the screen
  // changes, so it is asked for), else the newest. A cast that was refused, failed or ended is asked for again only
  // by a fresh read, or by the first read after AskAgain, so that a recording does not ask the user over and over.
  // Any thread.
  bool ReadDib(int x, int y, int width, int height, int dibBits, std::uint8_t* dstBottomRow, std::size_t dstStride,
               bool clearUncovered, bool fresh, int rootWidth, int rootHeight);
  // Lets the next read ask for a cast again after one was refused or ended (a recording starts).
  void AskAgain();

 private:
  // Opens the cast unless one runs; false, with the reason told once, when there is none.
  bool EnsureCast(bool mayAskAgain);
  // Waits for the first picture of every monitor, asking the desktop for one if none comes.
  bool WaitForFirstPictures();
  void Fail(const std::string& reason);

  xcb_connection_t* connection_;
  xcb_window_t root_;
  std::mutex mutex_;
  std::unique_ptr<PipeWireFrames> frames_;
  // Set when the desktop closes the cast's session.
  std::shared_ptr<std::atomic<bool>> castClosed_;
  bool failed_ = false;
  bool askAgain_ = false;
};

}  // namespace platform
