#pragma once

#include <array>

// Where every control of the two windows sits, as designed: in twips (1/1440
// inch) from the top-left corner of the client area. They become pixels at
// the window's own DPI, so the design keeps its size on every screen.
namespace quarlo::ui::win32 {

enum class Kind { Label, Button, Edit, List, Check, ScrollBar, Picture };

struct ControlPlace {
    int id;
    const char* name;
    Kind kind;
    const char* text;  // UTF-8; "&" marks the access key of a button
    int left, top, width, height;
};

// Control ids start above IDOK and IDCANCEL, which the dialog keyboard
// interface sends for Enter and Escape.
enum ControlId {
    kCmdNew = 100,
    kTxtNew,
    kCmdLoad,
    kLstLoad,
    kLblStatus,
    kLblStat1,
    kLblOp,
    kLblOutcome,
    kCmdAbout,
    kLblActive,
    kLabel2,
    kCmdRun,
    kCmdToggle,
    kLblMode,
    kLabel3,
    kLabel1,
    kCheck1,
    kScrDiff,
    kLabel4,
    kLblDiff,
    kAboutLabel2 = 200,
    kAboutPicture2,
    kAboutLabel1,
    kAboutPicture1,
    kAboutLabel3,
};

struct Size {
    int width, height;
};

inline constexpr Size kMainClient{3690, 3345};

// In focus order: controls are created in this order, which makes Tab visit
// the focusable ones as cmdNew, txtNew, cmdLoad, lstLoad, cmdAbout, cmdRun,
// cmdToggle, Check1, scrDiff.
inline constexpr std::array<ControlPlace, 20> kMainControls{{
    {kCmdNew, "cmdNew", Kind::Button, "&New Character", 2280, 120, 1335, 255},
    {kTxtNew, "txtNew", Kind::Edit, "", 120, 120, 2055, 285},
    {kCmdLoad, "cmdLoad", Kind::Button, "&Load Character", 2280, 480, 1335, 255},
    {kLstLoad, "lstLoad", Kind::List, "", 120, 480, 2055, 1230},
    {kLblStatus, "lblStatus", Kind::Label, "Last Operation:", 120, 2040, 1215, 255},
    {kLblStat1, "lblStat1", Kind::Label, "Outcome of Op:", 120, 2280, 1215, 255},
    {kLblOp, "lblOp", Kind::Label, "[none]", 1320, 2040, 1935, 255},
    {kLblOutcome, "lblOutcome", Kind::Label, "[none]", 1320, 2280, 2295, 255},
    {kCmdAbout, "cmdAbout", Kind::Button, "About", 2280, 1440, 1335, 255},
    {kLblActive, "lblActive", Kind::Label, "[none]", 1320, 1800, 1935, 255},
    {kLabel2, "Label2", Kind::Label, "Active Save:", 120, 1800, 1215, 255},
    {kCmdRun, "cmdRun", Kind::Button, "&Run Game", 2280, 720, 1335, 255},
    {kCmdToggle, "cmdToggle", Kind::Button, "&Toggle Dir Mode", 2280, 1200, 1335, 255},
    {kLblMode, "lblMode", Kind::Label, "[none]", 1320, 2520, 2295, 255},
    {kLabel3, "Label3", Kind::Label, "Dir Listing Mode:", 120, 2520, 1215, 255},
    {kLabel1, "Label1", Kind::Label, "Rename Screenshots:", 120, 3000, 1695, 255},
    {kCheck1, "Check1", Kind::Check, "Screenrename", 1800, 3000, 255, 255},
    {kScrDiff, "scrDiff", Kind::ScrollBar, "", 1800, 2760, 1815, 255},
    {kLabel4, "Label4", Kind::Label, "Game Difficulty:", 120, 2760, 1215, 255},
    {kLblDiff, "lblDiff", Kind::Label, "xxx", 1320, 2760, 375, 255},
}};

inline constexpr Size kAboutClient{3240, 2250};

inline constexpr std::array<ControlPlace, 5> kAboutControls{{
    {kAboutPicture2, "Picture2", Kind::Picture, "", 2400, 600, 800, 800},
    {kAboutPicture1, "Picture1", Kind::Picture, "", 2400, 1440, 800, 800},
    {kAboutLabel3, "Label3", Kind::Label, "Idea by: Quarlo players", 240, 1680, 2055, 255},
    {kAboutLabel2, "Label2", Kind::Label, "A Quarlo", 120, 240, 3015, 255},
    {kAboutLabel1, "Label1", Kind::Label, "Code by: Quarlo developers", 240, 840, 2055, 255},
}};

// The slider: 0 to 100, arrows move it by one, a click in the track by ten.
inline constexpr int kSliderMin = 0;
inline constexpr int kSliderMax = 100;
inline constexpr int kSliderPage = 10;

struct Rect {
    int left, top, width, height;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel. Edges are rounded
// rather than sizes, so neighbours that touch in the design touch on screen.
constexpr int twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

constexpr Rect toPixels(const ControlPlace& c, int dpi) {
    const int left = twipsToPixels(c.left, dpi);
    const int top = twipsToPixels(c.top, dpi);
    return Rect{left, top, twipsToPixels(c.left + c.width, dpi) - left,
                twipsToPixels(c.top + c.height, dpi) - top};
}

}  // namespace quarlo::ui::win32
