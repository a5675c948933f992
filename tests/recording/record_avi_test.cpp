// Whole recording attempts: a region recorded into an AVI file that ffprobe and ffmpeg read back,
// the timing by slots, the size adaptation, and the failures the user is told about.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "camera/codec/compressor_table.h"
#include "camera/flashwnd.h"
#include "platform/message_box.h"
#include "tests/recording/recording_rig.h"

namespace {

using namespace recordingtest;
using codectest::ProbeStream;

constexpr std::uint32_t kMsvc = mmioFOURCC('M', 'S', 'V', 'C');

class RecordAvi : public ::testing::Test {
 protected:
  void SetUp() override { folder = codectest::TempFolder(); }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::string File(const std::string& name) const { return folder + "/" + name; }

  std::string folder;
  testsupport::ModalWatcher boxes;
};

TEST_F(RecordAvi, TwoSecondsOfAChangingRegionAtTenFps) {
  const QRect where(40, 40, 200, 120);
  ChangingScene scene(where);
  auto region = RegionAt(where);
  ResultCam cam;
  bool markerShownDuringTheRecording = false;
  cam.OnProgress = [&](TScreenCam*) {
    TRecordAVIThread::Synchronize([&] { markerShownDuringTheRecording |= cam.Marker->isVisible(); });
  };
  const std::string file = File("two seconds.avi");
  RecordFor(cam, region.get(), file, 2000);

  EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{1});
  EXPECT_EQ(cam.starts, 1);
  EXPECT_EQ(cam.stops, 1);
  EXPECT_EQ(cam.errors, 0);
  EXPECT_TRUE(cam.FileFinished);
  EXPECT_TRUE(boxes.Seen().isEmpty()) << boxes.Seen().join('\n').toStdString();
  EXPECT_TRUE(markerShownDuringTheRecording);
  EXPECT_TRUE(cam.Marker->isHidden()) << "hidden again at the end";

  const auto probe = ProbeStream(file);
  EXPECT_EQ(probe.codecTag, "MSVC");
  EXPECT_EQ(probe.frameRate, "10/1");
  EXPECT_EQ(probe.width, 200);
  EXPECT_EQ(probe.height, 120);
  EXPECT_GE(probe.frames, 15);
  EXPECT_LE(probe.frames, 25);
  // Every slot up to the last one was either written or counted as dropped.
  EXPECT_EQ(cam.FramesWritten + cam.FramesDropped, cam.FrameIndex + 1);
  EXPECT_EQ(probe.frames, cam.FrameIndex + 1) << "the file has a position for every slot";
  EXPECT_EQ(cam.CaptureWidth, 200);

  const auto decoded = codectest::DecodeRgb(file, 200, 120);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "");
  std::set<std::vector<std::uint8_t>> distinct(decoded.frames.begin(), decoded.frames.end());
  EXPECT_GT(distinct.size(), 5u) << "the changing scene was recorded";
}

// Test compressors: Video 1 coded by our encoder under another of Video 1's FOURCCs, so that
// ffmpeg decodes what they write, each frame first passing a hook that may hold it or fail it.
using FrameHook = bool (*)(int frameNumber);  // frames counted from 1; false fails the frame

std::map<std::uint32_t, FrameHook>& FrameHooks() {
  static std::map<std::uint32_t, FrameHook> hooks;
  return hooks;
}

class HookedEncoder : public codec::FrameEncoder {
 public:
  HookedEncoder(std::unique_ptr<codec::FrameEncoder> inner, FrameHook hook) : inner_(std::move(inner)), hook_(hook) {}
  bool Load(const std::uint8_t* dibBits) override { return inner_->Load(dibBits); }
  bool Code(bool keyFrame, codec::EncodedFrame& out) override {
    return hook_(++frames_) && inner_->Code(keyFrame, out);
  }
  int BitsPerCodedSample() const override { return inner_->BitsPerCodedSample(); }
  std::span<const std::uint8_t> CodecPrivateData() const override { return inner_->CodecPrivateData(); }

