#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_files.h"

// Carrying a character to a folder place as a player runs it (`quarlo carry
// NAME`, a process of its own): 1,000 saves of 1 MiB, every fourth with a
// co-save, on the disk before. The first carry beside `cp -p` and `sync` of
// the same files in the same run, and a carry with nothing changed since.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

struct Scene {
    std::string game;   // its saves in Saves/Aldric
    std::string home;   // HOME, XDG_DATA_HOME and XDG_CONFIG_HOME under it
    std::string place;  // the carry place
    std::vector<std::string> files;
};

bool quarlo(const Scene& s, const std::vector<std::string>& verb) {
    std::vector<std::string> args{"env",
                                  "-i",
                                  "PATH=/usr/bin:/bin",
                                  "HOME=" + s.home,
                                  "XDG_DATA_HOME=" + s.home + "/data",
                                  "XDG_CONFIG_HOME=" + s.home + "/config",
                                  QUARLO_BINARY,
                                  "--game",
                                  "oblivion",
                                  "--root",
                                  s.game};
    args.insert(args.end(), verb.begin(), verb.end());
    return quarlo::bench::run(args);
}

// A place and a home as on a computer that never carried.
void fresh(const Scene& s) {
    fs::remove_all(s.place);
    fs::remove_all(s.home);
    fs::create_directories(s.place);
    fs::create_directories(s.home);
    quarlo(s, {"carry", "--place", s.place});
    ::sync();
}

void firstCarry(benchmark::State& state, const Scene& s) {
    for (auto _ : state) {
        state.PauseTiming();
        fresh(s);
        state.ResumeTiming();
        if (!quarlo(s, {"carry", "Aldric"})) {
            state.SkipWithError("the carry failed");
        }
        ::sync();
    }
}

void unchangedCarry(benchmark::State& state, const Scene& s) {
    fresh(s);
    quarlo(s, {"carry", "Aldric"});
    ::sync();
    for (auto _ : state) {
        if (!quarlo(s, {"carry", "Aldric"})) {
            state.SkipWithError("the carry failed");
        }
    }
}

void cpSync(benchmark::State& state, const Scene& s) {
    const std::string to = s.place + "-cp";
    std::vector<std::string> cp{"cp", "-p"};
    cp.insert(cp.end(), s.files.begin(), s.files.end());
    cp.push_back(to);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(to);
        fs::create_directories(to);
        ::sync();
        state.ResumeTiming();
        if (!quarlo::bench::run(cp) || !quarlo::bench::run({"sync"})) {
            state.SkipWithError("cp failed");
        }
    }
    fs::remove_all(to);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ScratchFolder scratch;
    Scene s{scratch.path() + "/game", scratch.path() + "/home", scratch.path() + "/place", {}};
    const std::string saves = s.game + "/Saves/Aldric";
    fs::create_directories(saves);
    quarlo::bench::writeFile(s.game + "/oblivion.ini",
                             "[General]\r\nSLocalSavePath=Saves\\Aldric\\\r\n");
    std::string bytes(std::size_t{1} << 20, '\0');
    char name[32];
    for (int i = 1; i <= 1000; ++i) {
        for (std::size_t b = 0; b < bytes.size(); b += 61) {
            bytes[b] = static_cast<char>(b * 31 + static_cast<std::size_t>(i));
        }
        std::snprintf(name, sizeof name, "/Save %04d", i);
        quarlo::bench::writeFile(saves + name + ".ess", bytes);
        s.files.push_back(saves + name + ".ess");
        if (i % 4 == 0) {
            quarlo::bench::writeFile(saves + name + ".obse", std::string(4096, 'o'));
            s.files.push_back(saves + name + ".obse");
        }
    }
    ::sync();
    for (auto* b : {benchmark::RegisterBenchmark("Carry/1000x1MiB/first", firstCarry, s),
                    benchmark::RegisterBenchmark("Carry/1000x1MiB/cp+sync", cpSync, s),
                    benchmark::RegisterBenchmark("Carry/1000x1MiB/unchanged", unchangedCarry, s)}) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
