#pragma once
// A 1080p-like desktop drawn with Qt (antialiased text, gradients, a photo) and a window moving
// over it, delivered as 32-bit DIB rows (bottom row first) as a screen grab gives them.
#include <cstdint>
#include <vector>

#include <QImage>

class ScreenScene {
 public:
  ScreenScene(int width, int height);
  // Frame `index` of the sequence into `dib` (stride width * 4).
  void RenderFrame(int index, std::vector<std::uint8_t>& dib) const;

 private:
  QImage desktop_;
  QImage window_;
};
