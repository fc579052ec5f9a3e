#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/main_window.h"
#include "tests/support/fake_controls.h"
#include "tests/support/fakes.h"
#include "tests/support/memory_profile.h"
#include "tests/support/native.h"
#include "tests/support/temp_dir.h"

namespace quarlo::test {

// The platform's own file system on a temporary documents folder, profile
// files in memory, and the shell, registry and process start faked. The game
// folder is <temp>/Documents/My Games/Oblivion.
class AppTest : public ::testing::Test {
  protected:
    AppTest() {
        auto special = std::make_unique<FakeSpecialFolders>();
        special->documents = dir.at("Documents");
        auto registry = std::make_unique<FakeRegistry>();
        auto processes = std::make_unique<FakeProcesses>();
        processes->exeFolder = dir.at("Program");
        specialFolders = special.get();
        registryFake = registry.get();
        processesFake = processes.get();
        auto profile = std::make_unique<MemoryProfileFile>();
        profileFake = profile.get();
        platform.profile = std::move(profile);
        platform.fileSystem = nativeFileSystem();
        platform.saveFiles = nativeSaveFiles();
        platform.specialFolders = std::move(special);
        platform.registry = std::move(registry);
        platform.processes = std::move(processes);
    }

    std::string game() const { return dir.at("Documents/My Games/Oblivion"); }
    // A path below the game folder, with the platform's separators.
    std::string inGame(const std::string& relative) const {
        return dir.at("Documents/My Games/Oblivion/" + relative);
    }
    std::string gameIni() const { return inGame("oblivion.ini"); }
    std::string programIni() const { return inGame("quarlo.ini"); }
    void folder(const std::string& relative) {
        std::filesystem::create_directories(inGame(relative));
    }
    void gameFile(const std::string& content) {
        folder("");
        profileFake->setBytes(gameIni(), content);
    }
    void programFile(const std::string& content) {
        folder("");
        profileFake->setBytes(programIni(), content);
    }
    std::string gameBytes() const { return profileFake->bytes(gameIni()); }
    std::string readGame(const std::string& section, const std::string& key) const {
        return platform.profile->read(section, key, "<missing>", 200, gameIni());
    }
    std::string readProgram(const std::string& section, const std::string& key) const {
        return platform.profile->read(section, key, "<missing>", 200, programIni());
    }
    app::Main& started() {
        main.startUp();
        return main;
    }
    std::string shown(app::ValueLabel l) const { return controls.label(l); }

    TempDir dir;
    platform::Platform platform;
    MemoryProfileFile* profileFake;
    FakeSpecialFolders* specialFolders;
    FakeRegistry* registryFake;
    FakeProcesses* processesFake;
    FakeControls controls;
    app::Main main{platform, controls};
};

}  // namespace quarlo::test
