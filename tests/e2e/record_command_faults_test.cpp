// The recording command under awkward names, regions and file systems: it records what can be
// recorded, says clearly what cannot, and never leaves a file that does not play.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/video_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ShellQuote;

std::string Vorlix(const std::string& arguments) { return std::string(VORLIX_EXECUTABLE) + " " + arguments; }

testsupport::CommandResult Record(const std::string& path, const std::string& options) {
  return testsupport::Run(Vorlix("--record 1 " + ShellQuote(path) + " " + options + " 2>&1"));
}

// The first frame of a video as an image.
testsupport::RgbImage FirstFrame(const std::string& video) {
  const std::string still = video + ".first.ppm";
  testsupport::Run("ffmpeg -nostdin -v error -i " + ShellQuote(video) + " -frames:v 1 -y " + ShellQuote(still));
  testsupport::RgbImage image = testsupport::ReadImage(still);
  fs::remove(still);
  return image;
}

TEST(RecordCommandFaults, NamesWithSpacesQuotesNonAsciiAndTheLengthLimit) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-video-names");
  const std::string longest = std::string(251, 'n') + ".avi";  // 255 bytes: the longest a name may be
  for (const std::string& name : {std::string("with space.avi"), std::string("it's \"quoted\".avi"),
                                  std::string("Bildschirmvideo äöü 画面.avi"), longest}) {
    SCOPED_TRACE(name);
    const auto run = Record(folder + "/" + name, "--region 0,0,64,48");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_GT(testsupport::ProbeVideo(folder + "/" + name).packets, 0);
  }
  // One byte more, or the longest name's next number: a clear failure with the system's reason,
  // and nothing written.
  for (const std::string& name : {std::string(252, 'n') + ".avi", longest}) {
    const auto run = Record(folder + "/" + name, "--region 0,0,64,48");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("vorlix: Error: Error Creating AVI file (File name too long)"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("vorlix: the recording failed"), std::string::npos) << run.output;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
  fs::remove_all(folder);
}

TEST(RecordCommandFaults, RegionsOffTheScreenTinyAndWholeRecordWhatIsThere) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  const std::string folder = testsupport::MakeTempFolder("vorlix-regions");
  struct Case {
    const char* what;
    std::string region;
    int width, height;  // of the video
  };
  const Case cases[] = {
      {"partly off the top left", "-40,-30,200,120", 200, 120},
      {"wholly off the screen", std::to_string(screen.width + 100) + ",0,64,48", 64, 48},
      {"one pixel", "10,10,1,1", 4, 4},
      {"the whole desktop", "0,0," + std::to_string(screen.width) + "," + std::to_string(screen.height),
       screen.width / 4 * 4, screen.height / 4 * 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = folder + "/" + c.what + ".avi";
    const auto run = Record(path, "--region " + c.region + " --no-cursor");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto probe = testsupport::ProbeVideo(path);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    EXPECT_EQ(testsupport::DecodeVideo(path).messages, "");
  }
  // Off the screen is black; the rest is the screen.
  const testsupport::RgbImage partly = FirstFrame(folder + "/partly off the top left.avi");
  ASSERT_EQ(partly.width, 200);
  EXPECT_EQ(partly.At(10, 10), 0u) << "left of and above the screen";
  const testsupport::RgbImage off = FirstFrame(folder + "/wholly off the screen.avi");
  ASSERT_EQ(off.width, 64);
  EXPECT_EQ(off.At(32, 24), 0u);
  fs::remove_all(folder);
}

TEST(RecordCommandFaults, AReadOnlyFolderIsAClearFailure) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-video-ro");
  const std::string readOnly = testsupport::MakeReadOnlyFolder(folder);
  const auto run =
      testsupport::Run(testsupport::AsOrdinaryUser() +
                       Vorlix("--record 1 " + ShellQuote(readOnly + "/x.avi") + " --region 0,0,64,48 2>&1"));
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("vorlix: the recording failed"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::is_empty(readOnly));
  fs::remove_all(folder);
}

