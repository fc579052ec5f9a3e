#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "app/backups_window.h"
#include "app/saves_window.h"
#include "app/steam_cloud.h"
#include "backups/store.h"
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

// "Success." only when every save is wholly where it was sent; otherwise
// each save not so says where its files are.
TEST(SavesWindowText, SummariesSayWhatIsWhere) {
    using O = saves::TransferResult::Outcome;
    using saves::Place;
    // A save with one co-save, as an operation reports it.
    using R = saves::TransferResult;
    const app::PlaceNames names{"Ann", "Brynja", "trash"};
    struct Case {
        std::vector<saves::TransferResult> results;
        app::Verb verb;
        const char* summary;
    };
    const Case cases[] = {
        {{R{"A.ess", O::done, "", 1}, R{"B.ess", O::done, "", 1}},
         app::Verb::move,
         "Success. 2 saves and 2 co-saves moved to Brynja."},
        {{R{"A.ess", O::leftBehind, "A.obse", 1, {{"A.obse", Place::both}}}},
         app::Verb::move,
         "Failed. 1 save and 1 co-save moved to Brynja.\n\nA.ess: moved to Brynja, but could not "
         "be removed whole from Ann.\nA.ess: A.obse is in both Ann and Brynja."},
        {{R{"A.ess", O::split, "", 1, {{"A.obse", Place::destination}, {"A.ess", Place::source}}}},
         app::Verb::move,
         "Failed. 0 saves moved to Brynja; 1 not moved.\n\nA.ess: not moved whole, and could not "
         "be put back.\nA.ess: A.obse is in Brynja.\nA.ess: A.ess is in Ann."},
        {{R{"A.ess", O::split, "", 1, {{"A.obse", Place::trash}, {"A.ess", Place::source}}}},
         app::Verb::trash,
         "Failed. 0 saves moved to the trash; 1 not deleted.\n\nA.ess: not deleted whole, and "
         "could not be put back.\nA.ess: A.obse is in the trash.\nA.ess: A.ess is in Ann."},
        {{R{"A.ess", O::nameTaken, "A.obse", 1}, R{"B.ess", O::changed, "B.ess", 1}},
         app::Verb::copy,
         "Failed. 0 saves copied to Brynja; 2 not copied.\n\nA.ess: not copied; Brynja has "
         "A.obse already.\nB.ess: not copied; B.ess changed while it was being copied (is the "
         "game saving?); the save is whole in Ann."},
        {{R{"A.ess", O::split, "", 1, {{"A.obse", Place::both}, {"A.ess", Place::both}}},
          R{"B.ess", O::readOnly, "", 0},
          R{"C.ess", O::failed, "", 0, {}, {"C.ess.7.quarlo-part"}, {"C.ess.7.quarlo-old"}}},
         app::Verb::move,
         "Failed. 0 saves moved to Brynja; 1 save in both Ann and Brynja; 2 not moved.\n\nA.ess: "
         "not moved whole, and could not be put back.\nA.ess: A.obse is in both Ann and "
         "Brynja.\nA.ess: A.ess is in both Ann and Brynja.\nB.ess: not moved; files cannot be "
         "removed from Ann (is its "
         "drive read-only?), so nothing was copied.\nC.ess: not moved; it could not be moved "
         "and is whole in Ann.\nC.ess: C.ess.7.quarlo-old in Ann is this save's own file, set "
         "aside to be removed and not given its name back; rename it without \".7.quarlo-old\"."
         "\nC.ess: an unfinished copy, C.ess.7.quarlo-part, is left in Brynja; it is no save to "
         "the game, and the next move or copy there removes it."},
        {{R{"A.ess", O::done, "", 0, {}, {}, {}, {"A.ess.kept-by-quarlo"}}},
         app::Verb::move,
         "Failed. 1 save moved to Brynja.\n\nA.ess: moved, but another program wrote a file of "
         "one of its names in Brynja in the same moment; what it wrote is kept there as "
         "A.ess.kept-by-quarlo."},
        {{R{"A.ess", O::done, "", 1}, R{"B.ess", O::notStarted, "", 1},
          R{"C.ess", O::notStarted, "", 1}},
         app::Verb::move,
         "Failed. 1 save and 1 co-save moved to Brynja; 2 not moved.\n\nStopped: 2 saves not "
         "moved; they are in Ann."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::transferSummary(c.results, c.verb, names), c.summary);
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
    newer.created.year = 2020;  // another character's, of two one each
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
    // The saves newest first, then the files that are no saves, each with
    // its reason in a column of its own; a save of another character than
    // most of the folder's is marked.
    ASSERT_EQ(view.rows.size(), 4u);
    std::map<std::string, SaveRow> byFile;
    for (const SaveRow& r : view.rows) {
        byFile[r.file] = r;
    }
    const std::pair<std::string, SaveRow> expected[] = {
        // Its co-saves are read with it: "co-save" is none.
        {"Save 2.ess",
         {"Save 2.ess", "Ann", "41", "", "25:07", newer.saveTime, "1", app::text::kNotACoSave}},
        // Without a hook the bytes read as Latin-1, which agrees with 1252 here.
        {"Save 1.ess",
         {"Save 1.ess", "J\xC3\xB6rg", "3", "Imperial City Market District", "0:00", older.saveTime,
          "1", app::text::kAnotherCharacters}},
        {"Broken.ess", {"Broken.ess", "", "", "", "", std::nullopt, "", "Cut short."}},
        {"Text.ess", {"Text.ess", "", "", "", "", std::nullopt, "", "Not a save file."}},
    };
    for (const auto& [file, row] : expected) {
        EXPECT_EQ(byFile[file], row) << file;
    }
    EXPECT_EQ(fileColumn()[0], "Save 2.ess");
    EXPECT_EQ(fileColumn()[1], "Save 1.ess");

    // The newest save is selected, with its screenshot; an unreadable one
    // has none.
    EXPECT_EQ(view.selected, 0);
    ASSERT_TRUE(view.hasScreenshot);
    EXPECT_EQ(view.width, 3u);
    EXPECT_EQ(view.height, 2u);
    EXPECT_EQ(view.rgb, savePixels(newer));
    EXPECT_EQ(view.details,
              (std::vector<std::string>{
                  "Note: Not a co-save.",
                  "Save 2.obse: not a co-save; the game's extenders cannot read it."}));
    window.onSelect(1);
    EXPECT_EQ(view.rgb, savePixels(older));
    window.onSelect(2);
    EXPECT_FALSE(view.hasScreenshot);
    for (int outside : {-1, 4, 1000}) {
        window.onSelect(outside);
        EXPECT_FALSE(view.hasScreenshot) << outside;
    }
    EXPECT_EQ(snapshot(), before);
}

// Each save's co-saves are read with the list: one cut short or that is no
// co-save is noted in its row, and the selected save's co-saves are told
// under its plugins, with its notes in full; a save Steam Cloud keeps is
// marked.
TEST_F(SavesWindowTest, CoSavesAndSteamCloudInTheNotesAndDetails) {
    struct Case {
        std::map<std::string, std::string> coSaves;  // extension -> bytes
        bool inCloud;
        std::string note;
        std::vector<std::string> details;
    };
    const std::string obse = obseBytes(21, 4, 0x010201A0, {0x1400, 0x2000, 0x3000});
    const Case cases[] = {
        {{{".obse", obse}, {".pluggy", pluggyBytes({"Knights.esp"})}},
         false,
         "",
         {"a.obse: script extender 21.4, game 1.2.0416, 2 extender plugins stored data.",
          "a.pluggy: Pluggy, 1 plugin: Knights.esp."}},
        {{{".obse", obse.substr(0, obse.size() - 1)}, {".pluggy", ""}},
         true,
         "Co-save cut short.; Kept in Steam Cloud",
         {"Note: Co-save cut short.; Kept in Steam Cloud",
          "a.obse: cut short; the game may not load what it held.",
          "a.pluggy: cut short; the game may not load what it held."}},
        {{{".obse", "PK\x03\x04"}, {".txt", "notes"}},
         false,
         "Not a co-save.",
         {"Note: Not a co-save.", "a.obse: not a co-save; the game's extenders cannot read it.",
          "a.txt: another program's file."}},
    };
    for (const Case& c : cases) {
        TempDir folder;
        writeBytes(folder.at("a.ess"), saveBytes(SaveShape{}));
        for (const auto& [extension, bytes] : c.coSaves) {
            writeBytes(folder.at("a" + extension), bytes);
        }
        app::SavesSource s{"Ann", folder.str(), files.get(), {}};
        const std::vector<std::string> cloud{"Ann/a.ess"};
        if (c.inCloud) {
            s.cloud = [cloud] { return cloud; };
        }
        FakeSavesView shown;
        app::SavesWindow window(s, shown);
        window.onOpen();
        ASSERT_EQ(shown.rows.size(), 1u);
        EXPECT_EQ(shown.rows[0].note, c.note);
        EXPECT_EQ(shown.details, c.details);
    }
}

// The Plugins column counts a save's plugins and those the game would not
// load now; the selected save's plugins are listed in load order, each with
// its mark. Without the game's setup, the count alone and why, once.
TEST_F(SavesWindowTest, PluginsEachSaveNeedsAndWhichAreMissing) {
    SaveShape s;
    s.plugins = {"Oblivion.esm", "Knights.esp", "Gone.esp", "Off.esp"};
    save("a.ess", s);
    saves::PluginSetup setup{true, "", {"oblivion.esm", "knights.esp"}, {}};
    setup.installed = {"oblivion.esm", "knights.esp", "off.esp"};
    app::SavesSource known = source();
    known.plugins = [&setup] { return setup; };
    app::SavesWindow window(known, view);
    window.onOpen();
    EXPECT_EQ(view.rows.at(0).plugins, "4, 2 missing");
    EXPECT_EQ(view.pluginNote, "");
    EXPECT_EQ(view.plugins, (std::vector<app::PluginLine>{{"Oblivion.esm", "active"},
                                                          {"Knights.esp", "active"},
                                                          {"Gone.esp", "not installed"},
                                                          {"Off.esp", "installed, not active"}}));
    setup = saves::PluginSetup{false, "No Data folder.", {}, {}};
    window.onRefresh();
    EXPECT_EQ(view.rows.at(0).plugins, "4");
    EXPECT_EQ(view.pluginNote, "No Data folder.");
    EXPECT_EQ(view.plugins.at(2), (app::PluginLine{"Gone.esp", ""}));
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
         {"New.ess", "Mid.ess", "Old.ess"},
         2,
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

// The characters around a Saves window: folders beside Ann's, a new name
// made as a folder unless refused.
class FakeCharacters : public app::Characters {
  public:
    explicit FakeCharacters(const TempDir& dir) : dir_(dir) {}
    std::vector<std::string> listed{"Ann", "Brynja", "Cara"};
    bool gameRunning = false;
    const char* refusal = nullptr;
    std::vector<std::string> names() const override { return listed; }
    app::CharacterFolder prepareFolder(const std::string& name) override {
        if (refusal != nullptr) {
            return {{}, refusal, false};
        }
        const std::string folder = dir_.at("Saves/" + name);
        const bool made = fs::create_directories(folder);
        return {folder, nullptr, made};
    }
    bool gameIsRunning() const override { return gameRunning; }

  private:
    const TempDir& dir_;
};

// Ann's three saves, the first with a co-save, and Brynja's folder holding a
// save named as Ann's second.
struct CommandScene {
    CommandScene() {
        fs::create_directories(dir.at("Saves/Ann"));
        fs::create_directories(dir.at("Saves/Brynja"));
        for (int i = 1; i <= 3; ++i) {
            SaveShape shape;
            shape.saveTime.minute = static_cast<std::uint16_t>(i);
            writeBytes(dir.at("Saves/Ann/Save " + std::to_string(i) + ".ess"), saveBytes(shape));
        }
        writeBytes(dir.at("Saves/Ann/Save 1.obse"), "co-save");
        writeBytes(dir.at("Saves/Brynja/Save 2.ess"), "Brynja's own");
    }
    app::SavesSource annsSaves() {
        return app::SavesSource{"Ann", dir.at("Saves/Ann"), files.get(), {}, &characters, &trash};
    }
    // The rows of the named saves, as the window lists them.
    std::vector<int> rowsOf(std::initializer_list<const char*> names) const {
        std::vector<int> rows;
        for (const char* name : names) {
            for (std::size_t i = 0; i < view.rows.size(); ++i) {
                if (view.rows[i].file == name) {
                    rows.push_back(static_cast<int>(i));
                }
            }
        }
        return rows;
    }

    TempDir dir;
    std::unique_ptr<platform::SaveFiles> files = nativeSaveFiles();
    FakeSavesView view;
    FakeCharacters characters{dir};
    FakeTrash trash;
};

// Each case selects saves, answers the dialogs and checks the message and the
// files left in Ann's and Brynja's folders.
TEST(SaveCommands, MoveAndCopySayWhatWentAndWhy) {
    struct Case {
        const char* what;
        bool move;
        std::initializer_list<const char*> selected;
        std::optional<std::string> destination;
        bool gameRunning;
        const char* refusal;
        const char* message;  // "" for none
        std::vector<std::string> ann;
        std::vector<std::string> brynja;
        // What another program or window does after the list was shown.
        std::function<void(const TempDir&)> meanwhile = {};
    };
    const std::vector<std::string> all{"Save 1.ess", "Save 1.obse", "Save 2.ess", "Save 3.ess"};
    const Case cases[] = {
        {"a clash is skipped, the co-save goes with its save",
         true,
         {"Save 1.ess", "Save 2.ess"},
         "Brynja",
         false,
         nullptr,
         "Failed. 1 save and 1 co-save moved to Brynja; 1 not moved.\n\nSave 2.ess: not moved; "
         "Brynja has a file of that name already.",
         {"Save 2.ess", "Save 3.ess"},
         {"Save 1.ess", "Save 1.obse", "Save 2.ess"}},
        {"a copy leaves the originals",
         false,
         {"Save 1.ess", "Save 3.ess"},
         "Brynja",
         false,
         nullptr,
         "Success. 2 saves and 1 co-save copied to Brynja.",
         all,
         {"Save 1.ess", "Save 1.obse", "Save 2.ess", "Save 3.ess"}},
        {"a copy while the game runs",
         false,
         {"Save 3.ess"},
         "Brynja",
         true,
         nullptr,
         "Success. 1 save copied to Brynja.",
         all,
         {"Save 2.ess", "Save 3.ess"}},
        {"no move while the game runs",
         true,
         {"Save 3.ess"},
         "Brynja",
         true,
         nullptr,
         app::text::kSavesInUse,
         all,
         {"Save 2.ess"}},
        {"nothing selected",
         true,
         {},
         "Brynja",
         false,
         nullptr,
         app::text::kChooseSave,
         all,
         {"Save 2.ess"}},
        {"cancelled", true, {"Save 3.ess"}, std::nullopt, false, nullptr, "", all, {"Save 2.ess"}},
        {"a co-save the game wrote after the list was shown goes too",
         true,
         {"Save 3.ess"},
         "Brynja",
         false,
         nullptr,
         "Success. 1 save and 1 co-save moved to Brynja.",
         {"Save 1.ess", "Save 1.obse", "Save 2.ess"},
         {"Save 2.ess", "Save 3.ess", "Save 3.obse"},
         [](const TempDir& d) { writeBytes(d.at("Saves/Ann/Save 3.obse"), "new co-save"); }},
        {"a save another window moved already",
         true,
         {"Save 3.ess"},
         "Brynja",
         false,
         nullptr,
         "Failed. 0 saves moved to Brynja; 1 not moved.\n\nSave 3.ess: not moved; it is no "
         "longer in Ann but in Brynja already.",
         {"Save 1.ess", "Save 1.obse", "Save 2.ess"},
         {"Save 2.ess", "Save 3.ess"},
         [](const TempDir& d) {
             fs::rename(d.at("Saves/Ann/Save 3.ess"), d.at("Saves/Brynja/Save 3.ess"));
         }},
        {"to itself",
         true,
         {"Save 3.ess"},
         "Ann",
         false,
         nullptr,
         app::text::kSameCharacter,
         all,
         {"Save 2.ess"}},
        {"a refused new name",
         true,
         {"Save 3.ess"},
         "Da]ve",
         false,
         "Failed. Invalid Name.",
         "Failed. Invalid Name.",
         all,
         {"Save 2.ess"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandScene fresh;
        fresh.characters.gameRunning = c.gameRunning;
        fresh.characters.refusal = c.refusal;
        fresh.view.destination = c.destination;
        app::SavesWindow window(fresh.annsSaves(), fresh.view);
        window.onOpen();
        fresh.view.chosenRows = fresh.rowsOf(c.selected);
        if (c.meanwhile) {
            c.meanwhile(fresh.dir);
        }
        c.move ? window.onMoveTo() : window.onCopyTo();
        EXPECT_EQ(fresh.view.messages.empty() ? "" : fresh.view.messages.back(), c.message);
        const auto names = [&](const char* folder) {
            std::vector<std::string> out;
            for (const auto& e : fs::directory_iterator(fresh.dir.at(folder))) {
                out.push_back(e.path().filename().string());
            }
            std::sort(out.begin(), out.end());
            return out;
        };
        EXPECT_EQ(names("Saves/Ann"), c.ann);
        EXPECT_EQ(names("Saves/Brynja"), c.brynja);
        if (fresh.view.questions.size() == 1 && c.selected.size() > 0) {
            EXPECT_EQ(fresh.view.offered, (std::vector<std::string>{"Brynja", "Cara"}));
        }
        // The table shows what is in the folder now.
        EXPECT_EQ(fresh.view.rows.size(), static_cast<std::size_t>(std::count_if(
                                              c.ann.begin(), c.ann.end(), [](const std::string& n) {
                                                  return n.ends_with(".ess");
                                              })));
    }
}

TEST(SaveCommands, DeleteCountsSavesAndCoSavesAndTrashesEachWholeOrNot) {
    struct Case {
        bool yes;
        platform::TrashOutcome outcome;
        const char* message;  // "" for none
    };
    for (const Case& c : {
             Case{true, platform::TrashOutcome::done,
                  "Success. 2 saves and 1 co-save moved to the trash."},
             Case{true, platform::TrashOutcome::unavailable,
                  "Failed. The trash cannot take files from this drive. Nothing was deleted."},
             Case{true, platform::TrashOutcome::failed,
                  "Failed. 0 saves moved to the trash; 2 not deleted.\n\nSave 1.ess: not "
                  "deleted; it could not be moved to the trash and is in Ann.\nSave 3.ess: not "
                  "deleted; it could not be moved to the trash and is in Ann."},
             Case{false, platform::TrashOutcome::done, ""},
         }) {
        CommandScene fresh;
        fresh.view.yes = c.yes;
        fresh.trash.outcome = c.outcome;
        app::SavesWindow window(fresh.annsSaves(), fresh.view);
        window.onOpen();
        fresh.view.chosenRows = fresh.rowsOf({"Save 1.ess", "Save 3.ess"});
        window.onDelete();
        ASSERT_FALSE(fresh.view.questions.empty());
        EXPECT_EQ(fresh.view.questions.front(), "Move 2 saves and 1 co-save to the trash?");
        EXPECT_EQ(fresh.view.messages.empty() ? "" : fresh.view.messages.back(), c.message);
        const std::vector<std::string> taken{fresh.dir.at("Saves/Ann/Save 1.obse"),
                                             fresh.dir.at("Saves/Ann/Save 1.ess"),
                                             fresh.dir.at("Saves/Ann/Save 3.ess")};
        EXPECT_EQ(fresh.trash.taken, c.yes && c.outcome == platform::TrashOutcome::done
                                         ? taken
                                         : std::vector<std::string>{});
    }
    CommandScene running;
    running.characters.gameRunning = true;
    app::SavesWindow window(running.annsSaves(), running.view);
    window.onOpen();
    running.view.chosenRows = {0};
    window.onDelete();
    EXPECT_TRUE(running.view.questions.empty());
    EXPECT_EQ(running.view.messages, (std::vector<std::string>{app::text::kSavesInUse}));
    running.characters.gameRunning = false;
    running.view.chosenRows = running.rowsOf({"Save 3.ess"});
    window.onDelete();
    EXPECT_EQ(running.view.questions,
              (std::vector<std::string>{"Move 1 save (no co-saves) to the trash?"}));

    // Steam Cloud keeps only saves lying directly in Saves: a character's
    // folder is never warned about, and its window says the cloud keeps
    // none of it. Where a command would move or delete a loose save the
    // cloud keeps, it says so first, and goes nowhere when the player says
    // no.
    for (const bool loose : {false, true}) {
        CommandScene cloudy;
        app::SavesSource kept = cloudy.annsSaves();
        if (loose) {
            kept.name = "Saves";
        }
        kept.cloud = [] { return std::vector<std::string>{"Save 1.ess"}; };
        kept.cloudInUse = [] { return true; };
        cloudy.view.yes = false;
        cloudy.view.destination = "Brynja";
        app::SavesWindow cloudWindow(kept, cloudy.view);
        cloudWindow.onOpen();
        EXPECT_EQ(cloudy.view.rows[static_cast<std::size_t>(cloudy.rowsOf({"Save 1.ess"})[0])].note,
                  loose ? "Not a co-save.; Kept in Steam Cloud" : "Not a co-save.");
        EXPECT_EQ(cloudy.view.pluginNote, loose ? "" : app::text::kNotInCloud);
        cloudy.view.chosenRows = cloudy.rowsOf({"Save 1.ess"});
        if (loose) {
            const std::size_t asked = cloudy.view.questions.size();
            cloudWindow.onMoveTo();  // where to, then the cloud's question
            ASSERT_EQ(cloudy.view.questions.size(), asked + 2);
            EXPECT_TRUE(cloudy.view.questions.back().starts_with("Steam Cloud keeps 1 of these"));
            EXPECT_TRUE(cloudy.view.questions.back().ends_with("\n\nGo on anyway?"));
        }
        const std::size_t asked = cloudy.view.questions.size();
        cloudWindow.onDelete();
        ASSERT_EQ(cloudy.view.questions.size(), asked + 1);
        const std::string& deleting = cloudy.view.questions.back();
        EXPECT_EQ(deleting.starts_with("Steam Cloud keeps 1 of these saves: Save 1.ess."), loose);
        EXPECT_TRUE(deleting.ends_with("Move 1 save and 1 co-save to the trash?"));
        EXPECT_TRUE(cloudy.trash.taken.empty());
        EXPECT_TRUE(fs::exists(cloudy.dir.at("Saves/Ann/Save 1.ess")));
    }
}

// The Restore list: Ann's backups newest first with why each was made and
// its newest save; Restore puts one back, not while the game runs; Remove
// sends only one made by hand to the trash.
TEST(BackupsList, RestoresAndRemovesAsAsked) {
    struct View : app::BackupsView {
        std::vector<app::BackupRow> rows;
        int selected = 0;
        std::vector<std::string> messages;
        void setTitle(const std::string&) override {}
        void setRows(const std::vector<app::BackupRow>& r) override { rows = r; }
        void setStoreSize(const std::string&) override {}
        int selectedRow() const override { return selected; }
        bool confirm(const std::string&, const std::string&) override { return true; }
        void showMessage(const std::string&, const std::string& text) override {
            messages.push_back(text);
        }
        void runWithProgress(const std::string&,
                             const std::function<void(const saves::Progress&)>& work) override {
            work({});
        }
        void savesChanged() override {}
    } view;
    CommandScene scene;
    auto fs = nativeFileSystem();
    backups::Store store(*scene.files, *fs, scene.dir.at("store"));
    const std::string ann = scene.dir.at("Saves/Ann");
    const std::string game = scene.dir.str();
    store.backUp(game, "Ann", ann, backups::Reason::byHand, {});
    fs::remove(ann + "/Save 3.ess");
    const std::string second = store.list(game, "Ann").front().id;
    while (store.list(game, "Ann").front().id == second) {  // a second later
        store.backUp(game, "Ann", ann, backups::Reason::leftCharacter, {});
    }
    app::BackupsWindow window(
        app::BackupsSource{
            "Ann", game, ann, &store, scene.files.get(), &scene.trash, &scene.characters, {}},
        view);
    window.onOpen();
    ASSERT_GE(view.rows.size(), 2u);
    EXPECT_EQ(view.rows.front().reason, "Left for another character");
    EXPECT_EQ(view.rows.back().saves, "3");
    EXPECT_EQ(view.rows.back().newest, "Level 12, Imperial City Market District");
    view.selected = static_cast<int>(view.rows.size()) - 1;  // the one by hand
    scene.characters.gameRunning = true;
    window.onRestore();
    EXPECT_EQ(view.messages.back(), app::text::kSavesInUse);
    scene.characters.gameRunning = false;
    window.onRestore();
    EXPECT_EQ(view.messages.back().rfind("Success. 1 file brought back", 0), 0u)
        << view.messages.back();
    EXPECT_TRUE(fs::exists(ann + "/Save 3.ess"));
    view.selected = 0;  // automatic
    window.onRemove();
    EXPECT_EQ(view.messages.back().rfind("Failed. Made Automatically.", 0), 0u);
    view.selected = static_cast<int>(view.rows.size()) - 1;
    window.onRemove();
    EXPECT_EQ(view.messages.back(), "Success. The backup is in the trash.");
    EXPECT_EQ(scene.trash.given.size(), 1u);
}

}  // namespace
}  // namespace quarlo::test
