#include "app/saves_window.h"

#include <utility>

#include "saves/save_header.h"

namespace quarlo::app {

namespace {

// Every byte as the character of the same number: always valid UTF-8, and
// right for the ASCII that nearly every name is.
std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

std::string formatPlayTime(std::uint32_t milliseconds) {
    const std::uint32_t minutes = milliseconds / 60'000;
    const std::uint32_t m = minutes % 60;
    return std::to_string(minutes / 60) + (m < 10 ? ":0" : ":") + std::to_string(m);
}

SaveRow rowFor(const saves::SaveEntry& entry,
               const std::function<std::string(std::string_view)>& ansiToUtf8) {
    SaveRow row;
    row.file = entry.fileName;
    if (!entry.header) {
        row.player = saves::describe(entry.reason);
        return row;
    }
    const saves::SaveHeader& h = *entry.header;
    const auto text = [&](const std::string& bytes) {
        return ansiToUtf8 ? ansiToUtf8(bytes) : latin1ToUtf8(bytes);
    };
    row.player = text(h.playerName);
    row.level = std::to_string(h.playerLevel);
    row.location = text(h.location);
    row.played = formatPlayTime(h.playTimeMs);
    row.saved = h.saveTime;
    return row;
}

SavesWindow::SavesWindow(SavesSource source, SavesView& view)
    : source_(std::move(source)), view_(view) {}

void SavesWindow::onOpen() {
    view_.setTitle("Saves of " + source_.name);
    load({});
}

void SavesWindow::onRefresh() {
    const std::string keep =
        selected_ >= 0 ? saves_[static_cast<std::size_t>(selected_)].fileName : std::string();
    load(keep);
}

void SavesWindow::load(const std::string& keepSelected) {
    saves_.clear();
    if (source_.files != nullptr) {
        // A folder that cannot be listed shows an empty table; it may be
        // there again on the next F5.
        if (auto list = saves::listSaves(*source_.files, source_.folder)) {
            saves_ = std::move(*list);
        }
    }
    std::vector<SaveRow> rows;
    rows.reserve(saves_.size());
    int select = saves_.empty() ? -1 : 0;  // the newest
    for (std::size_t i = 0; i < saves_.size(); ++i) {
        rows.push_back(rowFor(saves_[i], source_.ansiToUtf8));
        if (!keepSelected.empty() && saves_[i].fileName == keepSelected) {
            select = static_cast<int>(i);
        }
    }
    selected_ = -1;
    view_.setRows(rows);
    view_.selectRow(select);
    onSelect(select);
}

void SavesWindow::onSelect(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= saves_.size() || source_.files == nullptr) {
        selected_ = -1;
        view_.clearScreenshot();
        return;
    }
    selected_ = row;
    const saves::SaveEntry& entry = saves_[static_cast<std::size_t>(row)];
    if (!entry.header || entry.header->screenshotWidth == 0 ||
        entry.header->screenshotHeight == 0) {
        view_.clearScreenshot();
        return;
    }
    // Read now, not with the list: a screenshot is most of a header's bytes.
    const saves::ScreenshotResult shot = saves::readScreenshot(*source_.files, entry.path);
    if (!shot.screenshot) {
        view_.clearScreenshot();
        return;
    }
    view_.showScreenshot(shot.screenshot->width, shot.screenshot->height, shot.screenshot->rgb);
}

}  // namespace quarlo::app
