#pragma once

#include <QRect>
#include <QSize>

// Where every control of the two windows sits. The designs are drawn in twips
// (1/1440 inch); at 96 dpi fifteen of them make one logical pixel, which is
// the unit Qt places widgets in, so a design scales with the screen the way
// the rest of the desktop does.
namespace quarlo::ui::layout {

constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr QRect twips(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// Main window
inline constexpr QSize kMainClient(px(3690), px(3345));
inline constexpr QRect txtNew = twips(120, 120, 2055, 285);
inline constexpr QRect cmdNew = twips(2280, 120, 1335, 255);
inline constexpr QRect lstLoad = twips(120, 480, 2055, 1230);
inline constexpr QRect cmdLoad = twips(2280, 480, 1335, 255);
inline constexpr QRect cmdRun = twips(2280, 720, 1335, 255);
inline constexpr QRect cmdToggle = twips(2280, 1200, 1335, 255);
inline constexpr QRect cmdAbout = twips(2280, 1440, 1335, 255);
inline constexpr QRect Label2 = twips(120, 1800, 1215, 255);
inline constexpr QRect lblActive = twips(1320, 1800, 1935, 255);
inline constexpr QRect lblStatus = twips(120, 2040, 1215, 255);
inline constexpr QRect lblOp = twips(1320, 2040, 1935, 255);
inline constexpr QRect lblStat1 = twips(120, 2280, 1215, 255);
inline constexpr QRect lblOutcome = twips(1320, 2280, 2295, 255);
inline constexpr QRect Label3 = twips(120, 2520, 1215, 255);
inline constexpr QRect lblMode = twips(1320, 2520, 2295, 255);
inline constexpr QRect Label4 = twips(120, 2760, 1215, 255);
inline constexpr QRect lblDiff = twips(1320, 2760, 375, 255);
inline constexpr QRect scrDiff = twips(1800, 2760, 1815, 255);
inline constexpr QRect Label1 = twips(120, 3000, 1695, 255);
inline constexpr QRect Check1 = twips(1800, 3000, 255, 255);

// The list shows this many rows of the window's font.
constexpr int kListRows = 6;

// About window
namespace about {
inline constexpr QSize kClient(px(3240), px(2250));
inline constexpr QRect Label2 = twips(120, 240, 3015, 255);
inline constexpr QRect Picture2 = twips(2400, 600, 800, 800);
inline constexpr QRect Label1 = twips(240, 840, 2055, 255);
inline constexpr QRect Picture1 = twips(2400, 1440, 800, 800);
inline constexpr QRect Label3 = twips(240, 1680, 2055, 255);
// The title line's face: 9.75 pt at the design's 96 dpi.
constexpr int kTitlePixelSize = 13;
}  // namespace about

}  // namespace quarlo::ui::layout
