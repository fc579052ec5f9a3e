#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_files.h"

// A character's backups as a player makes them, each `quarlo` a process of
// its own as the command line runs (a fresh allocator, nothing warm), for
// 1,000 saves of 1 MiB and 100 of 4 MiB (every fourth with a co-save),
// written once and on the disk before: the first backup beside `cp -p` and
// `sync` of the same files in the same run; a second with nothing changed,
// which links to the first's files; and a restore of every save into an
// emptied folder, beside the same `cp -p` and `sync`.
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
    std::string game;  // the game folder, its saves in Saves/Aldric
    std::string saves;
    std::string data;  // XDG_DATA_HOME: the store is data/quarlo/backups
    std::vector<std::string> files;
};

// The command line as a player (or a launch option) runs it: a process of
// its own, started afresh, on the scene's game folder and store.
bool quarlo(const Scene& s, std::vector<std::string> verb, std::string* out = nullptr) {
    std::vector<std::string> args{QUARLO_BINARY, "--root", s.game};
    args.insert(args.end(), verb.begin(), verb.end());
    std::vector<std::string> env{"XDG_DATA_HOME=" + s.data, "HOME=" + s.data, "PATH=/usr/bin:/bin"};
    std::vector<char*> argv;
    for (auto& a : args) {
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
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    pid_t pid = 0;
    const bool started =
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string said;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    const bool ok = started && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0;
    if (out != nullptr) {
        *out = said;
    }
    return ok;
}

// The first backup (`quarlo backup`): every file copied, flushed, read back
// and compared.
void firstBackup(benchmark::State& state, const Scene& s) {
    for (auto _ : state) {
        if (!quarlo(s, {"backup", "Aldric"})) {
            state.SkipWithError("the backup was not made");
        }
        state.PauseTiming();
        fs::remove_all(s.data);
        ::sync();  // no writeback of the last round in the next
        state.ResumeTiming();
    }
}

// A backup with nothing changed since the last: links to its files.
void unchangedBackup(benchmark::State& state, const Scene& s) {
    quarlo(s, {"backup", "Aldric"});
    ::sync();
    for (auto _ : state) {
        std::string said;
        if (!quarlo(s, {"backup", "Aldric"}, &said) ||
            said.find(" unchanged since the last backup") == std::string::npos) {
            state.SkipWithError("the unchanged backup was not made of links");
        }
    }
    fs::remove_all(s.data);
}

// `quarlo restore` of every save into the emptied folder: each copied back,
// read back against its checksum, flushed once, and given its name; beside
// it `cp -p` of the backup's files into the same emptied folder, then
// `sync`.
void restoreAll(benchmark::State& state, const Scene& s) {
    std::string listed;
    quarlo(s, {"backup", "Aldric"});
    quarlo(s, {"backups", "Aldric"}, &listed);
    const std::string id = listed.substr(0, listed.find('\t'));
    std::string folder;
    for (const auto& e : fs::recursive_directory_iterator(s.data)) {
        if (e.is_directory() && e.path().filename() == id) {
            folder = e.path().string();
        }
    }
    const std::string kept = s.saves + "-kept";
    fs::rename(s.saves, kept);
    std::vector<std::string> cp{"cp", "-p"};
    std::vector<std::string> sync{"sync"};
    for (const std::string& p : s.files) {
        cp.push_back(folder + p.substr(p.rfind('/')));
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
        std::string said;
        if (!quarlo(s, {"restore", "Aldric", id}, &said)) {
            state.SkipWithError(("the restore did not put back every file: " + said).c_str());
        }
    }
    fs::remove_all(s.saves);
    fs::rename(kept, s.saves);
    fs::remove_all(s.data);
}

// `cp -p` of the same files, then `sync` of the copies.
void cpSync(benchmark::State& state, const Scene& s) {
    const std::string to = s.data + "-cp";
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
        Scene s{at + "/game", at + "/game/Saves/Aldric", at + "/data", {}};
        fs::create_directories(s.saves);
        s.files = makeSaves(s.saves, shape.saves, shape.size);
        // Written once, and on the disk before any round reads them.
        ::sync();
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
