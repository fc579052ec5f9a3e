#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/saves_window.h"
#include "tests/support/fake_saves_view.h"
#include "tests/support/native.h"
#include "tests/support/save_writer.h"
#include "tests/support/temp_dir.h"

namespace quarlo::test {
namespace {

using app::SaveRow;
using saves::SystemTime;
namespace fs = std::filesystem;

class SavesWindowTest : public ::testing::Test {
  protected:
    std::string save(const std::string& fileName, SaveShape shape) {
        writeBytes(dir.at(fileName), saveBytes(shape));
        return dir.at(fileName);
    }
    static SaveShape at(SystemTime when) {
        SaveShape s;
        s.saveTime = when;
        return s;
    }
    app::SavesSource source(std::function<std::string(std::string_view)> toUtf8 = {}) {
        return app::SavesSource{"Ann", dir.str(), files.get(), std::move(toUtf8)};
    }
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path())) {
            out[e.path().string()] = readBytes(e.path().string());
        }
        return out;
    }
    std::vector<std::string> fileColumn() const {
        std::vector<std::string> out;
        for (const SaveRow& r : view.rows) {
            out.push_back(r.file);
        }
        return out;
    }

    TempDir dir;
    std::unique_ptr<platform::SaveFiles> files = nativeSaveFiles();
    FakeSavesView view;
};

TEST(SavesWindowText, PlayTimeAsHoursAndMinutes) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "0:00"},           {59'999, "0:00"},
        {60'000, "0:01"},      {3'599'999, "0:59"},
        {3'600'000, "1:00"},   {7'654'321, "2:07"},
        {36'000'000, "10:00"}, {4'294'967'295u, "1193:02"},
    };
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(app::formatPlayTime(ms), text) << ms;
    }
}

TEST_F(SavesWindowTest, OpeningShowsEveryRowNewestFirstAndTheNewestScreenshot) {
    SaveShape older = at({2024, 3, 2, 5, 13, 45, 30, 0});
    older.level = 3;
    older.playMs = 59'000;
    older.width = 2;
    older.height = 1;
    SaveShape newer = at({2024, 5, 1, 1, 9, 5, 0, 0});
    newer.name = "Ann";
    newer.location = "";
    newer.level = 41;
    newer.playMs = 3'600'000 * 25 + 60'000 * 7;
    newer.width = 3;
    newer.height = 2;
    save("Save 1.ess", older);
    save("Save 2.ess", newer);
    writeBytes(dir.at("Broken.ess"), saveBytes(SaveShape{}).substr(0, 60));
    writeBytes(dir.at("Text.ess"), "not a save");
    writeBytes(dir.at("Save 2.obse"), "co-save");
    const auto before = snapshot();

    app::SavesWindow window(source(), view);
    window.onOpen();
    EXPECT_EQ(view.title, "Saves of Ann");
    // Unreadable saves sort by their file time (now), so they come first.
    ASSERT_EQ(view.rows.size(), 4u);
    std::map<std::string, SaveRow> byFile;
    for (const SaveRow& r : view.rows) {
        byFile[r.file] = r;
    }
    const std::pair<std::string, SaveRow> expected[] = {
        {"Save 2.ess", {"Save 2.ess", "Ann", "41", "", "25:07", newer.saveTime}},
        // Without a hook the bytes read as Latin-1, which agrees with 1252 here.
        {"Save 1.ess",
         {"Save 1.ess", "J\xC3\xB6rg", "3", "Imperial City Market District", "0:00",
          older.saveTime}},
        {"Broken.ess",
         {"Broken.ess", saves::describe(saves::Unreadable::cutShort), "", "", "", std::nullopt}},
        {"Text.ess",
         {"Text.ess", saves::describe(saves::Unreadable::notASave), "", "", "", std::nullopt}},
    };
    for (const auto& [file, row] : expected) {
        EXPECT_EQ(byFile[file], row) << file;
    }
    EXPECT_EQ(fileColumn()[2], "Save 2.ess");
    EXPECT_EQ(fileColumn()[3], "Save 1.ess");

    // The newest row is selected; an unreadable one has no screenshot.
    EXPECT_EQ(view.selected, 0);
    EXPECT_FALSE(view.hasScreenshot);
    window.onSelect(2);
    ASSERT_TRUE(view.hasScreenshot);
    EXPECT_EQ(view.width, 3u);
    EXPECT_EQ(view.height, 2u);
    EXPECT_EQ(view.rgb, savePixels(newer));
    window.onSelect(3);
    EXPECT_EQ(view.rgb, savePixels(older));
    for (int outside : {-1, 4, 1000}) {
        window.onSelect(outside);
        EXPECT_FALSE(view.hasScreenshot) << outside;
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SavesWindowTest, TextGoesThroughThePlatformsConversion) {
    save("a.ess", SaveShape{});
    app::SavesWindow window(
        source([](std::string_view bytes) { return "<" + std::string(bytes) + ">"; }), view);
    window.onOpen();
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].player, "<J\xF6rg>");
    EXPECT_EQ(view.rows[0].location, "<Imperial City Market District>");
    EXPECT_EQ(view.rows[0].file, "a.ess");  // a file name is UTF-8 already
}

TEST_F(SavesWindowTest, RefreshReadsAgainAndKeepsTheSelectedSave) {
    save("Old.ess", at({2020, 1, 3, 1, 8, 0, 0, 0}));
    save("Mid.ess", at({2021, 1, 5, 1, 8, 0, 0, 0}));
    app::SavesWindow window(source(), view);
    window.onOpen();
    window.onSelect(1);
    ASSERT_EQ(fileColumn()[1], "Old.ess");

    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> files;
        int selected;
        bool screenshot;
    };
    const Step steps[] = {
        {"a newer save",
         [&] {
             save("New.ess", at({2022, 1, 6, 1, 8, 0, 0, 0}));
         },
         {"New.ess", "Mid.ess", "Old.ess"},
         2,
         true},
        {"nothing changed", [] {}, {"New.ess", "Mid.ess", "Old.ess"}, 2, true},
        {"the selected save damaged",
         [&] { writeBytes(dir.at("Old.ess"), saveBytes(SaveShape{}).substr(0, 100)); },
         {"Old.ess", "New.ess", "Mid.ess"},
         0,
         false},
        {"the selected save gone",
         [&] { fs::remove(dir.at("Old.ess")); },
         {"New.ess", "Mid.ess"},
         0,
         true},
        {"the folder gone", [&] { fs::remove_all(dir.path()); }, {}, -1, false},
        {"the folder back",
         [&] {
             fs::create_directories(dir.path());
             save("Back.ess", SaveShape{});
         },
         {"Back.ess"},
         0,
         true},
    };
    for (const Step& step : steps) {
        step.change();
        window.onRefresh();
        EXPECT_EQ(fileColumn(), step.files) << step.what;
        EXPECT_EQ(view.selected, step.selected) << step.what;
        EXPECT_EQ(view.hasScreenshot, step.screenshot) << step.what;
    }
}

TEST_F(SavesWindowTest, AScreenshotCutAfterListingIsNotShown) {
    SaveShape s;
    const std::string path = save("a.ess", s);
    app::SavesWindow window(source(), view);
    window.onOpen();
    ASSERT_TRUE(view.hasScreenshot);
    writeBytes(path, saveBytes(s).substr(0, screenshotFieldAt(s) + 12 + 5));
    window.onSelect(0);
    EXPECT_FALSE(view.hasScreenshot);
}

}  // namespace
}  // namespace quarlo::test