 private:
  std::unique_ptr<codec::FrameEncoder> inner_;
  FrameHook hook_;
  int frames_ = 0;
};

std::unique_ptr<codec::FrameEncoder> MakeHookedEncoder(const codec::CompressorEntry& entry,
                                                       const codec::EncoderSetup& setup) {
  const codec::CompressorEntry& video1 = *codec::FindInstalledCompressor(kMsvc);
  auto inner = video1.makeEncoder(video1, setup);
  return inner ? std::make_unique<HookedEncoder>(std::move(inner), FrameHooks().at(entry.fourcc)) : nullptr;
}

// Installs the test compressor once per process; a later call gives its frames another hook.
void InstallHookedVideo1(std::uint32_t fourcc, const char* description, FrameHook hook,
                         codec::SizeRule sizes = codec::SizeRule{4, 4}) {
  FrameHooks()[fourcc] = hook;
  if (codec::FindInstalledCompressor(fourcc)) return;
  codec::CompressorEntry entry = *codec::FindInstalledCompressor(kMsvc);
  entry.fourcc = fourcc;
  entry.ownDescription = description;
  entry.makeEncoder = MakeHookedEncoder;
  entry.sizes = sizes;
  codec::InstallCompressor(std::move(entry));
}

// Slow by construction: every frame is held for kHoldMs.
constexpr std::uint32_t kHeldVideo1 = mmioFOURCC('C', 'R', 'A', 'M');
constexpr int kHoldMs = 350;
bool HoldFrame(int) {
  std::this_thread::sleep_for(std::chrono::milliseconds(kHoldMs));
  return true;
}

// Fails in the middle of a recording: the fourth frame cannot be coded.
constexpr std::uint32_t kFailingVideo1 = mmioFOURCC('W', 'H', 'A', 'M');
constexpr int kFramesBeforeTheFailure = 3;
bool FailAfterThreeFrames(int frameNumber) { return frameNumber <= kFramesBeforeTheFailure; }

TEST_F(RecordAvi, ASlowCompressorKeepsTheClocksTimeAndCountsTheSkippedSlots) {
  InstallHookedVideo1(kHeldVideo1, "Video 1, held", HoldFrame);
  const QRect where(0, 0, 480, 360);
  ChangingScene scene(where);
  auto region = RegionAt(where);
  ResultCam cam;
  cam.CompressorIndex = cam.IndexOf(kHeldVideo1);
  ASSERT_GE(cam.CompressorIndex, 0);
  cam.CompressorFourCC = kHeldVideo1;
  const std::string file = File("slow.avi");
  cam.StartRecording(region.get(), QString::fromStdString(file));
  ASSERT_TRUE(Serve(120000, [&] { return cam.FrameIndex >= 15 || cam.Thread.load() == nullptr; }));
  cam.StopRecording();
  ASSERT_TRUE(Serve(60000, [&] { return cam.Thread.load() == nullptr; }));

  EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{1});
  EXPECT_EQ(cam.FramesWritten + cam.FramesDropped, cam.FrameIndex + 1);
  // Two frames may be in flight, so the first ones are taken at once; after that each write
  // waits for a frame's coding, 3.5 intervals, which skips at least one slot per frame whatever
  // the machine's speed.
  EXPECT_GE(cam.FramesWritten, 3);
  EXPECT_GE(cam.FramesDropped, cam.FramesWritten - 4);
  const auto probe = ProbeStream(file);
  EXPECT_EQ(probe.codecTag, "CRAM");
  // The file lasts as long as the recording did, not as long as its frames would at 10 fps.
  EXPECT_EQ(probe.frames, cam.FrameIndex + 1);
  EXPECT_GE(probe.frames, 16);
  // The stop came while frames were still being coded: every frame handed over is in the file.
  const auto packets = codectest::ProbePackets(file);
  EXPECT_EQ(std::count_if(packets.begin(), packets.end(), [](const auto& p) { return p.size > 0; }), cam.FramesWritten);
  EXPECT_EQ(codectest::DecodeRgb(file, 480, 360).messages, "");
}

