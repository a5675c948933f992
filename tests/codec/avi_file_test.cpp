// The AVI file services: failures where the camera expects them, stream header values, the
// order of positions, taken names, and files that survive a writer's death or a full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/codec/codec_test_support.h"
#include "tests/support/process.h"

namespace codectest {
namespace {

const std::uint32_t kMsvc = mmioFOURCC('M', 'S', 'V', 'C');

class AviFile : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = TempFolder(); }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  std::string folder_;
};

// A file, its stream and a compressed MSVC stream with the format of `frame`, for the tests that
// drive the calls themselves.
struct OpenStreams {
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  HRESULT format = -1;

  OpenStreams(const std::string& path, const PackedDib& frame, std::uint32_t fourcc = kMsvc) {
    AVISTREAMINFOA header{};
    header.fccType = streamtypeVIDEO;
    header.dwScale = 1;
    header.dwRate = 10;
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = fourcc;
    options.dwKeyFrameEvery = 5;
    options.dwQuality = 7500;
    options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIFileCreateStreamA(file, &stream, &header), AVIERR_OK);
    EXPECT_EQ(AVIMakeCompressedStream(&compressed, stream, &options, nullptr), AVIERR_OK);
    format = AVIStreamSetFormat(compressed, 0, frame.bytes.data(), static_cast<std::int32_t>(frame.FormatSize()));
  }
  HRESULT Write(int position, const PackedDib& frame, std::int32_t size = -1) {
    return AVIStreamWrite(compressed, position, 1, frame.Bits(),
                          size < 0 ? static_cast<std::int32_t>(frame.Header().biSizeImage) : size, 0, nullptr, nullptr);
  }
  void Release() {
    AVIFileRelease(file);
    AVIStreamRelease(stream);
    AVIStreamRelease(compressed);
  }
};

TEST_F(AviFile, AFileInAMissingFolderFailsAtOpen) {
  const std::string path = Path("missing/video.avi");
  PAVIFILE file = reinterpret_cast<PAVIFILE>(0x1);
  EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_FILEOPEN);
  EXPECT_EQ(file, nullptr);
  EXPECT_FALSE(std::filesystem::exists(path));
  const WriteResult result = WriteAvi(path, {}, {ScreenDib(320, 200, 32, 0)}, {0});
  EXPECT_EQ(result.open, AVIERR_FILEOPEN);
  EXPECT_EQ(result.stream, -1);  // nothing after the failed step was called
}

TEST_F(AviFile, AFormatTheCompressorRefusesFailsAtSetFormat) {
  const std::string path = Path("refused.avi");
  const WriteResult result = WriteAvi(path, {}, {ScreenDib(101, 200, 32, 0)}, {0});
  EXPECT_EQ(result.open, AVIERR_OK);
  EXPECT_EQ(result.stream, AVIERR_OK);
  EXPECT_EQ(result.compressed, AVIERR_OK);
  EXPECT_EQ(result.format, AVIERR_BADFORMAT);
  EXPECT_TRUE(result.writes.empty());
  EXPECT_TRUE(std::filesystem::exists(path));
  // A format that is no uncompressed DIB at all fails the same way.
  PackedDib fourBits = ScreenDib(320, 200, 4, 0);
  OpenStreams streams(Path("four.avi"), fourBits);
  EXPECT_EQ(streams.format, AVIERR_BADFORMAT);
  EXPECT_EQ(streams.Write(0, fourBits), AVIERR_UNSUPPORTED);  // nothing to write with
  streams.Release();
}

TEST_F(AviFile, AnUnknownCompressorIsRefused) {
  const WriteSettings settings{mmioFOURCC('I', 'V', '5', '0')};
  const WriteResult result = WriteAvi(Path("iv50.avi"), settings, {ScreenDib(320, 200, 32, 0)}, {0});
  EXPECT_EQ(result.stream, AVIERR_OK);
  EXPECT_EQ(result.compressed, AVIERR_NOCOMPRESSOR);
}

