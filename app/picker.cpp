#include "app/picker.h"

#include "app/carry.h"

#include <cstdio>

#include "app/saves_window.h"
#include "catalogue/path_log.h"
#include "catalogue/save_list.h"
#include "saves/character_saves.h"

namespace quarlo::app {

std::vector<CharacterLine> characterLines(Game& game,
                                          const std::function<std::string(std::string_view)>& ansi,
                                          bool screenshots) {
    std::vector<CharacterLine> lines;
    const std::string active = game.activeSave();
    for (const std::string& name : game.characters()) {
        CharacterLine line{name, name == active, 0, {}, {}, {}};
        line.uncarried = carryPending(game, name);
        const auto listed =
            game.saveFiles() != nullptr
                ? saves::listSaves(*game.saveFiles(), game.characterFolder(name), game.game().saves)
                : std::nullopt;
        if (listed) {
            for (const saves::SaveEntry& save : *listed) {
                line.saves += save.header ? 1 : 0;
            }
            if (!listed->empty() && listed->front().header) {
                if (screenshots) {
                    line.screenshot = saves::readScreenshot(*game.saveFiles(), listed->front().path,
                                                            game.game().saves.layout)
                                          .screenshot;
                }
                const SaveRow row = rowFor(listed->front(), ansi);
                line.level = row.level;
                line.location = row.location;
                if (row.saved) {
                    char text[48];
                    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u",
                                  static_cast<unsigned>(row.saved->year),
                                  static_cast<unsigned>(row.saved->month),
                                  static_cast<unsigned>(row.saved->day),
                                  static_cast<unsigned>(row.saved->hour),
                                  static_cast<unsigned>(row.saved->minute));
                    line.saved = text;
                }
            }
        }
        (line.active ? lines.insert(lines.begin(), std::move(line))
                     : lines.insert(lines.end(), std::move(line)));
    }
    return lines;
}

Picker::Picker(std::vector<CharacterLine> rows, int timeout) : rows_(std::move(rows)) {
    if (timeout > 0) {
        left_ = timeout;
    }
}

void Picker::start(PickerView& view) {
    view_ = &view;
    // Without a character to choose there is nothing to wait for.
    done_ = rows_.empty();
    show();
}

void Picker::show() {
    if (view_ != nullptr) {
        view_->show(rows_, highlighted_, left_);
    }
}

void Picker::key(Key key) {
    if (done_) {
        return;
    }
    switch (key) {
        case Key::up:
        case Key::down:
            // The player is choosing: the countdown stops.
            left_.reset();
            if (key == Key::up && highlighted_ > 0) {
                --highlighted_;
            } else if (key == Key::down && highlighted_ + 1 < rows_.size()) {
                ++highlighted_;
            }
            show();
            return;
        case Key::enter:
            chosen_ = rows_[highlighted_].name;
            done_ = true;
            return;
        case Key::escape:
            done_ = true;
            return;
    }
}

void Picker::pad(platform::PadPress press) {
    switch (press) {
        case platform::PadPress::up:
            key(Key::up);
            return;
        case platform::PadPress::down:
            key(Key::down);
            return;
        case platform::PadPress::confirm:
            key(Key::enter);
            return;
        case platform::PadPress::back:
            key(Key::escape);
            return;
    }
}

void Picker::tick() {
    if (done_ || !left_) {
        return;
    }
    if (--*left_ <= 0) {
        done_ = true;
        return;
    }
    show();
}

}  // namespace quarlo::app
