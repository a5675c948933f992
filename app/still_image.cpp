#include "still_image.h"

#include <QImage>
#include <cstring>
#include <stdexcept>

#include "platform/primary_monitor.h"
#include "platform/screen_reader.h"

namespace app {

// Read at each still: programs may have changed the colours since the start.
std::vector<std::uint32_t> CreateSystemPalette() { return platform::ScreenReader::Instance().CurrentPalette(); }

CaptureRectangle WholeScreenRectangle() {
  // Read at each still: the display may have been resized, or its monitors rearranged, since the
  // program started.
  const platform::MonitorRect primary = platform::PrimaryMonitor();
  return CaptureRectangle{primary.left, primary.top, primary.left + primary.width, primary.top + primary.height};
}

StillImage CaptureRect(const CaptureRectangle& rect) {
  platform::ScreenReader& screen = platform::ScreenReader::Instance();
  if (!screen.Connected()) throw std::runtime_error("Cannot read the screen");
  StillImage image;
  image.width = rect.Width();
  image.height = rect.Height();
  image.bitsPerPixel = screen.BitsPerPixel();
  image.stride = platform::DibStride(image.width, static_cast<unsigned>(image.bitsPerPixel));
  image.bits.assign(image.stride * static_cast<std::size_t>(image.height), 0);
  // The screen as it is now: the window that asked for the still has just hidden.
  if (!screen.ReadDib(rect.left, rect.top, image.width, image.height, image.bitsPerPixel, image.bits.data(),
                      image.stride, false, true)) {
    throw std::runtime_error("Cannot read the screen");
  }
  image.palette = CreateSystemPalette();
  return image;
}

QImage ToQImage(const StillImage& image) {
  QImage::Format format = QImage::Format_RGB32;
  if (image.bitsPerPixel == 24) format = QImage::Format_BGR888;  // DIB rows: blue, green, red
  if (image.bitsPerPixel == 16) format = QImage::Format_RGB555;
  if (image.bitsPerPixel == 8) format = QImage::Format_Indexed8;
  QImage result(image.width, image.height, format);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.bitsPerPixel / 8);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(result.scanLine(y), image.Row(y), rowBytes);
  }
  if (format == QImage::Format_RGB32) {
    // DIB padding bytes are zero; Qt wants them opaque.
    for (int y = 0; y < image.height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
      for (int x = 0; x < image.width; ++x) line[x] |= 0xff000000u;
    }
  }
  if (format == QImage::Format_Indexed8) {
    QList<QRgb> table;
    for (std::uint32_t entry : image.palette) table.append(0xff000000u | entry);
    while (table.size() < 256) table.append(qRgb(0, 0, 0));
    result.setColorTable(table);
  }
  return result;
}

}  // namespace app
