#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "platform/posix/save_files_posix.h"
#include "saves/character_saves.h"
#include "saves/transfer.h"

// Sort Loose Saves… on 1,000, 4,000 and 16,000 saves lying in Saves, eight
// players' saves mixed, every tenth with a co-save: read each header for its
// player, make the players' folders, move every save with its co-saves.
// Beside it, `mv -n` of the same files into the same folders, one command a
// player. Each round starts from the same loose saves; putting them back is
// not timed.
namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

const char* const kPlayers[] = {"Aldric", "Brynja", "Cara",  "Dunmer",
                                "Eola",   "Farwil", "Gaius", "Hlaalu"};

struct Loose {
    std::string saves;                                   // the Saves folder
    std::map<std::string, std::vector<std::string>> by;  // player -> file names
};

Loose makeLoose(const std::string& root, int count) {
    Loose out{root + "/Saves", {}};
    fs::create_directories(out.saves);
    char name[32];
    for (int i = 1; i <= count; ++i) {
        const std::string player = kPlayers[i % 8];
        std::snprintf(name, sizeof name, "Save %05d", i);
        quarlo::bench::writeFile(out.saves + "/" + name + ".ess",
                                 quarlo::bench::saveStart(i, player, 16, 12, count));
        out.by[player].push_back(std::string(name) + ".ess");
        if (i % 10 == 0) {
            quarlo::bench::writeFile(out.saves + "/" + name + ".obse", "co-save");
            out.by[player].push_back(std::string(name) + ".obse");
        }
    }
    return out;
}

// Every file back into Saves, the players' folders gone: untimed.
void putBack(const Loose& loose) {
    for (const auto& [player, names] : loose.by) {
        const std::string folder = loose.saves + "/" + player;
        for (const std::string& name : names) {
            fs::rename(folder + "/" + name, loose.saves + "/" + name);
        }
        fs::remove(folder);
    }
}

void quarloSort(benchmark::State& state, const Loose& loose) {
    quarlo::platform::posix::PosixSaveFiles files;
    for (auto _ : state) {
        const auto saves = quarlo::saves::listSaves(files, loose.saves);
        std::map<std::string, quarlo::saves::TransferJob> jobs;
        for (const auto& save : *saves) {
            quarlo::saves::TransferJob& job = jobs[save.header->playerName];
            job.saves.push_back(save.fileName);
        }
        std::vector<quarlo::saves::TransferJob> all;
        for (auto& [player, job] : jobs) {
            job.destination = loose.saves + "/" + player;
            ::mkdir(job.destination.c_str(), 0755);
            all.push_back(std::move(job));
        }
        const auto results =
            quarlo::saves::transferSaves(files, loose.saves, all, quarlo::saves::Transfer::move);
        state.PauseTiming();
        for (const auto& r : results) {
            if (r.outcome != quarlo::saves::TransferResult::Outcome::done) {
                state.SkipWithError("a save was not moved");
            }
        }
        putBack(loose);
        state.ResumeTiming();
    }
}

void mvSort(benchmark::State& state, const Loose& loose) {
    std::vector<std::vector<std::string>> commands;
    for (const auto& [player, names] : loose.by) {
        std::vector<std::string> mv{"mv", "-n", "-t", loose.saves + "/" + player};
        for (const std::string& name : names) {
            mv.push_back(loose.saves + "/" + name);
        }
        commands.push_back(std::move(mv));
    }
    for (auto _ : state) {
        for (const auto& [player, names] : loose.by) {
            ::mkdir((loose.saves + "/" + player).c_str(), 0755);
        }
        for (const auto& mv : commands) {
            if (!quarlo::bench::run(mv)) {
                state.SkipWithError("mv failed");
            }
        }
        state.PauseTiming();
        putBack(loose);
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
    std::vector<Loose> sets;
    sets.reserve(3);
    for (const int count : {1000, 4000, 16000}) {
        sets.push_back(makeLoose(scratch.path() + "/" + std::to_string(count), count));
        const std::string n = std::to_string(count);
        benchmark::RegisterBenchmark(("Sort/quarlo/" + n).c_str(), quarloSort, sets.back())
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("Sort/mv/" + n).c_str(), mvSort, sets.back())
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
