// A game folder as a player has it, for trying Quarlo without the game and
// for the README's pictures: four characters with saves (co-saves in the
// script extender's and Pluggy's layouts, one cut short and one whose save
// is gone, the game's .bak family, saves with plugins of which some are not
// active or not installed, one save cut short, and a Let's Play's 86 saves
// of one character), loose saves of two players in Saves (two
// characters of one name among them), and an install folder with its Data
// folder and Plugins.txt. Beside it, Skyrim Special Edition's and Fallout 4's
// game folders in their own Proton prefixes, each with a stale value in the
// player's Custom file as another tool left it. Every save comes from the
// tests' own save writer.
//
//   quarlo_demo_folders --proton HOME
//       HOME as a Steam Deck or Linux player's: Steam with the games' Proton
//       prefixes, the game folders and Plugins.txt inside them.
//   quarlo_demo_folders --folders GAME INSTALL LOCALDATA
//       Oblivion's three folders only, for a prefix someone else makes.
//   quarlo_demo_folders --family MYGAMES INSTALLS LOCALDATA
//       Skyrim Special Edition's and Fallout 4's folders only: in MYGAMES,
//       their install folders in INSTALLS, Plugins.txt in LOCALDATA.
//   quarlo_demo_folders --fuzz-seeds DIR
//       the fuzz targets' seeds of the later games' saves and an LZ4 block.
#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/save_writer.h"

namespace {

namespace fs = std::filesystem;
using quarlo::test::SaveShape;

void put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A landscape, different for each save: sky, the sun, hills and a road.
std::string landscape(int seed, std::uint32_t width, std::uint32_t height) {
    std::string rgb(std::size_t{width} * height * 3, '\0');
    const double sunX = 40 + (seed * 37) % 180;
    const double dusk = (seed % 5) / 5.0;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double fy = static_cast<double>(y) / height;
            const double hill =
                0.55 + 0.08 * std::sin(x / 23.0 + seed) + 0.05 * std::sin(x / 9.0 + seed * 2.0);
            double r;
            double g;
            double b;
            if (fy < hill) {
                r = 90 + 120 * fy + 90 * dusk;
                g = 140 + 80 * fy - 30 * dusk;
                b = 220 - 40 * fy - 60 * dusk;
                const double d = std::hypot(x - sunX, y - 28.0);
                if (d < 14) {
                    r = 255;
                    g = 235;
                    b = 170;
                }
            } else {
                const double depth = (fy - hill) / (1 - hill);
                r = 60 + 40 * depth + 20 * std::sin(x / 5.0 + y);
                g = 110 - 30 * depth + 15 * std::sin(y / 3.0);
                b = 50;
                if (std::abs(static_cast<double>(x) - width / 2.0 - (fy - hill) * 140) <
                    6 + depth * 20) {
                    r = 150;
                    g = 130;
                    b = 100;
                }
            }
            char* p = rgb.data() + (std::size_t{y} * width + x) * 3;
            p[0] = static_cast<char>(std::clamp(r, 0.0, 255.0));
            p[1] = static_cast<char>(std::clamp(g, 0.0, 255.0));
            p[2] = static_cast<char>(std::clamp(b, 0.0, 255.0));
        }
    }
    return rgb;
}

const std::vector<std::string> kBase = {"Oblivion.esm", "DLCShiveringIsles.esp",
                                        "Unofficial Oblivion Patch.esp", "Knights.esp"};

struct Save {
    int number;        // 0: autosave or quicksave
    std::string file;  // "" for the game's own naming
    std::string location;
    int level;
    int minutesPlayed;
    int day;  // of March 2025
    std::vector<std::string> extraPlugins;
};

// "Save 12 - Aldric - Imperial City, Level 7, Playing Time 05.12.33.ess"
std::string gameName(const Save& s, const std::string& player) {
    char time[32];
    std::snprintf(time, sizeof time, "%02d.%02d.%02d", s.minutesPlayed / 60, s.minutesPlayed % 60,
                  (s.number * 13) % 60);
    return "Save " + std::to_string(s.number) + " - " + player + " - " + s.location + ", Level " +
           std::to_string(s.level) + ", Playing Time " + time + ".ess";
}

