#pragma once

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
};

// The exit status of a command that could not be started.
inline constexpr int kCannotStart = 127;

}  // namespace quarlo::platform
