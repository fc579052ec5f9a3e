#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "saves/character_saves.h"
#include "saves/co_save.h"
#include "saves/plugins.h"
#include "saves/save_header.h"
#include "tests/support/save_writer.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32/save_files_win32.h"
using PlatformSaveFiles = quarlo::platform::win32::Win32SaveFiles;
#else
#include <sys/stat.h>

#include "platform/posix/save_files_posix.h"
using PlatformSaveFiles = quarlo::platform::posix::PosixSaveFiles;
#endif

namespace quarlo::saves {
namespace {

using SaveShape = test::SaveShape;
using test::saveBytes;
using test::screenshotFieldAt;

void put(std::string& out, std::uint64_t v, int bytes) {
    test::putLittleEndian(out, v, bytes);
}

std::string pixels(const SaveShape& s) {
    return test::savePixels(s);
}

TEST(SaveHeader, ReadsEveryFieldOfAValidSave) {
    const SaveShape s;
    const std::string bytes = saveBytes(s);
    const HeaderResult r = parseHeader(bytes, bytes.size());
    ASSERT_TRUE(r.header) << describe(r.reason);
    const SaveHeader& h = *r.header;
    EXPECT_EQ(h.majorVersion, 0);
    EXPECT_EQ(h.minorVersion, 125);
    EXPECT_EQ(h.characterStamp, s.created);
    EXPECT_EQ(h.headerVersion, 125u);
    EXPECT_EQ(h.headerSize, test::pluginsAt(s) - 38);
    EXPECT_EQ(h.saveNumber, s.saveNumber);
    EXPECT_EQ(h.playerName, s.name);  // raw bytes, without the NUL
    EXPECT_EQ(h.playerLevel, s.level);
    EXPECT_EQ(h.location, s.location);
    EXPECT_EQ(h.daysPassed, s.days);
    EXPECT_EQ(h.playTimeMs, s.playMs);
    EXPECT_EQ(h.saveTime, s.saveTime);
    EXPECT_EQ(h.screenshotWidth, s.width);
    EXPECT_EQ(h.screenshotHeight, s.height);
    EXPECT_EQ(h.screenshotOffset, screenshotFieldAt(s) + 12);
}

TEST(SaveHeader, RefusesDamagedSavesWithTheirReason) {
    const SaveShape valid;
    const std::string good = saveBytes(valid);
    const std::size_t shot = screenshotFieldAt(valid);
    auto withByte = [&](std::size_t at, char value) {
        std::string b = good;
        b[at] = value;
        return b;
    };
    auto withU32 = [](std::string b, std::size_t at, std::uint32_t value) {
        std::string le;
        put(le, value, 4);
        b.replace(at, 4, le);
        return b;
    };
    SaveShape huge;
    huge.width = 2049;
    huge.height = 1;
    huge.bodyBytes = 0;
    SaveShape largest;
    largest.width = largest.height = 2048;
    largest.bodyBytes = 0;
    SaveShape noText;
    noText.name = noText.location = "";
    SaveShape noShot;
    noShot.width = noShot.height = 0;

    struct Case {
        const char* what;
        std::string bytes;
        std::optional<std::uint64_t> fileSize;
        Unreadable reason;
    };
    const Case cases[] = {
        {"valid", good, good.size(), Unreadable::none},
        {"empty strings", saveBytes(noText), std::nullopt, Unreadable::none},
        {"no screenshot", saveBytes(noShot), std::nullopt, Unreadable::none},
        {"largest screenshot", saveBytes(largest), std::nullopt, Unreadable::none},
        {"empty file", "", 0, Unreadable::cutShort},
        {"start of the magic", "TES4SAVE", 8, Unreadable::cutShort},
        {"other game", "TES3" + good.substr(4), std::nullopt, Unreadable::notASave},
        {"text file", "[General]\r\n", std::nullopt, Unreadable::notASave},
        {"name runs past the end", withByte(42, '\xFF').substr(0, 200), 200, Unreadable::cutShort},
        {"location runs past the end", withByte(42 + valid.name.size() + 4, '\xFF').substr(0, 300),
         300, Unreadable::cutShort},
        {"screenshot size one more", withU32(good, shot, 4 * 3 * 3 + 9), std::nullopt,
         Unreadable::screenshotSizeMismatch},
        {"screenshot size without its dimensions", withU32(good, shot, 4 * 3 * 3), std::nullopt,
         Unreadable::screenshotSizeMismatch},
        {"width past 2048", saveBytes(huge), std::nullopt, Unreadable::screenshotTooLarge},
        // 0x55555556 * 3 + 8 wraps to 10 in 32 bits: no picture passes by that.
        {"size wraps", withU32(withU32(good, shot, 10), shot + 4, 0x55555556), std::nullopt,
         Unreadable::screenshotTooLarge},
        {"file ends inside the screenshot", good, shot + 12 + 10, Unreadable::cutShort},
        {"header size one more",
         withU32(good, 34, valid.headerSize.value_or(test::pluginsAt(valid) - 38 + 1)),
         std::nullopt, Unreadable::damagedHeader},
    };
    for (const Case& c : cases) {
        const HeaderResult r = parseHeader(c.bytes, c.fileSize);
        EXPECT_EQ(r.reason, c.reason) << c.what << ": " << describe(r.reason);
        EXPECT_EQ(r.header.has_value(), c.reason == Unreadable::none) << c.what;
    }
    // Cut anywhere before the pixels, a save is cut short, never misread.
    for (std::size_t n = 0; n < shot + 12; ++n) {
        EXPECT_EQ(parseHeader(std::string_view(good).substr(0, n)).reason, Unreadable::cutShort)
            << n;
    }
}

// After the header: the plugin list, the fields after it and the form-id
// arrays that end the file. A save cut anywhere after its header is cut
// short (or, inside the plugin list, damaged), never a good save; the
// plugins come in load order, however many.
TEST(SaveHeader, ReadsThePluginsAndFindsASaveCutAfterItsHeader) {
    SaveShape many;
    many.plugins.clear();
    for (int i = 0; i < 255; ++i) {
        many.plugins.push_back(std::string(1 + i % 40, 'a' + static_cast<char>(i % 26)) + ".esp");
    }
    SaveShape none;
    none.plugins.clear();
    for (const SaveShape& shape : {SaveShape{}, many, none}) {
        const std::string bytes = saveBytes(shape);
        const HeaderResult whole = parseSave(bytes);
        ASSERT_TRUE(whole.header) << describe(whole.reason);
        EXPECT_EQ(whole.header->plugins, shape.plugins);
        const std::size_t listEnd = test::pluginsAt(shape) + 1 + [&] {
            std::size_t n = 0;
            for (const std::string& p : shape.plugins) {
                n += 1 + p.size();
            }
            return n;
        }();
        for (std::size_t n = test::pluginsAt(shape); n < bytes.size(); ++n) {
            const Unreadable reason = parseSave(std::string_view(bytes).substr(0, n)).reason;
            EXPECT_EQ(reason, n < listEnd ? Unreadable::damagedHeader : Unreadable::cutShort) << n;
        }
    }
    // A count that runs the list past the end of the file.
    std::string wrong = saveBytes(SaveShape{});
    wrong[test::pluginsAt(SaveShape{})] = '\xFF';
    EXPECT_EQ(parseSave(wrong).reason, Unreadable::damagedHeader);
}

// What the game would load: Plugins.txt's names (comments, blank lines and
// letter case aside) and Oblivion.esm, among the Data folder's plugin files.
TEST(Plugins, TheThreeMarksFromPluginsTxtAndTheDataFolder) {
    test::TempDir dir;
    PlatformSaveFiles files;
    std::filesystem::create_directories(dir.at("Data"));
    for (const char* name : {"Oblivion.esm", "Mod A.esp", "mod b.ESP", "readme.txt"}) {
        test::writeBytes(dir.at("Data/") + name, "");
    }
    test::writeBytes(
        dir.at("Plugins.txt"),
        "# This file is used by the game.\r\nMOD A.esp\r\n  Missing.esp  # gone\r\n\r\n");
    EXPECT_EQ(parsePluginsTxt("a.esp\n#b.esp\n c.esp \r\n\n"),
              (std::vector<std::string>{"a.esp", "c.esp"}));
    const PluginSetup setup =
        readPluginSetup(files, dir.at("Plugins.txt"), dir.at("Data"), nullptr);
    ASSERT_TRUE(setup.known);
    const std::pair<const char*, PluginState> cases[] = {
        {"Oblivion.esm", PluginState::active},     {"mod a.esp", PluginState::active},
        {"Mod B.esp", PluginState::inactive},      {"Missing.esp", PluginState::notInstalled},
        {"readme.txt", PluginState::notInstalled},
    };
    for (const auto& [name, state] : cases) {
        EXPECT_EQ(stateOf(setup, name), state) << name;
    }
    // Either missing: only the count can be shown, and why.
    for (const auto& [txt, data] : {std::pair{dir.at("None.txt"), dir.at("Data")},
                                    std::pair{dir.at("Plugins.txt"), dir.at("NoData")}}) {
        const PluginSetup unknown = readPluginSetup(files, txt, data, nullptr);
        EXPECT_FALSE(unknown.known);
        EXPECT_NE(unknown.why.find("was not found"), std::string::npos) << unknown.why;
        EXPECT_EQ(stateOf(unknown, "Oblivion.esm"), PluginState::unknown);
    }
}

TEST(SaveHeader, ReadsTheScreenshotFromTheFile) {
    test::TempDir dir;
    PlatformSaveFiles files;
    SaveShape s;
    s.width = 5;
    s.height = 2;
    const std::string whole = saveBytes(s);
    test::writeBytes(dir.at("a.ess"), whole);
    const ScreenshotResult r = readScreenshot(files, dir.at("a.ess"));
    ASSERT_TRUE(r.screenshot) << describe(r.reason);
    EXPECT_EQ(r.screenshot->width, 5u);
    EXPECT_EQ(r.screenshot->height, 2u);
    EXPECT_EQ(r.screenshot->rgb, pixels(s));

    struct Case {
        const char* what;
        std::string bytes;
        Unreadable reason;
    };
    const std::size_t pixelsEnd = screenshotFieldAt(s) + 12 + 30;
    for (const Case& c :
         {Case{"cut in the pixels", whole.substr(0, pixelsEnd - 1), Unreadable::cutShort},
          Case{"ends with the pixels", whole.substr(0, pixelsEnd), Unreadable::none},
          Case{"not a save", "MZ", Unreadable::notASave}}) {
        test::writeBytes(dir.at("b.ess"), c.bytes);
        EXPECT_EQ(readScreenshot(files, dir.at("b.ess")).reason, c.reason) << c.what;
    }
    EXPECT_EQ(readScreenshot(files, dir.at("missing.ess")).reason, Unreadable::cannotRead);
    EXPECT_EQ(readScreenshot(files, dir.str()).reason, Unreadable::cannotRead);  // a folder
}

TEST(CharacterSaves, NewestFirstWithCoSavesAndReasons) {
    test::TempDir dir;
    PlatformSaveFiles files;
    auto save = [&](const std::string& name, SystemTime when) {
        SaveShape s;
        s.saveTime = when;
        test::writeBytes(dir.at(name), saveBytes(s));
    };
    save("Save 1.ess", {2024, 3, 5, 1, 10, 0, 0, 0});
    save("save 2.ESS", {2024, 3, 5, 2, 9, 0, 0, 0});
    save("Quicksave.ess", {2024, 2, 4, 1, 8, 0, 0, 0});
    save("Same time.ess", {2024, 2, 4, 1, 8, 0, 0, 0});
    // The game's previous autosave, with the co-saves of its own.
    save("autosave.bak", {2024, 1, 1, 1, 8, 0, 0, 0});
    save("autosave.ess", {2024, 1, 1, 2, 8, 0, 0, 0});
    for (const char* other : {"Quicksave.obse", "quicksave.Pluggy", "notes.txt", "Quicksave",
                              "autosave.obse", "autosave.obse.bak", "AUTOSAVE.bak.pluggy"}) {
        test::writeBytes(dir.at(other), "x");
    }
    std::filesystem::create_directory(dir.at("Folder.ess"));
    // Unreadable: ordered by the file's time, one now and one years ago.
    test::writeBytes(dir.at("junk.ess"), "not a save");
    test::writeBytes(dir.at("old.ess"), saveBytes(SaveShape{}).substr(0, 100));
    std::filesystem::last_write_time(
        dir.at("old.ess"),
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));

