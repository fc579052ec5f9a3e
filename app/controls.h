#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/backups_window.h"
#include "app/saves_window.h"
#include "app/sort_saves.h"
#include "app/tidy.h"

namespace quarlo::app {

// The value labels of the main window that the program rewrites.
enum class ValueLabel { Active, Op, Outcome, Mode, Diff };

// One entry of the Game menu: a game found here.
struct GameEntry {
    std::string label;  // "Skyrim Special Edition", "Starfield (not supported)"
    bool chosen = false;
    bool supported = true;
    friend bool operator==(const GameEntry&, const GameEntry&) = default;
};

// What the program's logic needs of the main window's controls. The front end
// implements it; tests use a fake. Setting the slider or the check box here
// must not notify: the logic runs the handler itself when the value changed,
// so a programmatic change runs it exactly once.
class MainControls {
  public:
    virtual ~MainControls() = default;

    virtual void setLabel(ValueLabel label, const std::string& text) = 0;

    // lstLoad
    virtual void clearList() = 0;
    virtual void hideList() = 0;
    virtual void showList() = 0;
    virtual void appendToList(const std::string& entry) = 0;
    // The selected entry's text, "" when none is selected.
    virtual std::string selectedListText() const = 0;

    // txtNew
    virtual std::string newNameText() const = 0;

    // scrDiff, 0..100 (the game's own scale: 0..5 for Skyrim's six steps)
    virtual int sliderValue() const = 0;
    virtual void setSliderValue(int value) = 0;
    virtual void setSliderRange(int low, int high) {
        (void)low;
        (void)high;
    }

    // Check1: 0 off, 1 on, 2 greyed
    virtual int checkValue() const = 0;
    virtual void setCheckValue(int value) = 0;

    // The window's title, which names the game where Quarlo serves more than
    // Oblivion.
    virtual void setTitle(const std::string& title) { (void)title; }
    // The Game menu, in a menu bar above the controls: shown where more
    // than one game is found, none otherwise; the client area as it was.
    virtual void setGames(const std::vector<GameEntry>& entries) { (void)entries; }

    // A message beside the status lines, for what they cannot say: the
    // backup a switch asked for failed, and the switch went on.
    virtual void showNotice(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
    }
    // As SavesView::runWithProgress; in place where the front end has no
    // dialog for it.
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) {
        (void)title;
        work([](std::size_t, std::size_t) { return true; });
    }
};

// What the main window's notifications run, one hook per handled
// notification; an empty hook runs nothing. Both front ends take these, so a
// test can count notifications without the program's logic behind them.
struct MainHandlers {
    std::function<void()> sliderChanged;
    std::function<void()> checkClicked;
    std::function<void()> loadClicked;
    std::function<void()> newClicked;
    std::function<void()> toggleClicked;
    std::function<void()> runClicked;
    // lstLoad's context menu, for one entry: "Open Folder", and what the Saves
    // window of "Show Saves…" reads. Neither touches the controls or a file.
    std::function<void(const std::string& entry)> openFolder;
    std::function<SavesSource(const std::string& entry)> savesOf;
    // "Sort Loose Saves…", offered on any entry and on the empty part of
    // the list.
    std::function<void(SortView& view)> sortLooseSaves;
    // Reads the character list again, after a Saves window made a folder.
    std::function<void()> refreshList;
    // "Back Up" and "Restore…" of lstLoad's menu, for one entry.
    std::function<void(const std::string& entry, BackupView& view)> backUp = {};
    std::function<BackupsSource(const std::string& entry)> backupsOf = {};
    // "Rename…" and "Tidy Up…" of lstLoad's menu, for one entry.
    std::function<void(const std::string& entry, CharacterView& view)> rename = {};
    std::function<void(const std::string& entry, CharacterView& view)> tidyUp = {};
    // "Carry…": the place, each character's state, and carrying them now.
    std::function<void(const std::string& entry, CharacterView& view)> carry = {};
    // The Game menu: the entry chosen, by its place in the menu.
    std::function<void(std::size_t entry)> gameChosen = {};
};

}  // namespace quarlo::app
