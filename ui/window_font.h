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

// Every fixed text of both windows and every text the program writes into a
// value label, each with the width its control gives it. Button captions are
// given the button's width less the style's margins.
std::vector<TextFit> textsToFit(const QStyle& style);

// Whether every text fits at this font.
bool allTextsFit(const QFont& font, const std::vector<TextFit>& texts);

// The font of both windows: the platform's default face at the largest pixel
// size, up to the classic 8 pt at 96 dpi, at which every text fits.
QFont dialogFont(const QFont& defaultFont, const QStyle& style);

}  // namespace quarlo::ui
