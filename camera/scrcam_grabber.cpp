// The frame grabber: any screen rectangle as a packed DIB at the display's depth, with the arrow
// drawn in, flashing the region marker around each grab of a recording.
#include "camera/arrow_cursor.h"
#include "camera/flashwnd.h"
#include "camera/scrcam.h"
#include "camera/scrcam_bitmap.h"
#include "platform/cursor.h"
#include "platform/message_box.h"
#include "platform/screen_reader.h"

namespace {

// The screen bitmap of one grab: a rectangle of the screen and, where asked, the arrow on top.
// Its pixels are read from the server straight into the DIB rows, in one conversion pass.
class TScreenBitmap : public TDeviceBitmap {
 public:
  TScreenBitmap(int left, int top, int width, int height) : left_(left), top_(top), width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool FillsEveryByte() const override { return true; }

  // Draws the arrow over the pixels once they are read, where `pointer` says then: its answer
  // may arrive during the read.
  void DrawArrow(platform::PointerQuery* pointer) { pointer_ = pointer; }

  bool GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow, std::size_t stride) override {
    platform::ScreenReader& screen = platform::ScreenReader::Instance();
    const std::size_t colors = bits <= 8 ? (std::size_t{1} << bits) : 0;
    FillColorTable(colorTable, colors, screen.Info().palette);
    if (bits != 32 && bits != 24 && bits != 16 && bits != 8) return false;
    // Off-screen parts come out black.
    if (!screen.ReadDib(left_, top_, width_, height_, static_cast<int>(bits), bottomRow, stride, true)) return false;
    if (pointer_) {
      if (const auto position = pointer_->Position()) {
        // The image is always the arrow; only the hot spot comes from the cursor shown now.
        const platform::CursorPoint hotSpot = pointer_->HotSpot().value_or(platform::CursorPoint{});
        TArrowCursor::Draw(bottomRow, stride, width_, height_, static_cast<int>(bits), colorTable, colors,
                           position->x - left_ - hotSpot.x, position->y - top_ - hotSpot.y);
      }
    }
    return true;
  }

 private:
  int left_, top_, width_, height_;
  platform::PointerQuery* pointer_ = nullptr;
};

}  // namespace

PackedDib TScreenCam::CaptureFrame(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  // Nothing to grab: no frame, and nothing to tell the user.
  if (width < 1 || height < 1) return nullptr;

  bool markerFlashes = false;
  if (TRecordAVIThread* thread = Thread.load(); thread && ShowMarker) {
    // Under FollowRegion the marker moves with the rectangle; only a change needs the UI thread.
    if (FollowRegion && (thread->MarkerLeft != left || thread->MarkerTop != top || thread->MarkerWidth != width ||
                         thread->MarkerHeight != height)) {
      thread->MarkerLeft = left;
      thread->MarkerTop = top;
      thread->MarkerWidth = width;
      thread->MarkerHeight = height;
      TRecordAVIThread::Synchronize([thread] { thread->PlaceMarker(); });
    }
    // Brackets wholly off the screen, as around a whole-screen recording, are never seen: the
    // grab need not wait for their paints.
    markerFlashes = TFlashingWnd::BracketsMeet(QRect(0, 0, ScreenWidth, ScreenHeight), left, top, width, height);
    if (markerFlashes) SetMarkerActive(true);
  }

  // The pointer is asked for now and its answer taken after the screen read, which it overlaps.
  platform::PointerQuery pointer(WithCursor);
  TScreenBitmap bitmap(left, top, width, height);
  if (WithCursor) bitmap.DrawArrow(&pointer);

  PackedDib frame = nullptr;
  bool unreadable = false;
  if (platform::GlobalHandle_t block =
          BitmapToPackedDib(bitmap, static_cast<std::uint32_t>(ScreenBitsPerPixel), &unreadable)) {
    frame = platform::GlobalLock(block);
    if (!frame) platform::GlobalFree(block);
  }
  if (unreadable) {
    // The recording drops the slot and goes on; one box says why, not one per frame, each of
    // which would hold the recording up.
    if (!Thread.load() || !readFailureShown_.exchange(true)) {
      platform::ShowMessage("Error", "Error retrieving bitmap bits", platform::BoxIcon::None);
    }
  } else if (!frame) {
    platform::ShowMessage("Error", "Error capturing a frame!", platform::BoxIcon::Warning);
  }

  if (markerFlashes) SetMarkerActive(false);
  return frame;
}

void TScreenCam::SetMarkerActive(bool active) {
  TRecordAVIThread* thread = Thread.load();
  if (!thread) return;
  thread->MarkerColor = active ? CaptureColor : IdleColor;
  // The capture colour must be on the screen before the read starts; the idle colour may
  // follow while the next frame is being coded.
  if (active) TRecordAVIThread::Synchronize([thread] { thread->PaintMarker(); });
  else TRecordAVIThread::Post([thread] { thread->PaintMarkerIn(IdleColor); });
}

void TRecordAVIThread::PaintMarker() { PaintMarkerIn(MarkerColor); }

void TRecordAVIThread::PaintMarkerIn(std::uint32_t color) {
  if (Camera->Recording) Camera->Marker->PaintBrackets(color);
}

void TRecordAVIThread::PlaceMarker() {
  if (Camera->Recording) Camera->Marker->FitToRect(MarkerLeft, MarkerTop, MarkerWidth, MarkerHeight);
}