// An entry that takes a 320 x 200 screen, so that it is in the catalogue, but no size near the
// region's.
constexpr std::uint32_t kPicky = mmioFOURCC('P', 'I', 'C', 'K');
bool PassFrame(int) { return true; }

TEST_F(RecordAvi, TheRecordedSizeFitsTheCompressorThatRecords) {
  InstallHookedVideo1(kPicky, "takes 320 x 200 only", PassFrame, codec::SizeRule{320, 200});
  const std::uint32_t xxxx = mmioFOURCC('X', 'X', 'X', 'X');
  struct Case {
    const char* what;
    std::uint32_t chosen;      // a catalogue entry to choose, or 0 for none
    std::uint32_t fourcc;      // CompressorFourCC when none is chosen
    std::int32_t screenWidth;  // 0: the real one
    int width, height;         // what the file must have
    const char* tag;
  };
  const Case cases[] = {
      {"no entry chosen: the default is adapted too", 0, kMsvc, 0, 104, 64, "MSVC"},
      {"rounded down when up exceeds the screen", 0, kMsvc, 103, 100, 64, "MSVC"},
      {"a chosen IV50 records with MSVC", 0, mmioFOURCC('I', 'V', '5', '0'), 0, 104, 64, "MSVC"},
      {"an entry that cannot be opened falls back to MSVC", xxxx, 0, 0, 104, 64, "MSVC"},
      {"an entry that refuses every candidate: MSVC, adapted too", kPicky, 0, 0, 104, 64, "MSVC"},
      {"an even-size entry", mmioFOURCC('H', '2', '6', '4'), 0, 0, 102, 62, "H264"},
      {"an entry that takes every size", mmioFOURCC('Z', 'M', 'B', 'V'), 0, 0, 101, 61, "ZMBV"},
  };
  const QRect where(30, 50, 101, 61);
  auto region = RegionAt(where);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResultCam cam;
    if (c.screenWidth) cam.ScreenWidth = c.screenWidth;
    if (c.chosen == xxxx) {
      cam.CompressorCount = 1;
      cam.Compressors[0].fccType = ICTYPE_VIDEO;
      cam.Compressors[0].fccHandler = xxxx;
      cam.CompressorIndex = 0;
    } else if (c.chosen) {
      cam.CompressorIndex = cam.IndexOf(c.chosen);
      if (cam.CompressorIndex < 0) continue;  // not installed here
    } else {
      cam.CompressorFourCC = c.fourcc;
    }
    const std::string file = File(std::string(c.what) + ".avi");
    RecordFor(cam, region.get(), file, 600);
    EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{1});
    EXPECT_TRUE(boxes.Seen().isEmpty()) << boxes.Seen().join('\n').toStdString();
    EXPECT_EQ(cam.CaptureWidth, c.width);
    EXPECT_EQ(cam.CaptureHeight, c.height);
    const auto probe = ProbeStream(file);
    EXPECT_EQ(probe.codecTag, c.tag);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    const auto decoded = codectest::DecodeRgb(file, c.width, c.height);
    EXPECT_EQ(decoded.messages, "");
    EXPECT_FALSE(decoded.frames.empty());
  }
}

TEST_F(RecordAvi, AFileThatCannotBeCreatedWithTheDefaultCompressorIsAnError) {
  auto region = RegionAt(QRect(0, 0, 64, 48));
  ResultCam cam;
  RecordFor(cam, region.get(), File("missing/folder.avi"), 300);
  EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{0});
  EXPECT_EQ(cam.errors, 1);
  EXPECT_EQ(cam.starts, 0);
  EXPECT_EQ(boxes.Seen(), QStringList{"Error\tError Creating AVI file"});
  EXPECT_FALSE(std::filesystem::exists(File("missing")));
}

