#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "platform/posix/save_files_posix.h"
#include "saves/character_saves.h"
#include "saves/transfer.h"

namespace {

namespace fs = std::filesystem;
using quarlo::bench::ScratchFolder;

constexpr int saveCount = 100;
constexpr std::size_t saveBytes = 4 * 1024 * 1024;

// A hundred saves of 4 MiB of bytes that differ from file to file (no holes:
// a copy has to move every byte), every fourth with a co-save.
std::vector<quarlo::saves::SaveEntry> makeSaves(const std::string& folder) {
    std::vector<quarlo::saves::SaveEntry> saves;
    std::string bytes(saveBytes, '\0');
    char name[32];
    for (int i = 1; i <= saveCount; ++i) {
        for (std::size_t b = 0; b < bytes.size(); b += 61) {
            bytes[b] = static_cast<char>(b * 31 + i);
        }
        std::snprintf(name, sizeof name, "Save %03d", i);
        quarlo::saves::SaveEntry e;
        e.fileName = std::string(name) + ".ess";
        e.path = folder + "/" + e.fileName;
        quarlo::bench::writeFile(e.path, bytes);
        if (i % 4 == 0) {
            quarlo::bench::writeFile(folder + "/" + name + ".obse", std::string(4096, 'o'));
            e.coSaves.push_back(std::string(name) + ".obse");
        }
        saves.push_back(e);
    }
    return saves;
}

void empty(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::remove(entry.path());
    }
}

std::vector<std::string> allFiles(const std::vector<quarlo::saves::SaveEntry>& saves) {
    std::vector<std::string> paths;
    for (const auto& s : saves) {
        const std::string folder = s.path.substr(0, s.path.size() - s.fileName.size());
        for (const std::string& name : s.coSaves) {
            paths.push_back(folder + name);
        }
        paths.push_back(s.path);
    }
    return paths;
}

std::vector<std::string> namesOf(const std::vector<quarlo::saves::SaveEntry>& saves) {
    std::vector<std::string> names;
    for (const auto& s : saves) {
        names.push_back(s.fileName);
    }
    return names;
}

// Copy To…: each file to a part name, flushed, read back and compared, named.
void quarloCopy(benchmark::State& state, const std::vector<quarlo::saves::SaveEntry>& saves,
                const std::string& from, const std::string& to) {
    quarlo::platform::posix::PosixSaveFiles files;
    const std::vector<std::string> names = namesOf(saves);
    for (auto _ : state) {
        const auto results =
            quarlo::saves::transferSaves(files, from, {{names, to}}, quarlo::saves::Transfer::copy);
        state.PauseTiming();
        for (const auto& r : results) {
            if (r.outcome != quarlo::saves::TransferResult::Outcome::done) {
                state.SkipWithError("a save was not copied");
            }
        }
        empty(to);
        state.ResumeTiming();
    }
}

// Copy To… in a process started afresh, as a player's first Copy To… after
// starting Quarlo meets an allocator nothing has warmed: this program again,
// told to copy once.
void quarloCopyFresh(benchmark::State& state, const std::vector<quarlo::saves::SaveEntry>&,
                     const std::string& from, const std::string& to) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string program(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    for (auto _ : state) {
        if (!quarlo::bench::run({program, "--copy-once", from, to})) {
            state.SkipWithError("a save was not copied");
        }
        state.PauseTiming();
        empty(to);
        ::sync();
        state.ResumeTiming();
    }
}

// `cp` of the same files, then (sync_after) `sync` of the copies, which
// flushes them as Quarlo does; neither reads them back.
void cpCopy(benchmark::State& state, const std::vector<quarlo::saves::SaveEntry>& saves,
            const std::string& to, bool syncAfter) {
    std::vector<std::string> cp{"cp", "-p"};
    std::vector<std::string> sync{"sync"};
    for (const std::string& p : allFiles(saves)) {
        cp.push_back(p);
        sync.push_back(to + p.substr(p.rfind('/')));
    }
    cp.push_back(to);
    for (auto _ : state) {
        if (!quarlo::bench::run(cp) || (syncAfter && !quarlo::bench::run(sync))) {
            state.SkipWithError("cp failed");
        }
        state.PauseTiming();
        empty(to);
        state.ResumeTiming();
    }
}

// Move To… within one file system, there and back: renames.
void quarloMove(benchmark::State& state, const std::vector<quarlo::saves::SaveEntry>& saves,
                const std::string& from, const std::string& to) {
    quarlo::platform::posix::PosixSaveFiles files;
    const std::vector<std::string> names = namesOf(saves);
    for (auto _ : state) {
        quarlo::saves::transferSaves(files, from, {{names, to}}, quarlo::saves::Transfer::move);
        quarlo::saves::transferSaves(files, to, {{names, from}}, quarlo::saves::Transfer::move);
    }
}

void mvMove(benchmark::State& state, const std::vector<quarlo::saves::SaveEntry>& saves,
            const std::string& from, const std::string& to) {
    std::vector<std::string> there{"mv", "-n"};
    std::vector<std::string> back{"mv", "-n"};
    for (const std::string& p : allFiles(saves)) {
        there.push_back(p);
        back.push_back(to + p.substr(p.rfind('/')));
    }
    there.push_back(to);
    back.push_back(from);
    for (auto _ : state) {
        if (!quarlo::bench::run(there) || !quarlo::bench::run(back)) {
            state.SkipWithError("mv failed");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--copy-once") {
        quarlo::platform::posix::PosixSaveFiles files;
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(argv[2])) {
            if (e.path().extension() == ".ess") {
                names.push_back(e.path().filename().string());
            }
        }
        const auto results = quarlo::saves::transferSaves(files, argv[2], {{names, argv[3]}},
                                                          quarlo::saves::Transfer::copy);
        for (const auto& r : results) {
            if (r.outcome != quarlo::saves::TransferResult::Outcome::done) {
                return 1;
            }
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ScratchFolder scratch;
    const std::string from = scratch.path() + "/Aldric";
    const std::string to = scratch.path() + "/Brynja";
    fs::create_directories(from);
    fs::create_directories(to);
    const auto saves = makeSaves(from);

    for (auto* b : {
             benchmark::RegisterBenchmark("CopyTo/quarlo", quarloCopy, saves, from, to),
             benchmark::RegisterBenchmark("CopyTo/quarlo-fresh-process", quarloCopyFresh, saves,
                                          from, to),
             benchmark::RegisterBenchmark("CopyTo/cp", cpCopy, saves, to, false),
             benchmark::RegisterBenchmark("CopyTo/cp+sync", cpCopy, saves, to, true),
             benchmark::RegisterBenchmark("MoveToAndBack/quarlo", quarloMove, saves, from, to),
             benchmark::RegisterBenchmark("MoveToAndBack/mv", mvMove, saves, from, to),
         }) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
