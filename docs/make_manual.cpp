// Builds the help manual: renders its Markdown source into a paginated PDF.
// Usage: vorlix_make_manual SOURCE.md OUTPUT.pdf
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE.md OUTPUT.pdf\n", argv[0]);
    return 2;
  }
  // Runs during the build, where there may be no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument manual;
  QFont body("Sans Serif");
  body.setPointSize(10);
  manual.setDefaultFont(body);
  manual.setMarkdown(QString::fromUtf8(source.readAll()));

  const QString outputPath = QString::fromLocal8Bit(argv[2]);
  QFile::remove(outputPath);  // a failed run must not leave an old manual looking fresh
  {
    QPdfWriter pdf(outputPath);
    pdf.setTitle("Vorlix Help");
    pdf.setCreator("Vorlix");
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                  QPageLayout::Millimeter));
    manual.print(&pdf);
  }
  QFile written(outputPath);
  if (!written.exists() || written.size() == 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