    const auto list = listSaves(files, dir.str());
    ASSERT_TRUE(list);
    struct Row {
        std::string fileName;
        Unreadable reason;
        std::vector<std::string> coSaves;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    for (const SaveEntry& e : *list) {
        rows.push_back(Row{e.fileName, e.reason, e.coSaves});
        EXPECT_EQ(e.path, dir.at(e.fileName));
    }
    using U = Unreadable;
    const std::vector<Row> expected{
        {"save 2.ESS", U::none, {}},
        {"Save 1.ess", U::none, {}},
        {"Quicksave.ess", U::none, {"Quicksave", "Quicksave.obse", "quicksave.Pluggy"}},
        {"Same time.ess", U::none, {}},
        {"autosave.ess", U::none, {"autosave.obse"}},
        {"autosave.bak", U::none, {"AUTOSAVE.bak.pluggy", "autosave.obse.bak"}},
        // The files that are no saves come after the saves.
        {"junk.ess", U::notASave, {}},
        {"old.ess", U::cutShort, {}},
    };
    EXPECT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < std::min(rows.size(), expected.size()); ++i) {
        EXPECT_EQ(rows[i].fileName, expected[i].fileName) << i;
        EXPECT_EQ(rows[i].reason, expected[i].reason) << rows[i].fileName;
        EXPECT_EQ(rows[i].coSaves, expected[i].coSaves) << rows[i].fileName;
    }
    // The file time is on the local clock, so within a day of UTC now.
    const auto utcNowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    EXPECT_LT(std::abs((*list)[6].modifiedLocalMs - utcNowMs), 26LL * 3600 * 1000);
    EXPECT_TRUE((*list)[5].backup);

