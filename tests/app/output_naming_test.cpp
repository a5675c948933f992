#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "app/output_naming.h"

namespace {

struct NamingCase {
  const char* existing;
  const char* next;
};

// One step of the sequence for each existing file name.
const NamingCase kSteps[] = {
    {"My screenshot.bmp", "001_My screenshot.bmp"},
    {"001_My screenshot.bmp", "002_My screenshot.bmp"},
    {"008_My video.avi", "009_My video.avi"},
    {"009_My video.avi", "010_My video.avi"},
    {"098_x.bmp", "099_x.bmp"},
    {"099_x.bmp", "100_x.bmp"},
    {"998_x.bmp", "999_x.bmp"},
    {"999_x.bmp", "1000_x.bmp"},
    {"1000_x.bmp", "1010_x.bmp"},
    {"123.bmp", "124.bmp"},
    {"123", "124"},
    {"2011-05.bmp", "2021-05.bmp"},
    {"ab.bmp", "001_ab.bmp"},
    {"-12x.bmp", "-11x.bmp"},
    {"007_x.bmp", "008_x.bmp"},  // leading zeros are decimal
    {"+05x.bmp", "006x.bmp"},
    {" 15x.bmp", "016x.bmp"},
    {"a", "001_a"},
    {"ab", "001_ab"},
    // Third character a digit but no decimal counter in front: numbered like any plain name.
    {"ab1.bmp", "001_ab1.bmp"},
    {"x12.bmp", "001_x12.bmp"},
    {"1 2.bmp", "001_1 2.bmp"},
    {"--1.bmp", "001_--1.bmp"},
};

TEST(NextFreeName, EachStepOfTheSequence) {
  for (const NamingCase& c : kSteps) {
    SCOPED_TRACE(c.existing);
    const std::string folder = "/out/";
    const std::set<std::string> files{folder + c.existing};
    const auto exists = [&](const std::string& name) { return files.count(name) != 0; };
    EXPECT_EQ(app::NextFreeName(folder + c.existing, exists), folder + c.next);
  }
}

TEST(NextFreeName, FreeNameIsReturnedAfterOneLook) {
  int looks = 0;
  const auto exists = [&](const std::string&) {
    ++looks;
    return false;
  };
  EXPECT_EQ(app::NextFreeName("/out/x.bmp", exists), "/out/x.bmp");
  EXPECT_EQ(looks, 1);
}

TEST(NextFreeName, WalksThroughARunAndFillsTheFirstGap) {
  const std::set<std::string> files{"/d/x.avi", "/d/001_x.avi", "/d/003_x.avi"};
  int looks = 0;
  const auto exists = [&](const std::string& name) {
    ++looks;
    return files.count(name) != 0;
  };
  EXPECT_EQ(app::NextFreeName("/d/x.avi", exists), "/d/002_x.avi");
  EXPECT_EQ(looks, 3);  // k existing files cost k + 1 looks
}

TEST(NextFreeName, KeepsFolderAndExtension) {
  const std::set<std::string> files{"/a/12b.c/x.y.jpg"};
  const auto exists = [&](const std::string& name) { return files.count(name) != 0; };
  EXPECT_EQ(app::NextFreeName("/a/12b.c/x.y.jpg", exists), "/a/12b.c/001_x.y.jpg");
}

TEST(NextFreeName, FolderOfTheSameNameIsNoFile) {
  char dir[] = "/tmp/vorlix-naming-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string folderNamedLikeAFile = std::string(dir) + "/x.bmp";
  ASSERT_EQ(mkdir(folderNamedLikeAFile.c_str(), 0700), 0);
  EXPECT_EQ(app::NextFreeName(folderNamedLikeAFile), folderNamedLikeAFile);
  rmdir(folderNamedLikeAFile.c_str());
  rmdir(dir);
}

}  // namespace
