// Recordings of the real program under faults: ended from outside, by Exit, by a full or
// vanished output folder, by bursts of clicks and hotkeys. What the user is told and what is on
// disk afterwards must agree, and no file may be left unplayable.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/e2e/record_session.h"
#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/video_probe.h"
#include "tests/support/x_session.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using testsupport::DecodeVideo;
using testsupport::ProbeVideo;

// A finished AVI file ends with its index; one cut off in the middle of a recording has none.
bool HasIndex(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.find("idx1") != std::string::npos;
}

std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& extension) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == extension) files.push_back(entry.path().string());
  }
  return files;
}

// Answers every message box the program shows until none comes for `quiet`.
void AnswerAllBoxes(testsupport::VorlixProcess& vorlix, std::chrono::milliseconds quiet = 3s) {
  while (vorlix.AnswerMessageBox(quiet)) {
  }
}

class RecordingFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(vorlix.MainWindow().empty());
    ASSERT_FALSE(session.ShowRegion().empty());
  }
  e2e::RecordSession session{"vorlix-faults"};
  testsupport::VorlixProcess& vorlix = session.Vorlix();
  const std::string video = session.VideoPath("My video.avi");
};

// Waits for the recording's file, which is created just before its first frame: a recording's
// time counts from there, however long the start took.
bool WaitForFirstFrame(const std::string& path) {
  return testsupport::WaitUntil([&] { return fs::exists(path); }, testsupport::kPatience);
}

TEST_F(RecordingFaults, AKilledRecordingLeavesAFileThatPlaysUpToItsLastFrames) {
  ASSERT_TRUE(session.StartRecording());
  ASSERT_TRUE(WaitForFirstFrame(video));
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(4s);
  vorlix.Process().Signal(SIGKILL);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(vorlix.Process().Wait(testsupport::kPatience), 128 + SIGKILL);

  EXPECT_FALSE(HasIndex(video)) << "the file was not finished";
  const auto decoded = DecodeVideo(video);
  EXPECT_EQ(decoded.exitCode, 0) << decoded.messages;
  EXPECT_GT(decoded.frames, 0);
  // Every frame written up to a second before the kill is in the file (11 fps).
  EXPECT_GE(ProbeVideo(video).packets, static_cast<int>((seconds - 1.0) * 11) - 2);
}

// Its own programs, one after the other: the fixture's region window would be found too.
TEST(RecordingEnds, TerminationSignalsAndExitFinishTheFile) {
  struct Case {
    const char* how;
    int signal;  // 0: the Exit button
  };
  for (const Case& c : {Case{"SIGTERM", SIGTERM}, Case{"Exit", 0}}) {
    SCOPED_TRACE(c.how);
    e2e::RecordSession own{"vorlix-end"};
    ASSERT_FALSE(own.ShowRegion().empty());
    ASSERT_TRUE(own.StartRecording());
    ASSERT_TRUE(WaitForFirstFrame(own.VideoPath("My video.avi")));
    std::this_thread::sleep_for(2s);
    if (c.signal) own.Vorlix().Process().Signal(c.signal);
    else own.Click(e2e::kExitX);
    EXPECT_EQ(own.Vorlix().Process().Wait(testsupport::kPatience), 0) << "a normal exit";
    const std::string path = own.VideoPath("My video.avi");
    EXPECT_TRUE(HasIndex(path)) << "the file was finished";
    const auto decoded = DecodeVideo(path);
    EXPECT_EQ(decoded.exitCode, 0);
    EXPECT_EQ(decoded.messages, "");
    EXPECT_GE(ProbeVideo(path).packets, 15) << "about two seconds at 11 fps";
    EXPECT_TRUE(own.Vorlix().Messages().empty()) << "nothing to tell: the file is whole";
  }
}

TEST_F(RecordingFaults, InterruptFinishesTheFileToo) {
  ASSERT_TRUE(session.StartRecording());
  ASSERT_TRUE(WaitForFirstFrame(video));
  std::this_thread::sleep_for(1500ms);
  vorlix.Process().Signal(SIGINT);
  EXPECT_EQ(vorlix.Process().Wait(testsupport::kPatience), 0);
  EXPECT_TRUE(HasIndex(video));
  EXPECT_EQ(DecodeVideo(video).messages, "");
}