    EXPECT_FALSE(listSaves(files, dir.at("missing")));
    EXPECT_TRUE(listSaves(files, dir.at("Folder.ess"))->empty());
}

#ifndef _WIN32
TEST(CharacterSaves, APipeNamedLikeASaveNeitherHangsNorCounts) {
    test::TempDir dir;
    PlatformSaveFiles files;
    ASSERT_EQ(::mkfifo(dir.at("pipe.ess").c_str(), 0600), 0);
    EXPECT_FALSE(files.read(dir.at("pipe.ess"), 0, headerReadSize));
    EXPECT_TRUE(listSaves(files, dir.str())->empty());
}
#endif

// The co-saves' facts, from files laid out as the script extender and Pluggy
// write them: whole, cut at every length, with bytes after their blocks, of
// every size from nothing, and another program's file of a co-save's name.
TEST(CoSaves, FactsFromWholeFilesAndAFlagForEveryOther) {
    using K = CoSaveKind;
    using P = CoSaveProblem;
    const std::string obse = test::obseBytes(21, 4, 0x010201A0, {0x1400, 0x2000, 0x2100});
    const std::string pluggy = test::pluggyBytes({"Oblivion.esm", "Unofficial Patch.esp"});
    CoSaveFacts facts = readCoSave("Save 1.obse", obse);
    EXPECT_EQ(facts.kind, K::scriptExtender);
    EXPECT_EQ(facts.problem, P::none);
    EXPECT_EQ(facts.extenderVersion, "21.4");
    EXPECT_EQ(facts.gameVersion, "1.2.0416");
    EXPECT_EQ(facts.pluginsWithData, 2u);
    facts = readCoSave("Save 1.PLUGGY.bak", pluggy);
    EXPECT_EQ(facts.kind, K::pluggy);
    EXPECT_EQ(facts.problem, P::none);
    EXPECT_EQ(facts.plugins, (std::vector<std::string>{"Oblivion.esm", "Unofficial Patch.esp"}));
    struct Case {
        const char* name;
        std::string whole;
        K kind;
        std::size_t lastCut;  // cuts below this length are "cut short"
    };
    for (const Case& c : {Case{"a.obse", obse, K::scriptExtender, obse.size()},
                          Case{"a.pluggy", pluggy, K::pluggy, pluggy.size() - 16}}) {
        for (std::size_t n = 0; n < c.lastCut; ++n) {
            const CoSaveFacts cut = readCoSave(c.name, std::string_view(c.whole).substr(0, n));
            EXPECT_EQ(cut.kind, c.kind) << c.name << " " << n;
            EXPECT_EQ(cut.problem, P::cutShort) << c.name << " " << n;
        }
        EXPECT_EQ(readCoSave(c.name, "not a co-save at all").problem, P::notACoSave);
    }
    EXPECT_EQ(readCoSave("a.obse", obse + "x").problem, P::notACoSave);
    EXPECT_EQ(readCoSave("notes.txt", "anything").kind, K::unknown);
    EXPECT_EQ(readCoSave("notes.txt", "anything").problem, P::none);
}

}  // namespace
}  // namespace quarlo::saves
