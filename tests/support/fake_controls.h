#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/controls.h"

namespace quarlo::test {

// The main window's controls as plain values, with a log of label writes so
// tests can check what was shown and in which order.
class FakeControls : public app::MainControls {
  public:
    std::map<app::ValueLabel, std::string> labels{{app::ValueLabel::Active, "[none]"},
                                                  {app::ValueLabel::Op, "[none]"},
                                                  {app::ValueLabel::Outcome, "[none]"},
                                                  {app::ValueLabel::Mode, "[none]"},
                                                  {app::ValueLabel::Diff, "xxx"}};
    std::vector<std::pair<app::ValueLabel, std::string>> labelLog;
    std::vector<std::string> list;
    bool listVisible = true;
    int selected = -1;
    std::string newName;
    int slider = 0;
    int check = 0;

    std::string label(app::ValueLabel l) const { return labels.at(l); }
    void select(const std::string& entry) {
        selected = -1;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i] == entry) {
                selected = static_cast<int>(i);
            }
        }
    }

    std::vector<std::string> notices;
    void showNotice(const std::string&, const std::string& text) override {
        notices.push_back(text);
    }

    void setLabel(app::ValueLabel l, const std::string& text) override {
        labels[l] = text;
        labelLog.emplace_back(l, text);
    }
    void clearList() override {
        list.clear();
        selected = -1;
    }
    void hideList() override { listVisible = false; }
    void showList() override { listVisible = true; }
    void appendToList(const std::string& entry) override { list.push_back(entry); }
    std::string selectedListText() const override {
        return selected >= 0 ? list[static_cast<std::size_t>(selected)] : std::string();
    }
    std::string newNameText() const override { return newName; }
    int sliderValue() const override { return slider; }
    void setSliderValue(int value) override { slider = value; }
    int sliderLow = 0;
    int sliderHigh = 100;
    void setSliderRange(int low, int high) override {
        sliderLow = low;
        sliderHigh = high;
    }
    std::string title;
    void setTitle(const std::string& text) override { title = text; }
    std::vector<app::GameEntry> games;
    void setGames(const std::vector<app::GameEntry>& entries) override { games = entries; }
    int checkValue() const override { return check; }
    void setCheckValue(int value) override { check = value; }
};

}  // namespace quarlo::test