// The header spells the name in the game's code page, Windows-1252.
std::string codePage1252(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xC3 && i + 1 < utf8.size()) {
            out.push_back(static_cast<char>(0x40 + static_cast<unsigned char>(utf8[++i])));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string saveOf(const std::string& player, std::uint16_t madeYear, const Save& s, int seed) {
    SaveShape shape;
    shape.name = codePage1252(player);
    shape.created = {madeYear, 1, 3, 14, 19, 5, 12, 0};
    shape.location = codePage1252(s.location);
    shape.level = static_cast<std::uint16_t>(s.level);
    shape.saveNumber = static_cast<std::uint32_t>(s.number);
    shape.playMs = static_cast<std::uint32_t>(s.minutesPlayed) * 60'000u;
    shape.saveTime = {2025,
                      3,
                      0,
                      static_cast<std::uint16_t>(s.day),
                      static_cast<std::uint16_t>(9 + (s.number % 3) * 4),
                      static_cast<std::uint16_t>((s.number * 7) % 60),
                      12,
                      0};
    shape.width = 256;
    shape.height = 144;
    shape.pixels = landscape(seed, shape.width, shape.height);
    shape.plugins = kBase;
    shape.plugins.insert(shape.plugins.end(), s.extraPlugins.begin(), s.extraPlugins.end());
    shape.bodyBytes = 64 * 1024;
    shape.formIds = 900;
    return quarlo::test::saveBytes(shape);
}

void character(const fs::path& folder, const std::string& player, std::uint16_t madeYear,
               const std::vector<Save>& saves, int& seed) {
    for (const Save& s : saves) {
        const std::string name = s.file.empty() ? gameName(s, player) : s.file;
        put(folder / name, saveOf(player, madeYear, s, seed++));
        const std::string stem = name.substr(0, name.rfind('.'));
        if (s.number % 2 == 0) {
            // The script extender 21.4 over the game's 1.2.0416, its own
            // block and, in some saves, its plugins' ones.
            std::vector<std::uint32_t> owners{0x1400};
            for (int p = 0; p < s.number % 4; ++p) {
                owners.push_back(0x2000 + static_cast<std::uint32_t>(p));
            }
            put(folder / (stem + ".obse"), quarlo::test::obseBytes(21, 4, 0x010201A0, owners));
        }
        if (s.number % 3 == 0) {
            put(folder / (stem + ".pluggy"), quarlo::test::pluggyBytes({"Oblivion.esm"}));
        }
    }
}

void gameFolder(const fs::path& game) {
    fs::remove_all(game);
    put(game / "oblivion.ini",
        "; Oblivion's settings: the game writes this file itself.\r\n"
        "[General]\r\nSStartingCell=\r\nSLocalSavePath=Saves\\Aldric\\\r\n"
        "SLocalMasterPath=Data\\\r\nbUseMyGamesDirectory=1\r\n"
        "[Display]\r\nSScreenShotBaseName=Aldric\r\niSize W=1280\r\niSize H=800\r\n"
        "[GamePlay]\r\niDifficultyLevel=55\r\n"
        "; Caf\xE9 au lait, as the game's code page spells it\r\n"
        "[Fonts]\r\nSFontFile_1=Data\\Fonts\\Kingthings_Regular.fnt\r\n");
    put(game / "quarlo.ini",
        "[Aldric]\r\niDifficultyLevel=55\r\nSScreenShotBaseName=1\r\n"
        "[Brynja]\r\niDifficultyLevel=70\r\nSScreenShotBaseName=0\r\n");
    int seed = 1;
    const fs::path saves = game / "Saves";
    character(saves / "Aldric", "Aldric", 2024,
              {{2, "", "Imperial Prison", 1, 12, 1, {}},
               {5, "", "Weye", 3, 95, 3, {}},
               {8, "", "Chorrol", 6, 260, 6, {}},
               {11, "", "Imperial City Market District", 9, 480, 9, {}},
               {14, "", "Kvatch", 12, 730, 12, {"Better Cities.esp"}},
               {17,
                "",
                "Bravil, Lonely Suitor Lodge",
                14,
                905,
                15,
                {"Better Cities.esp", "Missing Mod.esp"}},
               {0, "quicksave.ess", "Bravil", 14, 902, 15, {}},
               {0, "autosave.ess", "Bravil", 14, 900, 15, {}},
               {0, "autosave.bak", "Fort Virtue", 13, 850, 14, {}}},
              seed);
    put(saves / "Aldric" / "autosave.obse.bak",
        quarlo::test::obseBytes(21, 4, 0x010201A0, {0x1400}));
    put(saves / "Aldric" / "autosave.bak.pluggy", quarlo::test::pluggyBytes({"Oblivion.esm"}));
    // A co-save whose save was deleted outside the game, and one cut short.
    put(saves / "Aldric" / "Save 1 - Aldric - Imperial Prison, Level 1, Playing Time 00.05.13.obse",
        quarlo::test::obseBytes(21, 4, 0x010201A0, {0x1400}));
    const std::string cut = quarlo::test::obseBytes(21, 4, 0x010201A0, {0x1400, 0x2000}, 64);
    put(saves / "Aldric" / "Save 14 - Aldric - Kvatch, Level 12, Playing Time 12.10.02.obse",
        cut.substr(0, cut.size() - 40));
    // A save the game was writing when it crashed: cut after its header.
    const std::string whole = saveOf("Aldric", 2024, {20, "", "Cheydinhal", 15, 990, 16, {}}, 99);
    put(saves / "Aldric" / "Save 20 - Aldric - Cheydinhal, Level 15, Playing Time 16.30.00.ess",
        whole.substr(0, whole.size() / 2));
    character(saves / "Brynja", "Brynja", 2023,
              {{3, "", "Bruma", 4, 180, 2, {}},
               {6, "", "Cloud Ruler Temple", 7, 410, 5, {}},
               {9, "", "Frostcrag Spire", 10, 620, 8, {}},
               {12, "", "Skingrad", 11, 700, 11, {}}},
              seed);
    character(saves /
                  "J\xC3\xBCrgen der Gro\xC3\x9F"
                  "e",
              "J\xC3\xBCrgen der Gro\xC3\x9F"
              "e",
              2022, {{4, "", "Leyawiin", 5, 200, 4, {}}, {7, "", "Anvil", 8, 450, 7, {}}}, seed);
    // A Let's Play's worth: 86 numbered saves of one character over a long
    // playthrough, with the game's own autosave and quicksave.
    std::vector<Save> play;
    const char* const places[] = {
        "Imperial City Arena", "Anvil Docks", "Bruma", "Kvatch", "Skingrad", "Leyawiin", "Chorrol",
        "Oblivion Gate"};
    for (int n = 1; n <= 86; ++n) {
        play.push_back(Save{n, "", places[n % 8], 1 + n / 4, n * 35, 1 + n / 3, {}});
    }
    play.push_back(Save{0, "autosave.ess", "Kvatch", 22, 86 * 35 + 10, 28, {}});
    play.push_back(Save{0, "quicksave.ess", "Kvatch", 22, 86 * 35 + 5, 28, {}});
    character(saves / "Marcus", "Marcus", 2021, play, seed);
    // Loose in Saves, as the game leaves them before each has its folder:
    // two characters named Cara, made a year apart, and a Dunmer.
    character(saves, "Cara", 2024,
              {{21, "", "Chorrol", 2, 60, 10, {}}, {23, "", "Weynon Priory", 4, 190, 13, {}}},
              seed);
    character(saves, "Cara", 2025,
              {{22, "", "Imperial Prison", 1, 15, 11, {}},
               {24, "", "Imperial Sewers", 1, 35, 14, {}},
               {26, "", "Vilverin", 2, 70, 17, {}}},
              seed);
    character(saves, "Dunmer Wanderer", 2024,
              {{25, "", "Cheydinhal", 3, 150, 16, {}}, {27, "", "Blood Crypt", 4, 230, 18, {}}},
              seed);
}

void installFolder(const fs::path& install, const fs::path& localData) {
    fs::remove_all(install);
    for (const char* plugin :
         {"Oblivion.esm", "DLCShiveringIsles.esp", "Unofficial Oblivion Patch.esp", "Knights.esp",
          "Better Cities.esp"}) {
        put(install / "Data" / plugin, std::string("TES4 plugin ") + plugin);
    }
    put(install / "Data" / "Oblivion - Meshes.bsa", "BSA");
    put(install / "Oblivion.ini", "[General]\r\nbUseMyGamesDirectory=1\r\n");
    put(install / "OblivionLauncher.exe", "MZ");
    put(localData / "Plugins.txt",
        "# This file is used by Oblivion to keep track of your downloaded content.\r\n"
        "# Please do not modify this file.\r\n"
        "Oblivion.esm\r\nDLCShiveringIsles.esp\r\nUnofficial Oblivion "
        "Patch.esp\r\nKnights.esp\r\n");
}

// A save of the later games, its file named as the game names it.
struct FamilySave {
    std::string kind;  // "Save", "Autosave", "Quicksave"
    int number;
    std::string location;
    int level;
    int minutesPlayed;
    int day;  // of November 2026
};

// "Save3_0C2D58E2_0_4C79646961_WhiterunWorld_000125_20261103093000_12_1.ess"
std::string familyName(const FamilySave& s, const std::string& id, const std::string& player,
                       const std::string& extension) {
    if (extension == ".fos" && id.empty()) {
        // New Vegas names a save by its number, player and place, and keeps
        // its own quicksave.fos and autosave.fos.
        return s.kind == "Save" ? "Save " + std::to_string(s.number) + " - " + player + " - " +
                                      s.location + extension
                                : s.kind + extension;
    }
    std::string hex;
    for (const unsigned char c : player) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", c);
        hex += two;
    }
    std::string place;
    for (const char c : s.location) {
        if (c != ' ' && c != '\'') {
            place += c;
        }
    }
    char rest[64];
    std::snprintf(rest, sizeof rest, "_%02d%02d%02d_202611%02d09%02d00_%d_1", s.minutesPlayed / 60,
                  s.minutesPlayed % 60, s.number % 60, s.day, s.number % 60, s.level);
    return s.kind + std::to_string(s.number) + "_" + id + "_0_" + hex + "_" + place + rest +
           extension;
}

