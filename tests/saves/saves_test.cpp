#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "saves/character_saves.h"
#include "saves/co_save.h"
#include "saves/lz4.h"
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

// Each later game's layout, from the writer, read back field by field; then
// the same save cut at every length, its lengths made to lie, and read as
// another game's: never a good save.
TEST(SaveHeader, ReadsEachLaterGamesLayoutAndRefusesItDamaged) {
    using games::SaveLayout;
    using test::FamilyShape;
    FamilyShape se;
    FamilyShape seUncompressed;
    seUncompressed.compression = 0;
    FamilyShape le;
    le.layout = SaveLayout::skyrim;
    le.location = "\xC2\xE0\xE9\xF2\xE5\xF0\xF0\xE0\xED";  // code page 1251: the game's own
    le.lightPlugins.clear();
    FamilyShape fo4;
    fo4.layout = SaveLayout::fallout4;
    fo4.formVersion = 68;
    fo4.location = "\xD0\xA3\xD0\xB1\xD0\xB5\xD0\xB6\xD0\xB8\xD1\x89\xD0\xB5 111";
    fo4.playTime = "0d.3h.25m.0 days.3 hours.25 minutes";
    fo4.plugins = {"Fallout4.esm"};
    FamilyShape fo3;
    fo3.layout = SaveLayout::fallout3;
    fo3.lightPlugins.clear();
    fo3.plugins = {"Fallout3.esm", "Anchorage.esm"};
    FamilyShape nv = fo3;
    nv.layout = SaveLayout::falloutNv;
    nv.plugins = {"FalloutNV.esm"};
    struct Case {
        const char* what;
        FamilyShape shape;
        std::vector<std::string> light;
        std::uint32_t playMs;
        bool timed;
    };
    const std::uint32_t hms = (3 * 3600 + 25 * 60 + 7) * 1000;
    const Case cases[] = {
        {"Skyrim Special Edition", se, se.lightPlugins, hms, true},
        {"Skyrim Special Edition, uncompressed", seUncompressed, se.lightPlugins, hms, true},
        {"Skyrim", le, {}, hms, true},
        {"Fallout 4", fo4, fo4.lightPlugins, (3 * 3600 + 25 * 60) * 1000, true},
        {"Fallout 3", fo3, {}, hms, false},
        {"New Vegas", nv, {}, hms, false},
    };
    for (const Case& c : cases) {
        const std::string bytes = test::familySaveBytes(c.shape);
        EXPECT_EQ(layoutOf(bytes.substr(0, 32)), c.shape.layout) << c.what;
        const HeaderResult r = parseSave(bytes, c.shape.layout);
        ASSERT_TRUE(r.header) << c.what << ": " << describe(r.reason);
        const SaveHeader& h = *r.header;
        EXPECT_EQ(h.playerName, c.shape.name) << c.what;
        EXPECT_EQ(h.playerLevel, c.shape.level) << c.what;
        EXPECT_EQ(h.location, c.shape.location) << c.what;
        EXPECT_EQ(h.playTimeMs, c.playMs) << c.what;
        EXPECT_EQ(h.timed, c.timed) << c.what;
        EXPECT_EQ(h.saveNumber, c.shape.saveNumber) << c.what;
        EXPECT_EQ(h.screenshotWidth, c.shape.width) << c.what;
        EXPECT_EQ(h.plugins, c.shape.plugins) << c.what;
        EXPECT_EQ(h.lightPlugins, c.light) << c.what;
        EXPECT_EQ(h.title, c.timed ? "" : c.shape.title) << c.what;
        // Skyrim (2011) writes its location in the code page: said so.
        EXPECT_EQ(h.locationUtf8, c.shape.layout != SaveLayout::skyrim &&
                                      c.shape.layout != SaveLayout::fallout3 &&
                                      c.shape.layout != SaveLayout::falloutNv)
            << c.what;
        if (c.timed) {
            EXPECT_EQ(h.saveTime.year, 2024) << c.what;
        }
        // Oblivion's reader and every other game's say whose it is.
        const SaveLayout other =
            c.shape.layout == SaveLayout::fallout4 ? SaveLayout::skyrimSe : SaveLayout::fallout4;
        EXPECT_EQ(parseSave(bytes, other).reason, Unreadable::otherGame) << c.what;
        EXPECT_EQ(parseSave(bytes, SaveLayout::oblivion).reason, Unreadable::otherGame) << c.what;
        for (std::size_t n = 0; n + c.shape.bodyBytes < bytes.size(); ++n) {
            const HeaderResult cut =
                parseSave(std::string_view(bytes).substr(0, n), c.shape.layout);
            EXPECT_FALSE(cut.header) << c.what << " cut at " << n;
        }
        // A plugin list said to be longer than the file, or than its lists.
        for (const std::uint32_t lie : {std::uint32_t{0xFFFFFFF0}, std::uint32_t{3}}) {
            FamilyShape lying = c.shape;
            lying.pluginInfoSize = lie;
            EXPECT_EQ(parseSave(test::familySaveBytes(lying), c.shape.layout).reason,
                      Unreadable::damagedHeader)
                << c.what << " " << lie;
        }
    }
    EXPECT_EQ(parseSave(test::saveBytes(SaveShape{}), SaveLayout::skyrimSe).reason,
              Unreadable::otherGame);
    // The Fallout 3 engine's form, damaged where only it can be: a missing
    // '|', a string running past the header, a language field with no end;
    // and the saves of the games that share a folder's extension.
    const std::string nvBytes = test::familySaveBytes(nv);
    const std::string fo3Bytes = test::familySaveBytes(fo3);
    const auto patched = [](std::string bytes, std::size_t at, std::string_view with) {
        return bytes.replace(at, with.size(), with);
    };
    struct Damage {
        const char* what;
        std::string bytes;
        SaveLayout layout;
        Unreadable reason;
    };
    const Damage damages[] = {
        {"no '|' after the width", patched(nvBytes, 89, "x"), SaveLayout::falloutNv,
         Unreadable::damagedHeader},
        {"no '|' after the version", patched(fo3Bytes, 19, "x"), SaveLayout::fallout3,
         Unreadable::damagedHeader},
        {"a name past the header", patched(nvBytes, 100, "\xC8\x00"), SaveLayout::falloutNv,
         Unreadable::damagedHeader},
        {"a name past the page", patched(nvBytes, 100, "\xFF\xFF"), SaveLayout::falloutNv,
         Unreadable::damagedHeader},
        {"a language with no NUL", patched(nvBytes, 20, std::string(64, 'A')),
         SaveLayout::falloutNv, Unreadable::damagedHeader},
        {"Fallout 4's among New Vegas's", test::familySaveBytes(fo4), SaveLayout::falloutNv,
         Unreadable::otherGame},
        {"Fallout 3's among New Vegas's", fo3Bytes, SaveLayout::falloutNv, Unreadable::otherGame},
        {"New Vegas's among Fallout 3's", nvBytes, SaveLayout::fallout3, Unreadable::otherGame},
        {"Skyrim's among Special Edition's", test::familySaveBytes(le), SaveLayout::skyrimSe,
         Unreadable::otherGame},
    };
    for (const Damage& d : damages) {
        EXPECT_EQ(parseSave(d.bytes, d.layout).reason, d.reason) << d.what;
    }
    // Skyrim (2011) writes its location in UTF-8 on some setups: either
    // spelling is read as what it is.
    FamilyShape leUtf8 = le;
    leUtf8.location = "\xD0\x92\xD0\xB0\xD0\xB9\xD1\x82\xD0\xB5\xD1\x80\xD0\xB0\xD0\xBD";
    const HeaderResult utf8 = parseSave(test::familySaveBytes(leUtf8), SaveLayout::skyrim);
    ASSERT_TRUE(utf8.header);
    EXPECT_TRUE(utf8.header->locationUtf8);
    EXPECT_EQ(utf8.header->location, leUtf8.location);
    EXPECT_EQ(parseSave("TESV_SAV", SaveLayout::skyrimSe).reason, Unreadable::cutShort);
    EXPECT_EQ(parseSave("[General]", SaveLayout::fallout4).reason, Unreadable::notASave);
}

