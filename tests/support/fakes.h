#pragma once

#include <functional>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

// Stand-ins for the shell, the registry and process start.
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
    bool gameRunning = false;
    bool gameIsRunning() const override { return gameRunning; }
    std::vector<std::string> openedFolders;
    bool openFolder(const std::string& folder) override {
        if (!canStart) {
            return false;
        }
        openedFolders.push_back(folder);
        return true;
    }
    std::string executableFolder() const override { return exeFolder; }
    // Each command run, and the status it gives.
    std::vector<std::vector<std::string>> ran;
    int status = 0;
    std::function<void()> whileRunning;
    int runAndWait(const std::vector<std::string>& command) override {
        if (canStart && whileRunning) {
            whileRunning();
        }
        ran.push_back(command);
        return canStart ? status : platform::kCannotStart;
    }
};

class FakeGameFolders : public platform::GameFolders {
  public:
    std::string install;
    std::string localData;
    std::string installFolder() const override { return install; }
    std::string localDataFolder() const override { return localData; }
};

}  // namespace quarlo::test
