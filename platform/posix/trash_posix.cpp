#include "platform/posix/trash_posix.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/posix/util.h"
#include "platform/wine/case_paths.h"

namespace quarlo::platform::posix {

namespace {

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) {
        return path;
    }
    std::string out = std::string(cwd) + "/" + path;
    std::free(cwd);
    return out;
}

// A folder Quarlo may put trash in: made for the user alone when missing,
// never through a link, and the user's own.
bool userFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool makePath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const std::string parent = parentOf(path);
    if (parent != path && !makePath(parent)) {
        return false;
    }
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The top of the file system a path is on: the last folder going up that is
// still on its device.
std::string topOf(const std::string& path, dev_t device) {
    std::string top = parentOf(path);
    while (top != "/") {
        const std::string up = parentOf(top);
        struct stat st {};
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != device) {
            break;
        }
        top = up;
    }
    return top;
}

struct TrashFolder {
    std::string files;
    std::string info;
    std::string top;  // "" for the home trash, whose Path keys are absolute
};

std::optional<TrashFolder> trashIn(const std::string& base, std::string top) {
    if (!userFolder(base) || !userFolder(base + "/files") || !userFolder(base + "/info")) {
        return std::nullopt;
    }
    return TrashFolder{base + "/files", base + "/info", std::move(top)};
}

// The trash for a file on another file system than the home: the shared
// $top/.Trash/$uid where the administrator has made $top/.Trash sticky and
// it is no link, else $top/.Trash-$uid.
std::optional<TrashFolder> topTrash(const std::string& top) {
    const std::string uid = std::to_string(::getuid());
    const std::string root = top == "/" ? std::string() : top;
    const std::string shared = root + "/.Trash";
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        if (auto t = trashIn(shared + "/" + uid, top)) {
            return t;
        }
    }
    return trashIn(root + "/.Trash-" + uid, top);
}

std::string deletionDate() {
    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// One file in the trash: its name under files/ and its .trashinfo.
struct Trashed {
    std::string original;
    std::string file;
    std::string info;
};

// Claims a name in the trash by creating its .trashinfo exclusively, as
// every program sharing the trash does; "Save 1.2.ess" when "Save 1.ess" is
// taken.
std::optional<Trashed> claim(const TrashFolder& trash, const std::string& original) {
    const std::string name = baseName(original);
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = stem.size() == name.size() ? std::string() : name.substr(dot);
    std::string path = original;
    if (!trash.top.empty() && trash.top != "/") {
        path = original.substr(trash.top.size() + 1);
    } else if (!trash.top.empty()) {
        path = original.substr(1);
    }
    const std::string content =
        "[Trash Info]\nPath=" + trashInfoPath(path) + "\nDeletionDate=" + deletionDate() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : stem + "." + std::to_string(n) + ext;
        const std::string info = trash.info + "/" + candidate + ".trashinfo";
        Fd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        const std::string file = trash.files + "/" + candidate;
        struct stat st {};
        bool ok = ::lstat(file.c_str(), &st) != 0 && errno == ENOENT;
        ok = ok && ::write(fd.get(), content.data(), content.size()) ==
                       static_cast<ssize_t>(content.size());
        ok = ok && ::fsync(fd.get()) == 0;
        ok = fd.close() && ok;
        if (!ok) {
            ::unlink(info.c_str());
            if (errno == EEXIST || ::lstat(file.c_str(), &st) == 0) {
                continue;
            }
            return std::nullopt;
        }
        return Trashed{original, file, info};
    }
    return std::nullopt;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ||
           ((errno == EINVAL || errno == ENOSYS) && ::rename(from.c_str(), to.c_str()) == 0);
}

}  // namespace

std::string trashInfoPath(const std::string& path) {
    static constexpr std::string_view kKept = "/-_.~!$&'()*+,;=:@";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            kKept.find(static_cast<char>(c)) != std::string_view::npos) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

PosixTrash::PosixTrash(std::string dataHome) : dataHome_(std::move(dataHome)) {}

PosixTrash::PosixTrash() {
    dataHome_ = env("XDG_DATA_HOME");
    if (dataHome_.empty() || dataHome_.front() != '/') {
        dataHome_ = env("HOME") + "/.local/share";
    }
}

TrashOutcome PosixTrash::moveToTrash(const std::vector<std::string>& paths) {
    std::vector<Trashed> done;
    const auto undo = [&done](TrashOutcome outcome) {
        // Back where they were, newest first; a name is free again there
        // unless another program took it meanwhile, which the rename refuses.
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (renameNoReplace(it->file, it->original)) {
                ::unlink(it->info.c_str());
            }
        }
        return outcome;
    };
    const std::string homeTrash = withoutTrailingSlashes(dataHome_) + "/Trash";
    std::optional<dev_t> homeDevice;
    for (const std::string& given : paths) {
        std::string path = absolute(given);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            path = wine::resolveCase(path);
            if (::lstat(path.c_str(), &st) != 0) {
                return undo(TrashOutcome::failed);
            }
        }
        if (!homeDevice && makePath(dataHome_)) {
            struct stat home {};
            if (::stat(dataHome_.c_str(), &home) == 0) {
                homeDevice = home.st_dev;
            }
        }
        std::optional<TrashFolder> trash;
        if (homeDevice && *homeDevice == st.st_dev) {
            trash = trashIn(homeTrash, {});
        } else {
            // Never a copy across file systems: a trash on the file's own
            // one, or none.
            trash = topTrash(topOf(path, st.st_dev));
            if (!trash) {
                return undo(TrashOutcome::unavailable);
            }
        }
        if (!trash) {
            return undo(TrashOutcome::failed);
        }
        std::optional<Trashed> slot = claim(*trash, path);
        if (!slot) {
            return undo(TrashOutcome::failed);
        }
        if (!renameNoReplace(path, slot->file)) {
            const int error = errno;
            ::unlink(slot->info.c_str());
            return undo(error == EXDEV ? TrashOutcome::unavailable : TrashOutcome::failed);
        }
        done.push_back(std::move(*slot));
    }
    return TrashOutcome::done;
}

}  // namespace quarlo::platform::posix
