#include "ui/design.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quarlo::ui::design {
namespace {

TEST(LabelFit, ShowsTheWordsThatFitOneLine) {
    // Six pixels a character.
    const MeasureText measure = [](std::string_view s) { return static_cast<int>(s.size()) * 6; };
    struct Case {
        const char* text;
        int width;
        const char* shown;
    };
    for (const Case& c : {
             Case{"Success.", 60, "Success."},
             Case{"Success. Character Changed.", 162, "Success. Character Changed."},
             Case{"Success. Character Changed.", 120, "Success. Character"},
             Case{"Success. Character Changed.", 108, "Success. Character"},
             Case{"Success. Character Changed.", 107, "Success."},
             Case{"Supercalifragilistic word", 30, "Supercalifragilistic"},
             Case{"  indented words", 60, "  indented"},
             Case{"two  spaces", 36, "two"},
             Case{"first line\r\nsecond line", 600, "first line"},
             Case{"", 10, ""},
         }) {
        EXPECT_EQ(firstLineThatFits(c.text, c.width, measure), c.shown) << c.width;
    }
}

TEST(Layout, TwipsBecomeTheDesignsPixelsAt96DpiAndScaleWithIt) {
    struct Case {
        const char* name;
        Rect at96;
    };
    const Case cases[] = {{"txtNew", {8, 8, 137, 19}},        {"lstLoad", {8, 32, 137, 82}},
                          {"lblOutcome", {88, 152, 153, 17}}, {"lblDiff", {88, 184, 25, 17}},
                          {"scrDiff", {120, 184, 121, 17}},   {"Check1", {120, 200, 17, 17}}};
    for (const Case& c : cases) {
        for (const Control& place : kMainControls) {
            if (std::string(place.name) == c.name) {
                EXPECT_EQ(toPixels(place, 96), c.at96) << c.name;
                const Rect at144 = toPixels(place, 144);
                EXPECT_EQ(at144.left, c.at96.left * 3 / 2) << c.name;
                EXPECT_NEAR(at144.width, c.at96.width * 1.5, 1) << c.name;
            }
        }
    }
    for (const Control& place : kAboutControls) {
        if (place.kind == Kind::Picture) {
            EXPECT_EQ(toPixels(place, 96).width, 53) << place.name;  // 800 twips
        }
    }
    EXPECT_EQ(twipsToPixels(kMainClient.width, 96), 246);
    EXPECT_EQ(twipsToPixels(kMainClient.height, 96), 223);
    EXPECT_EQ(twipsToPixels(kAboutClient.width, 96), 216);
    EXPECT_EQ(twipsToPixels(kAboutClient.height, 96), 198);
}

}  // namespace
}  // namespace quarlo::ui::design
