#pragma once

#include <QFont>
#include <QString>
#include <vector>

class QStyle;

namespace quarlo::ui {

// A text a control must show whole, and the pixels the control has for it.
struct TextFit {
    QString text;
    int width;
    const char* control;  // the control's object name, for messages
};

// The texts both front ends fit (design::textsToFit), each with the pixels
// its control gives it here: a button's width less the style's margins.
std::vector<TextFit> textsToFit(const QStyle& style);

// Whether every text fits at this font.
bool allTextsFit(const QFont& font, const std::vector<TextFit>& texts);

// The font of both windows: the platform's default face at the largest pixel
// size, up to the classic 8 pt at 96 dpi, at which every text fits.
QFont dialogFont(const QFont& defaultFont, const QStyle& style);

}  // namespace quarlo::ui
