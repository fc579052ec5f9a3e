#pragma once

#include <string>

#include "platform/platform.h"

namespace quarlo::app {

class Game;

// Where the code page of a game folder's texts (a save's player, location
// and plugins) came from.
enum class CodePageFrom {
    command,  // --code-page, for one command
    kept,     // chosen for this game folder and kept
    game,     // the game's own language setting
    system,   // the system's ANSI code page (under Wine, the prefix's)
};

struct CodePageChoice {
    int number = 0;  // 1250..1258; 0 for the system's, whichever that is
    CodePageFrom from = CodePageFrom::system;
    // The setting that told it, as the game's file holds it: "sLanguage=RUSSIAN".
    std::string setting;
};

// Whether a player may choose the code page: the single-byte Windows ones,
// 1250 (Central European) to 1258 (Vietnamese).
bool isCodePageChoice(int number);

// The command's choice (0 for none), else the one kept for the game folder,
// else the game's language setting, else the system's.
CodePageChoice chooseCodePage(Game& game, int forCommand = 0);

// The code page kept for the game folder, 0 for none.
int keptCodePage(Game& game);
// Keeps `number` for the game folder; 0 forgets it, so that the game's
// setting or the system decides again. A "Success." or "Failed." sentence.
std::string keepCodePage(Game& game, int number);

// From now on the game folder's texts are read in the chosen code page: ""
// when they are, else a "Failed." sentence saying the system cannot convert
// it, and the system's code page is used.
std::string useCodePage(Game& game, platform::Platform& platform, int forCommand = 0);

// The choice in words, for the command line and the window: "1251 (the
// game's setting sLanguage=RUSSIAN)".
std::string describeCodePage(const CodePageChoice& choice, int systemCodePage);

}  // namespace quarlo::app
