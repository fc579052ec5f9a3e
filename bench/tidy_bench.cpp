#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/tidy.h"
#include "bench/bench_files.h"
#include "platform/posix/save_files_posix.h"
#include "platform/posix/trash_posix.h"
#include "saves/character_saves.h"
#include "saves/transfer.h"

// Tidy Up… of one character with 1,010 saves, every tenth with a co-save,
// and ten co-saves whose save is gone: list and read every save, plan to
// keep the newest ten, check each file again, and send the other thousand
// saves with their co-saves and the strays to the freedesktop.org trash (a
// home trash on the same file system), as the command does once the player
// has confirmed the plan and the backup is made. Beside it, `mv -n` of the
// same files into one folder, and the desktop's own `gio trash` of them.
// Each round starts from the same folder; putting the files back is not
// timed.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

constexpr int kSaves = 1010;

struct Folder {
    std::string saves;               // the character's folder
    std::vector<std::string> going;  // every file the plan sends away
};

Folder makeFolder(const std::string& root) {
    Folder out{root + "/Saves/Aldric", {}};
    fs::create_directories(out.saves);
    char name[32];
    for (int i = 1; i <= kSaves; ++i) {
        std::snprintf(name, sizeof name, "Save %05d", i);
        quarlo::bench::writeFile(out.saves + "/" + name + ".ess",
                                 quarlo::bench::saveStart(i, "Aldric", 16, 12, kSaves));
        if (i % 10 == 0) {
            quarlo::bench::writeFile(out.saves + "/" + name + ".obse", "co-save");
        }
    }
    for (int i = 1; i <= 10; ++i) {
        std::snprintf(name, sizeof name, "Gone %02d.obse", i);
        quarlo::bench::writeFile(out.saves + "/" + name, "stray");
    }
    // What the plan takes, found the way it finds it, once.
    quarlo::platform::posix::PosixSaveFiles files;
    const auto saves = quarlo::saves::listSaves(files, out.saves);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out.saves)) {
        names.push_back(e.path().filename().string());
    }
    const auto plan = quarlo::app::planTidy(
        *saves, names, 10, [&](const std::string& n) { return files.stamp(out.saves + "/" + n); },
        {});
    for (const auto& item : plan.items) {
        out.going.push_back(item.fileName);
        out.going.insert(out.going.end(), item.coSaves.begin(), item.coSaves.end());
    }
    return out;
}

// Every file back from `from` into the folder, and the trash's notes out of
// its way: untimed. The notes are kept, not deleted: ext4 makes files slowly
// right after as many were deleted (it skips the inodes just freed), which
// a player's trash does not see between two tidies.
void putBack(const Folder& folder, const std::string& from, const std::string& info = {},
             const std::string& kept = {}) {
    for (const auto& e : fs::directory_iterator(from)) {
        fs::rename(e.path(), folder.saves + "/" + e.path().filename().string());
    }
    if (!info.empty()) {
        static int round = 0;
        const std::string away = kept + "/" + std::to_string(++round);
        fs::create_directories(away);
        for (const auto& e : fs::directory_iterator(info)) {
            fs::rename(e.path(), away + "/" + e.path().filename().string());
        }
    }
}

void quarloTidy(benchmark::State& state, const Folder& folder, const std::string& dataHome) {
    quarlo::platform::posix::PosixSaveFiles files;
    quarlo::platform::posix::PosixTrash trash(dataHome);
    for (auto _ : state) {
        const auto listing = files.listFiles(folder.saves);
        const auto saves = quarlo::saves::listSaves(files, folder.saves);
        std::vector<std::string> names;
        for (const auto& e : listing->entries) {
            names.push_back(e.name);
        }
        const auto plan = quarlo::app::planTidy(
            *saves, names, 10,
            [&](const std::string& n) { return files.stamp(folder.saves + "/" + n); }, {});
        // As Tidy Up does after its backup: every file at the version it holds.
        const auto opened = files.openFolder(folder.saves);
        quarlo::app::BackedUp held;
        for (const auto& e : listing->entries) {
            if (const auto stamp = opened->stamp(e.name)) {
                held[e.name] = *stamp;
            }
        }
        const quarlo::app::Tidied done = quarlo::app::tidyAway(trash, *opened, plan, held);
        const auto& results = done.saves;
        state.PauseTiming();
        for (const auto& r : results) {
            if (r.outcome != quarlo::saves::TransferResult::Outcome::done) {
                state.SkipWithError("a save did not go");
            }
        }
        if (!done.left.empty() || done.straysGone != 10) {
            state.SkipWithError("a file stayed");
        }
        putBack(folder, dataHome + "/Trash/files", dataHome + "/Trash/info", dataHome + "/kept");
        state.ResumeTiming();
    }
}

void mvTidy(benchmark::State& state, const Folder& folder, const std::string& away) {
    std::vector<std::string> mv{"mv", "-n", "-t", away};
    for (const std::string& name : folder.going) {
        mv.push_back(folder.saves + "/" + name);
    }
    for (auto _ : state) {
        if (!quarlo::bench::run(mv)) {
            state.SkipWithError("mv failed");
        }
        state.PauseTiming();
        putBack(folder, away);
        state.ResumeTiming();
    }
}

// The desktop's own trash command, where there is one (GLib's `gio trash`,
// which refuses tmpfs), on the same files into a home trash of its own.
void gioTidy(benchmark::State& state, const Folder& folder, const std::string& dataHome) {
    std::vector<std::string> gio{"gio", "trash"};
    for (const std::string& name : folder.going) {
        gio.push_back(folder.saves + "/" + name);
    }
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    for (auto _ : state) {
        if (!quarlo::bench::run(gio)) {
            state.SkipWithError("gio trash failed");
        }
        state.PauseTiming();
        putBack(folder, dataHome + "/Trash/files", dataHome + "/Trash/info", dataHome + "/kept");
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ScratchFolder scratch;
    const Folder folder = makeFolder(scratch.path());
    const std::string dataHome = scratch.path() + "/data";
    const std::string away = scratch.path() + "/away";
    fs::create_directories(dataHome);
    fs::create_directories(away);
    benchmark::RegisterBenchmark("Tidy/quarlo/1000", quarloTidy, folder, dataHome)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Tidy/mv/1000", mvTidy, folder, away)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    if (::access("/usr/bin/gio", X_OK) == 0) {
        const std::string gioHome = scratch.path() + "/gio-data";
        fs::create_directories(gioHome);
        benchmark::RegisterBenchmark("Tidy/gio-trash/1000", gioTidy, folder, gioHome)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
