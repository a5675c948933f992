// One recording attempt: the region's rectangle fitted to the compressor, the file and stream
// opened, frames grabbed and written by the clock's slots until the stop, then the clean-up and
// the report.
#include <QPointer>
#include <QWidget>

#include "camera/avi_recording_file.h"
#include "camera/codec/open_compressor.h"
#include "camera/flashwnd.h"
#include "camera/recording_loop.h"
#include "camera/scrcam.h"
#include "camera/scrcam_held_frame.h"
#include "camera/size_adaptation.h"
#include "platform/clock.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"

using recording::CaptureRect;

namespace {

constexpr std::uint32_t kDefaultCompressor = mmioFOURCC('M', 'S', 'V', 'C');
constexpr std::uint32_t kIndeo5 = mmioFOURCC('I', 'V', '5', '0');
constexpr std::uint32_t kOldestVideoServices = 0x010A;

// The region window's outer bounds, read on the UI thread that owns the window; an empty
// rectangle when there is no window.
CaptureRect RegionBounds(QWidget* regionWindow) {
  CaptureRect bounds;
  QPointer<QWidget> window = regionWindow;
  TRecordAVIThread::Synchronize([&] {
    if (!window) return;
    const QRect outer = window->frameGeometry();
    bounds = {outer.left(), outer.top(), outer.width(), outer.height()};
  });
  return bounds;
}

bool CompressorTakes(const codec::TOpenCompressor& compressor, PackedDib frame) {
  return frame && compressor.Send(ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(frame), 0) == ICERR_OK;
}

}  // namespace

