#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saves/character_saves.h"

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::app {

// One line of the Saves window's table, as text, with the save time left for
// the front end to write in the user's locale.
struct SaveRow {
    std::string file;                        // "Save 12.ess"
    std::string player;                      // the player's name, or why the save is unreadable
    std::string level;                       // "" when unreadable
    std::string location;                    // the cell's name
    std::string played;                      // "h:mm"
    std::optional<saves::SystemTime> saved;  // local time; none when unreadable
    friend bool operator==(const SaveRow&, const SaveRow&) = default;
};

// What the Saves window's logic needs of its window. Selecting a row from
// here must not notify: the logic shows that row's screenshot itself.
class SavesView {
  public:
    virtual ~SavesView() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setRows(const std::vector<SaveRow>& rows) = 0;
    // -1 selects none.
    virtual void selectRow(int row) = 0;
    // width * height * 3 bytes of RGB, top row first, no padding.
    virtual void showScreenshot(std::uint32_t width, std::uint32_t height,
                                const std::string& rgb) = 0;
    virtual void clearScreenshot() = 0;
};

// Where one character's saves are and how to read them.
struct SavesSource {
    std::string name;    // the list entry, as lstLoad shows it
    std::string folder;  // root/Saves/<entry>
    const platform::SaveFiles* files = nullptr;
    // Header text to UTF-8; when empty, bytes read as Latin-1.
    std::function<std::string(std::string_view)> ansiToUtf8;
};

// "h:mm" of a play time in milliseconds, minutes cut, not rounded, as a clock
// shows them.
std::string formatPlayTime(std::uint32_t milliseconds);

// The table row of one save, its texts converted to UTF-8.
SaveRow rowFor(const saves::SaveEntry& entry,
               const std::function<std::string(std::string_view)>& ansiToUtf8);

// The Saves window of one character: it reads the folder when it opens and
// when asked again, and the screenshot of the selected save. It writes
// nothing.
class SavesWindow {
  public:
    SavesWindow(SavesSource source, SavesView& view);

    void onOpen();
    // F5: reads the folder again, keeping the selected save selected while it
    // is still there.
    void onRefresh();
    // The user selected a row (-1 for none).
    void onSelect(int row);

    const SavesSource& source() const { return source_; }
    const std::vector<saves::SaveEntry>& saves() const { return saves_; }

  private:
    void load(const std::string& keepSelected);

    SavesSource source_;
    SavesView& view_;
    std::vector<saves::SaveEntry> saves_;
    int selected_ = -1;
};

}  // namespace quarlo::app
