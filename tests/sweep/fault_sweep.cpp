// The fault sweep: each command line verb that writes, run on a small world
// of its own with its Nth file-system call failed (EIO, ENOSPC, EACCES, EXDEV)
// or the process killed right before it, for every N or a sample of them
// within a time budget; then the next command, as a player would run one;
// then the invariants, which must hold whatever happened:
//   - every save is whole in one place (its save file and co-saves together,
//     in a character's folder or in the trash), no byte of it lost;
//   - "Success." only where the verb's effect is there;
//   - what Quarlo cut off is finished by the next command: no record of a
//     change under way, no file half written or set aside left behind;
//   - the folder beside the game's is never touched.
//
//   quarlo_fault_sweep --quarlo BIN --preload LIB [--budget SECONDS]
//                      [--seed N] [--verbs switch,new,...] [--case CALL:HOW]
//
// --case runs that one case (HOW: kill, EIO, ENOSPC, EACCES or EXDEV) of the
// verbs named, prints what each command said and keeps the world.
//
// Exit status 0 when every case held; each case that did not is printed
// with what to run to see it again.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/save_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

struct Ran {
    int status = -1;  // exit status, or 128 + the signal
    std::string out;
};

// Runs a program with this environment and more, its output kept.
Ran runProgram(const Strings& args, const Strings& extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv;
    std::vector<std::string> argsCopy = args;
    for (auto& a : argsCopy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    Ran ran;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0) {
        ran.out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    if (started == 0 && ::waitpid(pid, &status, 0) == pid) {
        ran.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    return ran;
}

// The world a case runs in, always at the same path: the store keys a game
// folder by where it is.
struct World {
    fs::path at;
    fs::path game() const { return at / "game"; }
    fs::path saves() const { return game() / "Saves"; }
    fs::path data() const { return at / "data"; }
    fs::path trash() const { return data() / "Trash" / "files"; }
    fs::path bystander() const { return at / "bystander"; }
};

struct Sweep {
    std::string quarlo;
    std::string preload;
    World world;
    fs::path templates;

    Strings envOf() const {
        return {"HOME=" + world.at.string(),
                "XDG_DATA_HOME=" + world.data().string(),
                "XDG_CONFIG_HOME=" + (world.at / "config").string(),
                "LANG=C.UTF-8",
                "DISPLAY=",
                "WAYLAND_DISPLAY="};
    }
    Ran quarloRun(const Strings& verb, const Strings& faults = {}) const {
        Strings args{quarlo, "--root", world.game().string()};
        args.insert(args.end(), verb.begin(), verb.end());
        Strings env = envOf();
        env.insert(env.end(), faults.begin(), faults.end());
        return runProgram(args, env);
    }
};

// A save's files, by the name each has and its bytes.
using Files = std::map<std::string, std::string>;

struct SaveSet {
    std::string character;
    Files files;  // the save file last among its co-saves
};

// Ann (the character the game uses) with three saves, one with a co-save,
// and a backup made before her third save was written again; Bob with one;
// one save loose in Saves; quarlo.ini with both; and a folder beside it all.
std::vector<SaveSet> makeWorld(const Sweep& s) {
    const World& w = s.world;
    fs::remove_all(w.at);
    fs::create_directories(w.saves() / "Ann");
    fs::create_directories(w.saves() / "Bob");
    std::vector<SaveSet> sets;
    const auto save = [&](const std::string& character, const std::string& name, int minute,
                          bool coSave) {
        quarlo::test::SaveShape shape;
        shape.name = character.empty() ? "Cara" : character;
        shape.saveTime.minute = static_cast<std::uint16_t>(minute);
        SaveSet set{character, {}};
        if (coSave) {
            set.files[name + ".obse"] = quarlo::test::obseBytes(21, 4, 0x010201A0, {0x1400});
        }
        set.files[name + ".ess"] = quarlo::test::saveBytes(shape);
        const fs::path folder = character.empty() ? w.saves() : w.saves() / character;
        for (const auto& [file, bytes] : set.files) {
            writeAll(folder / file, bytes);
        }
        sets.push_back(std::move(set));
    };
    save("Ann", "Save 1", 1, true);
    save("Ann", "Save 2", 2, false);
    save("Ann", "Save 3", 3, false);
    save("Bob", "Save 4", 4, false);
    save("", "Save 5", 5, false);
    writeAll(w.game() / "oblivion.ini",
             "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[Display]\r\nSScreenShotBaseName=Ann\r\n"
             "[GamePlay]\r\niDifficultyLevel=40\r\n");
    writeAll(w.game() / "quarlo.ini",
             "[Ann]\r\niDifficultyLevel=40\r\nSScreenShotBaseName=1\r\n"
             "[Bob]\r\niDifficultyLevel=90\r\nSScreenShotBaseName=0\r\n");
    writeAll(w.bystander() / "notes.txt", "never to change");
    s.quarloRun({"backup", "Ann"});
    // Save 3 written again since its backup: a restore has one to replace.
    quarlo::test::SaveShape again;
    again.name = "Ann";
    again.saveTime.minute = 33;
    again.level = 30;
    sets[2].files["Save 3.ess"] = quarlo::test::saveBytes(again);
    writeAll(w.saves() / "Ann" / "Save 3.ess", sets[2].files["Save 3.ess"]);
    return sets;
}

// Every regular file below a folder, by its path, with its bytes.
std::map<fs::path, std::string> everyFile(const fs::path& top) {
    std::map<fs::path, std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(top, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && !it->is_symlink()) {
            out[it->path()] = readAll(it->path());
        }
    }
    return out;
}

std::string iniValue(const std::string& text, const std::string& section, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

struct Verb {
    std::string name;
    Strings args;
    Strings next;  // the next command a player runs
    // What must hold after; "" when it does, else what does not.
    std::function<std::string(const Sweep&, const std::vector<SaveSet>&, const Ran& run)> check;
};

// A save whole in one place: every file of it with its bytes in one folder
// (of the game's, or the trash); a restore may have any one version.
std::string savesWhole(const Sweep& s, const std::vector<SaveSet>& sets,
                       const std::map<std::string, Strings>& alsoAllowed = {}) {
    std::map<fs::path, std::string> all = everyFile(s.world.game());
    // A file in the trash is the one its info names: the trash may give it
    // another name ("Save 2.2.ess") where its own was taken, or seemed so.
    for (auto& [p, b] : everyFile(s.world.trash())) {
        const std::string info =
            readAll(s.world.data() / "Trash" / "info" / (p.filename().string() + ".trashinfo"));
        const std::size_t at = info.find("\nPath=");
        std::string named = p.filename().string();
        if (at != std::string::npos) {
            const std::string escaped = info.substr(at + 6, info.find('\n', at + 6) - at - 6);
            std::string path;
            for (std::size_t i = 0; i < escaped.size(); ++i) {
                if (escaped[i] == '%' && i + 2 < escaped.size()) {
                    path += static_cast<char>(std::stoi(escaped.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else {
                    path += escaped[i];
                }
            }
            named = fs::path(path).filename().string();
        }
        all[s.world.trash() / named] = b;
    }
    for (const SaveSet& set : sets) {
        std::set<fs::path> places;
        for (const auto& [name, bytes] : set.files) {
            std::set<fs::path> here;
            for (const auto& [path, held] : all) {
                if (path.filename() == name) {
                    const auto allowed = alsoAllowed.find(name);
                    const bool ok =
                        held == bytes || (allowed != alsoAllowed.end() &&
                                          std::find(allowed->second.begin(), allowed->second.end(),
                                                    held) != allowed->second.end());
                    if (ok) {
                        here.insert(path.parent_path());
                    }
                }
            }
            if (here.empty()) {
                return name + " of " + (set.character.empty() ? "Saves" : set.character) +
                       " is nowhere";
            }
            if (here.size() > 1) {
                return name + " is in two places";
            }
            places.insert(*here.begin());
        }
        if (places.size() > 1) {
            return "a save is split: " + set.files.rbegin()->first + " and its co-saves are in " +
                   std::to_string(places.size()) + " places";
        }
    }
    return {};
}

// Nothing half done left where the player's files are, nor in the store.
std::string nothingLeftOver(const Sweep& s) {
    static const Strings kLeftovers{".quarlo-rename", ".quarlo-replaced", ".quarlo-old",
                                    ".kept-by-quarlo", ".trashinfo-part"};
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(s.world.at, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const std::string& mark : kLeftovers) {
            if (name.find(mark) != std::string::npos) {
                return "left behind: " + it->path().string();
            }
        }
        // Settings files are written beside themselves as ".<name>.quarlo-…".
        if (name.rfind(".oblivion.ini.quarlo-", 0) == 0 ||
            name.rfind(".quarlo.ini.quarlo-", 0) == 0) {
            return "a settings file half written: " + it->path().string();
        }
        if (name == ".rename" || name == ".tidy" || name == ".restore") {
            return "a change under way was not finished: " + it->path().string();
        }
    }
    return {};
}

std::string bystanderUntouched(const Sweep& s) {
    return readAll(s.world.bystander() / "notes.txt") == "never to change"
               ? std::string()
               : "the folder beside was touched";
}

// The outcome a verb said: a line that begins "Success.", none "Failed.".
bool succeeded(const Ran& run) {
    std::istringstream lines(run.out);
    bool success = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Failed.", 0) == 0) {
            return false;
        }
        success = success || line.rfind("Success.", 0) == 0;
    }
    return success;
}

std::vector<Verb> verbs() {
    const auto common = [](const Sweep& s, const std::vector<SaveSet>& sets,
                           const std::map<std::string, Strings>& allowed = {}) {
        for (const std::string& why :
             {savesWhole(s, sets, allowed), nothingLeftOver(s), bystanderUntouched(s)}) {
            if (!why.empty()) {
                return why;
            }
        }
        return std::string();
    };
    std::vector<Verb> all;
    all.push_back({"switch",
                   {"switch", "Bob"},
                   {"list"},
                   [=](const Sweep& s, const auto& sets, const Ran& run) {
                       const std::string ini = readAll(s.world.game() / "oblivion.ini");
                       const std::string path = iniValue(ini, "General", "SLocalSavePath");
                       if (path != "Saves\\Ann\\" && path != "Saves\\Bob\\") {
                           return "the game uses " + path;
                       }
                       if (succeeded(run) &&
                           (path != "Saves\\Bob\\" ||
                            iniValue(ini, "GamePlay", "iDifficultyLevel") != "90")) {
                           return std::string("Success. without Bob and his difficulty");
                       }
                       return common(s, sets);
                   }});
    all.push_back(
        {"new", {"new", "Cid"}, {"list"}, [=](const Sweep& s, const auto& sets, const Ran& run) {
             const std::string ini = readAll(s.world.game() / "oblivion.ini");
             const std::string path = iniValue(ini, "General", "SLocalSavePath");
             if (path == "Saves\\Cid\\" && !fs::is_directory(s.world.saves() / "Cid")) {
                 return std::string("the game uses a folder that is not there");
             }
             if (succeeded(run) && path != "Saves\\Cid\\") {
                 return std::string("Success. without the switch");
             }
             return common(s, sets);
         }});
    all.push_back({"rename",
                   {"rename", "Ann", "Anna"},
                   {"list"},
                   [=](const Sweep& s, const std::vector<SaveSet>& sets, const Ran& run) {
                       const bool old = fs::exists(s.world.saves() / "Ann");
                       const bool now = fs::exists(s.world.saves() / "Anna");
                       if (old == now) {
                           return std::string(old ? "both Ann and Anna" : "neither Ann nor Anna");
                       }
                       const std::string name = now ? "Anna" : "Ann";
                       const std::string ini = readAll(s.world.game() / "oblivion.ini");
                       if (iniValue(ini, "General", "SLocalSavePath") != "Saves\\" + name + "\\") {
                           return "the game does not use " + name;
                       }
                       if (iniValue(readAll(s.world.game() / "quarlo.ini"), name,
                                    "SScreenShotBaseName") != "1") {
                           return name + "'s settings are not under " + name;
                       }
                       const Ran backups = s.quarloRun({"backups", name});
                       if (std::count(backups.out.begin(), backups.out.end(), '\n') != 1) {
                           return name + " has not its one backup: " + backups.out;
                       }
                       if (succeeded(run) && !now) {
                           return std::string("Success. without the rename");
                       }
                       return common(s, sets);
                   }});
    all.push_back({"tidy",
                   {"tidy", "--keep", "1", "--yes", "Ann"},
                   {"list"},
                   [=](const Sweep& s, const auto& sets, const Ran& run) {
                       const bool anyGone = !fs::exists(s.world.saves() / "Ann" / "Save 1.ess") ||
                                            !fs::exists(s.world.saves() / "Ann" / "Save 2.ess");
                       const Ran backups = s.quarloRun({"backups", "Ann"});
                       if (anyGone &&
                           std::count(backups.out.begin(), backups.out.end(), '\n') < 2) {
                           return std::string("a save went to the trash that no backup holds");
                       }
                       if (succeeded(run) && !anyGone) {
                           return std::string("Success. with nothing gone");
                       }
                       return common(s, sets);
                   }});
    all.push_back({"backup",
                   {"backup", "Ann"},
                   {"backups", "Ann"},
                   [=](const Sweep& s, const auto& sets, const Ran& run) {
                       const Ran backups = s.quarloRun({"backups", "Ann"});
                       const auto n = std::count(backups.out.begin(), backups.out.end(), '\n');
                       if (succeeded(run) && n != 2) {
                           return std::string("Success. without a second backup");
                       }
                       // Unfinished backups are gone once the store is looked at.
                       for (const auto& [path, bytes] : everyFile(s.world.data())) {
                           if (path.string().find(".quarlo-part") != std::string::npos) {
                               return "an unfinished backup stays: " + path.string();
                           }
                       }
                       return common(s, sets);
                   }});
    all.push_back({"restore",
                   {"restore", "Ann", "@first"},
                   {"list"},
                   [=](const Sweep& s, const std::vector<SaveSet>& sets, const Ran& run) {
                       // Save 3 is either version; a success brings the backup's.
                       quarlo::test::SaveShape first;
                       first.name = "Ann";
                       first.saveTime.minute = 3;
                       const std::string backed = quarlo::test::saveBytes(first);
                       const std::string now = readAll(s.world.saves() / "Ann" / "Save 3.ess");
                       if (succeeded(run) && now != backed) {
                           return std::string("Success. without the backup's Save 3");
                       }
                       return common(s, sets, {{"Save 3.ess", {backed}}});
                   }});
    // Quarlo's own small files: whole, the one asked for or the one before.
    const auto keptWhole = [=](const fs::path& top, const std::string& name,
                               const std::function<std::string(const std::string&)>& value,
                               const std::string& asked) {
        return [=](const Sweep& s, const auto& sets, const Ran& run) {
            std::string kept;
            for (const auto& [path, bytes] : everyFile(s.world.at / top)) {
                if (path.filename() == name) {
                    kept = value(bytes);
                }
            }
            if (!kept.empty() && kept != asked) {
                return name + " holds " + kept;
            }
            if (succeeded(run) && kept != asked) {
                return "Success. without " + asked + " in " + name;
            }
            return common(s, sets);
        };
    };
    all.push_back({"code-page",
                   {"code-page", "1251"},
                   {"code-page"},
                   keptWhole(
                       "data", "code-page", [](const std::string& b) { return b; }, "1251\n")});
    all.push_back(
        {"language",
         {"language", "de"},
         {"language"},
         keptWhole(
             "config", "quarlo.ini",
             [](const std::string& b) { return iniValue(b, "Quarlo", "Language"); }, "de")});
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    Sweep s;
    double budget = 60;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::set<std::string> only;
    std::optional<std::pair<long, std::string>> single;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const std::string v = argv[i + 1];
        if (a == "--quarlo") {
            s.quarlo = v;
        } else if (a == "--preload") {
            s.preload = v;
        } else if (a == "--budget") {
            budget = std::stod(v);
        } else if (a == "--seed") {
            seed = static_cast<unsigned>(std::stoul(v));
        } else if (a == "--case") {
            single = std::make_pair(std::stol(v.substr(0, v.find(':'))), v.substr(v.find(':') + 1));
        } else if (a == "--verbs") {
            std::istringstream list(v);
            for (std::string name; std::getline(list, name, ',');) {
                only.insert(name);
            }
        }
    }
    if (s.quarlo.empty() || s.preload.empty()) {
        std::cerr << "usage: quarlo_fault_sweep --quarlo BIN --preload LIB [--budget S] "
                     "[--seed N] [--verbs a,b]\n";
        return 2;
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("quarlo-sweep-" + std::to_string(::getpid()));
    s.world.at = scratch / "world";
    s.templates = scratch / "templates";
    std::cout << std::unitbuf << "fault sweep: seed " << seed << ", budget " << budget << " s\n";
    std::mt19937 random(seed);
    std::vector<Verb> all = verbs();
    if (!only.empty()) {
        std::erase_if(all, [&](const Verb& v) { return only.count(v.name) == 0; });
    }
    const auto begun = std::chrono::steady_clock::now();
    int failures = 0;
    std::size_t cases = 0;
    for (std::size_t v = 0; v < all.size(); ++v) {
        Verb& verb = all[v];
        // The world made once for the verb, and copied for each case.
        const std::vector<SaveSet> sets = makeWorld(s);
        if (verb.args.back() == "@first") {
            const Ran listed = s.quarloRun({"backups", "Ann"});
            verb.args.back() = listed.out.substr(0, listed.out.find('\t'));
        }
        const fs::path kept = s.templates / verb.name;
        fs::create_directories(s.templates);
        fs::remove_all(kept);
        runProgram({"/bin/cp", "-a", s.world.at.string(), kept.string()}, {});
        const auto fresh = [&] {
            fs::remove_all(s.world.at);
            runProgram({"/bin/cp", "-a", kept.string(), s.world.at.string()}, {});
        };
        const fs::path counted = scratch / "count";
        fresh();
        const Ran whole = s.quarloRun(
            verb.args, {"LD_PRELOAD=" + s.preload, "QUARLO_FAULT_ROOT=" + s.world.at.string(),
                        "QUARLO_FAULT_COUNT=" + counted.string()});
        const long calls = std::atol(readAll(counted).c_str());
        if (const std::string why = verb.check(s, sets, whole); !why.empty() || !succeeded(whole)) {
            std::cout << verb.name << ": fails with no fault at all: " << why << "\n" << whole.out;
            ++failures;
            continue;
        }
        struct Fault {
            long at;
            std::string how;  // "kill" or an errno's number
        };
        std::vector<Fault> faults;
        const std::vector<std::pair<std::string, int>> kinds{
            {"kill", 0}, {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EXDEV", EXDEV}};
        for (long n = 0; n < calls; ++n) {
            for (const auto& [name, error] : kinds) {
                faults.push_back({n, name});
            }
        }
        std::shuffle(faults.begin(), faults.end(), random);
        if (single) {
            faults = {Fault{single->first, single->second}};
        }
        const double share =
            (budget -
             std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count()) /
            static_cast<double>(all.size() - v);
        const auto verbBegun = std::chrono::steady_clock::now();
        std::size_t ran = 0;
        for (const Fault& f : faults) {
            if (std::chrono::duration<double>(std::chrono::steady_clock::now() - verbBegun)
                    .count() > share) {
                break;
            }
            fresh();
            Strings env{"LD_PRELOAD=" + s.preload, "QUARLO_FAULT_ROOT=" + s.world.at.string(),
                        "QUARLO_FAULT_AT=" + std::to_string(f.at)};
            if (f.how == "kill") {
                env.push_back("QUARLO_FAULT_KILL=1");
            } else {
                const int error = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) {
                                      return k.first == f.how;
                                  })->second;
                env.push_back("QUARLO_FAULT_ERRNO=" + std::to_string(error));
            }
            const Ran run = s.quarloRun(verb.args, env);
            const Ran next = s.quarloRun(verb.next);
            ++ran;
            if (single) {
                std::cout << "== " << verb.name << " (" << run.status << ")\n"
                          << run.out << "== next (" << next.status << ")\n"
                          << next.out << "== world kept in " << s.world.at << "\n";
            }
            if (const std::string why = verb.check(s, sets, run); !why.empty()) {
                ++failures;
                std::cout << "FAILED " << verb.name << ", call " << f.at << " " << f.how << ": "
                          << why << "\n  what it said: " << run.out.substr(0, run.out.find('\n'))
                          << "\n";
            }
        }
        cases += ran;
        std::cout << verb.name << ": " << calls << " calls, " << ran << " of " << faults.size()
                  << " cases run\n";
    }
    if (!single) {
        fs::remove_all(scratch);
    }
    std::cout << "fault sweep: " << cases << " cases, " << failures << " failed (seed " << seed
              << ")\n";
    return failures == 0 ? 0 : 1;
}