TEST_F(RecordAvi, AnotherCompressorsFailureOffersTheDefaultCompressor) {
  const QString question = "Notice\tError recording AVI file using current compressor. Use default compressor? ";
  auto region = RegionAt(QRect(0, 0, 64, 48));
  struct Case {
    bool yes;
    bool stopWhileAsked;
    std::vector<std::int32_t> results;
  };
  for (const Case& c : {Case{true, false, {-1, 1}}, Case{false, false, {0}}, Case{true, true, {-1, 1}}}) {
    SCOPED_TRACE(std::string(c.yes ? "Yes" : "No") + (c.stopWhileAsked ? " after a stop" : ""));
    ResultCam cam;
    // A default compressor that is not installed: the compressed stream cannot be made.
    cam.CompressorFourCC = mmioFOURCC('X', 'X', 'X', 'X');
    boxes.Clear();
    boxes.AnswerQuestions(c.yes, [&] {
      if (c.stopWhileAsked) cam.StopRecording();
    });
    const std::string name = c.yes ? (c.stopWhileAsked ? "stopped.avi" : "again.avi") : "declined.avi";
    const std::string file = File(name);
    RecordFor(cam, region.get(), file, 1200);
    EXPECT_EQ(cam.Results(), c.results);
    ASSERT_FALSE(boxes.Seen().isEmpty());
    EXPECT_EQ(boxes.Seen().front(), question);
    EXPECT_EQ(boxes.Seen().size(), 1);
    EXPECT_FALSE(std::filesystem::exists(File("001_" + name)));
    if (!c.yes) {
      EXPECT_FALSE(std::filesystem::exists(file)) << "the failed attempt stored no frame: it leaves no file";
      continue;
    }
    EXPECT_EQ(cam.CompressorFourCC, kMsvc);
    const auto probe = ProbeStream(file);
    EXPECT_EQ(probe.codecTag, "MSVC") << "recorded again, under the name the failed attempt left free";
    if (c.stopWhileAsked) {
      EXPECT_EQ(cam.FramesWritten, 0);
      EXPECT_LE(probe.frames, 0);
    } else {
      EXPECT_GT(cam.FramesWritten, 0);
    }
  }
}

// Yes to "Use default compressor?" after frames were recorded: the repeat goes to a new name and
// the frames already recorded stay in their file, whole.
TEST_F(RecordAvi, ARepeatWithTheDefaultCompressorKeepsTheFramesAlreadyRecorded) {
  InstallHookedVideo1(kFailingVideo1, "Video 1, failing", FailAfterThreeFrames);
  auto region = RegionAt(QRect(0, 0, 64, 48));
  ResultCam cam;
  cam.CompressorIndex = cam.IndexOf(kFailingVideo1);
  ASSERT_GE(cam.CompressorIndex, 0);
  cam.CompressorFourCC = kFailingVideo1;
  boxes.AnswerQuestions(true, [] {});
  RecordFor(cam, region.get(), File("kept.avi"), 1500);

  EXPECT_EQ(cam.Results(), (std::vector<std::int32_t>{-1, 1}));
  EXPECT_EQ(boxes.Seen().size(), 1);
  const auto kept = ProbeStream(File("kept.avi"));
  EXPECT_EQ(kept.codecTag, "WHAM");
  EXPECT_GE(kept.frames, kFramesBeforeTheFailure) << "the frames before the failure are kept";
  EXPECT_EQ(codectest::DecodeRgb(File("kept.avi"), 64, 48).messages, "");
  EXPECT_EQ(ProbeStream(File("001_kept.avi")).codecTag, "MSVC");
}

