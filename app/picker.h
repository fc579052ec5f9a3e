#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>
#include "texts/catalogue.h"

#include "app/game.h"
#include "platform/pads.h"
#include "saves/save_header.h"

namespace quarlo::app {

// One character as a list outside the main window shows it: the command
// line's `list` and the picker.
struct CharacterLine {
    std::string name;
    bool active = false;    // the one the game will use
    std::size_t saves = 0;  // readable saves
    // The newest save's facts; empty without one.
    std::string level;
    std::string location;
    std::string saved;  // "2026-12-08 10:37", the game's own local time
    // The newest save's screenshot, where it was asked for and can be read.
    std::optional<saves::Screenshot> screenshot = {};
    // Its last session never reached the carry place.
    bool uncarried = false;
};

namespace text {
inline constexpr const char* kNotCarried = N_("not carried yet");
}

// Every character of the game folder, the one the game will use first, then
// by name as the main window lists them; with `screenshots`, each one's
// newest save's picture too (most of a header's bytes: the picker's, not the
// command line's).
std::vector<CharacterLine> characterLines(Game& game,
                                          const std::function<std::string(std::string_view)>& ansi,
                                          bool screenshots = false);

// What the picker needs of its full-screen window. It shows, never asks:
// the keys come back through Picker.
class PickerView {
  public:
    virtual ~PickerView() = default;
    // The rows, the highlighted one, and the seconds left before the current
    // character is kept (none once the player has moved, or without a
    // countdown).
    virtual void show(const std::vector<CharacterLine>& rows, std::size_t highlighted,
                      std::optional<int> secondsLeft) = 0;
};

// The full-screen character picker for a game launcher (the Steam Deck's
// Game Mode, Big Picture): the arrow keys, Enter and Escape, or a game
// controller's D-pad or left stick, A and B. Enter (A) takes the
// highlighted character; Escape (B), or the countdown running out, keeps the
// current one.
class Picker {
  public:
    enum class Key { up, down, enter, escape };

    // `timeout` seconds of countdown; 0 for none.
    Picker(std::vector<CharacterLine> rows, int timeout);

    void start(PickerView& view);
    void key(Key key);
    // A game controller's press, as the key it stands for.
    void pad(platform::PadPress press);
    // One second has passed.
    void tick();

    bool done() const { return done_; }
    // The character chosen, or none to keep the current one.
    const std::optional<std::string>& chosen() const { return chosen_; }

  private:
    void show();

    std::vector<CharacterLine> rows_;
    std::optional<int> left_;
    PickerView* view_ = nullptr;
    std::size_t highlighted_ = 0;
    bool done_ = false;
    std::optional<std::string> chosen_;
};

}  // namespace quarlo::app