std::int32_t TScreenCam::RecordAVI(QWidget* regionWindow, const QString& fileName) {
  FileFinished = false;
  // One frame-sized block is allocated and freed per frame.
  const platform::LargeBlockRecycling recycling;
  CaptureRect rect = RegionBounds(regionWindow);
  CaptureWidth = rect.width;
  CaptureHeight = rect.height;

  if ((VideoForWindowsVersion() >> 16) < kOldestVideoServices) {
    platform::ShowMessage("Error", "Failure: Video for Windows version too old!", platform::BoxIcon::Error);
    Fire(OnRecordError);
    return 0;
  }

  // Size adaptation. Whatever compressor will record gets its sizes: the chosen entry, or the
  // default one when none is chosen or the chosen one gives up, so that every region records.
  THeldFrame testFrame;
  testFrame.Reset(CaptureFrame(rect.left, rect.top, rect.width, rect.height));
  auto adaptTo = [&](const codec::TOpenCompressor& compressor) {
    return recording::AdaptToCompressor(rect, ScreenWidth, ScreenHeight, [&](const CaptureRect& candidate) {
      // The frame at hand serves only a question about its own size: after a compressor that
      // refused every candidate it is the last candidate's, not the rectangle's.
      if (candidate == rect && testFrame.Get() && testFrame.Header().biWidth == candidate.width &&
          testFrame.Header().biHeight == candidate.height)
        return CompressorTakes(compressor, testFrame.Get());
      testFrame.Reset(CaptureFrame(candidate.left, candidate.top, candidate.width, candidate.height));
      return CompressorTakes(compressor, testFrame.Get());
    });
  };
  std::uint32_t fourCC = CompressorFourCC;
  std::uint32_t adaptedFor = 0;
  const std::int32_t index = CompressorIndex;
  if (index >= 0 && index < CompressorCount && Compressors[index].fccHandler == fourCC) {
    const ICINFO& entry = Compressors[index];
    const codec::TOpenCompressor chosen(entry.fccType, entry.fccHandler, ICMODE_QUERY);
    if (chosen && adaptTo(chosen)) adaptedFor = fourCC;
    else fourCC = kDefaultCompressor;
  }
  if (fourCC == kIndeo5) fourCC = kDefaultCompressor;
  if (adaptedFor != fourCC) {
    if (const codec::TOpenCompressor recording(ICTYPE_VIDEO, fourCC, ICMODE_QUERY); recording) adaptTo(recording);
  }
  CompressorFourCC = fourCC;
  CaptureWidth = rect.width;
  CaptureHeight = rect.height;
  // The format comes from a frame of the rectangle that will be recorded.
  if (!testFrame.Get() || testFrame.Header().biWidth != rect.width || testFrame.Header().biHeight != rect.height) {
    testFrame.Reset(CaptureFrame(rect.left, rect.top, rect.width, rect.height));
  }

  HRESULT failure = AVIERR_OK;
  TAviRecordingFile file;
  if (!testFrame.Get()) {
    // Without a frame there is no format to record in.
    failure = AVIERR_ERROR;
  } else {
    if (ShowMarker) {
      TRecordAVIThread::Synchronize([this, rect] {
        Marker->FitToRect(rect.left, rect.top, rect.width, rect.height);
        Marker->show();
      });
    }
    const BITMAPINFOHEADER& format = testFrame.Header();
    AVISTREAMINFOA header{};
    header.fccType = streamtypeVIDEO;
    header.dwScale = 1;
    header.dwRate = static_cast<std::uint32_t>(FramesPerSecond.load());
    header.dwSuggestedBufferSize = format.biSizeImage;
    header.rcFrame = {0, 0, format.biWidth, format.biHeight};
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = fourCC;
    options.dwKeyFrameEvery = static_cast<std::uint32_t>(KeyFrameEvery.load());
    options.dwQuality = static_cast<std::uint32_t>(Quality.load());
    options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    failure = file.Open(fileName, header, options, testFrame.Get(), testFrame.FormatSize());
  }

  const bool opened = failure == AVIERR_OK;
  if (opened) {
    const std::int32_t frameWidth = testFrame.Header().biWidth;
    const std::int32_t frameHeight = testFrame.Header().biHeight;
    const std::int32_t frameBytes = static_cast<std::int32_t>(testFrame.Header().biSizeImage);
    testFrame.Reset();
    Fire(OnRecordStart);

    HRESULT writeFailure = AVIERR_OK;
    recording::LoopHooks hooks;
    hooks.clock = platform::TimeGetTime;
    hooks.sleep = platform::SleepMs;
    hooks.recording = [this] { return Recording.load(); };
    hooks.grabAndWrite = [&](std::int32_t slot, bool write, bool& written) {
      // Every frame has the format's size, taken where the region is now.
      CaptureRect at = rect;
      if (FollowRegion) {
        const CaptureRect region = RegionBounds(regionWindow);
        if (region.width > 0) at = {region.left, region.top, rect.width, rect.height};
      }
      THeldFrame frame;
      frame.Reset(CaptureFrame(at.left, at.top, frameWidth, frameHeight));
      if (!frame.Get() || !write) return true;
      writeFailure = file.Write(slot, frame.Pixels(), frameBytes);
      if (writeFailure != AVIERR_OK) return false;
      written = true;
      return true;
    };
    hooks.progress = [this] { Fire(OnProgress); };
    hooks.statisticsChanged = [this](const recording::LoopStatistics& stats) {
      StartTime = stats.StartTime;
      LastFrameInterval = stats.LastFrameInterval;
      FramesDropped = stats.FramesDropped;
      FrameIndex = stats.FrameIndex;
      FramesWritten = stats.FramesWritten;
    };
    recording::LoopStatistics stats;
    // The last frames handed over are still being stored: a failure among them fails the
    // recording as a failed write would.
    if (!recording::RunRecordingLoop(FrameIntervalMs, hooks, stats))
      failure = writeFailure != AVIERR_OK ? writeFailure : AVIERR_FILEWRITE;
    else failure = file.EndWrites();
    Fire(OnRecordStop);
  }

  if (ShowMarker) TRecordAVIThread::Synchronize([this] { Marker->hide(); });
  // A failed attempt that stored no frame leaves no file behind.
  const HRESULT closed = file.Close(failure != AVIERR_OK);
  testFrame.Reset();
  FileFinished = opened && closed == AVIERR_OK;

  if (failure == AVIERR_OK && closed == AVIERR_OK) return 1;
  Fire(OnRecordError);
  // A file whose end could not be written failed for the file's sake, not the compressor's:
  // there is nothing to repeat with another one.
  if (CompressorFourCC == kDefaultCompressor || failure == AVIERR_OK) {
    platform::ShowMessage("Error", "Error Creating AVI file", platform::BoxIcon::Warning, nullptr,
                          file.FailureReason());
    return 0;
  }
  const platform::BoxAnswer answer =
      platform::AskYesNo("Notice", "Error recording AVI file using current compressor. Use default compressor? ",
                         platform::BoxIcon::Warning, nullptr, file.FailureReason());
  if (answer != platform::BoxAnswer::Yes) return 0;
  CompressorFourCC = kDefaultCompressor;
  return -1;
}
