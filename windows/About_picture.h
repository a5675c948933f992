#pragma once
// The product picture of the About box, drawn at run time.
#include <QImage>

namespace about {

constexpr int kPictureWidth = 339;
constexpr int kPictureHeight = 287;

// A screen with a marked region, its four corner brackets and a recording light.
QImage DrawProductPicture();

}  // namespace about