void familyCharacter(const fs::path& folder, quarlo::games::SaveLayout layout,
                     const std::string& id, const std::string& player, const std::string& race,
                     const std::vector<std::string>& plugins,
                     const std::vector<std::string>& lightPlugins,
                     const std::vector<FamilySave>& saves, int& seed) {
    const bool fallout4 = layout == quarlo::games::SaveLayout::fallout4;
    const bool newVegas = layout == quarlo::games::SaveLayout::falloutNv;
    const std::string extension = fallout4 || newVegas ? ".fos" : ".ess";
    for (const FamilySave& s : saves) {
        quarlo::test::FamilyShape shape;
        shape.layout = layout;
        shape.name = player;
        shape.race = race;
        shape.level = static_cast<std::uint32_t>(s.level);
        shape.location = s.location;
        char played[64];
        if (fallout4) {
            std::snprintf(played, sizeof played, "%dd.%dh.%dm.%d days.%d hours.%d minutes",
                          s.minutesPlayed / 1440, s.minutesPlayed / 60 % 24, s.minutesPlayed % 60,
                          s.minutesPlayed / 1440, s.minutesPlayed / 60 % 24, s.minutesPlayed % 60);
        } else {
            std::snprintf(played, sizeof played, "%03d.%02d.%02d", s.minutesPlayed / 60,
                          s.minutesPlayed % 60, s.number % 60);
        }
        shape.playTime = played;
        shape.saveNumber = static_cast<std::uint32_t>(s.number);
        // 2026-11-<day> 09:<n>:00 UTC, as FILETIME.
        shape.filetime =
            (11644473600ULL + 1793491200ULL + static_cast<std::uint64_t>(s.day - 1) * 86400 +
             9 * 3600 + static_cast<std::uint64_t>(s.number % 60) * 60) *
            10000000ULL;
        shape.width = 256;
        shape.height = 144;
        shape.rgb = landscape(seed++, shape.width, shape.height);
        shape.plugins = plugins;
        shape.lightPlugins = lightPlugins;
        shape.formVersion = fallout4 ? 68 : newVegas ? 0x1B : 78;
        shape.bodyBytes = 48 * 1024;
        if (newVegas) {
            shape.title = race;  // the karma title stands where the others keep a race
            shape.width = 256;
            shape.height = 144;
        }
        const std::string name = familyName(s, id, player, extension);
        put(folder / name, quarlo::test::familySaveBytes(shape));
        // The file's time is the save's: New Vegas keeps no other.
        const auto saved = std::chrono::sys_seconds(std::chrono::seconds(
            static_cast<std::int64_t>(shape.filetime / 10000000ULL - 11644473600ULL)));
        fs::last_write_time(folder / name, std::chrono::file_clock::from_sys(saved));
        if (s.number % 2 == 0) {
            const std::string tag = fallout4 ? "F4SE" : newVegas ? "NVSE" : "SKSE";
            const std::uint32_t runtime = fallout4   ? 0x010A0A30
                                          : newVegas ? 0x040020D0
                                                     : 0x01060490;
            const std::string coSave = fallout4 ? ".f4se" : newVegas ? ".nvse" : ".skse";
            put(folder / (name.substr(0, name.rfind('.')) + coSave),
                tag + quarlo::test::obseBytes(2, 2, runtime, {0, 0x2000}).substr(4));
        }
    }
}

