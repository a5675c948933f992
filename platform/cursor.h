#pragma once
// The mouse pointer: where it is and the hot spot of the cursor it shows. Own X connection,
// callable from any thread.
#include <optional>

namespace platform {

struct CursorPoint {
  int x = 0, y = 0;
};

// The pointer's position and the hot spot of the cursor it shows, asked at construction and
// answered when first read, so that the caller can do other work while the server answers (a
// grab reads the screen meanwhile). One thread.
class PointerQuery {
 public:
  explicit PointerQuery(bool askHotSpot);
  ~PointerQuery();  // answers never read are discarded
  // The pointer's position in screen coordinates, or none without a display.
  std::optional<CursorPoint> Position();
  // The hot spot relative to the cursor image's top-left corner; none when not asked for or when
  // the display cannot tell (no XFixes).
  std::optional<CursorPoint> HotSpot();

  PointerQuery(const PointerQuery&) = delete;
  PointerQuery& operator=(const PointerQuery&) = delete;

 private:
  unsigned positionRequest_ = 0, hotSpotRequest_ = 0;  // sequence numbers; 0: nothing pending
  std::optional<CursorPoint> position_, hotSpot_;
};

}  // namespace platform
