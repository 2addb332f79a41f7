#pragma once
// A decoded picture as Qt shows it.
#include <QImage>

#include "pictures/picture.h"

namespace quelmo::ui {

// A copy of the picture's pixels; a null image for an empty picture.
inline QImage ToQImage(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0) return {};
    return QImage(picture.rgb.data(), picture.width, picture.height, picture.width * 3, QImage::Format_RGB888).copy();
}

}  // namespace quelmo::ui
