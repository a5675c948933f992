// Stills under faults: full file systems, size limits, awkward names. Nothing may be left
// half-written, nothing overwritten, and no failure may pass as success.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/vorlix_process.h"

namespace fs = std::filesystem;

namespace {

std::string Vorlix(const std::string& arguments) { return std::string(VORLIX_EXECUTABLE) + " " + arguments; }

int FilesIn(const std::string& folder) {
  int n = 0;
  for (auto& entry : fs::directory_iterator(folder)) n += entry.is_regular_file() ? 1 : 0;
  return n;
}

TEST(StillFaults, FileSizeLimitFailsTheStillAndLeavesNoPartialFile) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-limit");
  // 64 KiB: far below a screen-sized BMP.
  const auto result =
      testsupport::Run("ulimit -f 64; " + Vorlix("--still " + testsupport::ShellQuote(folder + "/x.bmp") + " 2>&1"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("Cannot create file \"" + folder + "/x.bmp\". File too large"), std::string::npos)
      << result.output;
  EXPECT_EQ(FilesIn(folder), 0);
}

TEST(StillFaults, FullFileSystemFailsTheStillAndLeavesNoPartialFile) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-full");
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  const auto result = testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/x.bmp") + " 2>&1"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("No space left on device"), std::string::npos) << result.output;
  EXPECT_EQ(FilesIn(folder), 0);
  // A still that fits still works there.
  const auto small =
      testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/y.bmp") + " --region 0,0,16,16"));
  EXPECT_EQ(small.exitCode, 0);
  EXPECT_EQ(testsupport::ReadImage(folder + "/y.bmp").width, 16);
  ::umount(folder.c_str());
}

TEST(StillFaults, NamesWithSpacesQuotesNonAsciiAndTheLengthLimit) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-names");
  const std::string longest = std::string(251, 'n') + ".bmp";  // 255 bytes: the longest a name may be
  const std::string tooLong = std::string(252, 'n') + ".bmp";
  const std::string names[] = {"with space.bmp", "it's \"quoted\".bmp", "Bildschirmfoto äöü 画面.jpg", longest};
  for (const std::string& name : names) {
    const auto result =
        testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/" + name) + " --region 0,0,8,8"));
    EXPECT_EQ(result.exitCode, 0) << name;
    EXPECT_EQ(testsupport::ReadImage(folder + "/" + name).width, 8) << name;
  }
  // The next number of the longest name is too long: a clear failure, nothing written.
  const auto numbered =
      testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/" + longest) + " --region 0,0,8,8 2>&1"));
  EXPECT_EQ(numbered.exitCode, 1);
  EXPECT_NE(numbered.output.find("File name too long"), std::string::npos) << numbered.output;
  const auto result =
      testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/" + tooLong) + " --region 0,0,8,8 2>&1"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("File name too long"), std::string::npos) << result.output;
  EXPECT_EQ(FilesIn(folder), 4);
}

TEST(StillFaults, MissingAndReadOnlyFoldersAreReported) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-ro");
  const std::string readOnly = testsupport::MakeReadOnlyFolder(folder);
  const auto ro =
      testsupport::Run(testsupport::AsOrdinaryUser() +
                       Vorlix("--still " + testsupport::ShellQuote(readOnly + "/x.bmp") + " --region 0,0,8,8 2>&1"));
  EXPECT_EQ(ro.exitCode, 1) << ro.output;
  EXPECT_NE(ro.output.find("Permission denied"), std::string::npos) << ro.output;
  EXPECT_EQ(FilesIn(readOnly), 0);
  const auto missing =
      testsupport::Run(Vorlix("--still " + testsupport::ShellQuote(folder + "/gone/x.bmp") + " --region 0,0,8,8 2>&1"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("No such file or directory"), std::string::npos);
}

}  // namespace

namespace {

// A name held by what is not a file once hung the program: now the command ends with a message
// and nothing is written through the link.
TEST(StillFaults, ANameHeldByAFolderOrADanglingLinkEndsWithAMessage) {
  const std::string folder = testsupport::MakeTempFolder("vorlix-held");
  fs::create_directory(folder + "/shot.bmp");
  fs::create_symlink(folder + "/elsewhere.bmp", folder + "/link.bmp");
  for (const char* name : {"shot.bmp", "link.bmp"}) {
    SCOPED_TRACE(name);
    const auto result = testsupport::Run(
        "timeout 60 " + Vorlix("--still " + testsupport::ShellQuote(folder + "/" + name) + " --region 0,0,8,8 2>&1"));
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_NE(result.output.find("Cannot create file \"" + folder + "/" + name + "\". File exists"), std::string::npos)
        << result.output;
  }
  EXPECT_FALSE(fs::exists(folder + "/elsewhere.bmp"));
  fs::remove_all(folder);
}

}  // namespace
