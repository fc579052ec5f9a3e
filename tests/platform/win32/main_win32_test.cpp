// The program's logic on the Win32 platform layer, against real files: the
// paths it builds with backslashes, the profile API's writes into the game's
// own settings file, and folder creation through CreateDirectoryA.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/profile_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/win32_api.h"
#include "tests/support/fake_controls.h"
#include "tests/support/temp_dir.h"

namespace quarlo::app {
namespace {

using Strings = std::vector<std::string>;

class DocumentsAt : public platform::SpecialFolders {
  public:
    explicit DocumentsAt(std::string folder) : folder_(std::move(folder)) {}
    std::string GetSpecialFolderPath(int) const override { return folder_; }

  private:
    std::string folder_;
};

class MainOnWin32 : public ::testing::Test {
  protected:
    MainOnWin32() {
        platform.profile = std::make_unique<platform::win32::Win32ProfileFile>();
        platform.fileSystem = std::make_unique<platform::win32::Win32FileSystem>();
        platform.specialFolders = std::make_unique<DocumentsAt>(dir.str());
        platform.registry = std::make_unique<platform::win32::Win32Registry>();
        platform.processes = std::make_unique<platform::win32::Win32Processes>();
    }
    std::string game() const { return dir.str() + "\\My Games\\Oblivion"; }

    test::TempDir dir;
    platform::Platform platform;
    test::FakeControls controls;
    Main main{platform, controls};
};

TEST_F(MainOnWin32, NewAndLoadSwitchTheGameWithoutTouchingOtherLines) {
    std::filesystem::create_directories(game() + "\\Saves\\Aldric");
    const std::string ini = game() + "\\oblivion.ini";
    const std::string original = test::readBytes(
        test::copySample(dir, "oblivion-sample.ini", "My Games\\Oblivion\\oblivion.ini"));
    ASSERT_FALSE(original.empty());

    main.startUp();
    EXPECT_EQ(main.rootFolder(), game());
    EXPECT_EQ(controls.label(ValueLabel::Active), "Aldric");
    EXPECT_EQ(controls.slider, 65);
    EXPECT_EQ(controls.list, (Strings{"Aldric"}));

    controls.newName = "Bob";
    main.onNewClicked();
    EXPECT_EQ(controls.label(ValueLabel::Outcome), "Success. New Character Set.");
    EXPECT_TRUE(std::filesystem::is_directory(game() + "\\Saves\\Bob"));
    EXPECT_EQ(controls.label(ValueLabel::Active), "Bob");
    EXPECT_EQ(controls.list, (Strings{"Aldric", "Bob"}));

    controls.select("Aldric");
    main.onLoadClicked();
    EXPECT_EQ(controls.label(ValueLabel::Outcome), "Success. Character Changed.");
    EXPECT_EQ(controls.label(ValueLabel::Active), "Aldric");

    // Back where it started: the game's file holds its original lines again,
    // apart from what Wine's rewrite normalises (checked by the profile table).
    platform::win32::Win32ProfileFile profile;
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "", 62, ini), "Saves\\Aldric\\");
    EXPECT_EQ(profile.read("GamePlay", "iDifficultyLevel", "", 100, ini), "65");
    EXPECT_EQ(profile.read("Display", "SScreenShotBaseName", "", 100, ini), "ScreenShot");
    EXPECT_EQ(profile.read("Fonts", "SFontFile_1", "", 100, ini),
              profile.read("Fonts", "SFontFile_1", "", 100,
                           std::string(QUARLO_TESTDATA_DIR) + "\\oblivion-sample.ini"));
    EXPECT_EQ(profile.read("Bob", "iDifficultyLevel", "", 100, game() + "\\quarlo.ini"), "65");
}

TEST_F(MainOnWin32, NestedNameMakesNestedFoldersAndTheLauncherIsReportedMissing) {
    main.startUp();
    controls.newName = "a\\b";
    main.onNewClicked();
    EXPECT_TRUE(std::filesystem::is_directory(game() + "\\Saves\\a\\b"));
    EXPECT_EQ(controls.label(ValueLabel::Active), "b");
    EXPECT_EQ(main.launcherPath().substr(main.launcherPath().size() - 21),
              "\\oblivionlauncher.exe");
    main.onRunClicked();
    EXPECT_EQ(controls.label(ValueLabel::Outcome), "Failed. Launcher Not Found.");
}

// Steam's record of itself in HKEY_CURRENT_USER, for one test, put back as
// it was: a machine with a Steam of its own is left alone.
class SteamKey {
  public:
    explicit SteamKey(const std::string& steamPath) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition) != ERROR_SUCCESS) {
            return;
        }
        if (disposition == REG_CREATED_NEW_KEY) {
            owned_ = true;
            RegSetValueExA(key, "SteamPath", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(steamPath.c_str()),
                           static_cast<DWORD>(steamPath.size() + 1));
        }
        RegCloseKey(key);
    }
    ~SteamKey() {
        if (owned_) {
            RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        }
    }
    bool owned() const { return owned_; }

  private:
    static constexpr const char* kKey = "Software\\Valve\\Steam";
    bool owned_ = false;
};

TEST_F(MainOnWin32, WithoutTheInstallersValueSteamStartsTheGameFromItsLibrary) {
    // Steam in one folder, written with forward slashes as Steam does; the
    // game in a second library its list names, with the edition's manifest.
    std::string steam = dir.at("Steam");
    for (auto& c : steam) {
        c = c == '\\' ? '/' : c;
    }
    const std::string library = dir.at("Library");
    std::filesystem::create_directories(dir.at("Steam\\steamapps"));
    std::filesystem::create_directories(library + "\\steamapps\\common\\Oblivion");
    std::string escaped;
    for (char c : library) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    test::writeBytes(
        dir.at("Steam\\steamapps\\libraryfolders.vdf"),
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + escaped + "\"\n\t}\n}\n");
    SteamKey key(steam);
    if (!key.owned()) {
        GTEST_SKIP() << "this machine has a Steam of its own";
    }
    struct Case {
        const char* what;
        const char* manifest;
        const char* url;
    };
    const Case cases[] = {
        {"no manifest", nullptr, "steam://rungameid/22330"},
        {"Game of the Year Edition", "appmanifest_22330.acf", "steam://rungameid/22330"},
        {"Deluxe", "appmanifest_900883.acf", "steam://rungameid/900883"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.manifest) {
            test::writeBytes(library + "\\steamapps\\" + c.manifest, "\"AppState\" {}\n");
        }
        std::vector<std::string> opened;
        platform.processes =
            std::make_unique<platform::win32::Win32Processes>([&opened](const std::string& url) {
                opened.push_back(url);
                return true;
            });
        main.startUp();
        ASSERT_EQ(main.launcherPath(), "\\oblivionlauncher.exe");
        controls.setLabel(ValueLabel::Outcome, "");
        main.onRunClicked();
        EXPECT_EQ(opened, (Strings{c.url}));
        EXPECT_EQ(controls.label(ValueLabel::Outcome), "");
        if (c.manifest) {
            std::filesystem::remove(library + "\\steamapps\\" + c.manifest);
        }
    }
}

TEST_F(MainOnWin32, RootDirModeIsTheProgramsOwnFolder) {
    main.startUp();
    main.onToggleClicked();
    EXPECT_EQ(controls.label(ValueLabel::Mode), "Root Dir Mode.");
    EXPECT_EQ(main.rootFolder(), platform.processes->executableFolder());
    main.onToggleClicked();
    EXPECT_EQ(main.rootFolder(), game());
}

}  // namespace
}  // namespace quarlo::app