// What may already stand under the names of a video's sequence: the recording ends in a file
// under a free name or in a clear failure, never writes through a link, never replaces anything.
TEST(RecordCommandFaults, OddTargetsEndInAFreeNameOrAClearFailure) {
  const auto file = [](const std::string& path) { std::ofstream(path) << "someone else's"; };
  struct Case {
    const char* what;
    std::function<void(const std::string& folder)> make;
    const char* written;  // the file recorded, or "" for a failure
  };
  const Case cases[] = {
      {"a folder under the next numbered name",
       [&](const std::string& f) {
         file(f + "/video.avi");
         fs::create_directory(f + "/001_video.avi");
       },
       ""},
      {"a folder under the name", [](const std::string& f) { fs::create_directory(f + "/video.avi"); }, ""},
      {"a dangling link", [](const std::string& f) { fs::create_symlink(f + "/elsewhere.avi", f + "/video.avi"); }, ""},
      {"a link to a file",
       [&](const std::string& f) {
         file(f + "/target");
         fs::create_symlink(f + "/target", f + "/video.avi");
       },
       "001_video.avi"},
      {"a chain of files, links and a FIFO",
       [&](const std::string& f) {
         file(f + "/video.avi");
         file(f + "/target");
         fs::create_symlink(f + "/target", f + "/001_video.avi");
         ASSERT_EQ(mkfifo((f + "/002_video.avi").c_str(), 0644), 0);
         file(f + "/003_video.avi");
       },
       "004_video.avi"},
      {"a file without write permission",
       [&](const std::string& f) {
         file(f + "/video.avi");
         fs::permissions(f + "/video.avi", fs::perms::owner_read);
       },
       "001_video.avi"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = testsupport::MakeTempFolder("vorlix-video-held");
    c.make(folder);
    const auto run = Record(folder + "/video.avi", "--region 0,0,64,48");
    if (*c.written) {
      EXPECT_EQ(run.exitCode, 0) << run.output;
      EXPECT_NE(run.output.find("file: " + folder + "/" + c.written), std::string::npos) << run.output;
      EXPECT_GT(testsupport::ProbeVideo(folder + "/" + c.written).packets, 0);
    } else {
      EXPECT_EQ(run.exitCode, 1) << run.output;
      EXPECT_NE(run.output.find("vorlix: the recording failed"), std::string::npos) << run.output;
    }
    EXPECT_FALSE(fs::exists(folder + "/elsewhere.avi")) << "nothing created through a link";
    for (const auto& entry : fs::directory_iterator(folder)) {
      // Whatever stood there before is as it was.
      if (entry.is_regular_file() && entry.path().filename() != c.written) {
        EXPECT_EQ(fs::file_size(entry.path()), 14u) << entry.path();
      }
    }
    fs::remove_all(folder);
  }
}

TEST(RecordCommandFaults, AFileSystemThatFillsUpKeepsEveryWholeFrame) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-video-full");
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  testsupport::PaintRoot(testsupport::MakePattern(screen.width, screen.height));
  const std::string path = folder + "/full.avi";
  // Key frames of the busy pattern fill 256 KiB within a few seconds.
  const auto run = testsupport::Run(Vorlix("--record 20 " + ShellQuote(path) + " --region 0,0,400,300 2>&1"));
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("vorlix: the recording failed"), std::string::npos) << run.output;
  const auto decoded = testsupport::DecodeVideo(path);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "") << "no broken frame at the end";
  EXPECT_GT(decoded.frames, 0);
  ::umount(folder.c_str());
  fs::remove_all(folder);
}

// A write the file system refuses in the middle of a recording (the file size limit here; a full
// disk or a removed medium alike): the command says why, and the frames stored before it play.
TEST(RecordCommandFaults, AWriteRefusedMidwayIsReportedWithTheSystemsReason) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-video-limit");
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  testsupport::PaintRoot(testsupport::MakePattern(screen.width, screen.height));
  const std::string path = folder + "/limited.avi";
  // Key frames of the busy pattern reach 256 KiB within a few seconds; the recording ends there.
  const std::string limited = "ulimit -f 256; trap '' XFSZ; exec " +
                              Vorlix("--record 120 " + ShellQuote(path) + " --region 0,0,400,300");
  const auto run = testsupport::Run("bash -c " + ShellQuote(limited) + " 2>&1");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("vorlix: Error: Error Creating AVI file (File too large)"), std::string::npos)
      << run.output;
  const auto decoded = testsupport::DecodeVideo(path);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "") << "no broken frame at the end";
  EXPECT_GT(decoded.frames, 0);
  fs::remove_all(folder);
}

}  // namespace
