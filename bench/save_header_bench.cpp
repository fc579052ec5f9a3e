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
#include "tests/support/save_writer.h"

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

// Skyrim Special Edition's saves as the game writes them: a 320 x 180 RGBA
// screenshot, thirty plugins and five light ones inside the LZ4 block that
// holds the body, the file 12 MiB long (a hole after the block).
constexpr off_t familyFileSize = 12 * 1024 * 1024;
std::vector<std::string> makeFamilySaves(const std::string& folder) {
    std::vector<std::string> paths;
    quarlo::test::FamilyShape shape;
    shape.width = 320;
    shape.height = 180;
    shape.plugins.clear();
    for (int p = 0; p < 30; ++p) {
        shape.plugins.push_back("Some Mod Of The Kind Players Keep " + std::to_string(p) + ".esp");
    }
    shape.lightPlugins = {"ccBGSSSE001-Fish.esm", "ccQDRSSE001-SurvivalMode.esl",
                          "ccBGSSSE037-Curios.esl", "ccBGSSSE025-AdvDSGS.esm",
                          "Some Light Mod.esp"};
    shape.bodyBytes = 256 * 1024;
    char name[80];
    for (int i = 1; i <= saveCount; ++i) {
        shape.saveNumber = static_cast<std::uint32_t>(i);
        shape.filetime += 10'000'000ULL * 60;
        std::snprintf(name, sizeof name, "/Save%d_0C2D58E2_0_4C79646961_Whiterun_%06d.ess", i, i);
        const std::string path = folder + name;
        quarlo::bench::writeFile(path, quarlo::test::familySaveBytes(shape));
        if (::truncate(path.c_str(), familyFileSize) != 0) {
            throw std::runtime_error("cannot extend " + path);
        }
        paths.push_back(path);
    }
    return paths;
}

// The table of one character's saves: list the folder, read each header.
void listSaves(benchmark::State& state, const std::string& folder,
               const quarlo::games::SaveFormat& format) {
    quarlo::platform::posix::PosixSaveFiles files;
    std::size_t readable = 0;
    for (auto _ : state) {
        const auto saves = quarlo::saves::listSaves(files, folder, format);
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

// As many bytes of the same files as the listing reads of each (Oblivion's:
// its first 1,024 and the 1,024 after the screenshot; Skyrim Special
// Edition's: its first 1,024 and 8,200 of the block's start), read by one
// `head -c BYTES FILE...`.
void headC(benchmark::State& state, const std::vector<std::string>& paths, std::size_t bytes) {
    std::vector<std::string> args{"head", "-c", std::to_string(bytes)};
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
    ScratchFolder family;
    const std::vector<std::string> familyPaths = makeFamilySaves(family.path());

    benchmark::RegisterBenchmark("ListSaves/2000", listSaves, scratch.path(),
                                 quarlo::games::oblivion().saves)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("HeadC/2000", headC, paths, 2 * quarlo::saves::headerReadSize)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ListSkyrimSESaves/2000", listSaves, family.path(),
                                 quarlo::games::get(quarlo::games::GameId::skyrimse).saves)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("HeadCSkyrimSE/2000", headC, familyPaths,
                                 quarlo::saves::headerReadSize + 8 + 8192)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