// The compressor fails the first frame it codes: the file holds a header but no frame, so it goes,
// and the repeat with the default compressor takes its name.
// The muxer knows Video 1 only under three FOURCCs: this one shares the held compressor's.
constexpr std::uint32_t kBrokenVideo1 = kHeldVideo1;
bool FailEveryFrame(int) { return false; }

TEST_F(RecordAvi, AnAttemptThatStoredNoFrameLeavesItsNameToTheRepeat) {
  InstallHookedVideo1(kBrokenVideo1, "Video 1, broken", FailEveryFrame);
  auto region = RegionAt(QRect(0, 0, 64, 48));
  ResultCam cam;
  cam.CompressorIndex = cam.IndexOf(kBrokenVideo1);
  ASSERT_GE(cam.CompressorIndex, 0);
  cam.CompressorFourCC = kBrokenVideo1;
  boxes.AnswerQuestions(true, [] {});
  RecordFor(cam, region.get(), File("broken.avi"), 1000);

  EXPECT_EQ(cam.Results(), (std::vector<std::int32_t>{-1, 1}));
  EXPECT_EQ(cam.starts, 2) << "the failed attempt had its file open, its header written";
  EXPECT_EQ(boxes.Seen().size(), 1);
  EXPECT_EQ(ProbeStream(File("broken.avi")).codecTag, "MSVC");
  EXPECT_FALSE(std::filesystem::exists(File("001_broken.avi")));
}

// What the message boxes were asked to say, with the reasons they do not show; questions are
// answered No.
class MessagesTold {
 public:
  MessagesTold()
      : sink_([this](const platform::Message& message) {
          const std::lock_guard<std::mutex> guard(lock_);
          told_.push_back(message.caption + "\t" + message.text + "\t" + message.reason);
          return message.question ? platform::BoxAnswer::No : platform::BoxAnswer::Ok;
        }) {}
  QStringList Told() {
    const std::lock_guard<std::mutex> guard(lock_);
    return told_;
  }

 private:
  std::mutex lock_;
  QStringList told_;
  platform::ScopedMessageSink sink_;
};

