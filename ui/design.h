#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "texts/catalogue.h"

// The two windows as designed, for both front ends: every control's name,
// kind, text and place, in twips (1/1440 inch) from the top-left corner of
// the client area, listed in focus order. At 96 dpi fifteen twips make one
// pixel; each front end scales the design to its screen from here.
namespace quarlo::ui::design {

enum class Kind { Label, Button, Edit, List, Check, ScrollBar, Picture, Choice };

struct Control {
    const char* name;
    Kind kind;
    const char* text;  // UTF-8; "&" marks the access key of a button
    int left, top, width, height;
};

struct Size {
    int width, height;
};

struct Rect {
    int left, top, width, height;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr Size kMainClient{3690, 3345};

// In focus order, which is also the order the controls are created in: Tab
// visits the focusable ones as cmdNew, txtNew, cmdLoad, lstLoad, cmdAbout,
// cmdRun, cmdToggle, Check1, scrDiff.
inline constexpr std::array<Control, 20> kMainControls{{
    {"cmdNew", Kind::Button, N_("&New Character"), 2280, 120, 1335, 255},
    {"txtNew", Kind::Edit, "", 120, 120, 2055, 285},
    {"cmdLoad", Kind::Button, N_("&Load Character"), 2280, 480, 1335, 255},
    {"lstLoad", Kind::List, "", 120, 480, 2055, 1230},
    {"lblStatus", Kind::Label, N_("Last Operation:"), 120, 2040, 1215, 255},
    {"lblStat1", Kind::Label, N_("Outcome of Op:"), 120, 2280, 1215, 255},
    {"lblOp", Kind::Label, "[none]", 1320, 2040, 1935, 255},
    {"lblOutcome", Kind::Label, "[none]", 1320, 2280, 2295, 255},
    {"cmdAbout", Kind::Button, N_("About"), 2280, 1440, 1335, 255},
    {"lblActive", Kind::Label, "[none]", 1320, 1800, 1935, 255},
    {"Label2", Kind::Label, N_("Active Save:"), 120, 1800, 1215, 255},
    {"cmdRun", Kind::Button, N_("&Run Game"), 2280, 720, 1335, 255},
    {"cmdToggle", Kind::Button, N_("&Toggle Dir Mode"), 2280, 1200, 1335, 255},
    {"lblMode", Kind::Label, "[none]", 1320, 2520, 2295, 255},
    {"Label3", Kind::Label, N_("Dir Listing Mode:"), 120, 2520, 1215, 255},
    {"Label1", Kind::Label, N_("Rename Screenshots:"), 120, 3000, 1695, 255},
    // The box alone: its caption never shows, Label1 names it instead.
    {"Check1", Kind::Check, "Screenrename", 1800, 3000, 255, 255},
    {"scrDiff", Kind::ScrollBar, "", 1800, 2760, 1815, 255},
    {"Label4", Kind::Label, N_("Game Difficulty:"), 120, 2760, 1215, 255},
    {"lblDiff", Kind::Label, "xxx", 1320, 2760, 375, 255},
}};

// The list shows this many rows of the window's font.
inline constexpr int kListRows = 6;

// The difficulty slider: the arrows move it by one, a click in the track by
// ten.
struct Slider {
    int minimum, maximum, arrowStep, pageStep;
};
inline constexpr Slider kSlider{0, 100, 1, 10};

// The credits, and below them the language choice.
inline constexpr Size kAboutClient{3240, 2970};

inline constexpr const char* kAboutTitle = N_("A Quarlo");
inline constexpr const char* kCodeCredit = N_("Code by: Quarlo developers");
inline constexpr const char* kIdeaCredit = N_("Idea by: Quarlo players");

// The title line's own face: 9.75 points, normal weight, underlined.
inline constexpr const char* kAboutTitleFace = "MS Sans Serif";
inline constexpr int kAboutTitleCentipoints = 975;

// In focus order: the two pictures take it, Picture2 first.
inline constexpr std::array<Control, 5> kAboutControls{{
    {"Picture2", Kind::Picture, "", 2400, 600, 800, 800},
    {"Picture1", Kind::Picture, "", 2400, 1440, 800, 800},
    {"Label3", Kind::Label, kIdeaCredit, 240, 1680, 2055, 255},
    {"Label2", Kind::Label, kAboutTitle, 120, 240, 3015, 255},
    {"Label1", Kind::Label, kCodeCredit, 240, 840, 2055, 255},
}};

// Below the credits: the language Quarlo speaks, kept for its next start,
// and a line saying so once it is chosen. In focus order after the
// pictures.
inline constexpr const char* kLanguageCaption = N_("Language:");
inline constexpr const char* kLanguageNextStart = N_("Quarlo speaks it from its next start.");
inline constexpr std::array<Control, 3> kAboutLanguageControls{{
    {"lblLanguage", Kind::Label, kLanguageCaption, 240, 2370, 855, 255},
    {"cboLanguage", Kind::Choice, "", 1140, 2325, 1995, 330},
    {"lblLanguageNote", Kind::Label, "", 240, 2670, 2895, 255},
}};

// The index of the named control in `controls`; -1 when there is none.
constexpr int indexOf(std::span<const Control> controls, std::string_view name) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (name == controls[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The named control of the main window (the name must be one of its own).
constexpr const Control& mainControl(std::string_view name) {
    return kMainControls[static_cast<std::size_t>(indexOf(kMainControls, name))];
}
constexpr const Control& aboutControl(std::string_view name) {
    return kAboutControls[static_cast<std::size_t>(indexOf(kAboutControls, name))];
}

// Twips to pixels at `dpi`, rounded to the nearest pixel. Edges are rounded
// rather than sizes, so neighbours that touch in the design touch on screen.
constexpr int twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

constexpr Rect toPixels(const Control& c, int dpi) {
    const int left = twipsToPixels(c.left, dpi);
    const int top = twipsToPixels(c.top, dpi);
    return Rect{left, top, twipsToPixels(c.left + c.width, dpi) - left,
                twipsToPixels(c.top + c.height, dpi) - top};
}

// A text that must show whole in its control at the window's font.
struct TextToFit {
    std::string text;     // as shown: a button's caption without its "&"
    const char* control;  // the control's name, for messages
    int widthTwips;       // the control's width
    bool onButton;        // a button leaves less than its width to its caption
};

// Every caption of both windows (but the About title, which has a face of
// its own, and the check box's, which never shows) and every text the
// program can write into a value label. Both front ends size their font so
// that all of them fit.
std::vector<TextToFit> textsToFit();

// The width of a piece of text in pixels, in the font of the label it is for.
using MeasureText = std::function<int(std::string_view)>;

// What a one-line label `width` pixels wide shows of `text`: its first line
// (nothing after a line break shows), and of that the words that fit when it
// is too wide. Words are runs of non-spaces; blanks before the first word
// belong to it. A first word that does not fit alone is kept whole, for the
// label's right edge to cut.
std::string firstLineThatFits(std::string_view text, int width, const MeasureText& measure);

}  // namespace quarlo::ui::design
