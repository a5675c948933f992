#pragma once
// TRecordAVIThread: the thread that records, and the marker steps it hands to the UI thread.
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>

class QWidget;
class TScreenCam;

class TRecordAVIThread : public QThread {
 public:
  // Deletes itself when it has ended.
  TRecordAVIThread(TScreenCam* camera, QWidget* regionWindow, const QString& fileName);

  TScreenCam* const Camera;
  const QString FileName;  // of the first attempt
  QWidget* const RegionWindow;
  // Handed from the grabbing thread to the UI thread for the next marker step.
  std::atomic<std::uint32_t> MarkerColor{0};
  std::atomic<std::int32_t> MarkerLeft{0}, MarkerTop{0}, MarkerWidth{0}, MarkerHeight{0};

  // Marker steps, run on the UI thread; they do nothing once Recording is false.
  void PaintMarker();  // in MarkerColor
  void PaintMarkerIn(std::uint32_t color);
  void PlaceMarker();

  // Runs `step` on the UI thread while the calling thread waits; on the UI thread, at once.
  static void Synchronize(const std::function<void()>& step);
  // Runs `step` on the UI thread after the steps handed over before it, without waiting; on the
  // UI thread, at once. The thread's own end is handed over the same way, so a posted step
  // always runs while the thread still exists.
  static void Post(std::function<void()> step);

 protected:
  // Execute, then the camera's RecordThreadDone on the UI thread, also after an escaped error.
  void run() override;
  // Runs the camera's recording attempts while they ask to be repeated, each repeat into the file
  // the camera's RepeatFileName names.
  virtual void Execute();
};
