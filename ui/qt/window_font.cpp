#include "ui/qt/window_font.h"

#include <QFontMetrics>
#include <QStyle>

#include "ui/design.h"
#include "ui/qt/layout.h"

namespace quarlo::ui {

namespace {

// 8 pt at 96 dpi; below 8 pixels no face stays legible, so the search stops
// there even if a text would still be too wide.
constexpr int kLargestPixelSize = 11;
constexpr int kSmallestPixelSize = 8;

}  // namespace

std::vector<TextFit> textsToFit(const QStyle& style) {
    const int buttonMargins = 2 * style.pixelMetric(QStyle::PM_ButtonMargin) +
                              2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth);
    std::vector<TextFit> fits;
    for (const design::TextToFit& t : design::textsToFit()) {
        const int width = design::twipsToPixels(t.widthTwips, layout::kDesignDpi);
        fits.push_back({QString::fromStdString(t.text), t.onButton ? width - buttonMargins : width,
                        t.control});
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
