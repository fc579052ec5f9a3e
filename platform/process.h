#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quarlo::platform {

class Processes {
  public:
    virtual ~Processes() = default;

    // Starts the game's launcher (a path as the registry gives it) in a normal,
    // focused window, with no arguments, and does not wait for it. False when
    // it could not be started.
    virtual bool startLauncher(const std::string& launcherPath) = 0;

    // Whether the game itself is running now (a process whose image is the
    // game's program, in any case).
    virtual bool gameIsRunning() const = 0;
    // Shows a folder in the system's file manager (xdg-open on Linux, the
    // shell's "open" on Windows) and does not wait for it. False when nothing
    // could be started.
    virtual bool openFolder(const std::string& folder) = 0;

    // The folder that holds this program's executable, without a trailing
    // separator unless it is a root.
    virtual std::string executableFolder() const = 0;

    // Runs a program with exactly these arguments (the first its name,
    // looked up on the PATH) and this process's environment, waits for it
    // and gives its exit status; 128 + the signal's number where a signal
    // ended it. Signals asking this process to stop (interrupt, terminate,
    // hang-up) are passed on to it meanwhile, so that it never runs on
    // orphaned. 127, as a shell gives, when it cannot be started.
    virtual int runAndWait(const std::vector<std::string>& command) = 0;

    // What a helper program (rclone) printed, and how it ended.
    struct Captured {
        int status = 127;       // as runAndWait gives it
        bool timedOut = false;  // stopped at the time limit, and then killed
        std::string out;        // standard output, whole
        std::string err;        // the last few KiB of standard error
    };
    // Runs a program with exactly these arguments, without a console
    // window, its standard input empty, and gives what it printed. Killed
    // (its whole process group) once `limitMs` have passed, so that a helper
    // that hangs never holds Quarlo. At most `largestOut` bytes of output are
    // kept; more ends it as a failure.
    virtual Captured capture(const std::vector<std::string>& command, int limitMs,
                             std::size_t largestOut) {
        (void)command;
        (void)limitMs;
        (void)largestOut;
        return {};
    }
};

// This computer's name as people know it (the host name), "" when the
// system gives none.
std::string hostName();

// The exit status of a command that could not be started.
inline constexpr int kCannotStart = 127;

}  // namespace quarlo::platform