// A name that turns out to be taken is never opened: nothing is truncated, nothing is written
// through a link, and a free name still works.
TEST_F(AviFile, ATakenNameIsNeitherReplacedNorFollowed) {
  namespace fs = std::filesystem;
  const std::string junk(1 << 16, 'x');
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> make;
  };
  const Case cases[] = {
      {"a file", [&](const std::string& p) { std::ofstream(p, std::ios::binary) << junk; }},
      {"a link to a file",
       [&](const std::string& p) {
         std::ofstream(Path("target"), std::ios::binary) << junk;
         fs::create_symlink(Path("target"), p);
       }},
      {"a dangling link", [&](const std::string& p) { fs::create_symlink(Path("elsewhere.avi"), p); }},
      {"a folder", [](const std::string& p) { fs::create_directory(p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("taken.avi");
    c.make(path);
    PAVIFILE file = reinterpret_cast<PAVIFILE>(0x1);
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_FILEOPEN);
    EXPECT_EQ(file, nullptr);
    EXPECT_FALSE(fs::exists(Path("elsewhere.avi"))) << "nothing created through the link";
    for (const std::string& held : {path, Path("target")}) {
      if (fs::is_regular_file(held)) {
        EXPECT_EQ(FileSize(held), static_cast<long>(junk.size())) << held << " untouched";
      }
    }
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ASSERT_TRUE(WriteAvi(Path("free.avi"), {}, {ScreenDib(64, 48, 32, 0), ScreenDib(64, 48, 32, 1)}, {0, 1}).AllOk());
  EXPECT_EQ(ProbeStream(Path("free.avi")).frames, 2);
}

// dwRate / dwScale is the frame rate and the time base: position n plays at n / fps seconds.
TEST_F(AviFile, StreamHeaderCarriesTheFrameRate) {
  for (int fps : {1, 25, 50}) {
    SCOPED_TRACE(fps);
    const std::string path = Path("rate" + std::to_string(fps) + ".avi");
    WriteSettings settings;
    settings.framesPerSecond = fps;
    ASSERT_TRUE(WriteAvi(path, settings, {ScreenDib(64, 48, 32, 0), ScreenDib(64, 48, 32, 1)}, {0, 3}).AllOk());
    EXPECT_EQ(ProbeStream(path).frameRate, std::to_string(fps) + "/1");
    const AviHeaders headers = ReadAviHeaders(path);
    EXPECT_EQ(headers.rate, static_cast<std::uint32_t>(fps));
    EXPECT_EQ(headers.scale, 1u);
    EXPECT_EQ(headers.length, 4u);
    const auto run =
        testsupport::Run("ffprobe -v error -show_entries packet=pts_time -of csv=p=0 " + testsupport::ShellQuote(path));
    char expected[64];
    std::snprintf(expected, sizeof expected, "0.000000\n%.6f\n", 3.0 / fps);
    EXPECT_EQ(run.output, expected);
  }
}

// The stream format of MSVC says 16 bits per pixel whatever the input depth: decoders choose
// Video 1's 16-bit mode from it, and read every depth's frames back.
TEST_F(AviFile, MsvcStreamFormatSaysSixteenBits) {
  for (int bits : {32, 24, 16, 8}) {
    const std::string path = Path("msvc" + std::to_string(bits) + ".avi");
    const PackedDib frame = ScreenDib(64, 48, bits, 0);
    ASSERT_TRUE(WriteAvi(path, {}, {frame}, {0}).AllOk()) << bits;
    EXPECT_EQ(ReadAviHeaders(path).bitCount, 16) << bits;
    const Decoded decoded = DecodeRgb(path, 64, 48);
    EXPECT_EQ(decoded.messages, "") << bits;
    ASSERT_EQ(decoded.frames.size(), 1u) << bits;
    EXPECT_LT(MeanError(decoded.frames[0], frame), 12.0) << bits;
  }
}

TEST_F(AviFile, PositionsMustGrowAndBuffersHoldAFrame) {
  const PackedDib frame = ScreenDib(64, 48, 32, 0);
  OpenStreams streams(Path("positions.avi"), frame);
  ASSERT_EQ(streams.format, AVIERR_OK);
  EXPECT_EQ(AVIStreamSetFormat(streams.compressed, 0, frame.bytes.data(), 40), AVIERR_UNSUPPORTED);  // once only
  EXPECT_EQ(AVIStreamWrite(streams.stream, 0, 1, frame.Bits(), 64 * 48 * 4, 0, nullptr, nullptr),
            AVIERR_UNSUPPORTED);  // the uncompressed stream takes no frames
  EXPECT_EQ(streams.Write(0, frame, 64 * 48 * 4 - 1), AVIERR_BADSIZE);
  std::int32_t samples = -1, bytes = -1;
  EXPECT_EQ(AVIStreamWrite(streams.compressed, 2, 1, frame.Bits(), 64 * 48 * 4, 0, &samples, &bytes), AVIERR_OK);
  EXPECT_EQ(samples, 1);
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(streams.Write(2, frame), AVIERR_BADPARAM);
  EXPECT_EQ(streams.Write(1, frame), AVIERR_BADPARAM);
  EXPECT_EQ(AVIStreamWrite(streams.compressed, 4, 2, frame.Bits(), 64 * 48 * 4, 0, nullptr, nullptr), AVIERR_BADPARAM);
  EXPECT_EQ(streams.Write(-1, frame), AVIERR_OK);  // appended at 3
  streams.Release();
  // The first frame went to position 2: positions 0 and 1 are empty chunks.
  const AviHeaders headers = ReadAviHeaders(Path("positions.avi"));
  ASSERT_EQ(headers.index.size(), 4u);
  EXPECT_EQ(headers.index[0].size, 0u);
  EXPECT_EQ(headers.index[1].size, 0u);
  EXPECT_GT(headers.index[2].size, 0u);
  EXPECT_TRUE(headers.index[2].key);
  EXPECT_GT(headers.index[3].size, 0u);
  const Decoded decoded = DecodeRgb(Path("positions.avi"), 64, 48);
  EXPECT_EQ(decoded.messages, "");
  EXPECT_EQ(decoded.frames.size(), 2u);
}

// Each stream holds its file: whichever is released last completes the file.
TEST_F(AviFile, TheLastReleaseCompletesTheFile) {
  const PackedDib frame = ScreenDib(64, 48, 32, 0);
  OpenStreams streams(Path("release.avi"), frame);
  ASSERT_EQ(streams.Write(0, frame), AVIERR_OK);
  EXPECT_EQ(AVIStreamRelease(streams.compressed), 0u);
  EXPECT_EQ(AVIFileRelease(streams.file), 1u);  // the uncompressed stream still holds it
  EXPECT_TRUE(ReadAviHeaders(Path("release.avi")).index.empty());
  EXPECT_EQ(AVIStreamRelease(streams.stream), 0u);
  EXPECT_EQ(ReadAviHeaders(Path("release.avi")).index.size(), 1u);
  EXPECT_EQ(AVIStreamRelease(streams.stream), 0u);  // a released handle is refused, not followed
  EXPECT_EQ(AVIFileRelease(streams.file), 0u);
}

// A recording stopped before its first frame leaves a valid, empty video.
TEST_F(AviFile, NoFramesGiveAnEmptyVideo) {
  const PackedDib frame = ScreenDib(64, 48, 32, 0);
  OpenStreams streams(Path("empty.avi"), frame);
  streams.Release();
  EXPECT_EQ(ProbeStream(Path("empty.avi")).codecTag, "MSVC");
  const AviHeaders headers = ReadAviHeaders(Path("empty.avi"));
  EXPECT_EQ(headers.length, 0u);
  EXPECT_EQ(headers.rate, 10u);
  const Decoded decoded = DecodeRgb(Path("empty.avi"), 64, 48);
  EXPECT_TRUE(decoded.frames.empty());
}

// A failed attempt's file goes only while it holds no frame and its name still leads to it:
// what someone has put under the name meanwhile stays, and so does the file moved away.
TEST_F(AviFile, AFileWithoutFramesIsRemovedOnlyWhileItsNameLeadsToIt) {
  namespace fs = std::filesystem;
  const PackedDib frame = ScreenDib(64, 48, 32, 0);
  const auto moveAway = [&](const std::string& p) { fs::rename(p, Path("moved.avi")); };
  struct Case {
    const char* what;
    bool writeFrame;
    std::function<void(const std::string& path)> meanwhile;
    bool removed;
  };
  const Case cases[] = {
      {"no frame", false, [](const std::string&) {}, true},
      {"a frame stored", true, [](const std::string&) {}, false},
      {"another file under the name", false,
       [&](const std::string& p) {
         moveAway(p);
         std::ofstream(p) << "someone else's";
       },
       false},
      {"a link to the file under the name", false,
       [&](const std::string& p) {
         moveAway(p);
         fs::create_symlink(Path("moved.avi"), p);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("attempt.avi");
    OpenStreams streams(path, frame);
    ASSERT_EQ(streams.format, AVIERR_OK);
    if (c.writeFrame) {
      ASSERT_EQ(streams.Write(0, frame), AVIERR_OK);
    }
    c.meanwhile(path);
    EXPECT_EQ(AVIFileRemoveIfEmpty(streams.file), c.removed ? AVIERR_OK : AVIERR_ERROR);
    streams.Release();
    EXPECT_EQ(fs::exists(fs::symlink_status(path)), !c.removed);
    if (c.writeFrame) {
      EXPECT_EQ(ProbeStream(path).frames, 1);
    }
    if (fs::is_regular_file(fs::symlink_status(path)) && !c.writeFrame) {
      EXPECT_EQ(FileSize(path), 14) << "someone else's file untouched";
    }
    if (fs::exists(Path("moved.avi"))) {
      EXPECT_EQ(ProbeStream(Path("moved.avi")).codecTag, "MSVC");
    }
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
}

// A writer that dies without releasing anything leaves a file that ffmpeg decodes up to the
// frames written (all but the last second's at least).
TEST_F(AviFile, AWriterKilledMidwayLeavesADecodableFile) {
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  for (std::uint32_t fourcc : InstalledFourccs()) {
    SCOPED_TRACE(Text(fourcc));
    const std::string path = Path("killed-" + Text(fourcc) + ".avi");
    std::vector<PackedDib> frames;
    for (int i = 0; i < 30; ++i) frames.push_back(ScreenDib(160, 120, 32, i));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      OpenStreams streams(path, frames[0], fourcc);
      int failures = streams.format != AVIERR_OK;
      for (int i = 0; i < 30; ++i) failures += streams.Write(i, frames[i]) != AVIERR_OK;
      ::_exit(failures == 0 ? 0 : 1);  // no release, no clean-up: as if killed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const Decoded decoded = DecodeRgb(path, 160, 120);
    EXPECT_EQ(decoded.messages, "");
    EXPECT_GE(decoded.frames.size(), 20u);
  }
}

// A write the file system refuses (file size limit here, a full disk alike) is reported.
TEST_F(AviFile, AFailedWriteIsReported) {
  const std::string path = Path("limited.avi");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // Key frames of a 320 x 200 screen are tens of kilobytes.
    OpenStreams streams(path, ScreenDib(320, 200, 32, 0));
    if (streams.format != AVIERR_OK) ::_exit(2);
    for (int i = 0; i < 20; ++i) {
      const HRESULT result = streams.Write(i, ScreenDib(320, 200, 32, i));
      // Frames are stored behind the writes: the failure comes with a later one, and stays.
      if (result == AVIERR_FILEWRITE) {
        if (i == 0) ::_exit(3);
        if (AVIStreamEndStreaming(streams.compressed) != AVIERR_FILEWRITE) ::_exit(5);
        ::_exit(AVIFileWriteFailure(streams.file) == "File too large" ? 0 : 6);  // the system's words
      }
      if (result != AVIERR_OK) ::_exit(4);
    }
    ::_exit(1);  // every write claimed success
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // What was stored before the failure plays.
  EXPECT_EQ(DecodeRgb(path, 320, 200).messages, "");

  // The last frame handed over fails: the end of the streaming says so.
  const pid_t lastChild = fork();
  ASSERT_GE(lastChild, 0);
  if (lastChild == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    OpenStreams streams(Path("last.avi"), ScreenDib(320, 200, 32, 0));
    if (streams.format != AVIERR_OK) ::_exit(2);
    // Room for the header, none for a key frame.
    const auto header = static_cast<rlim_t>(std::filesystem::file_size(Path("last.avi")));
    const rlimit limit{header + 1024, header + 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    if (streams.Write(0, ScreenDib(320, 200, 32, 0)) != AVIERR_OK) ::_exit(3);  // taken
    ::_exit(AVIStreamEndStreaming(streams.compressed) == AVIERR_FILEWRITE ? 0 : 4);
  }
  ASSERT_EQ(waitpid(lastChild, &status, 0), lastChild);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  // A limit below the header's size: the header cannot be written.
  const pid_t headerChild = fork();
  ASSERT_GE(headerChild, 0);
  if (headerChild == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256, 256};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    OpenStreams streams(Path("no header.avi"), ScreenDib(64, 48, 32, 0));
    if (streams.format != AVIERR_FILEWRITE) ::_exit(1);
    ::_exit(AVIFileWriteFailure(streams.file) == "File too large" ? 0 : 2);
  }
  ASSERT_EQ(waitpid(headerChild, &status, 0), headerChild);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed header write is reported, with the system's reason";
}

}  // namespace
}  // namespace codectest
