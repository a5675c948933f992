// The recording commands of the real program, read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/video_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace {

using testsupport::ShellQuote;

testsupport::CommandResult Sh(const std::string& command) { return testsupport::Run(command); }

std::string Vorlix(const std::string& arguments) { return std::string(VORLIX_EXECUTABLE) + " " + arguments; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The number after "name: " in a recording's report, -1 when missing.
long ReportValue(const std::string& report, const std::string& name) {
  for (const std::string& line : Lines(report))
    if (line.rfind(name + ": ", 0) == 0) return std::stol(line.substr(name.size() + 2));
  return -1;
}

using testsupport::ProbeVideo;

// What ffmpeg says while decoding the whole file (empty when all is well).
std::string DecodeMessages(const std::string& path) { return testsupport::DecodeVideo(path).messages; }

TEST(RecordCommand, ListCodecsGivesTheCatalogueMsvcFirst) {
  const auto run = Sh(Vorlix("--list-codecs"));
  EXPECT_EQ(run.exitCode, 0);
  const auto lines = Lines(run.output);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "MSVC Video 1 (fast, large files)");
  bool h264 = false;
  for (const std::string& line : lines) {
    ASSERT_GT(line.size(), 5u) << line;
    EXPECT_EQ(line[4], ' ') << line;
    h264 = h264 || line.rfind("H264 ", 0) == 0;
  }
  EXPECT_TRUE(h264);
}

TEST(RecordCommand, TwoSecondsAtTenFramesPerSecondOfARegion) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-record");
  const std::string name = folder + "/clip one.avi";
  const auto run = Sh(Vorlix("--record 2 " + ShellQuote(name) + " --region 40,30,320,240 --fps 10"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(Lines(run.output).back(), "file: " + name);
  const long written = ReportValue(run.output, "frames written");
  EXPECT_GE(written, 15);
  EXPECT_LE(written, 22);
  EXPECT_GE(ReportValue(run.output, "slots dropped"), 0);

  const testsupport::VideoProbe probe = ProbeVideo(name);
  EXPECT_EQ(probe.codecTag, "MSVC");
  EXPECT_EQ(probe.frameRate, "10/1");
  EXPECT_EQ(probe.width, 320);
  EXPECT_EQ(probe.height, 240);
  EXPECT_EQ(probe.packets, written);
  EXPECT_EQ(DecodeMessages(name), "");
  std::filesystem::remove_all(folder);
}

// A lossless compressor shows that the file holds the region's pixels; a second recording under
// the same name gets the next numbered name.
TEST(RecordCommand, RegionPixelsAndNumberedNames) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  const std::string folder = testsupport::MakeTempFolder("vorlix-record");
  const std::string name = folder + "/x.avi";
  const std::string args = " --region 200,100,96,64 --codec zmbv --no-cursor --fps 5";
  const auto first = Sh(Vorlix("--record 1 " + ShellQuote(name) + args));
  const auto second = Sh(Vorlix("--record 1 " + ShellQuote(name) + args));
  ASSERT_EQ(first.exitCode, 0);
  ASSERT_EQ(second.exitCode, 0);
  EXPECT_EQ(Lines(first.output).back(), "file: " + name);
  EXPECT_EQ(Lines(second.output).back(), "file: " + folder + "/001_x.avi");
  EXPECT_EQ(ProbeVideo(folder + "/001_x.avi").codecTag, "ZMBV");

  const std::string png = folder + "/first.png";
  ASSERT_EQ(Sh("ffmpeg -nostdin -v error -i " + ShellQuote(name) + " -frames:v 1 " + ShellQuote(png)).exitCode, 0);
  const testsupport::RgbImage frame = testsupport::ReadImage(png);
  ASSERT_EQ(frame.width, 96);
  ASSERT_EQ(frame.height, 64);
  int bad = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x) bad += frame.At(x, y) != pattern.At(200 + x, 100 + y);
  EXPECT_EQ(bad, 0);
  std::filesystem::remove_all(folder);
}