// Where a later game's folders go: its My Games folder's parent, the
// folder its install folder is in, and local application data.
struct Places {
    fs::path myGames;
    fs::path installs;
    fs::path localData;
};

// A later game's own Proton prefix, with the app's manifest.
Places protonPlaces(const fs::path& apps, const std::string& app) {
    put(apps / ("appmanifest_" + app + ".acf"),
        "\"AppState\"\n{\n\t\"appid\"\t\t\"" + app + "\"\n}\n");
    const fs::path pfx = apps / "compatdata" / app / "pfx";
    fs::create_directories(pfx / "drive_c/windows");
    fs::create_directories(pfx / "dosdevices");
    fs::create_directory_symlink("../drive_c", pfx / "dosdevices/c:");
    put(pfx / "system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n");
    const fs::path user = pfx / "drive_c/users/steamuser";
    return {user / "Documents/My Games", apps / "common", user / "AppData/Local"};
}

// The game's install folder with its Data, Plugins.txt in local
// application data; the game folder's path.
fs::path familyFolders(const Places& at, const std::string& myGames, const std::string& common,
                       const std::vector<std::string>& data, const std::string& launcher,
                       const std::string& pluginsTxt) {
    for (const std::string& plugin : data) {
        put(at.installs / common / "Data" / plugin, "TES4 plugin " + plugin);
    }
    put(at.installs / common / launcher, "MZ");
    put(at.localData / myGames / "Plugins.txt", pluginsTxt);
    // The Creation Club's plugins the game loads without a line in
    // Plugins.txt.
    std::string club;
    for (const std::string& plugin : data) {
        club += plugin.rfind("cc", 0) == 0 ? plugin + "\r\n" : "";
    }
    if (!club.empty()) {
        put(at.installs / common /
                (launcher.rfind("Skyrim", 0) == 0 ? "Skyrim.ccc" : "Fallout4.ccc"),
            club);
    }
    return at.myGames / myGames;
}

