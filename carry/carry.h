#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "carry/place.h"
#include "games/games.h"

namespace quarlo::platform {
class SaveFiles;
class Trash;
}  // namespace quarlo::platform

namespace quarlo::carry {

// One version of a carried unit: a save with its co-saves, or a file of the
// character's folder that belongs to no save. Deleted versions are kept as
// such, so that a deletion travels like a change. `by` and `at` say which
// computer made the version, at which of its carries: what lets a computer
// tell a change it has not seen from one it has.
struct Version {
    bool deleted = false;
    std::map<std::string, std::string> files;  // file name -> SHA-256
    std::string by;
    std::uint64_t at = 0;
    friend bool operator==(const Version&, const Version&) = default;
};
using Units = std::map<std::string, Version>;

// What one computer last carried, as it keeps it at the place (one file a
// computer, written whole) and, for itself, beside its backups.
struct Snapshot {
    std::string computer;  // 32 hexadecimal digits
    std::string name;      // its host name, for the names of kept copies
    std::string time;      // its clock at its last carry, "2026-12-08 21-04"
    std::uint64_t seq = 0;
    std::map<std::string, std::uint64_t> seen;  // the other computers' seqs taken in
    std::map<std::string, Units> characters;
};

struct Computer {
    std::string id;
    std::string name;
};

struct Context {
    platform::SaveFiles& files;
    platform::Trash& trash;
    const games::SaveFormat& format;
    std::string game;         // its key: the place keeps each game apart
    std::string savesFolder;  // the characters' folders are in it
    std::string stateFile;    // this computer's last agreed state
    Computer me;
    // The local clock as "2026-12-08 21-04", for kept copies' names.
    std::function<std::string()> now;
    // Called between files; false stops the carry there, each file whole.
    std::function<bool(std::size_t done, std::size_t total)> progress;
};

struct Report {
    int status = 0;                  // 0 when every character is up to date
    std::vector<std::string> lines;  // a "Success." or "Failed." sentence each, then details
};

// Brings each named character (every one this computer or the place knows
// when none is named) up to date both ways. With `dryRun` only says what it
// would do.
Report carry(Context& context, Place& place, const std::vector<std::string>& characters,
             bool dryRun);

// The characters the place knows for this game that this computer has no
// folder of, for the list; none when the place cannot be read.
std::vector<std::string> charactersAt(Context& context, Place& place);

// Parsing and writing the lists, for tests and fuzzing: parse refuses
// anything not exactly of the form written, and every name that is not one
// plain file name.
std::string written(const Snapshot& s);
std::optional<Snapshot> parsed(const std::string& text, std::string& why);

// Whether a name from a list may be a file or folder name here: one plain
// name, no separator, no "..", nothing Windows or the game cannot hold.
bool plainName(const std::string& name);

}  // namespace quarlo::carry