// Hit by the limited compressor's fourth frame: from there on the file may grow no further.
std::string limitedFile;
rlimit unlimitedSize{};
void LimitFileSize(rlim_t size) {
  const rlimit limit{size, unlimitedSize.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}
constexpr std::uint32_t kLimitedVideo1 = kHeldVideo1;
bool LimitAtTheFourthFrame(int frameNumber) {
  if (frameNumber == kFramesBeforeTheFailure + 1)
    LimitFileSize(static_cast<rlim_t>(std::filesystem::file_size(limitedFile)));
  return true;
}

// A write the file system refuses (a size limit here; a full disk or a removed medium alike)
// fails the recording with the system's reason, also with another compressor than the default:
// no other compressor would write where this one could not. The frames stored before it stay.
TEST_F(RecordAvi, AFailedWriteIsReportedWithTheSystemsReason) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write over the limit fails instead of ending the process
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimitedSize), 0);
  InstallHookedVideo1(kLimitedVideo1, "Video 1, limited", LimitAtTheFourthFrame);
  auto region = RegionAt(QRect(0, 0, 64, 48));
  enum class Limit { AtTheFirstFrame, AtTheFourthFrame, AtTheEnd };
  constexpr int kNoFile = -1, kEveryFrameWritten = -2;
  struct Case {
    const char* what;
    std::uint32_t fourcc;
    Limit limit;
    int framesStored;  // or kNoFile, kEveryFrameWritten
    const char* told;  // the box, with the reason beside it
  };
  const char* const kError = "Error\tError Creating AVI file\tFile too large";
  // Another compressor is offered the default one (answered No here), with the reason beside it.
  const char* const kOffer =
      "Notice\tError recording AVI file using current compressor. Use default compressor? \tFile too large";
  const Case cases[] = {
      {"the first frame, the default compressor: no frame, no file", kMsvc, Limit::AtTheFirstFrame, kNoFile, kError},
      {"the fourth frame, another compressor", kLimitedVideo1, Limit::AtTheFourthFrame, kFramesBeforeTheFailure,
       kOffer},
      {"the file's end", kMsvc, Limit::AtTheEnd, kEveryFrameWritten, kError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MessagesTold messages;
    ResultCam cam;
    if (c.fourcc != kMsvc) {
      cam.CompressorIndex = cam.IndexOf(c.fourcc);
      ASSERT_GE(cam.CompressorIndex, 0);
      cam.CompressorFourCC = c.fourcc;
    }
    const std::string file = File(std::to_string(static_cast<int>(c.limit)) + ".avi");
    limitedFile = file;
    const auto limitHere = [&file] { LimitFileSize(static_cast<rlim_t>(std::filesystem::file_size(file))); };
    if (c.limit == Limit::AtTheFirstFrame) {
      cam.OnRecordStart = [&](TScreenCam*) {
        limitHere();
        ++cam.starts;
      };
    }
    if (c.limit == Limit::AtTheEnd) cam.OnRecordStop = [&](TScreenCam*) { limitHere(); };
    RecordFor(cam, region.get(), file, 1500);
    ::setrlimit(RLIMIT_FSIZE, &unlimitedSize);

    EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{0});
    EXPECT_FALSE(cam.FileFinished);
    EXPECT_EQ(messages.Told().join('\n').toStdString(), c.told);
    EXPECT_EQ(std::filesystem::exists(file), c.framesStored != kNoFile);
    if (c.framesStored == kNoFile) continue;
    const auto packets = codectest::ProbePackets(file);
    EXPECT_EQ(std::count_if(packets.begin(), packets.end(), [](const auto& p) { return p.size > 0; }),
              c.framesStored == kEveryFrameWritten ? cam.FramesWritten.load() : c.framesStored);
    EXPECT_EQ(codectest::DecodeRgb(file, 64, 48).messages, "");
  }
}

// The frames are written but the file's end (index, header sizes) is not: the attempt failed,
// whichever compressor recorded. Nothing is offered again, for the compressor did not fail.
TEST_F(RecordAvi, AFileWhoseEndCannotBeWrittenIsARecordingError) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write over the limit fails instead of ending the process
  rlimit unlimited{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
  auto region = RegionAt(QRect(0, 0, 64, 48));
  for (const bool defaultCompressor : {true, false}) {
    SCOPED_TRACE(defaultCompressor ? "the default compressor" : "another compressor");
    ResultCam cam;
    if (!defaultCompressor) {
      cam.CompressorIndex = cam.IndexOf(mmioFOURCC('M', 'J', 'P', 'G'));
      ASSERT_GE(cam.CompressorIndex, 0);
      cam.CompressorFourCC = mmioFOURCC('M', 'J', 'P', 'G');
    }
    boxes.Clear();
    const std::string file = File(defaultCompressor ? "msvc.avi" : "mjpg.avi");
    // Once the last frame is on disk, the file may grow no further.
    cam.OnRecordStop = [&](TScreenCam*) {
      const auto size = static_cast<rlim_t>(std::filesystem::file_size(file));
      const rlimit atTheFrames{size, unlimited.rlim_max};
      ::setrlimit(RLIMIT_FSIZE, &atTheFrames);
    };
    RecordFor(cam, region.get(), file, 500);
    ::setrlimit(RLIMIT_FSIZE, &unlimited);

    EXPECT_EQ(cam.Results(), std::vector<std::int32_t>{0});
    EXPECT_EQ(cam.errors, 1);
    EXPECT_FALSE(cam.FileFinished);
    EXPECT_EQ(boxes.Seen(), QStringList{"Error\tError Creating AVI file"});
    EXPECT_FALSE(std::filesystem::exists(File("001_" + std::filesystem::path(file).filename().string())));
  }
}

}  // namespace
