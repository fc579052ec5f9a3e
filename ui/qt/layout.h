#pragma once

#include <QRect>
#include <QSize>
#include <string_view>

#include "ui/design.h"

// The design's twips as Qt's logical pixels: Qt places widgets in pixels at
// 96 dpi and scales them with the screen the way the rest of the desktop
// does, so the design is converted at 96 dpi.
namespace quarlo::ui::layout {

constexpr int kDesignDpi = 96;

inline QRect rect(const design::Control& c) {
    const design::Rect r = design::toPixels(c, kDesignDpi);
    return QRect(r.left, r.top, r.width, r.height);
}
inline QRect mainRect(std::string_view name) {
    return rect(design::mainControl(name));
}
inline QRect aboutRect(std::string_view name) {
    return rect(design::aboutControl(name));
}
inline QSize size(const design::Size& s) {
    return QSize(design::twipsToPixels(s.width, kDesignDpi),
                 design::twipsToPixels(s.height, kDesignDpi));
}

}  // namespace quarlo::ui::layout
