// The manual the build puts beside the executable, read by poppler's tools, not by Qt that wrote it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/support/process.h"

namespace {

using testsupport::ShellQuote;

std::string ManualPath() {
  return (std::filesystem::path(VORLIX_EXECUTABLE).parent_path() / "vorlix_help.pdf").string();
}

TEST(Manual, IsAPdfBesideTheExecutable) {
  std::ifstream file(ManualPath(), std::ios::binary);
  ASSERT_TRUE(file) << ManualPath() << " is missing";
  char header[5] = {};
  file.read(header, 5);
  EXPECT_EQ(std::string(header, 5), "%PDF-");

  const auto info = testsupport::Run("pdfinfo " + ShellQuote(ManualPath()) + " 2>&1");
  ASSERT_EQ(info.exitCode, 0) << "pdfinfo cannot read the manual:\n" << info.output;
  std::smatch pages;
  ASSERT_TRUE(std::regex_search(info.output, pages, std::regex("Pages:\\s+(\\d+)"))) << info.output;
  EXPECT_GE(std::stoi(pages[1]), 2);
  EXPECT_NE(info.output.find("Vorlix Help"), std::string::npos) << "title missing:\n" << info.output;
}

TEST(Manual, ExplainsWhatTheUserNeeds) {
  const auto text = testsupport::Run("pdftotext -layout " + ShellQuote(ManualPath()) + " - 2>&1");
  ASSERT_EQ(text.exitCode, 0) << text.output;
  // One phrase per topic: marking, stills, recording, hotkeys, options, where files go.
  for (const char* phrase : {"Marking a region", "Taking stills", "Recording a video", "Ctrl+Shift+F1", "Ctrl+Shift+F2",
                             "With Cursor", "Compression", "Quality", "Frame Rate", "Temp Vorlix", "My screenshot.bmp",
                             "001_My screenshot.bmp", "My video.avi"}) {
    EXPECT_NE(text.output.find(phrase), std::string::npos) << "the manual does not mention '" << phrase << "'";
  }
}

}  // namespace
