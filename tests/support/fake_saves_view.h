#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/saves_window.h"
#include "platform/trash.h"

namespace quarlo::test {

// The Saves window as plain values: what it shows now, and how often the
// screenshot was read into it.
class FakeSavesView : public app::SavesView {
  public:
    std::string title;
    std::vector<app::SaveRow> rows;
    int selected = -1;
    bool hasScreenshot = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string rgb;
    int screenshotsShown = 0;

    void setTitle(const std::string& t) override { title = t; }
    void setRows(const std::vector<app::SaveRow>& r) override {
        rows = r;
        selected = -1;
    }
    void selectRow(int row) override { selected = row; }
    void showScreenshot(std::uint32_t w, std::uint32_t h, const std::string& bytes) override {
        hasScreenshot = true;
        width = w;
        height = h;
        rgb = bytes;
        ++screenshotsShown;
    }
    void clearScreenshot() override {
        hasScreenshot = false;
        width = height = 0;
        rgb.clear();
    }
    std::vector<app::PluginLine> plugins;
    std::string pluginNote;
    void showPlugins(const std::vector<app::PluginLine>& p) override { plugins = p; }
    void setPluginNote(const std::string& note) override { pluginNote = note; }
    std::vector<std::string> details;
    void showDetails(const std::vector<std::string>& lines) override { details = lines; }

    // The commands' dialogs, answered as scripted; each question and
    // message is kept.
    std::vector<int> chosenRows;
    std::optional<std::string> destination;
    std::vector<std::string> offered;  // the characters the last question offered
    bool yes = true;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    int changed = 0;
    bool charactersAdded = false;

    std::vector<int> selectedRows() const override { return chosenRows; }
    std::optional<std::string> askDestination(const std::string&, const std::string& prompt,
                                              const std::vector<std::string>& characters) override {
        questions.push_back(prompt);
        offered = characters;
        return destination;
    }
    bool confirm(const std::string&, const std::string& question) override {
        questions.push_back(question);
        return yes;
    }
    void showMessage(const std::string&, const std::string& text) override {
        messages.push_back(text);
    }
    void savesChanged(bool added) override {
        ++changed;
        charactersAdded = charactersAdded || added;
    }

    // The long work runs in place; its progress is kept, and Cancel is
    // pressed once `stopAt` saves are done.
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    std::optional<std::size_t> stopAt;
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([this](std::size_t done, std::size_t total) {
            progress.emplace_back(done, total);
            return !stopAt || done < *stopAt;
        });
    }
};

// Work of a thousand saves, 5 ms each, that stops when its progress says so;
// `reached` is the last save it began.
inline std::function<void(const saves::Progress&)> slowWork(std::size_t& reached) {
    return [&reached](const saves::Progress& progress) {
        for (reached = 0; reached <= 1000 && progress(reached, 1000); ++reached) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
}

// The trash as a list of what it was given; `outcome` is what it answers.
class FakeTrash : public platform::Trash {
  public:
    std::vector<std::string> taken;
    std::vector<std::vector<std::string>> given;  // each call's paths
    platform::TrashOutcome outcome = platform::TrashOutcome::done;
    std::vector<std::string> inTrash;  // what a failure leaves in the trash
    std::string name() const override { return "trash"; }
    platform::TrashResult moveToTrash(const std::vector<std::string>& paths) override {
        given.push_back(paths);
        if (outcome != platform::TrashOutcome::done) {
            return {outcome, inTrash};
        }
        taken.insert(taken.end(), paths.begin(), paths.end());
        return {outcome, paths};
    }
};

}  // namespace quarlo::test
