#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/picker.h"
#include "platform/platform.h"

namespace quarlo::cli {

// What only a front end with windows can show: the picker, and a failure
// where nobody reads standard error (a launch option). Null where there is
// no display.
class Screens {
  public:
    virtual ~Screens() = default;
    // Runs the picker full-screen until the player chose or it timed out.
    virtual void pick(app::Picker& picker) = 0;
    // Shows a failure full-screen, in the picker's style, until a key.
    virtual void showFailure(const std::string& text) = 0;
};

// The program's version, as --version prints it.
inline constexpr const char* kVersion = "1.0.0";

// Quarlo started with arguments: the verbs below, over the same commands the
// window runs. Returns the exit status: 0 for "Success.", 1 for "Failed."
// and for output that could not be written, 2 for a command line it does
// not understand (one line saying why on `err`, then "Try 'quarlo
// --help'."), and for `run` the status of the command it started.
// `screens` makes its window only for --pick or to show a failure of `run`.
//
//   quarlo list | games | saves NAME      (each with --json)
//   quarlo switch NAME | new NAME | rename NAME NEW | tidy [--keep N] [--yes] NAME
//   quarlo backup NAME | backups NAME | restore NAME ID
//   quarlo run [--character NAME | --pick [--timeout S]] [-- COMMAND [ARG...]]
//   quarlo --help | --version
//   and anywhere before "--": --root DIR, --game ID
// `platform` is the chosen game's (chooseGame); `found` gives the games
// found here, for `games`.
int run(const std::vector<std::string>& args, platform::Platform& platform, std::ostream& out,
        std::ostream& err, Screens* screens,
        const std::function<std::vector<platform::FoundGame>()>& found = {});

// The game a verb works on, chosen before its platform is made: the one
// --game names; else the one a store's launch option is starting
// (`launchApp`, a Steam app id of a game of the family); else the only game
// found here; else the one last chosen (`remembered`, a key); else Oblivion.
// `found` is asked only when it decides. `error` is set (and the command line
// not understood) for --game of no game Quarlo knows.
struct GameChoice {
    const games::Game* game = &games::oblivion();
    std::string error;
};
GameChoice chooseGame(const std::vector<std::string>& args, std::string_view launchApp,
                      const std::function<std::vector<platform::FoundGame>()>& found,
                      std::string_view remembered);

// The command line as a program runs it: the game chosen (chooseGame, from
// this process's environment and Quarlo's settings), its platform made as a
// launch option's, then run.
int runHere(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            Screens* screens);

// Whether the arguments ask for the picker, which alone needs a display.
bool wantsPicker(const std::vector<std::string>& args);

}  // namespace quarlo::cli
