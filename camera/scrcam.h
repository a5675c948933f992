#pragma once
// TScreenCam: the recording engine's one object (settings, recording state, worker thread).
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>

class TScreenCam;
using TCameraEvent = std::function<void(TScreenCam*)>;

class TScreenCam {
 public:
  explicit TScreenCam(QWidget* owner);
  ~TScreenCam();
  TScreenCam(const TScreenCam&) = delete;
  TScreenCam& operator=(const TScreenCam&) = delete;

  QWidget* Owner;
  std::int32_t ScreenBitsPerPixel = 0;
  std::int32_t ScreenWidth = 0, ScreenHeight = 0;

  std::int32_t FramesPerSecond = 10;
  std::int32_t FrameIntervalMs = 100;
  std::int32_t KeyFrameEvery = 5;
  std::int32_t CompressorIndex = -1;
  std::int32_t Quality = 6550;
  bool WithCursor = true;
  bool ShowMarker = true;
  bool FollowRegion = false;
  std::atomic<bool> Recording{false};

  TCameraEvent OnProgress, OnRecordStart, OnRecordStop, OnRecordError;

  // The region window is known only as a top-level widget: its outer bounds give the rectangle.
  void StartRecording(QWidget* regionWindow, const QString& fileName);
  void StopRecording();
};