void skyrimSpecial(const Places& at, int& seed) {
    using quarlo::games::SaveLayout;
    const fs::path game = familyFolders(
        at, "Skyrim Special Edition", "Skyrim Special Edition",
        {"Skyrim.esm", "Update.esm", "Dawnguard.esm", "HearthFires.esm", "Dragonborn.esm",
         "ccBGSSSE001-Fish.esm", "SkyUI_SE.esp", "Alternate Start.esp"},
        "SkyrimSELauncher.exe",
        "# This file is used by Skyrim to keep track of your downloaded content.\r\n"
        "*SkyUI_SE.esp\r\n*Alternate Start.esp\r\nUnused Armor.esp\r\n");
    put(game / "Skyrim.ini",
        "[General]\r\nsLanguage=ENGLISH\r\nSLocalSavePath=Saves\\Lydia\\\r\n"
        "[Display]\r\nSScreenShotBaseName=Lydia\r\n");
    put(game / "SkyrimPrefs.ini",
        "[Display]\r\niSize W=1280\r\niSize H=800\r\n"
        "[GamePlay]\r\niDifficulty=2\r\n");
    // Left by a profile of another tool: the game reads it over Skyrim.ini.
    put(game / "SkyrimCustom.ini", "[General]\r\nSLocalSavePath=Saves\\__MO_Saves\\\r\n");
    put(game / "quarlo.ini",
        "[Lydia]\r\niDifficulty=3\r\nSScreenShotBaseName=1\r\n"
        "[Serana]\r\niDifficulty=5\r\nSScreenShotBaseName=0\r\n");
    const std::vector<std::string> plugins{"Skyrim.esm",         "Update.esm",     "Dawnguard.esm",
                                           "HearthFires.esm",    "Dragonborn.esm", "SkyUI_SE.esp",
                                           "Alternate Start.esp"};
    const std::vector<std::string> light{"ccBGSSSE001-Fish.esm"};
    familyCharacter(game / "Saves/Lydia", SaveLayout::skyrimSe, "0C2D58E2", "Lydia", "NordRace",
                    plugins, light,
                    {{"Save", 1, "Helgen Keep", 1, 25, 1},
                     {"Save", 2, "Riverwood", 3, 70, 2},
                     {"Save", 4, "Bleak Falls Barrow", 6, 190, 3},
                     {"Save", 6, "Whiterun", 9, 340, 5},
                     {"Autosave", 1, "Dragonsreach", 10, 395, 6},
                     {"Quicksave", 0, "Whiterun", 10, 390, 6}},
                    seed);
    familyCharacter(
        game / "Saves/Serana", SaveLayout::skyrimSe, "1A7F03C4", "Serana", "NordRace",
        {"Skyrim.esm", "Update.esm", "Dawnguard.esm", "Missing Followers.esp"}, light,
        {{"Save", 3, "Castle Volkihar", 18, 900, 8}, {"Save", 5, "Soul Cairn", 20, 1010, 10}},
        seed);
    // Loose in Saves: two characters of one name, told apart by their ids.
    familyCharacter(game / "Saves", SaveLayout::skyrimSe, "3B00C1D2", "Prisoner", "BretonRace",
                    plugins, light,
                    {{"Save", 7, "Helgen", 1, 15, 12}, {"Save", 8, "Riverwood", 2, 45, 13}}, seed);
    familyCharacter(game / "Saves", SaveLayout::skyrimSe, "4D1E22F0", "Prisoner", "KhajiitRace",
                    plugins, light, {{"Save", 9, "Helgen", 1, 20, 14}}, seed);
}