// The decoder against the writer's blocks, then blocks that lie: cut, a
// length past the input, a match before the start or of no offset, a last
// sequence with a match. Never more than the limit, never a wrong byte.
TEST(Lz4, DecodesWhatIsWrittenAndRefusesBlocksThatLie) {
    std::string data;
    for (int i = 0; i < 3000; ++i) {
        data += static_cast<char>(i % 7 == 0 ? i : 'a' + i % 3);
    }
    data += std::string(600, 'z') + "the end of it all";
    const std::string block = test::lz4Block(data);
    ASSERT_LT(block.size(), data.size() / 2);
    EXPECT_EQ(lz4Decompress(block, data.size()), data);
    EXPECT_EQ(lz4Decompress(block, data.size() + 100), data);
    for (const std::size_t limit :
         {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{1000}}) {
        EXPECT_EQ(lz4Decompress(block, limit), data.substr(0, limit)) << limit;
    }
    for (std::size_t n = 0; n < block.size(); n += 7) {
        const auto cut = lz4Decompress(std::string_view(block).substr(0, n), data.size());
        EXPECT_TRUE(!cut || data.starts_with(*cut)) << n;
        EXPECT_NE(cut, data) << n;
    }
    using namespace std::string_literals;
    // One literal, then a match, then the five literals a block ends on.
    const std::pair<const char*, std::string> lies[] = {
        {"empty", ""},
        {"literals past the input", "\x50"s + "ab"},
        {"a length that goes on past the input", "\xF0\xFF"s},
        {"a match before the start", "\x10"s + "a" + "\x05\x00"s + "\x50" + "12345"},
        {"a match of no offset", "\x10"s + "a" + "\x00\x00"s + "\x50" + "12345"},
        {"ends on a match", "\x10"s + "a" + "\x01\x00"s},
        {"four last literals", "\x40"s + "abcd" + "\x01\x00"s + "\x40" + "wxyz"},
        {"the last match nine bytes before the end",
         "\x40"s + "abcd" + "\x01\x00"s + "\x50" + "vwxyz"},
    };
    for (const auto& [what, bytes] : lies) {
        EXPECT_FALSE(lz4Decompress(bytes, 1 << 20)) << what;
    }
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
    // The later games' RGBA, given as RGB.
    test::FamilyShape se;
    test::writeBytes(dir.at("c.ess"), test::familySaveBytes(se));
    const ScreenshotResult rgba =
        readScreenshot(files, dir.at("c.ess"), games::SaveLayout::skyrimSe);
    ASSERT_TRUE(rgba.screenshot) << describe(rgba.reason);
    ASSERT_EQ(rgba.screenshot->rgb.size(), 4u * 3 * 3);
    EXPECT_EQ(rgba.screenshot->rgb.substr(0, 6), std::string("\x03\x08\x0D\x17\x1C\x21"));
    EXPECT_EQ(readScreenshot(files, dir.at("missing.ess")).reason, Unreadable::cannotRead);
    EXPECT_EQ(readScreenshot(files, dir.str()).reason, Unreadable::cannotRead);  // a folder

    // Too wide a shot is shrunk to the side's width, its proportions and
    // colours kept; one that fits or whose bytes do not match is left as is.
    const Screenshot stripes{4, 2,
                             std::string("\x00\x00\x00\xFF\xFF\xFF", 6) +
                                 std::string("\x00\x00\x00\xFF\xFF\xFF", 6) +
                                 std::string(12, '\x10')};
    const Screenshot half = fitWidth(stripes, 2);
    EXPECT_EQ(half.width, 2u);
    EXPECT_EQ(half.height, 1u);
    EXPECT_EQ(half.rgb, std::string(6, '\x48'));  // (0 + 255 + 16 + 16) / 4, rounded
    EXPECT_EQ(fitWidth(stripes, 4).rgb, stripes.rgb);
    EXPECT_EQ(fitWidth(Screenshot{640, 384, std::string(640 * 384 * 3, '\x7F')}, 256).rgb,
              std::string(256 * 153 * 3, '\x7F'));
    EXPECT_EQ(fitWidth(Screenshot{8, 1, "short"}, 2).width, 8u);
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

// Each game's saves, co-saves and own backups, as groupSaves and
// strayCoSaves make them of a folder's names.
TEST(CharacterSaves, EachGamesSavesCoSavesAndBackups) {
    struct Case {
        games::GameId game;
        std::vector<std::string> names;
        std::vector<SaveFamily> families;
        std::vector<std::string> strays;
    };
    using games::GameId;
    const Case cases[] = {
        {GameId::skyrimse,
         {"Save3_0C2D58E2_0_4C79646961_Whiterun_000125_20240211.ess", "a.ess", "a.SKSE",
          "a.ess.tmp", "b.skse", "quicksave.bak"},
         {{"Save3_0C2D58E2_0_4C79646961_Whiterun_000125_20240211.ess", {}, false},
          {"a.ess", {"a.SKSE"}, false}},
         {"b.skse"}},
        // New Vegas keeps quicksave.fos.bak, its co-save beside as .nvse.bak;
        // Oblivion's quicksave.bak is no file of its.
        {GameId::falloutnv,
         {"quicksave.fos", "quicksave.nvse", "quicksave.fos.bak", "quicksave.nvse.bak",
          "quicksave.bak", "old.nvse.bak"},
         {{"quicksave.fos", {"quicksave.nvse"}, false},
          {"quicksave.fos.bak", {"quicksave.nvse.bak"}, true}},
         {"old.nvse.bak"}},
        {GameId::fallout4,
         {"Save1.fos", "Save1.f4se", "Save1.ess", "Save2.F4SE"},
         {{"Save1.fos", {"Save1.ess", "Save1.f4se"}, false}},
         {"Save2.F4SE"}},
        {GameId::oblivion,
         {"a.ess", "a.fos", "a.bak", "a.obse.bak", "b.obse"},
         {{"a.ess", {"a.fos"}, false}, {"a.bak", {"a.obse.bak"}, true}},
         {"b.obse"}},
    };
    for (const Case& c : cases) {
        const games::SaveFormat& format = games::get(c.game).saves;
        const auto families = groupSaves(c.names, format);
        ASSERT_EQ(families.size(), c.families.size()) << games::get(c.game).key;
        for (std::size_t i = 0; i < families.size(); ++i) {
            EXPECT_EQ(families[i].save, c.families[i].save) << games::get(c.game).key;
            EXPECT_EQ(families[i].coSaves, c.families[i].coSaves) << families[i].save;
            EXPECT_EQ(families[i].backup, c.families[i].backup) << families[i].save;
        }
        EXPECT_EQ(strayCoSaves(c.names, format), c.strays) << games::get(c.game).key;
    }
    // The id in the later games' file names tells characters apart, even of
    // one name; without it, the name and race.
    SaveHeader h;
    h.playerName = "Lydia";
    h.race = "NordRace";
    EXPECT_EQ(characterKeyOf("Save3_0C2D58E2_0_4C79646961_Whiterun.ess", h),
              characterKeyOf("Autosave1_0C2D58E2_1_4C79.ess", h));
    EXPECT_NE(characterKeyOf("Save3_0C2D58E2_0_4C79.ess", h),
              characterKeyOf("Save3_0C2D58E3_0_4C79.ess", h));
    EXPECT_EQ(characterKeyOf("Lydia's last.ess", h), characterKeyOf("quicksave.ess", h));
    SaveHeader other = h;
    other.race = "ImperialRace";
    EXPECT_NE(characterKeyOf("quicksave.ess", h), characterKeyOf("quicksave.ess", other));
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
    // The later extenders' co-saves: the same layout under their own tags,
    // the game's version in four parts, their own block not a plugin's.
    const std::string skse = "SKSE" + test::obseBytes(2, 2, 0x01060490, {0, 0x2000}).substr(4);
    facts = readCoSave("Save3_0C2D58E2.skse", skse);
    EXPECT_EQ(facts.kind, K::scriptExtender);
    EXPECT_EQ(facts.problem, P::none);
    EXPECT_EQ(facts.gameVersion, "1.6.73.0");
    EXPECT_EQ(facts.pluginsWithData, 1u);
    EXPECT_EQ(readCoSave("a.f4se", "F4S").problem, P::cutShort);
    EXPECT_EQ(readCoSave("a.nvse.bak", "NVSE").problem, P::cutShort);
    EXPECT_EQ(readCoSave("a.obse", obse + "x").problem, P::notACoSave);
    EXPECT_EQ(readCoSave("notes.txt", "anything").kind, K::unknown);
    EXPECT_EQ(readCoSave("notes.txt", "anything").problem, P::none);
}

}  // namespace
}  // namespace quarlo::saves
