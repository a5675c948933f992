// Help > Help in the program as a package lays it out: with no manual beside the executable, the
// manual opened is the installation's own, <prefix>/share/doc/vorlix/vorlix_help.pdf.
// VORLIX_INSTALLED_EXECUTABLE names an installed program (scripts/test-install.sh passes the
// unpacked package's and the one apt-get installed); without it the built program and manual are
// laid out here as an installation lays them out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/help/app_session.h"
#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"

namespace {

namespace fs = std::filesystem;
using helptest::XdgSandbox;

fs::path InstalledManual(const fs::path& executable) {
  return executable.parent_path().parent_path() / "share/doc/vorlix/vorlix_help.pdf";
}

// The built program and manual under <root>/prefix dir, in bin/ and share/doc/vorlix/.
fs::path LayOutAsInstalled(const std::string& root) {
  const fs::path prefix = fs::path(root) / "prefix dir";  // install prefixes may hold spaces
  const fs::path program = prefix / "bin/vorlix";
  fs::create_directories(program.parent_path());
  fs::copy_file(VORLIX_EXECUTABLE, program);
  const fs::path manual = InstalledManual(program);
  fs::create_directories(manual.parent_path());
  fs::copy_file(fs::path(VORLIX_EXECUTABLE).parent_path() / "vorlix_help.pdf", manual);
  return program;
}

TEST(InstalledHelp, OpensTheManualOfTheInstallation) {
  XdgSandbox sandbox;
  sandbox.RegisterViewer("application/pdf");
  const char* given = std::getenv("VORLIX_INSTALLED_EXECUTABLE");
  const fs::path program = given && *given ? fs::path(given) : LayOutAsInstalled(sandbox.Root());
  ASSERT_TRUE(fs::is_regular_file(program)) << program;
  // A manual beside the executable would be found first, and the installed one never looked for.
  ASSERT_FALSE(fs::exists(program.parent_path() / "vorlix_help.pdf"));
  const fs::path manual = fs::weakly_canonical(InstalledManual(program));
  ASSERT_TRUE(fs::is_regular_file(manual)) << manual;

  const helptest::AppSession app(sandbox, program.string());
  app.Choose(helptest::AppSession::MenuItem::Help);

  EXPECT_TRUE(testsupport::WaitUntil([&] { return !sandbox.ViewerLog().empty(); }, testsupport::kPatience))
      << "Help opened nothing";
  EXPECT_EQ(sandbox.ViewerLog(), manual.string() + "\n");
  EXPECT_EQ(sandbox.MessageLog(), "");
}

}  // namespace
