#include "platform/portal_screen.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/pipewire_frames.h"
#include "platform/screen_cast_portal.h"
#include "platform/screen_update_nudge.h"

namespace platform {
namespace {

// The desktop may show the user a dialog first.
constexpr auto kOpeningPatience = std::chrono::minutes(2);
// From the cast's start to its first pictures, on a loaded machine.
constexpr auto kFirstPicturePatience = std::chrono::seconds(10);
// A cast's first pictures come unasked on most desktops; where they do not, they are asked for.
constexpr auto kUnaskedPicturePatience = std::chrono::milliseconds(300);
// How long a nudge stays before the next one.
constexpr auto kNudgeInterval = std::chrono::milliseconds(100);
// A picture asked for comes within a frame or two.
constexpr auto kFreshPicturePatience = std::chrono::milliseconds(500);

}  // namespace

PortalScreen::PortalScreen(xcb_connection_t* connection, xcb_window_t root) : connection_(connection), root_(root) {}
PortalScreen::~PortalScreen() = default;

void PortalScreen::Fail(const std::string& reason) {
  frames_.reset();
  if (!failed_) std::fprintf(stderr, "vorlix: cannot read the screen: %s\n", reason.c_str());
  failed_ = true;
}

bool PortalScreen::EnsureCast(bool mayAskAgain) {
  if (frames_) {
    if (*castClosed_) frames_->End("the desktop has ended the screen cast");
    const std::string ended = frames_->EndReason();
    if (ended.empty()) return true;
    Fail(ended);
  }
  if (failed_ && !mayAskAgain && !askAgain_) return false;
  askAgain_ = false;
  // Told on the portal's thread, which must not wait for a read in progress: a flag, read here.
  auto closed = std::make_shared<std::atomic<bool>>(false);
  ScreenCastOpening opening = OpenScreenCast(std::chrono::duration_cast<std::chrono::milliseconds>(kOpeningPatience),
                                             [closed] { *closed = true; });
  if (!opening.session) {
    Fail(opening.error);
    return false;
  }
  std::string error;
  frames_ = PipeWireFrames::Connect(opening.session->pipeWireFd, opening.session->streams, error);
  if (!frames_) {
    Fail(error);
    return false;
  }
  if (!WaitForFirstPictures()) {
    const std::string ended = frames_->EndReason();
    Fail(ended.empty() ? "the screen cast sent no picture" : ended);
    return false;
  }
  castClosed_ = std::move(closed);
  failed_ = false;
  return true;
}

void PortalScreen::AskAgain() {
  std::lock_guard<std::mutex> lock(mutex_);
  askAgain_ = true;
}

bool PortalScreen::WaitForFirstPictures() {
  const auto deadline = std::chrono::steady_clock::now() + kFirstPicturePatience;
  if (frames_->WaitForPictures(std::chrono::steady_clock::now() + kUnaskedPicturePatience)) return true;
  // Shown and taken away again until the pictures come: each is a change to send.
  while (std::chrono::steady_clock::now() < deadline && frames_->EndReason().empty()) {
    const ScreenUpdateNudge nudge(connection_, root_);
    if (frames_->WaitForPictures(std::min(deadline, std::chrono::steady_clock::now() + kNudgeInterval))) return true;
  }
  return false;
}

bool PortalScreen::ReadDib(int x, int y, int width, int height, int dibBits, std::uint8_t* dstBottomRow,
                           std::size_t dstStride, bool clearUncovered, bool fresh, int rootWidth, int rootHeight) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::uint64_t seen = frames_ ? frames_->FramesReceived() : 0;
  if (!EnsureCast(fresh)) return false;
  if (fresh && frames_->FramesReceived() == seen) {
    const ScreenUpdateNudge nudge(connection_, root_);
    frames_->WaitForFrameAfter(seen, std::chrono::steady_clock::now() + kFreshPicturePatience);
    const std::string ended = frames_->EndReason();
    if (!ended.empty()) {
      Fail(ended);
      return false;
    }
  }
  frames_->WithPictures([&](std::vector<PlacedPicture>& pictures) {
    FitAreasToScreen(pictures, rootWidth, rootHeight);
    CropPictures(pictures, x, y, width, height, dibBits, dstBottomRow, dstStride, clearUncovered);
  });
  return true;
}

}  // namespace platform