TEST(RecordCommand, BadArgumentsFailWithAClearMessage) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-record");
  struct Case {
    std::string arguments;
    int exitCode;
    std::string message;
  };
  const Case cases[] = {
      {"--record 1 x.avi --codec XXXX", 2, "no installed compressor 'XXXX'"},
      {"--record 1 x.avi --codec H26", 2, "--codec needs a four-character code"},
      {"--record -1 x.avi", 2, "--record needs a number of seconds"},
      {"--record 1", 2, "--record needs a file name"},
      {"--record 1 x.avi --fps 51", 2, "--fps needs a number from 1 to 50"},
      {"--record 1 x.avi --quality -1", 2, "--quality needs a number from 0 to 10000"},
      {"--record 1 x.avi --region 0,0,0,10", 2, "--region needs X,Y,W,H"},
      {"--still x.bmp --fps 10", 2, "go with --record"},
      {"--record 1 " + ShellQuote(folder + "/none/x.avi"), 1, "the folder does not exist"},
  };
  for (const Case& c : cases) {
    const auto run = Sh("cd " + ShellQuote(folder) + " && " + Vorlix(c.arguments + " 2>&1"));
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
    bool said = false;  // on a line of its own, after whatever Qt may have warned about
    for (const std::string& line : Lines(run.output))
      said = said || (line.rfind("vorlix: ", 0) == 0 && line.find(c.message) != std::string::npos);
    EXPECT_TRUE(said) << c.arguments << ": " << run.output;
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  std::filesystem::remove_all(folder);
}

// SIGTERM, SIGINT and SIGHUP end a long recording early with a complete file and the report.
// A stop signal finishes the file, whether the recording had a time (60 s) or none (0: until the
// signal).
TEST(RecordCommand, AStopSignalFinishesTheFile) {
  struct Case {
    int signal;
    int seconds;
  };
  for (const Case c : {Case{SIGTERM, 60}, Case{SIGINT, 60}, Case{SIGHUP, 60}, Case{SIGINT, 0}, Case{SIGTERM, 0}}) {
    SCOPED_TRACE("signal " + std::to_string(c.signal) + " after --record " + std::to_string(c.seconds));
    const std::string folder = testsupport::MakeTempFolder("vorlix-record");
    const std::string name = folder + "/long.avi";
    const std::string report = folder + "/report.txt";
    testsupport::ChildProcess vorlix(
        {"/bin/sh", "-c",
         "exec " + Vorlix("--record " + std::to_string(c.seconds) + " " + ShellQuote(name) + " --region 0,0,160,120") +
             " > " + ShellQuote(report)});
    // The file is created just before the first frame.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(name); }, testsupport::kPatience));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    vorlix.Signal(c.signal);
    EXPECT_EQ(vorlix.Wait(testsupport::kPatience), 0);
    std::ifstream in(report);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const long written = ReportValue(text, "frames written");
    EXPECT_GT(written, 0) << text;
    EXPECT_EQ(ProbeVideo(name).packets, written);
    EXPECT_EQ(DecodeMessages(name), "");
    std::filesystem::remove_all(folder);
  }
}

// On a terminal one line keeps the time, frames, drops and size up to date, ending with what the
// report then says; in a pipe nothing but the report.
TEST(RecordCommand, ATerminalShowsTheProgressLineAndAPipeDoesNot) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-record");
  const std::string record = Vorlix("--record 2 " + ShellQuote(folder + "/progress.avi") + " --region 0,0,160,120");
  // script(1) runs the command on a pseudo-terminal and passes on what it shows.
  const auto onTerminal = Sh("script -qefc " + ShellQuote(record) + " /dev/null");
  ASSERT_EQ(onTerminal.exitCode, 0) << onTerminal.output;
  const std::regex line(R"(\r(\d+):(\d\d):(\d\d)  frames (\d+)  dropped (\d+)  [0-9.]+ (kB|MB)\x1b\[K)");
  std::vector<std::smatch> lines;
  for (auto it = std::sregex_iterator(onTerminal.output.begin(), onTerminal.output.end(), line);
       it != std::sregex_iterator(); ++it) {
    lines.push_back(*it);
  }
  ASSERT_GE(lines.size(), 2u) << onTerminal.output;
  const std::smatch& last = lines.back();
  EXPECT_EQ(std::stol(last[4]), ReportValue(onTerminal.output, "frames written")) << onTerminal.output;
  EXPECT_EQ(std::stol(last[5]), ReportValue(onTerminal.output, "slots dropped")) << onTerminal.output;
  EXPECT_GE(std::stol(last[3]), 2) << "the time counts up to the recording's end";

  const auto inPipe = Sh(Vorlix("--record 1 " + ShellQuote(folder + "/piped.avi") + " --region 0,0,160,120 2>&1"));
  ASSERT_EQ(inPipe.exitCode, 0) << inPipe.output;
  EXPECT_EQ(inPipe.output.find('\r'), std::string::npos) << inPipe.output;
  EXPECT_EQ(inPipe.output.find('\x1b'), std::string::npos) << inPipe.output;
  std::filesystem::remove_all(folder);
}

}  // namespace