void fallout4(const Places& at, int& seed) {
    using quarlo::games::SaveLayout;
    const fs::path game = familyFolders(
        at, "Fallout4", "Fallout 4",
        {"Fallout4.esm", "DLCRobot.esm", "DLCCoast.esm", "ccBGSFO4001-PipBoy(Black).esl",
         "Sim Settlements.esp"},
        "Fallout4Launcher.exe",
        "# This file is used by Fallout4 to keep track of your downloaded content.\r\n"
        "*DLCRobot.esm\r\n*DLCCoast.esm\r\n*Sim Settlements.esp\r\n");
    put(game / "Fallout4.ini", "[General]\r\nsLanguage=en\r\n[Display]\r\niPresentInterval=1\r\n");
    put(game / "Fallout4Prefs.ini", "[GamePlay]\r\niDifficulty=2\r\n");
    // As Mod Organizer's profiles leave it: every switch elsewhere overridden.
    put(game / "Fallout4Custom.ini",
        "[Archive]\r\nbInvalidateOlderFiles=1\r\n[General]\r\nSLocalSavePath=Saves\\__MO_"
        "Saves\\\r\n");
    put(game / "quarlo.ini", "[Nora]\r\niDifficulty=4\r\nSScreenShotBaseName=1\r\n");
    familyCharacter(game / "Saves/Nora", SaveLayout::fallout4, "6FD8D5A8", "Nora", "HumanRace",
                    {"Fallout4.esm", "DLCRobot.esm", "DLCCoast.esm", "Sim Settlements.esp"},
                    {"ccBGSFO4001-PipBoy(Black).esl"},
                    {{"Save", 1, "Vault 111", 1, 30, 2},
                     {"Save", 2, "Sanctuary Hills", 4, 140, 4},
                     {"Save", 4, "Diamond City", 12, 820, 9},
                     {"Autosave", 3, "Far Harbor", 21, 1700, 15}},
                    seed);
    familyCharacter(game / "Saves/Nate", SaveLayout::fallout4, "0A11B2C3", "Nate", "HumanRace",
                    {"Fallout4.esm"}, {}, {{"Save", 1, "Concord", 3, 95, 20}}, seed);
}

