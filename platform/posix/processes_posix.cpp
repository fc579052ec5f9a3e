#include "platform/posix/processes_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/game_facts.h"
#include "platform/posix/util.h"

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
        const std::string url = prefix_->launchUrl.empty() ? std::string(game::kSteamRunUrl) +
                                                                 std::string(game::kSteamAppId)
                                                           : prefix_->launchUrl;
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

bool isGameProgram(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    return name.size() == game::kGameProcess.size() &&
           std::equal(name.begin(), name.end(), game::kGameProcess.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
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

bool gameRunsUnder(const std::string& procFolder) {
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
        if (isGameProgram(comm)) {
            return true;
        }
        // argv[0], and argv[1] after wine or a preloader, NUL-separated.
        const std::string cmdline = firstBytes(base + "/cmdline", 8192);
        std::string_view rest(cmdline);
        for (int arg = 0; arg < 2 && !rest.empty(); ++arg) {
            const std::size_t end = rest.find('\0');
            if (isGameProgram(rest.substr(0, end))) {
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

// The child a wrapper waits for, for the signal handlers.
volatile sig_atomic_t waitedChild = 0;

void passOn(int signal) {
    if (waitedChild > 0) {
        ::kill(static_cast<pid_t>(waitedChild), signal);
    }
}

}  // namespace

int PosixProcesses::runAndWait(const std::vector<std::string>& command) {
    if (command.empty()) {
        return kCannotStart;
    }
    std::vector<char*> args = execArguments(command);
    // The signals a launcher sends to stop the game reach it through this
    // process: they are passed on while it runs, never left to end this
    // process first and leave the game orphaned.
    constexpr int kPassed[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction pass {};
    pass.sa_handler = passOn;
    sigemptyset(&pass.sa_mask);
    pass.sa_flags = SA_RESTART;
    struct sigaction before[4]{};
    sigset_t blocked;
    sigset_t old;
    sigemptyset(&blocked);
    for (const int sig : kPassed) {
        sigaddset(&blocked, sig);
    }
    // Blocked until the child's number is known, so that none is lost.
    ::sigprocmask(SIG_BLOCK, &blocked, &old);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with the signal mask and dispositions this process
    // had, not the blocking above.
    posix_spawnattr_setsigmask(&attr, &old);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : kPassed) {
        sigaddset(&defaults, sig);
    }
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (error != 0) {
        ::sigprocmask(SIG_SETMASK, &old, nullptr);
        return kCannotStart;
    }
    waitedChild = child;
    for (std::size_t i = 0; i < 4; ++i) {
        ::sigaction(kPassed[i], &pass, &before[i]);
    }
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    int status = 0;
    pid_t got = -1;
    do {
        got = ::waitpid(child, &status, 0);
    } while (got < 0 && errno == EINTR);
    for (std::size_t i = 0; i < 4; ++i) {
        ::sigaction(kPassed[i], &before[i], nullptr);
    }
    waitedChild = 0;
    if (got < 0) {
        return kCannotStart;
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace quarlo::platform::posix
