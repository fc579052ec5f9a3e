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

// A character's backups: the first of 100 saves of 4 MiB (every fourth with
// a co-save), beside `cp -p` and `sync` of the same files in the same run;
// then a second with nothing changed, which links to the first's files.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

constexpr int kSaves = 100;
constexpr std::size_t kSaveBytes = 4 * 1024 * 1024;

std::vector<std::string> makeSaves(const std::string& folder) {
    std::vector<std::string> paths;
    std::string bytes(kSaveBytes, '\0');
    char name[32];
    for (int i = 1; i <= kSaves; ++i) {
        for (std::size_t b = 0; b < bytes.size(); b += 61) {
            bytes[b] = static_cast<char>(b * 31 + static_cast<std::size_t>(i));
        }
        std::snprintf(name, sizeof name, "/Save %03d", i);
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
        state.ResumeTiming();
    }
}

// A second backup with nothing changed: links to the first's files.
void unchangedBackup(benchmark::State& state, const Scene& s) {
    quarlo::platform::posix::PosixSaveFiles files;
    quarlo::platform::posix::PosixFileSystem fs;
    quarlo::backups::Store store(files, fs, s.store);
    store.backUp("game", "Aldric", s.saves, quarlo::backups::Reason::byHand, {});
    for (auto _ : state) {
        const auto made =
            store.backUp("game", "Aldric", s.saves, quarlo::backups::Reason::byHand, {});
        state.PauseTiming();
        if (!made.backup || made.linked != s.files.size()) {
            state.SkipWithError("the unchanged backup was not made of links");
        }
        fs::remove_all(made.backup->folder);
        state.ResumeTiming();
    }
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
        state.ResumeTiming();
        if (!quarlo::bench::run(cp) || !quarlo::bench::run(sync)) {
            state.SkipWithError("cp failed");
        }
        state.PauseTiming();
        fs::remove_all(to);
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
    Scene s{scratch.path() + "/Aldric", scratch.path() + "/store", {}};
    fs::create_directories(s.saves);
    s.files = makeSaves(s.saves);
    for (auto* b : {
             benchmark::RegisterBenchmark("Backup/first", firstBackup, s),
             benchmark::RegisterBenchmark("Backup/cp+sync", cpSync, s),
             benchmark::RegisterBenchmark("Backup/unchanged", unchangedBackup, s),
         }) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
