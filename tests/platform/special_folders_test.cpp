#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/posix/special_folders_posix.h"
#include "tests/platform/wine/linux_env.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::posix {
namespace {

using test::EnvVar;

constexpr const char* kNoFile = nullptr;

TEST(XdgDocumentsFolder, FromUserDirsOrHome) {
    struct Case {
        const char* what;
        bool home;             // HOME set to <tmp>/home
        bool configHome;       // XDG_CONFIG_HOME set to <tmp>/config, else $HOME/.config
        const char* userDirs;  // content of user-dirs.dirs, or no file
        const char* expected;  // "~" stands for <tmp>/home, "@" for <tmp>
    };
    const Case cases[] = {
        {"no config: HOME/Documents", true, false, kNoFile, "~/Documents"},
        {"$HOME form", true, true, "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", "~/Dokumente"},
        {"$HOME form under HOME/.config", true, false,
         "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "~/Docs"},
        {"absolute form without trailing separator", true, true,
         "XDG_DOCUMENTS_DIR=\"@/data/docs/\"\n", "@/data/docs"},
        {"comments and other keys ignored", true, true,
         "# XDG_DOCUMENTS_DIR=\"$HOME/Old\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n", "~/Documents"},
        {"escaped characters", true, true, "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n",
         "~/My \"Docs\""},
        {"HOME itself", true, true, "XDG_DOCUMENTS_DIR=\"$HOME/\"\n", "~"},
        {"relative path is invalid: fallback", true, true, "XDG_DOCUMENTS_DIR=\"docs\"\n",
         "~/Documents"},
        {"$HOME glued to a name is invalid: fallback", true, true,
         "XDG_DOCUMENTS_DIR=\"$HOMEX/docs\"\n", "~/Documents"},
        {"no HOME, no config", false, false, kNoFile, ""},
        {"no HOME, absolute config", false, true, "XDG_DOCUMENTS_DIR=\"@/docs\"\n", "@/docs"},
        {"no HOME, $HOME config", false, true, "XDG_DOCUMENTS_DIR=\"$HOME/docs\"\n", ""},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string home = dir.at("home");
        const std::string config = c.configHome ? dir.at("config") : home + "/.config";
        std::filesystem::create_directories(config);
        if (c.userDirs != kNoFile) {
            std::string content = c.userDirs;
            for (std::size_t at; (at = content.find('@')) != std::string::npos;) {
                content.replace(at, 1, dir.str());
            }
            test::writeBytes(config + "/user-dirs.dirs", content);
        }
        std::string expected = c.expected;
        if (!expected.empty() && expected[0] == '~') {
            expected.replace(0, 1, home);
        } else if (!expected.empty() && expected[0] == '@') {
            expected.replace(0, 1, dir.str());
        }

        EnvVar homeVar("HOME", c.home ? std::optional<std::string>(home) : std::nullopt);
        EnvVar configVar("XDG_CONFIG_HOME",
                         c.configHome ? std::optional<std::string>(config) : std::nullopt);
        EXPECT_EQ(xdgDocumentsFolder(), expected) << c.what;
        PosixSpecialFolders folders;
        EXPECT_EQ(folders.GetSpecialFolderPath(kCsidlPersonal), expected) << c.what;
        EXPECT_EQ(folders.GetSpecialFolderPath(0x1A), "") << "only the documents folder is known";
    }
}

}  // namespace
}  // namespace quarlo::platform::posix
