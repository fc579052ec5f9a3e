#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The files the benchmarks work on. bench/compare.sh builds the same shapes
// with the same names, so its find, cp and mv figures are for the same work.
namespace quarlo::bench {

// A fresh folder under the system's temporary folder; removed with all it
// holds when the object goes.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// <root>/Saves/charNNN/saveNNNN.ess: `folders` character folders of `files`
// empty save files each, below a root that also holds oblivion.ini.
void makeSaveTree(const std::string& root, int folders, int files);

// A game settings file of `lines` CRLF lines in sections of twenty entries,
// with [General] and its SLocalSavePath in the middle.
std::string settingsFileText(int lines);

void writeFile(const std::string& path, const std::string& content);

// Runs a system tool to its end; true when it exited with 0.
bool run(std::vector<std::string> args);

// A save as the game writes one, without its records: the header of
// `player`, saved a second apart in no order of `number` (of `count`), a
// screenshot of width x height, twenty plugins and the fields after them.
// The form-id arrays that end a save end a file of `fileSize` bytes (the
// rest, a hole, reads as zeros: two empty arrays), or, with 0, these bytes.
std::string saveStart(int number, const std::string& player, std::uint32_t width,
                      std::uint32_t height, int count, std::uint64_t fileSize = 0);

}  // namespace quarlo::bench
