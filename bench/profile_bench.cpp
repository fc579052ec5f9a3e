#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_files.h"
#include "platform/posix/profile_posix.h"

namespace {

using quarlo::bench::ScratchFolder;

constexpr int kLines = 2000;

// One switch of character: SLocalSavePath rewritten in a game settings file of
// 2,000 lines. The value alternates, so every write really replaces the file.
void BM_ProfileWrite(benchmark::State& state) {
    ScratchFolder dir;
    const std::string path = dir.path() + "/oblivion.ini";
    quarlo::bench::writeFile(path, quarlo::bench::settingsFileText(kLines));
    quarlo::platform::posix::PosixProfileFile profile;
    const char* values[] = {"Saves\\Bob\\", "Saves\\Aldric\\"};
    int i = 0;
    for (auto _ : state) {
        if (!profile.write("General", "SLocalSavePath", values[i], path)) {
            state.SkipWithError("the write failed");
            break;
        }
        i ^= 1;
    }
}
BENCHMARK(BM_ProfileWrite)->Unit(benchmark::kMicrosecond);

// The read that follows every switch, for scale.
void BM_ProfileRead(benchmark::State& state) {
    ScratchFolder dir;
    const std::string path = dir.path() + "/oblivion.ini";
    quarlo::bench::writeFile(path, quarlo::bench::settingsFileText(kLines));
    quarlo::platform::posix::PosixProfileFile profile;
    for (auto _ : state) {
        benchmark::DoNotOptimize(profile.read("General", "SLocalSavePath", "ERROR.", 62, path));
    }
}
BENCHMARK(BM_ProfileRead)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
