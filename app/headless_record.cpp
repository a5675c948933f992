#include "app/headless_record.h"

#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/output_naming.h"
#include "app/record_progress.h"
#include "app/still_image.h"
#include "app/unattended_boxes.h"
#include "app/vorlix_application.h"
#include "camera/codec/compressor_table.h"
#include "camera/recording_settings.h"
#include "camera/scrcam.h"
#include "platform/termination_signals.h"

namespace app {
namespace {

constexpr int kRecorded = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

QString Description(const ICINFO& info) { return QString::fromUtf16(info.szDescription); }

bool SameFourcc(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The catalogue entry with that FOURCC (letters compared without case).
std::optional<int> CatalogueIndex(const TScreenCam& camera, const std::string& fourcc) {
  for (int i = 0; i < camera.CompressorCount; ++i)
    if (SameFourcc(codec::FourccText(camera.Compressors[i].fccHandler), fourcc)) return i;
  return std::nullopt;
}

bool FolderExists(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  std::error_code error;
  return folder.empty() || std::filesystem::is_directory(folder, error);
}

}  // namespace

int ListCodecs(int argc, char** argv) {
  VorlixApplication::UseScreenPixels();
  VorlixApplication application(argc, argv);
  UnattendedBoxes boxes;
  TScreenCam camera(nullptr);
  camera.RefreshCompressors();
  for (int i = 0; i < camera.CompressorCount; ++i)
    std::printf("%s %s\n", codec::FourccText(camera.Compressors[i].fccHandler).c_str(),
                qUtf8Printable(Description(camera.Compressors[i])));
  if (camera.CompressorCount == 0) {
    std::fprintf(stderr, "vorlix: no installed compressor takes frames of this screen\n");
    return kFailed;
  }
  return kRecorded;
}

int RecordFromCommandLine(const CommandLine& command, int argc, char** argv) {
  VorlixApplication::UseScreenPixels();
  VorlixApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  UnattendedBoxes boxes;
  TScreenCam camera(nullptr);

  camera.RefreshCompressors();
  const std::optional<int> index = CatalogueIndex(camera, command.codec);
  if (!index) {
    std::fprintf(stderr, "vorlix: no installed compressor '%s' (see vorlix --list-codecs)\n", command.codec.c_str());
    return kBadArguments;
  }
  if (!FolderExists(command.file)) {
    std::fprintf(stderr, "vorlix: %s: the folder does not exist\n", command.file.c_str());
    return kFailed;
  }

  camera.CompressorIndex = *index;
  camera.FramesPerSecond = command.fps;
  camera.FrameIntervalMs = recording::FrameIntervalMsFromFps(command.fps);
  camera.Quality = command.quality;
  camera.WithCursor = command.withCursor;

  // The region window of the windows' recordings, here never shown: its bounds are the region.
  QWidget region(nullptr, Qt::Window | Qt::FramelessWindowHint);
  if (command.region) {
    region.setGeometry(command.region->x, command.region->y, command.region->width, command.region->height);
  } else {
    const CaptureRectangle whole = WholeScreenRectangle();
    region.setGeometry(whole.left, whole.top, whole.Width(), whole.Height());
  }

  const std::string fileName = NextFreeName(command.file);
  TerminalProgress progress(camera, fileName);

  // The time counts from the first frame, not from the start of the file's set-up. Without a
  // time, only a signal ends the recording.
  QTimer duration;
  duration.setSingleShot(true);
  duration.setTimerType(Qt::PreciseTimer);  // a coarse timer may end up to 5 % early
  QObject::connect(&duration, &QTimer::timeout, [&camera] { camera.StopRecording(); });
  const int durationMs = static_cast<int>(command.seconds * 1000);
  camera.OnRecordStart = [&duration, durationMs, &progress](TScreenCam*) {
    QMetaObject::invokeMethod(
        &duration,
        [&duration, durationMs, &progress] {
          if (durationMs > 0) duration.start(durationMs);
          progress.Start();
        },
        Qt::QueuedConnection);
  };
  std::atomic<bool> failed{false};
  camera.OnRecordError = [&failed](TScreenCam*) { failed = true; };
  // Ended from outside: stop as the time would, so that the file is finished, not cut off.
  platform::OnTerminationSignal(&application, [&camera](int) { camera.StopRecording(); });

  camera.StartRecording(&region, QString::fromStdString(fileName));
  camera.WaitForThread();
  progress.Finish();

  std::printf("frames written: %d\nslots dropped: %d\nfile: %s\n", camera.FramesWritten.load(),
              camera.FramesDropped.load(), fileName.c_str());
  std::fflush(stdout);
  if (failed || boxes.Shown() > 0 || !std::filesystem::exists(fileName)) {
    std::fprintf(stderr, "vorlix: the recording failed\n");
    return kFailed;
  }
  return kRecorded;
}

}  // namespace app
