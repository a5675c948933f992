#include "app/manual_path.h"

#include <QDir>
#include <QFileInfo>

namespace app {

QString ManualPath(const QString& executableFolder) {
  const QDir folder(executableFolder);
  const QString beside = folder.filePath(kManualName);
  if (QFileInfo(beside).isFile()) return beside;
  const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../share/doc/vorlix/") + kManualName));
  if (QFileInfo(installed).isFile()) return installed;
  return beside;
}

}  // namespace app
