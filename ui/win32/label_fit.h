#pragma once

#include <functional>
#include <string>

namespace quarlo::ui::win32 {

// Measures the width in pixels of a piece of text in the label's font.
using MeasureText = std::function<int(const std::wstring&)>;

// What a one-line label shows of `text`: its first line (text after a line
// break never shows), and of that the words that fit `width` when it is too
// wide. A first word that does not fit alone is kept whole; the label's right
// edge cuts it.
std::wstring firstLineThatFits(const std::wstring& text, int width, const MeasureText& measure);

}  // namespace quarlo::ui::win32
