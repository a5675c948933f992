#pragma once
// Readable failure messages for the Qt values these tests compare.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << '{';
  for (const QString& text : list) *out << " \"" << text.toStdString() << '"';
  *out << " }";
}
inline void PrintTo(const QPoint& p, std::ostream* out) { *out << '(' << p.x() << ", " << p.y() << ')'; }
inline void PrintTo(const QSize& s, std::ostream* out) { *out << s.width() << 'x' << s.height(); }
inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}
