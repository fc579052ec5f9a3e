#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "catalogue/path_log.h"
#include "platform/posix/file_system_posix.h"

namespace {

using quarlo::bench::ScratchFolder;

// One walk of a whole root folder, as a refresh of the character list does.
void walk(benchmark::State& state, const std::string& root, int expectedFiles) {
    quarlo::platform::posix::PosixFileSystem service;
    quarlo::catalogue::PathLog log;
    log.PathLogInit(&service);
    std::vector<std::string> names;
    std::vector<std::int32_t> parents;
    std::vector<std::string> paths;
    for (auto _ : state) {
        log.LogPath(root, names, parents, paths);
        benchmark::DoNotOptimize(paths.data());
    }
    if (log.fileCount() != expectedFiles) {
        state.SkipWithError("the walk did not find every file");
    }
    state.counters["files"] = log.fileCount();
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(log.fileCount()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // The trees are made once, outside the timing, and go when the run ends.
    ScratchFolder small;
    quarlo::bench::makeSaveTree(small.path(), 50, 600);
    ScratchFolder large;
    quarlo::bench::makeSaveTree(large.path(), 200, 1000);

    benchmark::RegisterBenchmark("LogPath/50x600", walk, small.path(), 50 * 600 + 1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LogPath/200x1000", walk, large.path(), 200 * 1000 + 1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