// New Vegas: the Fallout 3 engine's saves, no time in them, the game's own
// quicksave.fos.bak beside its quicksave, plugins listed without stars.
void newVegas(const Places& at, int& seed) {
    using quarlo::games::SaveLayout;
    const fs::path game = familyFolders(
        at, "FalloutNV", "Fallout New Vegas",
        {"FalloutNV.esm", "DeadMoney.esm", "HonestHearts.esm", "JSawyer Ultimate.esp"},
        "FalloutNVLauncher.exe", "FalloutNV.esm\r\nDeadMoney.esm\r\nJSawyer Ultimate.esp\r\n");
    put(game / "Fallout.ini",
        "[General]\r\nsLanguage=ENGLISH\r\nSLocalSavePath=Saves\\Courier\\\r\n");
    put(game / "FalloutPrefs.ini", "[GamePlay]\r\niDifficulty=2\r\n");
    put(game / "quarlo.ini", "[Courier]\r\niDifficulty=3\r\nSScreenShotBaseName=0\r\n");
    const std::vector<std::string> plugins{"FalloutNV.esm", "DeadMoney.esm",
                                           "JSawyer Ultimate.esp"};
    familyCharacter(game / "Saves/Courier", SaveLayout::falloutNv, "", "Courier", "Drifter",
                    plugins, {},
                    {{"Save", 1, "Goodsprings", 2, 50, 3},
                     {"Save", 2, "Primm", 5, 180, 5},
                     {"autosave", 0, "Novac", 8, 300, 7},
                     {"quicksave", 20, "Boulder City", 8, 320, 7}},
                    seed);
    // The game's own backup of the quicksave before, not a save of its own.
    const fs::path quick = game / "Saves/Courier/quicksave.fos";
    fs::copy_file(quick, game / "Saves/Courier/quicksave.fos.bak");
    fs::last_write_time(game / "Saves/Courier/quicksave.fos.bak",
                        fs::last_write_time(quick) - std::chrono::minutes(20));
    familyCharacter(game / "Saves/Six", SaveLayout::falloutNv, "", "Six", "Vault Guardian",
                    {"FalloutNV.esm", "HonestHearts.esm", "Missing Companions.esp"}, {},
                    {{"Save", 3, "Zion Canyon", 14, 1200, 11}}, seed);
}

// Oblivion Remastered installed in its own prefix: found, and declined.
void oblivionRemastered(const fs::path& apps) {
    const Places at = protonPlaces(apps, "2623190");
    put(apps / "common/Oblivion Remastered/OblivionRemastered.exe", "MZ");
    put(at.myGames / "Oblivion Remastered/Saved/SaveGames/autosave 1 - Vell.sav", "GVAS");
}

// Every seed the fuzz targets of the later games start from.
void fuzzSeeds(const fs::path& dir) {
    using quarlo::games::SaveLayout;
    quarlo::test::FamilyShape se;
    put(dir / "family_save/skyrimse.ess", quarlo::test::familySaveBytes(se));
    quarlo::test::FamilyShape le = se;
    le.layout = SaveLayout::skyrim;
    put(dir / "family_save/skyrim.ess", quarlo::test::familySaveBytes(le));
    quarlo::test::FamilyShape fo4 = se;
    fo4.layout = SaveLayout::fallout4;
    fo4.formVersion = 68;
    put(dir / "family_save/fallout4.fos", quarlo::test::familySaveBytes(fo4));
    quarlo::test::FamilyShape nv = se;
    nv.layout = SaveLayout::falloutNv;
    nv.lightPlugins.clear();
    put(dir / "family_save/falloutnv.fos", quarlo::test::familySaveBytes(nv));
    nv.layout = SaveLayout::fallout3;
    put(dir / "family_save/fallout3.fos", quarlo::test::familySaveBytes(nv));
    std::string body;
    for (int i = 0; i < 600; ++i) {
        body += static_cast<char>(i % 11 == 0 ? i : 'a' + i % 4);
    }
    put(dir / "lz4/block.bin", std::string("\x01\x00", 2) + quarlo::test::lz4Block(body));
    put(dir / "lz4/literals.bin", std::string("\x00\x10", 2) + quarlo::test::lz4Block("short"));
}

