#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_files.h"

// The launch wrapper: `quarlo run --character NAME -- true` (a switch, each
// round to the other of two characters, then the command) beside `true`
// alone and beside `cp` + `mv` of the settings file, the least a switch by
// hand can do, in one run. Each is a process started and waited for.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

struct Scene {
    std::string root;
    std::string ini;
};

void alone(benchmark::State& state, const Scene&) {
    for (auto _ : state) {
        if (!quarlo::bench::run({"true"})) {
            state.SkipWithError("true failed");
        }
    }
}

void byHand(benchmark::State& state, const Scene& s) {
    const std::string temp = s.ini + ".new";
    for (auto _ : state) {
        if (!quarlo::bench::run({"cp", s.ini, temp}) || !quarlo::bench::run({"mv", temp, s.ini})) {
            state.SkipWithError("cp or mv failed");
        }
    }
}

void wrapped(benchmark::State& state, const Scene& s) {
    int round = 0;
    for (auto _ : state) {
        // As at a real launch, the settings file has held still a while: a
        // file written in the last 150 ms is waited for, as another
        // program's write in progress would be.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        state.ResumeTiming();
        const std::string name = round++ % 2 == 0 ? "Brynja" : "Aldric";
        if (!quarlo::bench::run(
                {QUARLO_BINARY, "--root", s.root, "run", "--character", name, "--", "true"})) {
            state.SkipWithError("quarlo run failed");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ScratchFolder scratch;
    // A game folder as the game leaves it: its settings file at its usual
    // size, two characters with a few saves each (the switch backs up the
    // one left, and that backup is all links after the first round).
    Scene s{scratch.path() + "/Oblivion", scratch.path() + "/Oblivion/oblivion.ini"};
    std::string ini = "[General]\r\nSLocalSavePath=Saves\\Aldric\\\r\n";
    for (int i = 0; ini.size() < 20000; ++i) {
        ini += "[Section" + std::to_string(i) + "]\r\nsKey" + std::to_string(i) + "=value\r\n";
    }
    fs::create_directories(s.root);
    quarlo::bench::writeFile(s.ini, ini);
    for (const char* name : {"Aldric", "Brynja"}) {
        fs::create_directories(s.root + "/Saves/" + name);
        for (int i = 1; i <= 5; ++i) {
            quarlo::bench::writeFile(
                s.root + "/Saves/" + name + "/Save " + std::to_string(i) + ".ess",
                std::string(200000, 's'));
        }
    }
    // The backups go to the scratch folder, not the user's own.
    ::setenv("XDG_DATA_HOME", (scratch.path() + "/data").c_str(), 1);
    for (auto* b : {
             benchmark::RegisterBenchmark("Launch/true", alone, s),
             benchmark::RegisterBenchmark("Launch/cp+mv", byHand, s),
             benchmark::RegisterBenchmark("Launch/quarlo-run", wrapped, s),
         }) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
