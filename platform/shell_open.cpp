#include "shell_open.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace platform {
namespace {

// The queries read a few small files; a hung one must not hold the UI for long.
constexpr int kQueryTimeoutMs = 5000;

// Runs an xdg-utils query and returns its first output line, or nothing when it could not run.
std::optional<QString> Query(const QStringList& arguments) {
  QProcess query;
  query.setStandardInputFile(QProcess::nullDevice());
  query.setStandardErrorFile(QProcess::nullDevice());
  query.start("xdg-mime", arguments);
  if (!query.waitForStarted(kQueryTimeoutMs)) return std::nullopt;
  if (!query.waitForFinished(kQueryTimeoutMs)) {
    query.kill();
    query.waitForFinished(kQueryTimeoutMs);
    return std::nullopt;
  }
  const QString output = QString::fromLocal8Bit(query.readAllStandardOutput());
  return output.section('\n', 0, 0).trimmed();
}

bool HasDefaultProgram(const QString& mimeType) {
  if (mimeType.isEmpty()) return false;
  const std::optional<QString> program = Query({"query", "default", mimeType});
  return program && !program->isEmpty();
}

// The kind of file xdg-open will see, so that the check asks the question the opener will ask.
QString FileType(const QString& path) {
  const std::optional<QString> reported = Query({"query", "filetype", path});
  if (reported && !reported->isEmpty()) return reported->section(';', 0, 0).trimmed();
  return QMimeDatabase().mimeTypeForFile(path).name();
}

// xdg-open hands a web URL without a scheme handler to $BROWSER or to the system's browser.
bool HasFallbackBrowser() {
  const QString browsers = qEnvironmentVariable("BROWSER");
  for (const QString& browser : browsers.split(':', Qt::SkipEmptyParts)) {
    if (browser.trimmed() != "xdg-open") return true;
  }
  return !QStandardPaths::findExecutable("x-www-browser").isEmpty() ||
         !QStandardPaths::findExecutable("www-browser").isEmpty();
}

int CheckFile(const QString& path) {
  const QFileInfo file(path);
  if (!file.exists()) {
    return file.absoluteDir().exists() ? shell_result::kFileNotFound : shell_result::kPathNotFound;
  }
  if (!file.isReadable()) return shell_result::kAccessDenied;
  return HasDefaultProgram(FileType(path)) ? shell_result::kOpened : shell_result::kNoAssociation;
}

int CheckUrl(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  if (HasDefaultProgram("x-scheme-handler/" + scheme)) return shell_result::kOpened;
  const bool web = scheme == "http" || scheme == "https";
  return web && HasFallbackBrowser() ? shell_result::kOpened : shell_result::kNoAssociation;
}

int LaunchDetached(const QString& target) {
  QProcess opener;
  opener.setProgram("xdg-open");
  opener.setArguments({target});
  opener.setStandardInputFile(QProcess::nullDevice());
  opener.setStandardOutputFile(QProcess::nullDevice());
  // Detached: xdg-open may wait for the viewer to end, and the viewer outlives this call.
  return opener.startDetached() ? shell_result::kOpened : shell_result::kOutOfResources;
}

}  // namespace

int ShellOpen(const QString& target) {
  if (target.isEmpty()) return shell_result::kFileNotFound;
  const QUrl url(target);
  const bool isUrl = !target.startsWith('/') && url.isValid() && url.scheme().size() > 1;
  if (isUrl && !url.isLocalFile()) {
    const int checked = CheckUrl(url);
    return checked > 32 ? LaunchDetached(target) : checked;
  }
  const QString path = QFileInfo(isUrl ? url.toLocalFile() : target).absoluteFilePath();
  const int checked = CheckFile(path);
  return checked > 32 ? LaunchDetached(path) : checked;
}

}  // namespace platform
