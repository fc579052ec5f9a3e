#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "backups/store.h"
#include "bench/bench_files.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/save_files_posix.h"

// A character's backups, for 1,000 saves of 1 MiB and 100 of 4 MiB (every
// fourth with a co-save): the first backup beside `cp -p` and `sync` of the
// same files in the same run; a second with nothing changed, which links to
// the first's files; and a restore of every save into an emptied folder,
// beside the same `cp -p` and `sync`.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

std::vector<std::string> makeSaves(const std::string& folder, int saves, std::size_t size) {
    std::vector<std::string> paths;
    std::string bytes(size, '\0');
    char name[32];
    for (int i = 1; i <= saves; ++i) {
        for (std::size_t b = 0; b < bytes.size(); b += 61) {
            bytes[b] = static_cast<char>(b * 31 + static_cast<std::size_t>(i));
        }
        std::snprintf(name, sizeof name, "/Save %04d", i);
        quarlo::bench::writeFile(folder + name + ".ess", bytes);
        paths.push_back(folder + name + ".ess");
        if (i % 4 == 0) {
            quarlo::bench::writeFile(folder + name + ".obse", std::string(4096, 'o'));
            paths.push_back(folder + name + ".obse");
        }
    }
    return paths;
}

struct Scene {
    std::string saves;
    std::string store;
    std::vector<std::string> files;
};

// The first backup: every file copied, flushed, read back and compared.
void firstBackup(benchmark::State& state, const Scene& s) {
    quarlo::platform::posix::PosixSaveFiles files;
    quarlo::platform::posix::PosixFileSystem fs;
    for (auto _ : state) {
        quarlo::backups::Store store(files, fs, s.store);
        const auto made =
            store.backUp("game", "Aldric", s.saves, quarlo::backups::Reason::byHand, {});
        state.PauseTiming();
        if (!made.backup || made.copied != s.files.size()) {
            state.SkipWithError("the backup was not made whole");
        }
        fs::remove_all(s.store);
        ::sync();  // no writeback of the last round in the next
        state.ResumeTiming();
    }
}

// A backup with nothing changed since the last: links to its files. Each
// is pruned away after, as the switches of a player with many backups are.
void unchangedBackup(benchmark::State& state, const Scene& s) {
    quarlo::platform::posix::PosixSaveFiles files;
    quarlo::platform::posix::PosixFileSystem fs;
    quarlo::backups::Store store(files, fs, s.store);
    const auto reason = quarlo::backups::Reason::leftCharacter;
    store.backUp("game", "Aldric", s.saves, reason, {});
    for (auto _ : state) {
        const auto made = store.backUp("game", "Aldric", s.saves, reason, {});
        state.PauseTiming();
        if (!made.backup || made.linked != s.files.size()) {
            state.SkipWithError("the unchanged backup was not made of links");
        }
        store.prune("game", "Aldric", 1);
        state.ResumeTiming();
    }
    fs::remove_all(s.store);
}

// A restore of every save into the emptied folder: each copied back, read
// back and compared, flushed once, and given its name.
void restoreAll(benchmark::State& state, const Scene& s) {
    quarlo::platform::posix::PosixSaveFiles files;
    quarlo::platform::posix::PosixFileSystem fs;
    quarlo::backups::Store store(files, fs, s.store);
    const auto made = store.backUp("game", "Aldric", s.saves, quarlo::backups::Reason::byHand, {});
    const std::string kept = s.saves + "-kept";
    fs::rename(s.saves, kept);
    // The same files copied by hand from the backup into the emptied
    // folder, in the same run: `cp -p`, then `sync`.
    std::vector<std::string> cp{"cp", "-p"};
    std::vector<std::string> sync{"sync"};
    for (const std::string& p : s.files) {
        cp.push_back(made.backup->folder + p.substr(p.rfind('/')));
        sync.push_back(s.saves + p.substr(p.rfind('/')));
    }
    cp.push_back(s.saves);
    const bool byHand = state.range(0) == 1;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(s.saves);
        fs::create_directories(s.saves);
        ::sync();
        state.ResumeTiming();
        if (byHand) {
            if (!quarlo::bench::run(cp) || !quarlo::bench::run(sync)) {
                state.SkipWithError("cp failed");
            }
            continue;
        }
        const auto restored = store.restore(*made.backup, s.saves, {});
        state.PauseTiming();
        if (!restored.failure.empty() || restored.added.size() != s.files.size()) {
            state.SkipWithError("the restore did not put back every file");
        }
        state.ResumeTiming();
    }
    fs::remove_all(s.saves);
    fs::rename(kept, s.saves);
    fs::remove_all(s.store);
}

// `cp -p` of the same files, then `sync` of the copies.
void cpSync(benchmark::State& state, const Scene& s) {
    const std::string to = s.store + "-cp";
    std::vector<std::string> cp{"cp", "-p"};
    std::vector<std::string> sync{"sync"};
    for (const std::string& p : s.files) {
        cp.push_back(p);
        sync.push_back(to + p.substr(p.rfind('/')));
    }
    cp.push_back(to);
    for (auto _ : state) {
        state.PauseTiming();
        fs::create_directories(to);
        ::sync();
        state.ResumeTiming();
        if (!quarlo::bench::run(cp) || !quarlo::bench::run(sync)) {
            state.SkipWithError("cp failed");
        }
        state.PauseTiming();
        fs::remove_all(to);
        ::sync();
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
    // Scenes live as long as the run: the benchmarks hold them by value.
    struct Shape {
        const char* name;
        int saves;
        std::size_t size;
    };
    for (const Shape& shape : {Shape{"1000x1MiB", 1000, std::size_t{1} << 20},
                               Shape{"100x4MiB", 100, std::size_t{4} << 20}}) {
        const std::string at = scratch.path() + "/" + shape.name;
        Scene s{at + "/Aldric", at + "/store", {}};
        fs::create_directories(s.saves);
        s.files = makeSaves(s.saves, shape.saves, shape.size);
        const std::string n = shape.name;
        for (auto* b : {
                 benchmark::RegisterBenchmark(("Backup/" + n + "/first").c_str(), firstBackup, s),
                 benchmark::RegisterBenchmark(("Backup/" + n + "/cp+sync").c_str(), cpSync, s),
                 benchmark::RegisterBenchmark(("Backup/" + n + "/unchanged").c_str(),
                                              unchangedBackup, s),
             }) {
            b->Unit(benchmark::kMillisecond)->UseRealTime();
        }
        // Arg 0: Quarlo's Restore; 1: `cp -p` and `sync` of the backup's files.
        benchmark::RegisterBenchmark(("Backup/" + n + "/restore").c_str(), restoreAll, s)
            ->Arg(0)
            ->Arg(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
