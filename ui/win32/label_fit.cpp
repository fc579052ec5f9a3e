#include "ui/win32/label_fit.h"

namespace quarlo::ui::win32 {

std::wstring firstLineThatFits(const std::wstring& text, int width, const MeasureText& measure) {
    std::wstring line = text.substr(0, text.find_first_of(L"\r\n"));
    if (measure(line) <= width) {
        return line;
    }
    // The first word, with any blanks before it, always stays.
    std::size_t end = line.find_first_not_of(L' ');
    end = end == std::wstring::npos ? line.size() : line.find(L' ', end);
    std::wstring shown = line.substr(0, end);
    while (end != std::wstring::npos && end < line.size()) {
        const std::size_t wordStart = line.find_first_not_of(L' ', end);
        if (wordStart == std::wstring::npos) {
            break;
        }
        const std::size_t wordEnd = line.find(L' ', wordStart);
        std::wstring longer = line.substr(0, wordEnd);
        if (measure(longer) > width) {
            break;
        }
        shown = std::move(longer);
        end = wordEnd;
    }
    return shown;
}

}  // namespace quarlo::ui::win32
