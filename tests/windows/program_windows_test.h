#pragma once
// A test whose process holds the program's windows, created as start-up creates them, with a
// home folder and a message log of its own.
#include <gtest/gtest.h>

#include <string>

class ProgramWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string OutputFolder() const { return home_ + "/Temp Vorlix/"; }
  std::string home_;
};
