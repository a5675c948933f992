#pragma once
// Reads pixels of the screen: of the X server through a connection of its own, over shared
// memory where the server offers it, or, where the screen source in use is the portal (a Wayland
// session), of the desktop's screen cast, in the X root's coordinates. Safe to use from any thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "dib_pixels.h"

namespace platform {

struct ScreenInfo {
  int width = 0, height = 0;
  ScreenPixelFormat format;
  // The colormap (0x00RRGGBB) on palette displays, empty on true-colour ones.
  std::vector<std::uint32_t> palette;
};

class ScreenReader {
 public:
  // The process-wide reader; opens its connection to $DISPLAY on first use.
  static ScreenReader& Instance();

  bool Connected() const;
  const ScreenInfo& Info() const { return info_; }
  // The colormap as the server has it now (a round trip), 0x00RRGGBB entries; empty on
  // true-colour displays. Programs may change the colours at any moment, unlike Info().
  std::vector<std::uint32_t> CurrentPalette();
  // The display's bits per pixel: 32 at depth 24, 16 at depth 16, 8 at depth 8.
  int BitsPerPixel() const { return info_.format.bitsPerPixel; }

  // Reads the screen rectangle (x, y, width, height) into DIB rows at `dibBits` per pixel, as
  // the screen is now: a resized display is followed (Info() keeps the size at the start).
  // `dstBottomRow` is the DIB row of the rectangle's bottom line; each higher line lies
  // `dstStride` bytes further. Parts of the rectangle off the screen are left untouched, so a
  // zero-filled destination shows them black; with `clearUncovered` they and the row padding
  // are zeroed here, so the destination need not be cleared first. With `freshPicture` the
  // pixels are the screen as it is after this call, not a picture the screen-cast portal sent
  // earlier (a still, just after the window has hidden; the X server's reads always are).
  // Returns false when nothing could be read.
  bool ReadDib(int x, int y, int width, int height, int dibBits, std::uint8_t* dstBottomRow, std::size_t dstStride,
               bool clearUncovered = false, bool freshPicture = false);

  // A new capture begins (a recording starts): where the screen-cast portal was refused or its
  // cast ended, the next read may ask the desktop again. Nothing to do on the X server.
  void BeginCapture();

  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;

 private:
  ScreenReader();
  ~ScreenReader();
  struct Impl;
  std::unique_ptr<Impl> impl_;
  ScreenInfo info_;
};

}  // namespace platform
