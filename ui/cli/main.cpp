// `quarlo` on Linux: the command line itself, without Qt, so that a switch
// in a launch option costs no more than the switch; the window and the
// picker are the Qt program beside it, which this one becomes for them.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "ui/cli/command_line.h"

extern char** environ;

namespace {

// The Qt program, in the folder this one was started from.
std::string windowProgram() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return "quarlo-gui";
    }
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + "quarlo-gui";
}

// A failure of `run` is shown by the Qt program in the picker's style.
class Delegated : public quarlo::cli::Screens {
  public:
    void pick(quarlo::app::Picker&) override {}  // the Qt program runs every --pick
    void showFailure(const std::string& text) override {
        const std::string program = windowProgram();
        std::vector<char*> args{const_cast<char*>(program.c_str()),
                                const_cast<char*>("--show-failure"),
                                const_cast<char*>(text.c_str()), nullptr};
        pid_t child = 0;
        if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, args.data(), environ) == 0) {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Over ssh or in a script there is no display to show anything on.
    const bool display =
        std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (args.empty() || (display && quarlo::cli::wantsPicker(args))) {
        // The window, or the picker: the Qt program in this process's place,
        // so that a launcher still waits on the very process it started.
        const std::string program = windowProgram();
        argv[0] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), argv);
        std::cerr << "quarlo: " << program << " could not be started.\n";
        return 127;
    }
    // Without a display, --pick says so ("Failed. The picker needs a
    // display.") rather than start a window that cannot open.
    Delegated screens;
    return quarlo::cli::runHere(args, std::cout, std::cerr, display ? &screens : nullptr);
}
