#include "ui/window_font.h"

#include <QFontMetrics>
#include <QStyle>

#include "app/main.h"
#include "ui/layout.h"

namespace quarlo::ui {

namespace {

// 8 pt at 96 dpi; below 8 pixels no face stays legible, so the search stops
// there even if a text would still be too wide.
constexpr int kLargestPixelSize = 11;
constexpr int kSmallestPixelSize = 8;

}  // namespace

std::vector<TextFit> textsToFit(const QStyle& style) {
    namespace t = app::text;
    const int buttonText = layout::cmdNew.width() - 2 * style.pixelMetric(QStyle::PM_ButtonMargin) -
                           2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth);
    std::vector<TextFit> fits = {
        // Button captions, without their access-key marks.
        {"New Character", buttonText, "cmdNew"},
        {"Load Character", buttonText, "cmdLoad"},
        {"Run Game", buttonText, "cmdRun"},
        {"Toggle Dir Mode", buttonText, "cmdToggle"},
        {"About", buttonText, "cmdAbout"},
        // Captions of the left column.
        {"Active Save:", layout::Label2.width(), "Label2"},
        {"Last Operation:", layout::lblStatus.width(), "lblStatus"},
        {"Outcome of Op:", layout::lblStat1.width(), "lblStat1"},
        {"Dir Listing Mode:", layout::Label3.width(), "Label3"},
        {"Game Difficulty:", layout::Label4.width(), "Label4"},
        {"Rename Screenshots:", layout::Label1.width(), "Label1"},
        // Value labels before and after the program writes them.
        {t::kNone, layout::lblActive.width(), "lblActive"},
        {"ERROR", layout::lblActive.width(), "lblActive"},
        {t::kNone, layout::lblOp.width(), "lblOp"},
        {t::kNone, layout::lblOutcome.width(), "lblOutcome"},
        {t::kNone, layout::lblMode.width(), "lblMode"},
        {t::kAutomaticMode, layout::lblMode.width(), "lblMode"},
        {t::kRootDirMode, layout::lblMode.width(), "lblMode"},
        {"xxx", layout::lblDiff.width(), "lblDiff"},
        {"100", layout::lblDiff.width(), "lblDiff"},
        // About window credits.
        {"Code by: Quarlo developers", layout::about::Label1.width(), "Label1"},
        {"Idea by: Quarlo players", layout::about::Label3.width(), "Label3"},
    };
    for (const char* op : t::kOperations) {
        fits.push_back({op, layout::lblOp.width(), "lblOp"});
    }
    for (const char* outcome : t::kOutcomes) {
        fits.push_back({outcome, layout::lblOutcome.width(), "lblOutcome"});
    }
    return fits;
}

bool allTextsFit(const QFont& font, const std::vector<TextFit>& texts) {
    const QFontMetrics metrics(font);
    for (const TextFit& fit : texts) {
        if (metrics.horizontalAdvance(fit.text) > fit.width) {
            return false;
        }
    }
    return true;
}

QFont dialogFont(const QFont& defaultFont, const QStyle& style) {
    const std::vector<TextFit> texts = textsToFit(style);
    QFont font(defaultFont);
    for (int size = kLargestPixelSize; size >= kSmallestPixelSize; --size) {
        font.setPixelSize(size);
        if (allTextsFit(font, texts)) {
            break;
        }
    }
    return font;
}

}  // namespace quarlo::ui
