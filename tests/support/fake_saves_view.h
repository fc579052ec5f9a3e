#pragma once

#include <string>
#include <vector>

#include "app/saves_window.h"

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
};

}  // namespace quarlo::test
