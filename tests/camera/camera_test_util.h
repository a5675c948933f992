#pragma once
// Helpers of the camera tests: reading packed DIBs, message boxes, serving the UI thread.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/support/process.h"

namespace cameratest {

// The fields of a packed DIB, read at their byte offsets.
struct DibView {
  const std::uint8_t* base = nullptr;
  explicit DibView(const void* dib) : base(static_cast<const std::uint8_t*>(dib)) {}
  std::uint32_t U32(int offset) const {
    std::uint32_t v;
    std::memcpy(&v, base + offset, 4);
    return v;
  }
  std::uint16_t U16(int offset) const {
    std::uint16_t v;
    std::memcpy(&v, base + offset, 2);
    return v;
  }
  int Width() const { return static_cast<std::int32_t>(U32(4)); }
  int Height() const { return static_cast<std::int32_t>(U32(8)); }
  int Bits() const { return U16(14); }
  std::uint32_t ClrUsed() const { return U32(32); }
  std::uint32_t SizeImage() const { return U32(20); }
  std::size_t Stride() const { return static_cast<std::size_t>((Width() * Bits() + 31) / 32 * 4); }
  const std::uint8_t* Pixels() const { return base + U32(0) + 4 * ClrUsed(); }
  // The raw pixel at (x, y), y counted from the top of the image.
  std::uint32_t Raw(int x, int y) const {
    const std::uint8_t* row = Pixels() + static_cast<std::size_t>(Height() - 1 - y) * Stride();
    switch (Bits()) {
      case 32: {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
      }
      case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
      case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        return v;
      }
      default: return row[x];
    }
  }
};

// Converts 0xRRGGBB into what a DIB pixel at `bits` holds for it (32/24: 0x00RRGGBB; 16: 5-5-5).
inline std::uint32_t DibValue(std::uint32_t rgb, int bits) {
  if (bits == 16) return (((rgb >> 19) & 0x1f) << 10) | (((rgb >> 11) & 0x1f) << 5) | ((rgb >> 3) & 0x1f);
  return rgb & 0xffffff;
}

// Serves the UI thread until `condition` holds or `timeout` passes.
template <typename Condition>
bool ServeUntil(Condition condition, std::chrono::milliseconds timeout = testsupport::kPatience) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeout.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// Every message box is logged to a file of its own and closed as soon as it shows; the icon of
// the last one is kept.
class BoxWatcher {
 public:
  BoxWatcher() : path_("/tmp/vorlix-camera-boxes-" + std::to_string(::getpid()) + ".log") {
    std::remove(path_.c_str());
    qputenv("VORLIX_MESSAGE_LOG", QByteArray::fromStdString(path_));
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        lastIcon_ = box->icon();
        box->done(QMessageBox::Ok);
      }
    });
    timer_.start(20);
  }
  ~BoxWatcher() {
    qunsetenv("VORLIX_MESSAGE_LOG");
    std::remove(path_.c_str());
  }
  std::string Log() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  QMessageBox::Icon LastIcon() const { return lastIcon_; }

 private:
  std::string path_;
  QTimer timer_;
  QMessageBox::Icon lastIcon_ = QMessageBox::NoIcon;
};

}  // namespace cameratest