// Steam in ~/.local/share/Steam, the games in its library and their Proton
// prefixes beside, as Steam lays them out.
void proton(const fs::path& home) {
    fs::remove_all(home);
    const fs::path steam = home / ".local/share/Steam";
    const fs::path apps = steam / "steamapps";
    put(apps / "libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" +
                                         steam.string() + "\"\n\t}\n}\n");
    put(apps / "appmanifest_22330.acf", "\"AppState\"\n{\n\t\"appid\"\t\t\"22330\"\n}\n");
    const fs::path pfx = apps / "compatdata/22330/pfx";
    fs::create_directories(pfx / "drive_c/windows");
    fs::create_directories(pfx / "dosdevices");
    fs::create_directory_symlink("../drive_c", pfx / "dosdevices/c:");
    put(pfx / "system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n");
    const fs::path user = pfx / "drive_c/users/steamuser";
    gameFolder(user / "Documents/My Games/Oblivion");
    installFolder(apps / "common/Oblivion", user / "AppData/Local/Oblivion");
    fs::create_directories(home / ".config");
    // A player who turned on Steam Cloud for the game: as its rule reaches
    // only saves lying directly in Saves, Steam keeps two of the loose
    // saves, in the case it stored the path in; a third it lists as deleted.
    std::string cloud =
        "\"22330\"\n{\n\t\"ChangeNumber\"\t\t\"-6703994677807818784\"\n"
        "\t\"ostype\"\t\t\"-184\"\n";
    const std::pair<const char*, const char*> kept[] = {
        {"Save 21 - Cara - Chorrol, Level 2, Playing Time 01.00.33.ess", "0"},
        {"Save 22 - Cara - Imperial Prison, Level 1, Playing Time 00.15.46.ess", "0"},
        {"Save 19 - Cara - Imperial Prison, Level 1, Playing Time 00.05.00.ess", "2"}};
    for (const auto& [save, persist] : kept) {
        cloud += std::string("\t\"my games/Oblivion/Saves/") + save +
                 "\"\n\t{\n\t\t\"root\"\t\t\"2\"\n\t\t\"size\"\t\t\"131072\"\n"
                 "\t\t\"persiststate\"\t\t\"" +
                 persist + "\"\n\t}\n";
    }
    put(steam / "userdata/12345678/22330/remotecache.vdf", cloud + "}\n");
    int seed = 200;
    skyrimSpecial(protonPlaces(apps, "489830"), seed);
    fallout4(protonPlaces(apps, "377160"), seed);
    newVegas(protonPlaces(apps, "22380"), seed);
    oblivionRemastered(apps);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--proton") {
        proton(fs::absolute(args[1]));
        return 0;
    }
    if (args.size() == 4 && args[0] == "--family") {
        int seed = 200;
        const Places at{args[1], args[2], args[3]};
        skyrimSpecial(at, seed);
        fallout4(at, seed);
        newVegas(at, seed);
        return 0;
    }
    if (args.size() == 2 && args[0] == "--fuzz-seeds") {
        fuzzSeeds(args[1]);
        return 0;
    }
    if (args.size() == 4 && args[0] == "--folders") {
        gameFolder(args[1]);
        installFolder(args[2], args[3]);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: quarlo_demo_folders --proton HOME | --folders GAME INSTALL LOCALDATA |"
                 " --family MYGAMES INSTALLS LOCALDATA | --fuzz-seeds DIR\n");
    return 2;
}
