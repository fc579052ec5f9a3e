#include "platform/posix/processes_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/posix/util.h"
#include "platform/store_facts.h"

extern char** environ;

namespace quarlo::platform::posix {

namespace {

// The arguments as exec takes them, ending in a null pointer; valid while
// `argv` is.
std::vector<char*> execArguments(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    return args;
}

}  // namespace

bool spawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    if (argv.empty()) {
        return false;
    }
    std::vector<char*> args = execArguments(argv);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        envStore.emplace_back(*e);
    }
    for (const auto& kv : extraEnv) {
        const auto eq = kv.find('=');
        const std::string name = kv.substr(0, eq + 1);
        std::erase_if(envStore, [&](const std::string& s) { return s.rfind(name, 0) == 0; });
        envStore.push_back(kv);
    }
    std::vector<char*> envp;
    for (auto& s : envStore) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);

    // The grandchild reports a failed exec through a close-on-exec pipe: no
    // bytes means exec succeeded.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execvpe(args[0], args.data(), envp.data());
            const int err = errno;
            [[maybe_unused]] auto n = ::write(fds[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(fds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(fds[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(fds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

namespace {

bool isFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool PosixProcesses::startLauncher(const std::string& launcherPath) {
    if (!prefix_) {
        return isFile(launcherPath) && spawnDetached({launcherPath});
    }
    if (prefix_->launcher != wine::Launcher::wine) {
        // The launcher that made the prefix starts the game, by its own
        // command or else through the desktop's URL handler (which reaches
        // its Flatpak too).
        const char* program = prefix_->launcher == wine::Launcher::steam    ? "steam"
                              : prefix_->launcher == wine::Launcher::heroic ? "heroic"
                                                                            : "lutris";
        const std::string url =
            !prefix_->launchUrl.empty() ? prefix_->launchUrl
            : game_->steamAppIds.empty()
                ? std::string()
                : std::string(stores::kSteamRunUrl) + std::string(game_->steamAppIds.front());
        if (spawnDetached({program, url}) || spawnDetached({"xdg-open", url})) {
            return true;
        }
        // Only Steam sets Proton up; the others' prefixes are Wine's own.
        if (prefix_->launcher == wine::Launcher::steam) {
            return false;
        }
    }
    return isFile(wine::windowsToLinuxPath(prefix_->path, launcherPath)) &&
           spawnDetached({"wine", launcherPath}, {"WINEPREFIX=" + prefix_->path});
}

namespace {

bool isGameProgram(std::string_view path, const games::Game& game) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    return std::any_of(game.programs.begin(), game.programs.end(), [&](std::string_view program) {
        return name.size() == program.size() &&
               std::equal(name.begin(), name.end(), program.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    });
}

std::string firstBytes(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string bytes(limit, '\0');
    const ssize_t n = ::read(fd, bytes.data(), limit);
    ::close(fd);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

}  // namespace

bool gameRunsUnder(const std::string& procFolder, const games::Game& game) {
    const Folder proc = openFolder(procFolder);
    if (!proc) {
        return false;
    }
    while (const dirent* entry = ::readdir(proc.get())) {
        const std::string_view pid(entry->d_name);
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string_view::npos) {
            continue;
        }
        const std::string base = procFolder + "/" + std::string(pid);
        std::string comm = firstBytes(base + "/comm", 64);
        while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0')) {
            comm.pop_back();
        }
        if (isGameProgram(comm, game)) {
            return true;
        }
        // argv[0], and argv[1] after wine or a preloader, NUL-separated.
        const std::string cmdline = firstBytes(base + "/cmdline", 8192);
        std::string_view rest(cmdline);
        for (int arg = 0; arg < 2 && !rest.empty(); ++arg) {
            const std::size_t end = rest.find('\0');
            if (isGameProgram(rest.substr(0, end), game)) {
                return true;
            }
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
    }
    return false;
}

bool PosixProcesses::openFolder(const std::string& folder) {
    // The folder is a Linux path even when the game runs under Wine: the
    // desktop's own file manager shows it. A name starting with '-' must not
    // read as an option.
    if (folder.empty() || folder.front() != '/') {
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    return spawnDetached({"xdg-open", folder});
}

std::string PosixProcesses::executableFolder() const {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

namespace {

// The child's process group a wrapper waits for, for the signal handlers.
volatile sig_atomic_t waitedGroup = 0;

void passOn(int signal) {
    if (waitedGroup > 0) {
        ::kill(-static_cast<pid_t>(waitedGroup), signal);
    }
}

// The terminal this process runs in the foreground of, or -1: only then
// is the game given the terminal, and taken back from it.
int foregroundTerminal() {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    if (::tcgetpgrp(fd) != ::getpgrp()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Gives the terminal's foreground to a process group; the calls a
// background group makes to it would stop it otherwise.
void giveTerminal(int tty, pid_t group) {
    sigset_t ttou;
    sigset_t old;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    ::sigprocmask(SIG_BLOCK, &ttou, &old);
    ::tcsetpgrp(tty, group);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace

int PosixProcesses::runAndWait(const std::vector<std::string>& command) {
    if (command.empty()) {
        return kCannotStart;
    }
    std::vector<char*> args = execArguments(command);
    // The child runs in a process group of its own, so that a signal sent to
    // this process's whole group (Ctrl+C in a terminal, a launcher ending its
    // group) reaches it once, through this process, and never twice. Those a
    // launcher sends to stop the game are passed on while it runs, never left
    // to end this process first and leave the game orphaned; those this
    // process was started with ignored (nohup, a background job) stay
    // ignored in the child, as they would have been without Quarlo.
    constexpr int kPassed[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    constexpr std::size_t kCount = sizeof kPassed / sizeof kPassed[0];
    bool ignored[kCount]{};
    for (std::size_t i = 0; i < kCount; ++i) {
        struct sigaction now {};
        ::sigaction(kPassed[i], nullptr, &now);
        ignored[i] = now.sa_handler == SIG_IGN;
    }
    sigset_t blocked;
    sigset_t old;
    sigemptyset(&blocked);
    for (const int sig : kPassed) {
        sigaddset(&blocked, sig);
    }
    sigaddset(&blocked, SIGCHLD);
    // Blocked until the child's group is known, so that none is lost.
    ::sigprocmask(SIG_BLOCK, &blocked, &old);
    const int tty = foregroundTerminal();
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        ::sigprocmask(SIG_SETMASK, &old, nullptr);
        if (tty >= 0) {
            ::close(tty);
        }
        return kCannotStart;
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        // A wrapper killed outright must not leave the game running on its
        // own: it is asked to stop, as a launcher would.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(128 + SIGTERM);
        }
        for (std::size_t i = 0; i < kCount; ++i) {
            ::signal(kPassed[i], ignored[i] ? SIG_IGN : SIG_DFL);
        }
        ::sigprocmask(SIG_SETMASK, &old, nullptr);
        ::execvp(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] const auto n = ::write(ready[1], &error, sizeof error);
        ::_exit(kCannotStart);
    }
    ::close(ready[1]);
    if (child < 0) {
        ::close(ready[0]);
        ::sigprocmask(SIG_SETMASK, &old, nullptr);
        if (tty >= 0) {
            ::close(tty);
        }
        return kCannotStart;
    }
    ::setpgid(child, child);  // as the child does: whichever runs first
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(ready[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(ready[0]);
    if (got > 0) {
        // exec failed: the child is gone already.
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        ::sigprocmask(SIG_SETMASK, &old, nullptr);
        if (tty >= 0) {
            ::close(tty);
        }
        return kCannotStart;
    }
    if (tty >= 0) {
        giveTerminal(tty, child);
    }
    waitedGroup = child;
    struct sigaction pass {};
    pass.sa_handler = passOn;
    sigemptyset(&pass.sa_mask);
    pass.sa_flags = SA_RESTART;
    struct sigaction before[kCount] {};
    for (std::size_t i = 0; i < kCount; ++i) {
        if (!ignored[i]) {
            ::sigaction(kPassed[i], &pass, &before[i]);
        }
    }
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    int status = 0;
    pid_t waited = -1;
    while (true) {
        waited = ::waitpid(child, &status, WUNTRACED);
        if (waited < 0 && errno == EINTR) {
            continue;
        }
        if (waited > 0 && WIFSTOPPED(status)) {
            // Stopped from the terminal (Ctrl+Z): this process stops too,
            // the terminal back with its shell, and on `fg` the game goes on
            // in the foreground again.
            if (tty >= 0) {
                giveTerminal(tty, ::getpgrp());
            }
            ::raise(SIGSTOP);
            if (tty >= 0) {
                giveTerminal(tty, child);
            }
            ::kill(-child, SIGCONT);
            continue;
        }
        break;
    }
    for (std::size_t i = 0; i < kCount; ++i) {
        if (!ignored[i]) {
            ::sigaction(kPassed[i], &before[i], nullptr);
        }
    }
    waitedGroup = 0;
    if (tty >= 0) {
        giveTerminal(tty, ::getpgrp());
        ::close(tty);
    }
    if (waited < 0) {
        return kCannotStart;
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

Processes::Captured PosixProcesses::capture(const std::vector<std::string>& command, int limitMs,
                                            std::size_t largestOut) {
    Captured got;
    if (command.empty()) {
        return got;
    }
    std::vector<char*> args = execArguments(command);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return got;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return got;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // A group of its own, so that the time limit ends whatever it
        // started too (rclone's own helpers).
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int none = ::open("/dev/null", O_RDONLY);
        if (none >= 0) {
            ::dup2(none, 0);
        }
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execvp(args[0], args.data());
        ::_exit(kCannotStart);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (child < 0) {
        ::close(out[0]);
        ::close(err[0]);
        return got;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    bool tooMuch = false;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    char buffer[16384];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            got.timedOut = true;
            break;
        }
        const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::string& to = i == 0 ? got.out : got.err;
            to.append(buffer, static_cast<std::size_t>(n));
            if (i == 1 && to.size() > 8192) {
                to.erase(0, to.size() - 4096);
            }
            if (i == 0 && to.size() > largestOut) {
                tooMuch = true;
            }
        }
        if (tooMuch) {
            break;
        }
    }
    for (const pollfd& f : fds) {
        if (f.fd >= 0) {
            ::close(f.fd);
        }
    }
    if (got.timedOut || tooMuch) {
        ::kill(-child, SIGKILL);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    got.status = WIFEXITED(status)     ? WEXITSTATUS(status)
                 : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                       : kCannotStart;
    if (tooMuch && got.status == 0) {
        got.status = 1;
    }
    return got;
}

}  // namespace quarlo::platform::posix

namespace quarlo::platform {

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

}  // namespace quarlo::platform
