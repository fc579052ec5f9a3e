#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "platform/posix/save_files_posix.h"
#include "saves/character_saves.h"

extern char** environ;

namespace {

using quarlo::bench::ScratchFolder;

constexpr int saveCount = 2000;
constexpr std::uint32_t shotWidth = 256;
constexpr std::uint32_t shotHeight = 192;
constexpr off_t fileSize = 4 * 1024 * 1024;

std::vector<std::string> makeSaves(const std::string& folder) {
    std::vector<std::string> paths;
    char name[32];
    for (int i = 1; i <= saveCount; ++i) {
        std::snprintf(name, sizeof name, "/Save %04d.ess", i);
        const std::string path = folder + name;
        quarlo::bench::writeFile(path, quarlo::bench::saveStart(i, "Aldric the Unready", shotWidth,
                                                                shotHeight, saveCount));
        if (::truncate(path.c_str(), fileSize) != 0) {
            throw std::runtime_error("cannot extend " + path);
        }
        paths.push_back(path);
    }
    return paths;
}

// The table of one character's saves: list the folder, read each header.
void listSaves(benchmark::State& state, const std::string& folder) {
    quarlo::platform::posix::PosixSaveFiles files;
    std::size_t readable = 0;
    for (auto _ : state) {
        const auto saves = quarlo::saves::listSaves(files, folder);
        readable = 0;
        for (const auto& s : *saves) {
            readable += s.header.has_value();
        }
        benchmark::DoNotOptimize(saves->data());
    }
    if (readable != saveCount) {
        state.SkipWithError("not every save was read");
    }
    state.counters["saves/s"] =
        benchmark::Counter(saveCount, benchmark::Counter::kIsIterationInvariantRate);
}

// As many bytes of the same files as the listing reads of each (its first
// 1,024 and the 1,024 after the screenshot), read by one `head -c 2048
// FILE...`.
void headC(benchmark::State& state, const std::vector<std::string>& paths) {
    std::vector<std::string> args{"head", "-c", std::to_string(2 * quarlo::saves::headerReadSize)};
    args.insert(args.end(), paths.begin(), paths.end());
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "head", &actions, nullptr, argv.data(), environ) != 0 ||
            ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("head failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters["saves/s"] =
        benchmark::Counter(saveCount, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ScratchFolder scratch;
    const std::vector<std::string> paths = makeSaves(scratch.path());

    benchmark::RegisterBenchmark("ListSaves/2000", listSaves, scratch.path())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("HeadC/2000", headC, paths)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
