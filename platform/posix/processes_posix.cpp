#include "platform/posix/processes_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/game_facts.h"

extern char** environ;

namespace quarlo::platform::posix {

bool spawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    if (argv.empty()) {
        return false;
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

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
    if (prefix_->isProton) {
        const std::string url = "steam://rungameid/" + std::string(game::kSteamAppId);
        return spawnDetached({"steam", url}) || spawnDetached({"xdg-open", url});
    }
    return isFile(wine::windowsToLinuxPath(prefix_->path, launcherPath)) &&
           spawnDetached({"wine", launcherPath}, {"WINEPREFIX=" + prefix_->path});
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

}  // namespace quarlo::platform::posix
