#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/main.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/profile_posix.h"
#include "tests/fake_controls.h"
#include "tests/temp_dir.h"

namespace quarlo::test {

class FakeSpecialFolders : public platform::SpecialFolders {
  public:
    std::string documents;
    std::string GetSpecialFolderPath(int folderId) const override {
        return folderId == platform::kCsidlPersonal ? documents : std::string();
    }
};

class FakeRegistry : public platform::Registry {
  public:
    std::map<std::string, std::string> values;  // "root|key|value" -> data
    mutable int queries = 0;

  protected:
    std::string query(std::uint32_t root, const std::string& key,
                      const std::string& value) const override {
        ++queries;
        auto it = values.find(std::to_string(root) + "|" + key + "|" + value);
        return it == values.end() ? std::string() : it->second;
    }
};

class FakeProcesses : public platform::Processes {
  public:
    std::vector<std::string> started;
    bool canStart = true;
    std::string exeFolder;
    bool startLauncher(const std::string& path) override {
        if (!canStart) {
            return false;
        }
        started.push_back(path);
        return true;
    }
    std::string executableFolder() const override { return exeFolder; }
};

// The real POSIX profile and file system on a temporary documents folder, with
// the shell, registry and process start faked. The game folder is
// <temp>/Documents/My Games/Oblivion.
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
        platform.profile = std::make_unique<platform::posix::PosixProfileFile>();
        platform.fileSystem = std::make_unique<platform::posix::PosixFileSystem>();
        platform.specialFolders = std::move(special);
        platform.registry = std::move(registry);
        platform.processes = std::move(processes);
    }

    std::string game() const { return dir.at("Documents/My Games/Oblivion"); }
    std::string gameIni() const { return game() + "/oblivion.ini"; }
    std::string programIni() const { return game() + "/quarlo.ini"; }
    void folder(const std::string& relative) {
        std::filesystem::create_directories(game() + "/" + relative);
    }
    void gameFile(const std::string& content) {
        folder("");
        writeBytes(gameIni(), content);
    }
    void programFile(const std::string& content) {
        folder("");
        writeBytes(programIni(), content);
    }
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
    FakeSpecialFolders* specialFolders;
    FakeRegistry* registryFake;
    FakeProcesses* processesFake;
    FakeControls controls;
    app::Main main{platform, controls};
};

}  // namespace quarlo::test