TEST_F(RecordingFaults, AFolderRemovedDuringTheRecordingIsNotReportedAsCreated) {
  ASSERT_TRUE(session.StartRecording());
  ASSERT_TRUE(WaitForFirstFrame(video));
  fs::remove_all(vorlix.OutputFolder());
  std::this_thread::sleep_for(1s);
  session.ClickRecord();
  ASSERT_TRUE(vorlix.AnswerMessageBox(testsupport::kPatience));
  EXPECT_EQ(vorlix.Messages().back(), "Vorlix\tCannot create file '" + video + "'");
}

TEST_F(RecordingFaults, AFileSizeLimitEndsTheRecordingWithAnErrorAndAPlayableFile) {
  // The limit applies to the running program, as a full disk would.
  ASSERT_EQ(
      testsupport::Run("prlimit --pid " + std::to_string(vorlix.Process().Pid()) + " --fsize=60000:60000").exitCode, 0);
  ASSERT_TRUE(session.StartRecording());
  ASSERT_TRUE(vorlix.WaitForMessages(1, testsupport::kPatience)) << "the failed write is reported";
  EXPECT_EQ(vorlix.Messages().front(), "Error\tError Creating AVI file");
  ASSERT_TRUE(vorlix.AnswerMessageBox(testsupport::kPatience));
  session.ClickRecord();
  ASSERT_TRUE(vorlix.AnswerMessageBox(testsupport::kPatience));
  EXPECT_TRUE(vorlix.Process().Running()) << "the program goes on";
  EXPECT_LE(fs::file_size(video), 60000u);
  const auto decoded = DecodeVideo(video);
  EXPECT_EQ(decoded.exitCode, 0) << decoded.messages;
  EXPECT_GT(decoded.frames, 0) << "the frames before the limit are kept";
}

TEST_F(RecordingFaults, RapidRecordAndStopClicksLeaveOnlyPlayableFiles) {
  testsupport::Xdotool("mousemove 0 0");
  const testsupport::WindowGeometry origin = testsupport::ClientOrigin(vorlix.MainWindow());
  testsupport::Xdotool("mousemove --sync " + std::to_string(origin.x + e2e::kRecordX) + " " +
                       std::to_string(origin.y + e2e::kButtonY));
  testsupport::Xdotool("click --repeat 12 --delay 60 1");
  std::this_thread::sleep_for(1s);
  AnswerAllBoxes(vorlix);
  // Whatever state the clicks left, one more click pair ends in a stopped recording.
  if (testsupport::FindWindows(e2e::kRegionWindow).empty()) {
    session.ClickRecord();
    AnswerAllBoxes(vorlix);
  }
  ASSERT_TRUE(vorlix.Process().Running());
  for (const std::string& message : vorlix.Messages()) {
    EXPECT_EQ(message.rfind("Vorlix\tFile '", 0), 0u) << message;
  }
  const auto videos = FilesWithExtension(vorlix.OutputFolder(), ".avi");
  EXPECT_FALSE(videos.empty());
  EXPECT_EQ(videos.size(), vorlix.Messages().size()) << "one report per recording";
  for (const std::string& path : videos) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(HasIndex(path));
    EXPECT_EQ(DecodeVideo(path).exitCode, 0);
  }
  vorlix.Process().Signal(SIGTERM);
  EXPECT_EQ(vorlix.Process().Wait(testsupport::kPatience), 0);
}

TEST_F(RecordingFaults, HotkeyBurstsDuringARecordingTakeWholeStillsAndLeaveTheVideoWhole) {
  ASSERT_TRUE(session.StartRecording());
  testsupport::Xdotool("key --delay 40 --repeat 8 ctrl+shift+F2");
  testsupport::Xdotool("key --delay 40 --repeat 8 ctrl+shift+F1");
  std::this_thread::sleep_for(2s);
  session.ClickRecord();
  ASSERT_TRUE(vorlix.AnswerMessageBox(testsupport::kPatience));
  EXPECT_EQ(vorlix.Messages().back(), "Vorlix\tFile '" + video + "' created.");

  const auto stills = FilesWithExtension(vorlix.OutputFolder(), ".bmp");
  EXPECT_GE(stills.size(), 1u);
  EXPECT_LE(stills.size(), 8u) << "at most one still per key press";
  for (const std::string& still : stills) {
    EXPECT_FALSE(testsupport::Identify(still, "%w %h").empty()) << still << " is a whole image";
  }
  EXPECT_EQ(DecodeVideo(video).messages, "");
  EXPECT_TRUE(HasIndex(video));
}

}  // namespace
