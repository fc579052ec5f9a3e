#include "platform/win32/processes_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win32/special_folders_win32.h"
#include "platform/win32/win32_api.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::win32 {
namespace {

TEST(Win32Processes, ExecutableFolderHoldsThisProgramWithoutTrailingBackslash) {
    Win32Processes processes;
    const std::string folder = processes.executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    const DWORD attributes = GetFileAttributesA((folder + "\\quarlo_win32_tests.exe").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
}

// The current folder is restored whatever the test does.
class InFolder {
  public:
    explicit InFolder(const std::string& folder) {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(previous_); }

  private:
    char previous_[MAX_PATH] = {};
};

std::string waitForFile(const std::string& path) {
    // The started program runs on its own; give it a generous while to write.
    for (int i = 0; i < 300; ++i) {
        const std::string content = test::readBytes(path);
        if (!content.empty()) {
            return content;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

TEST(Win32Processes, StartsTheLauncherShownNormallyWithoutArgumentsInOurFolder) {
    Win32Processes processes;
    const std::string folder = processes.executableFolder();
    test::TempDir dir;
    InFolder cwd(dir.str());
    // A registry value that ends in a backslash gives two in a row; Windows
    // reads them as one.
    ASSERT_TRUE(processes.startLauncher(folder + "\\\\quarlo_launch_probe.exe"));
    const std::string report = waitForFile(dir.at("probe-started.txt"));
    EXPECT_NE(report.find("useShowWindow=1 show=1"), std::string::npos) << report;
    // The command line is the program's own name alone.
    EXPECT_EQ(report.find("args=[]"), 0u) << report;
}

TEST(Win32Processes, ReportsALauncherThatCannotBeStarted) {
    Win32Processes processes;
    test::TempDir dir;
    test::writeBytes(dir.at("not a program.exe"), "text");
    for (const std::string& path :
         {std::string("\\oblivionlauncher.exe"), dir.at("oblivionlauncher.exe"),
          dir.at("not a program.exe"), dir.str(), std::string()}) {
        EXPECT_FALSE(processes.startLauncher(path)) << path;
    }
}

TEST(Win32SpecialFolders, DocumentsFolderExistsAndHasNoTrailingBackslash) {
    Win32SpecialFolders folders;
    const std::string documents = folders.GetSpecialFolderPath(kCsidlPersonal);
    ASSERT_FALSE(documents.empty());
    EXPECT_NE(documents.back(), '\\');
    const DWORD attributes = GetFileAttributesA(documents.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << documents;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folders.GetSpecialFolderPath(0x7FFF), "");
}

}  // namespace
}  // namespace quarlo::platform::win32
