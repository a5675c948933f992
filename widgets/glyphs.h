#pragma once
// The program's artwork, drawn at run time so that no image files need to ship.
#include <QPixmap>

namespace widgets {

enum class Glyph {
  Region,
  Clipboard,
  ToFile,
  Options,
  Record,
  Help,
  Exit,    // 24 x 24 command glyphs
  Modify,  // 16 x 16, the Modify buttons
  MenuHelp,
  MenuAbout,
  Unused2,
  Unused3,
  Unused4,
  RegionIcon,  // ImageList1, icons 0..5
  CloseCross,  // 16 x 16, the region window's close button
};

QPixmap DrawGlyph(Glyph glyph);

}  // namespace widgets
