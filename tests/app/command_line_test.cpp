#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

app::ParseResult Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "vorlix");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return app::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, AcceptsEachCommandWithItsOptions) {
  using Mode = app::CommandLine::Mode;
  EXPECT_EQ(Parse({}).commandLine->mode, Mode::Window);
  EXPECT_EQ(Parse({"--help"}).commandLine->mode, Mode::Help);
  EXPECT_EQ(Parse({"--version"}).commandLine->mode, Mode::Version);
  EXPECT_EQ(Parse({"--list-codecs"}).commandLine->mode, Mode::ListCodecs);
  EXPECT_EQ(Parse({"--clipboard"}).commandLine->mode, Mode::Clipboard);
  EXPECT_EQ(Parse({"--to-file"}).commandLine->mode, Mode::ToFile);

  const auto still = Parse({"--still", "a b.jpg", "--region", "-5,7,30,40"}).commandLine;
  ASSERT_TRUE(still);
  EXPECT_EQ(still->mode, Mode::Still);
  EXPECT_EQ(still->file, "a b.jpg");
  ASSERT_TRUE(still->region);
  EXPECT_EQ(still->region->x, -5);
  EXPECT_EQ(still->region->height, 40);

  const auto record =
      Parse({"--record", "3", "v.avi", "--fps", "50", "--codec", "H264", "--quality", "0", "--no-cursor"}).commandLine;
  ASSERT_TRUE(record);
  EXPECT_EQ(record->mode, Mode::Record);
  EXPECT_EQ(record->seconds, 3);
  EXPECT_EQ(record->fps, 50);
  EXPECT_EQ(record->codec, "H264");
  EXPECT_EQ(record->quality, 0);
  EXPECT_FALSE(record->withCursor);
  EXPECT_FALSE(record->region);

  const auto defaults = Parse({"--record", "1", "v.avi"}).commandLine;
  EXPECT_EQ(defaults->fps, 10);
  EXPECT_EQ(defaults->codec, "MSVC");
  EXPECT_EQ(defaults->quality, 6550);
  EXPECT_TRUE(defaults->withCursor);

  const auto untilStopped = Parse({"--record", "0", "v.avi"}).commandLine;
  ASSERT_TRUE(untilStopped);
  EXPECT_EQ(untilStopped->seconds, 0) << "records until a signal stops it";
}

TEST(CommandLine, RefusesWhatItCannotDoWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},
      {"--still"},
      {"--still", ""},
      {"--record", "-1", "v.avi"},
      {"--record", "86401", "v.avi"},
      {"--record", "x", "v.avi"},
      {"--record", "2"},
      {"--record", "2", "v.avi", "--fps", "0"},
      {"--record", "2", "v.avi", "--fps", "51"},
      {"--record", "2", "v.avi", "--quality", "10001"},
      {"--record", "2", "v.avi", "--codec", "H26"},
      {"--still", "x.bmp", "--region", "1,2,0,4"},
      {"--still", "x.bmp", "--region", "1,2,3"},
      {"--still", "x.bmp", "--region", "1,2,3,4,5"},
      {"--still", "x.bmp", "--region", "a,2,3,4"},
      {"--still", "x.bmp", "--fps", "5"},
      {"--still", "x.bmp", "--record", "2", "v.avi"},
      {"--region", "1,2,3,4"},
      {"--clipboard", "--to-file"},
      {"--to-file", "x.bmp"},
      {"--clipboard", "--region", "1,2,3,4"},
      {"--help", "--version"},
  };
  for (const auto& args : bad) {
    const app::ParseResult result = Parse(args);
    EXPECT_FALSE(result.commandLine) << args[0];
    EXPECT_FALSE(result.error.empty()) << args[0];
  }
}

}  // namespace
