// Help finds the manual in a build folder and in an installation alike.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/manual_path.h"

namespace {

void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(ManualPath, BesideTheExecutableFirstThenTheInstalledDocumentation) {
  struct Case {
    const char* what;
    bool beside, installed;
    const char* expected;  // relative to the prefix
  };
  const Case cases[] = {
      {"a build folder", true, false, "bin/vorlix_help.pdf"},
      {"an installation", false, true, "share/doc/vorlix/vorlix_help.pdf"},
      {"both: the one beside wins", true, true, "bin/vorlix_help.pdf"},
      {"neither: beside, which opens to nothing", false, false, "bin/vorlix_help.pdf"},
  };
  for (const Case& c : cases) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    QDir().mkpath(prefix.filePath("bin"));
    if (c.beside) Touch(prefix.filePath("bin/vorlix_help.pdf"));
    if (c.installed) Touch(prefix.filePath("share/doc/vorlix/vorlix_help.pdf"));
    EXPECT_EQ(app::ManualPath(prefix.filePath("bin")), prefix.filePath(c.expected)) << c.what;
  }
}

}  // namespace
