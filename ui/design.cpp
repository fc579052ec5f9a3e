#include "ui/design.h"

#include "app/main_window.h"

namespace quarlo::ui::design {

std::vector<TextToFit> textsToFit() {
    std::vector<TextToFit> fits;
    // In the language in use: the font is sized for what is shown.
    const auto add = [&](std::string text, const Control& c) {
        fits.push_back({texts::tr(text), c.name, c.width, c.kind == Kind::Button});
    };
    for (const Control& c : kMainControls) {
        if (c.kind == Kind::Label || c.kind == Kind::Button) {
            std::string caption = texts::tr(c.text);
            std::erase(caption, '&');
            add(std::move(caption), c);
        }
    }
    for (const Control& c : kAboutControls) {
        if (c.kind == Kind::Label && std::string_view(c.name) != "Label2") {
            add(c.text, c);
        }
    }
    add(kLanguageCaption, kAboutLanguageControls[0]);
    add(kLanguageNextStart, kAboutLanguageControls[2]);
    namespace t = app::text;
    add("ERROR", mainControl("lblActive"));
    add(t::kAutomaticMode, mainControl("lblMode"));
    add(t::kRootDirMode, mainControl("lblMode"));
    add(std::to_string(kSlider.maximum), mainControl("lblDiff"));
    for (const char* op : t::kOperations) {
        add(op, mainControl("lblOp"));
    }
    for (const char* outcome : t::kOutcomes) {
        add(outcome, mainControl("lblOutcome"));
    }
    return fits;
}

std::string firstLineThatFits(std::string_view text, int width, const MeasureText& measure) {
    const std::string_view line = text.substr(0, text.find_first_of("\r\n"));
    if (measure(line) <= width) {
        return std::string(line);
    }
    // The first word, with any blanks before it, always stays.
    std::size_t end = line.find_first_not_of(' ');
    end = end == std::string_view::npos ? line.size() : line.find(' ', end);
    std::string_view shown = line.substr(0, end);
    while (end != std::string_view::npos && end < line.size()) {
        const std::size_t wordStart = line.find_first_not_of(' ', end);
        if (wordStart == std::string_view::npos) {
            break;
        }
        const std::size_t wordEnd = line.find(' ', wordStart);
        const std::string_view longer = line.substr(0, wordEnd);
        if (measure(longer) > width) {
            break;
        }
        shown = longer;
        end = wordEnd;
    }
    return std::string(shown);
}

}  // namespace quarlo::ui::design
