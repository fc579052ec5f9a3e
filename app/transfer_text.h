#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "saves/transfer.h"

namespace quarlo::app {

// What an operation on saves did, in the words of its summary.
enum class Verb { move, copy, trash };

// The names a summary uses for the places a save can be.
struct PlaceNames {
    std::string from;   // "Ann", or "Saves" for the loose saves
    std::string to;     // the destination character
    std::string trash;  // "trash" or "Recycle Bin"
};

// "1 save" or "3 saves"; the same for co-saves.
std::string countOf(std::size_t n, const char* singular);

// "2 saves and 1 co-save", or "2 saves" when no co-save went.
std::string savesAndCoSaves(std::size_t saves, std::size_t coSaves);

// How many saves are wholly where they were sent (a co-save left in both
// folders too), and how many co-saves went with them.
std::size_t arrivedCount(const std::vector<saves::TransferResult>& results);
std::size_t arrivedCoSaves(const std::vector<saves::TransferResult>& results);

// One line for each save that is not wholly where it was sent, each after a
// line break: why, and where each of its files is.
std::string transferReasons(const std::vector<saves::TransferResult>& results, Verb verb,
                            const PlaceNames& places);

// The whole summary: "Success." only when every save is wholly where it was
// sent, else "Failed." with the reasons after a blank line.
std::string transferSummary(const std::vector<saves::TransferResult>& results, Verb verb,
                            const PlaceNames& places);

}  // namespace quarlo::app
