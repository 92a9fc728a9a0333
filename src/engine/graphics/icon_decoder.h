// Icons: the icon file form, of which the largest image is read.
#pragma once

#include <string_view>

#include <QImage>

namespace lf {

// Images an icon file may list.
inline constexpr int kMaxIconImages = 256;

// Decodes the largest image of an icon file (bitmap or PNG entries) with
// its transparency. Raises EInvalidGraphic "not a valid icon image".
QImage ReadIcon(std::string_view data);

}  // namespace lf
