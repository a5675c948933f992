#pragma once
// TScreenCam: the recording engine's one object (settings, recording state, the recording
// thread, the region marker, the frame grabber). TRecordAVIThread: the thread that records.
//
// Threads: the UI thread writes the settings before a recording and Recording at its stop; the
// recording thread reads them and writes the statistics. Every field both threads touch is
// atomic, so the two never race.
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "camera/codec/vfw.h"
#include "platform/dib_pixels.h"
#include "platform/global_memory.h"

class QWidget;
class TFlashingWnd;
class TScreenCam;
class TRecordAVIThread;
class TArrowCursor;

using TCameraEvent = std::function<void(TScreenCam*)>;

// A frame: the locked block of a packed DIB, pointing at its BITMAPINFOHEADER; header, colour
// table and pixel rows (bottom row first) follow each other without a gap.
using PackedDib = void*;

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
  // file; run on the UI thread. The repeat never reopens the failed file, whose frames are kept;
  // unset or answering "", there is no repeat. Set it before a recording.
  std::function<QString(const QString& failedFile)> RepeatFileName;
  // The running recording thread, or null; not owning (the thread deletes itself).
  std::atomic<TRecordAVIThread*> Thread{nullptr};
  std::atomic<std::int32_t> FramesPerSecond{10};
  std::atomic<std::int32_t> FrameIntervalMs{100};
  std::atomic<std::int32_t> KeyFrameEvery{5};
  std::atomic<std::int32_t> CompressorIndex{-1};
  std::atomic<std::int32_t> Quality{6550};
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
  QPointer<TRecordAVIThread> lastThread_;  // UI thread only
  QPointer<TFlashingWnd> marker_;
};

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

// A device-dependent image: pixels in the display's own layout, as a bitmap compatible with the
// screen holds them.
class TDeviceBitmap {
 public:
  virtual ~TDeviceBitmap() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Converts the pixels into DIB rows at `bits` per pixel (bottom row first, `stride` bytes
  // apart) and, for 8 bits or less, fills the colour table (4-byte blue-green-red-zero entries);
  // false when the pixels cannot be read.
  virtual bool GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow,
                         std::size_t stride) = 0;
  // True when GetDIBits writes every byte of the rows (padding and unreadable parts as zero), so
  // the block need not be cleared first: for a full-screen frame that clearing costs as much as
  // a third of the grab.
  virtual bool FillsEveryByte() const { return false; }
};

// An image in the X server's own pixel layout (ZPixmap rows, top row first, `stride` bytes apart),
// with the colormap (0x00RRGGBB entries) of an indexed layout.
class TServerImage : public TDeviceBitmap {
 public:
  TServerImage(int width, int height, const platform::ScreenPixelFormat& format, std::vector<std::uint8_t> rows,
               std::size_t stride, std::vector<std::uint32_t> palette = {});
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Converts to 32, 24, 16 (5-5-5) or, from an indexed layout, 8 bits; other depths fail.
  bool GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow, std::size_t stride) override;

 private:
  int width_, height_;
  platform::ScreenPixelFormat format_;
  std::vector<std::uint8_t> rows_;
  std::size_t stride_;
  std::vector<std::uint32_t> palette_;
};

// Converts `bitmap` into a packed DIB at `bitsPerPixel` in a new zero-filled block; returns the
// block unlocked, or null when none can be had (too large included) or when the pixels cannot be
// read, which `unreadable` (when given) then tells apart: a block of made-up pixels would pass
// for a capture.
platform::GlobalHandle_t BitmapToPackedDib(TDeviceBitmap& bitmap, std::uint32_t bitsPerPixel,
                                           bool* unreadable = nullptr);

// Releases a frame and clears the reference; a null reference is left alone.
void FreeFrame(PackedDib& frame);

// Sizes of a packed DIB of width x height at `bits` per pixel; `valid` is false when the image
// part would not fit the header's 32-bit size field.
struct TPackedDibLayout {
  std::size_t stride = 0;
  std::uint32_t colorsUsed = 0;
  std::size_t imageSize = 0;
  std::size_t blockSize = 0;
  bool valid = false;
};
TPackedDibLayout PackedDibLayout(std::int64_t width, std::int64_t height, std::uint32_t bits);
