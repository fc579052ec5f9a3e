#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo::platform::wine {

// What the search for the game's Wine prefix reads from the process
// environment, gathered once so the search itself can run on any folder tree.
struct LinuxEnvironment {
    std::string home;        // $HOME
    std::string winePrefix;  // $WINEPREFIX, "" when unset
    std::string user;        // the Unix user name: $USER, else the password database's
    std::string lang;        // the locale deciding the ANSI code page (LC_ALL, LC_CTYPE, LANG)

    static LinuxEnvironment fromProcess();
};

// A Wine prefix: the folder holding drive_c, dosdevices, system.reg and
// user.reg.
struct WinePrefix {
    std::string path;
    bool isProton = false;  // Steam's prefix of the game: Steam starts the game
    std::string user;       // the Windows user whose profile holds the documents folder

    friend bool operator==(const WinePrefix&, const WinePrefix&) = default;
};

// Whether a prefix is the one Steam keeps for the game: .../compatdata/22330/pfx.
bool isProtonPrefix(std::string_view path);

// The Steam installations under the home folder that exist, each once even
// where one is a link to another.
std::vector<std::string> steamRoots(const LinuxEnvironment& env);

// Every Steam library: each root itself and the folders its
// libraryfolders.vdf names, each once.
std::vector<std::string> steamLibraries(const LinuxEnvironment& env);

// The prefixes in which the game may live, in the order they are tried:
// $WINEPREFIX, the game's Proton prefix in each Steam library, ~/.wine.
// Only those whose folder exists.
std::vector<WinePrefix> prefixCandidates(const LinuxEnvironment& env);

// The first candidate whose documents folder holds My Games/Oblivion, else
// the first candidate, else nothing.
std::optional<WinePrefix> findGamePrefix(const LinuxEnvironment& env);

// The Linux path of a Windows path inside the prefix: the drive goes through
// dosdevices/<letter>: (a link Wine keeps, c: to ../drive_c and z: to /), and
// each component is matched on disk without regard to case as Wine does.
// "" for a path with no drive letter.
std::string windowsToLinuxPath(const std::string& prefix, std::string_view windowsPath);

// The prefix user's documents folder: the "Personal" shell folder from
// user.reg, else drive_c/users/<user>/Documents or My Documents, whichever
// exists (Documents when neither does).
std::string documentsFolder(const WinePrefix& prefix);

}  // namespace quarlo::platform::wine
