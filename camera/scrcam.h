#pragma once
// TScreenCam: the recording engine's one object (settings, recording state, the recording
// thread, the region marker, the frame grabber).
//
// Threads: the UI thread writes the settings before a recording and Recording at its stop; the
// recording thread reads them and writes the statistics. Every field both threads touch is
// atomic, so the two never race.
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "camera/codec/vfw.h"
#include "camera/recording_settings.h"
#include "camera/scrcam_dib.h"
#include "camera/scrcam_thread.h"

class QWidget;
class TFlashingWnd;
class TArrowCursor;

using TCameraEvent = std::function<void(TScreenCam*)>;

class TScreenCam {
 public:
  static constexpr int MaxCompressors = 32;

  // Reads the display's depth and size (once: later mode changes are not followed) and creates
  // the marker window. Call on the UI thread.
  explicit TScreenCam(QWidget* owner);
  // Stops a recording still running and waits, with the UI live, until its thread has ended;
  // then destroys the marker.
  virtual ~TScreenCam();
  TScreenCam(const TScreenCam&) = delete;
  TScreenCam& operator=(const TScreenCam&) = delete;

  QWidget* const Owner;
  std::int32_t ScreenBitsPerPixel = 0;
  std::atomic<std::uint32_t> CompressorFourCC{mmioFOURCC('M', 'S', 'V', 'C')};
  std::atomic<bool> Recording{false};
  std::int32_t ScreenWidth = 0, ScreenHeight = 0;
  // Statistics, written by the recording procedure.
  std::atomic<std::uint32_t> StartTime{0};
  std::atomic<double> LastFrameInterval{0.0};
  std::atomic<std::int32_t> FramesDropped{0};
  std::atomic<std::int32_t> FrameIndex{0};
  std::atomic<std::int32_t> FramesWritten{0};
  std::atomic<std::int32_t> CaptureWidth{0}, CaptureHeight{0};
  // Whether the last attempt's file is whole: opened, and its end (index and header sizes)
  // written. Read it once the recording thread has ended.
  std::atomic<bool> FileFinished{false};
  // Events run on the recording thread (OnRecordError on StartRecording's caller when the thread
  // cannot start); an unset one is skipped. Set them before a recording.
  TCameraEvent OnProgress, OnRecordStart, OnRecordStop, OnRecordError;
  // Names the file of an attempt repeated with the default compressor, given the failed attempt's
  // file; run on the UI thread. The repeat never reopens the failed file, whose frames are kept; a
  // failed attempt that stored no frame has removed its file, so the name is free again. Unset or
  // answering "", there is no repeat. Set it before a recording.
  std::function<QString(const QString& failedFile)> RepeatFileName;
  // The running recording thread, or null; not owning (the thread deletes itself).
  std::atomic<TRecordAVIThread*> Thread{nullptr};
  std::atomic<std::int32_t> FramesPerSecond{recording::kDefaultFramesPerSecond};
  std::atomic<std::int32_t> FrameIntervalMs{recording::FrameIntervalMsFromFps(recording::kDefaultFramesPerSecond)};
  std::atomic<std::int32_t> KeyFrameEvery{recording::kDefaultKeyFrameEvery};
  std::atomic<std::int32_t> CompressorIndex{-1};
  std::atomic<std::int32_t> Quality{recording::kDefaultQuality};
  std::atomic<std::int32_t> CompressorCount{0};
  // The compressor catalogue: written on the UI thread, never during a recording.
  ICINFO Compressors[MaxCompressors] = {};
  std::atomic<bool> WithCursor{true};
  TFlashingWnd* Marker = nullptr;  // owned
  std::atomic<bool> ShowMarker{true};
  const TArrowCursor* ArrowCursor = nullptr;  // shared, never freed
  std::atomic<bool> FollowRegion{false};

  // Starts a recording of `regionWindow`'s outer bounds into `fileName`, unless one runs. A
  // thread still closing the previous recording's file is waited for first, with the UI live.
  // False when no recording was started; a thread that could not be started is reported as a
  // recording error ("Error Creating AVI file", OnRecordError) and leaves the camera idle.
  bool StartRecording(QWidget* regionWindow, const QString& fileName);
  // Tells the recording to stop and returns at once; the file is complete when the thread ends.
  void StopRecording();
  // The thread's termination handler, run on the UI thread: the camera is idle again.
  void RecordThreadDone();
  // One recording attempt: 1 recorded, 0 failed, -1 failed and to be repeated with "MSVC".
  virtual std::int32_t RecordAVI(QWidget* regionWindow, const QString& fileName);
  // Waits, with the UI live, until the recording thread (if any) has ended.
  void WaitForThread();

  // The compressor catalogue, UI thread only. An index at or above CompressorCount (255 for
  // "none") selects nothing: no dialog is shown and the query answers false twice.
  // Rebuilds the catalogue from the installed compressors that take a 320 x 200 screen frame.
  void RefreshCompressors();
  void ShowCompressorAbout(std::uint8_t index, QWidget* ownerWindow);
  void ShowCompressorConfig(std::uint8_t index, QWidget* ownerWindow);
  void QueryCompressorDialogs(std::uint8_t index, bool& hasAbout, bool& hasConfig);

  // Grabs the screen rectangle as a frame at ScreenBitsPerPixel, the arrow drawn in when
  // WithCursor; null for an empty rectangle, when no block can be had or when the pixels cannot
  // be read ("Error retrieving bitmap bits", once per recording). During a recording it also
  // flashes the marker (and moves it there under FollowRegion). Any thread.
  PackedDib CaptureFrame(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
  // Paints the marker in the capture (true) or idle (false) colour, through the UI thread.
  // Only while Thread is set.
  void SetMarkerActive(bool active);

  // Calls `event` with this camera, when it is set.
  void Fire(const TCameraEvent& event);

 protected:
  // Starts the recording thread; false when the system could not start it.
  virtual bool StartRecordingThread(QThread& thread);

 private:
  bool ThreadEnded() const;
  std::atomic<bool> readFailureShown_{false};  // during the current recording
  QPointer<TRecordAVIThread> lastThread_;      // UI thread only
  std::unique_ptr<TFlashingWnd> ownMarker_;    // the marker when no owner window holds it
};
