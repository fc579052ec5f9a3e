#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo::saves {

// What a co-save is, read from its own bytes.
enum class CoSaveKind {
    scriptExtender,  // the script extender's: "OBSE", its version, the game's
    pluggy,          // Pluggy's: "PluggySave", the plugins it knew
    unknown,         // no co-save of either (a file of another program)
};

enum class CoSaveProblem {
    none,
    cutShort,    // its blocks run past the file's end
    notACoSave,  // its kind's mark is there but what follows is no co-save
};

struct CoSaveFacts {
    CoSaveKind kind = CoSaveKind::unknown;
    CoSaveProblem problem = CoSaveProblem::none;
    // The script extender's version ("21.4"), the game version it recorded
    // ("1.2.0416") and how many of its plugins stored data.
    std::string extenderVersion;
    std::string gameVersion;
    std::size_t pluginsWithData = 0;
    // Pluggy's: the game plugins it names, in its order, as the game wrote
    // them (the ANSI code page).
    std::vector<std::string> plugins;
};

// Reads a co-save's facts from its file name (its extension says what it
// should be: ".obse", ".pluggy", with or without the game's ".bak") and its
// whole bytes. Every length in it is checked against what is there: nothing
// it says is trusted.
CoSaveFacts readCoSave(std::string_view fileName, std::string_view bytes);

}  // namespace quarlo::saves
