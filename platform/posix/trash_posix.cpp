#include "platform/posix/trash_posix.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/posix/save_files_posix.h"
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

// The path with its folder's links resolved, as the desktop's own trash
// sees it: a save folder reached through a link onto another drive is on
// that drive, and its trash is at that drive's top. The file itself is not
// resolved: it is the name that goes to the trash.
std::optional<std::string> resolvedFolder(const std::string& path) {
    char* real = ::realpath(parentOf(path).c_str(), nullptr);
    if (real == nullptr) {
        return std::nullopt;
    }
    std::string out(real);
    std::free(real);
    return out == "/" ? "/" + baseName(path) : out + "/" + baseName(path);
}

// The device of the folder, or of the nearest folder above it that exists:
// where it would be made.
std::optional<dev_t> deviceOf(std::string folder) {
    while (true) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0) {
            return st.st_dev;
        }
        if (folder == "/" || folder.empty() || folder == ".") {
            return std::nullopt;
        }
        folder = parentOf(folder);
    }
}

// The top of the file system a resolved path is on: the last folder going
// up that is still on its device.
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

// The Path key's value before escaping: absolute in the home trash, below
// the top in a drive's.
std::string relativeToTop(const TrashFolder& trash, const std::string& path) {
    if (trash.top.empty()) {
        return path;
    }
    if (trash.top == "/") {
        return path.substr(1);
    }
    return path.size() > trash.top.size() ? path.substr(trash.top.size() + 1) : std::string();
}

// Claims a name in the trash by creating its .trashinfo exclusively, as
// every program sharing the trash does; "Save 1.2.ess" when "Save 1.ess" is
// taken.
std::optional<Trashed> claim(const TrashFolder& trash, const std::string& original, bool flush,
                             const std::string& date, bool unnamedAllowed = true) {
    const std::string name = baseName(original);
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = stem.size() == name.size() ? std::string() : name.substr(dot);
    const std::string content =
        "[Trash Info]\nPath=" + trashInfoPath(relativeToTop(trash, original)) +
        "\nDeletionDate=" + date + "\n";
    // The info is written whole in a file without a name (O_TMPFILE), or
    // where the file system has none, under a name no trash reads; then it
    // is given its name without replacing one: a failure half way never
    // leaves a .trashinfo half written, and no other program sees one.
    Fd fd(unnamedAllowed ? ::open(trash.info.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1);
    const bool unnamed = fd.valid();
    std::string temp;
    if (!unnamed) {
        temp = trash.info + "/.quarlo-" + std::to_string(::getpid()) + ".trashinfo-part";
        fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    }
    const auto discard = [&] {
        if (!unnamed) {
            ::unlink(temp.c_str());
        }
        return std::nullopt;
    };
    bool ok = fd.valid() && ::write(fd.get(), content.data(), content.size()) ==
                                static_cast<ssize_t>(content.size());
    // In a batch, one flush of the trash's file system serves them all
    // before any file moves.
    ok = ok && (!flush || ::fsync(fd.get()) == 0);
    if (!unnamed) {
        ok = fd.close() && ok;
    }
    if (!ok) {
        return discard();
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : stem + "." + std::to_string(n) + ext;
        const std::string info = trash.info + "/" + candidate + ".trashinfo";
        const std::string file = trash.files + "/" + candidate;
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 || errno != ENOENT) {
            continue;
        }
        // A name for the written info, refused where the name is taken;
        // where the drive has no links, a rename that never replaces.
        int error = 0;
        if (unnamed) {
            error = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, info.c_str(), AT_SYMLINK_FOLLOW) == 0
                        ? 0
                        : errno;
        } else {
            error = ::link(temp.c_str(), info.c_str()) == 0 ? 0 : errno;
            if (error == 0) {
                ::unlink(temp.c_str());
            } else if (error != EEXIST) {
                error = renameNoReplace(temp, info);
            }
        }
        if (error == EEXIST) {
            continue;
        }
        if (error != 0 && unnamed) {
            // Without /proc, a file without a name cannot be given one.
            return claim(trash, original, flush, date, false);
        }
        if (error != 0) {
            return discard();
        }
        if (unnamed && !fd.close()) {
            ::unlink(info.c_str());
            return std::nullopt;
        }
        return Trashed{original, file, info, original, original};
    }
    return discard();
}

// Whether an info file left without its file (a failure whose undo failed
// too) may go: one about a file of `folder`, written over a minute ago, so
// that another program's trashing in progress is never touched.
bool staleOrphan(const std::string& info, const std::string& pathKey) {
    struct stat st {};
    if (::lstat(info.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_mtime > ::time(nullptr) - 60 || st.st_size > 4096) {
        return false;
    }
    std::string content;
    {
        Fd fd(::open(info.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        char buffer[4096];
        const ssize_t n = fd.valid() ? ::read(fd.get(), buffer, sizeof buffer) : -1;
        if (n <= 0) {
            return false;
        }
        content.assign(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t at = content.find("\nPath=" + pathKey);
    if (at == std::string::npos) {
        return false;
    }
    // Directly in that folder, not deeper.
    const std::size_t from = at + 6 + pathKey.size();
    const std::size_t end = content.find('\n', from);
    const std::string rest = content.substr(from, end == std::string::npos ? end : end - from);
    return rest.find('/') == std::string::npos && !rest.empty();
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

void PosixTrash::removeOrphans() {
    for (auto it = orphans_.begin(); it != orphans_.end();) {
        it = ::unlink(it->c_str()) == 0 || errno == ENOENT ? orphans_.erase(it) : std::next(it);
    }
}

void PosixTrash::cleanOrphans(const std::string& infoFolder, const std::string& filesFolder,
                              const std::string& pathKey) {
    removeOrphans();
    if (!cleaned_.insert(infoFolder + "\n" + pathKey).second) {
        return;
    }
    const Folder dir = openFolder(infoFolder);
    if (!dir) {
        return;
    }
    static constexpr std::string_view kInfo = ".trashinfo";
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name.size() <= kInfo.size() || !name.ends_with(kInfo)) {
            continue;
        }
        const std::string file =
            filesFolder + "/" + std::string(name.substr(0, name.size() - kInfo.size()));
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 || errno != ENOENT) {
            continue;
        }
        const std::string info = infoFolder + "/" + std::string(name);
        if (staleOrphan(info, pathKey)) {
            ::unlink(info.c_str());
        }
    }
}

TrashResult PosixTrash::undo(std::vector<Trashed>& done, TrashOutcome outcome) {
    TrashResult result;
    // Back where they were, newest first; a name is free again there unless
    // another program took it meanwhile, which the rename refuses.
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        if (it->placed && renameNoReplace(it->file, it->from) != 0) {
            // Still in the trash, with its info, where the user can restore
            // it from.
            result.inTrash.push_back(it->given);
        } else if (::unlink(it->info.c_str()) != 0) {
            orphans_.push_back(it->info);
        }
    }
    // An info left without its file is tried once more before this call
    // ends, and again by every later one.
    removeOrphans();
    result.outcome = outcome;
    return result;
}

struct PosixTrash::Batch {
    std::map<std::string, std::optional<std::string>> folders;  // as given -> resolved
    std::map<dev_t, std::optional<TrashFolder>> trashes;
    std::string date = deletionDate();
    bool homeMade = false;
    std::optional<dev_t> homeDevice;
};

TrashOutcome PosixTrash::claimFor(const std::string& given, bool flush, Trashed& out,
                                  Batch& batch) {
    std::string path = absolute(given);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        path = wine::resolveCase(path);
        if (::lstat(path.c_str(), &st) != 0) {
            return TrashOutcome::failed;
        }
    }
    const std::string parent = parentOf(path);
    auto folder = batch.folders.find(parent);
    if (folder == batch.folders.end()) {
        folder = batch.folders.emplace(parent, resolvedFolder(path)).first;
        if (folder->second) {
            folder->second = parentOf(*folder->second);
        }
    }
    if ((!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) || !folder->second) {
        return TrashOutcome::failed;
    }
    const std::string real =
        *folder->second == "/" ? "/" + baseName(path) : *folder->second + "/" + baseName(path);
    // The home trash names files by the path as given, a drive's trash by the
    // resolved path below its top, as the desktop's own trash does.
    const TrashOutcome claimed = claimResolved(real, st.st_dev, flush, out, batch, path);
    if (claimed == TrashOutcome::done) {
        out.from = path;
        out.given = given;
    }
    return claimed;
}

TrashOutcome PosixTrash::claimResolved(const std::string& real, dev_t device, bool flush,
                                       Trashed& out, Batch& batch, const std::string& given) {
    // The home trash serves every file on the file system $XDG_DATA_HOME is
    // (or would be) on; when that folder cannot be made, those files have no
    // trash, rather than another one.
    const bool home = batch.homeDevice && *batch.homeDevice == device;
    if (home && !batch.homeMade) {
        return TrashOutcome::failed;
    }
    auto found = batch.trashes.find(device);
    if (found == batch.trashes.end()) {
        // Never a copy across file systems: a trash on the file's own one,
        // or none.
        found =
            batch.trashes
                .emplace(device, home ? trashIn(withoutTrailingSlashes(dataHome_) + "/Trash", {})
                                      : topTrash(topOf(real, device)))
                .first;
    }
    if (!found->second) {
        return home ? TrashOutcome::failed : TrashOutcome::unavailable;
    }
    const TrashFolder* trash = &*found->second;
    const std::string named = trash->top.empty() && !given.empty() ? given : real;
    const std::string key = trashInfoPath(relativeToTop(*trash, parentOf(named))) + "/";
    cleanOrphans(trash->info, trash->files, key);
    std::optional<Trashed> slot = claim(*trash, named, flush, batch.date);
    if (!slot) {
        return TrashOutcome::failed;
    }
    slot->infoFolder = trash->info;
    out = std::move(*slot);
    return TrashOutcome::done;
}

PosixTrash::Batch PosixTrash::newBatch() const {
    Batch batch;
    batch.homeMade = makePath(dataHome_);
    batch.homeDevice = deviceOf(dataHome_);
    return batch;
}

TrashResult PosixTrash::place(std::vector<Trashed>& slots) {
    for (Trashed& slot : slots) {
        if (const int error = renameNoReplace(slot.from, slot.file); error != 0) {
            return undo(slots, error == EXDEV ? TrashOutcome::unavailable : TrashOutcome::failed);
        }
        slot.placed = true;
    }
    TrashResult result;
    for (const Trashed& t : slots) {
        result.inTrash.push_back(t.given);
    }
    result.outcome = TrashOutcome::done;
    return result;
}

TrashResult PosixTrash::moveToTrash(const std::vector<std::string>& paths) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Batch batch = newBatch();
    std::vector<Trashed> slots;
    for (const std::string& given : paths) {
        Trashed slot;
        const TrashOutcome claimed = claimFor(given, true, slot, batch);
        if (claimed != TrashOutcome::done) {
            return undo(slots, claimed);
        }
        slots.push_back(std::move(slot));
        // Each file goes as soon as its info is there: a later failure
        // brings it back.
        if (const int error = renameNoReplace(slots.back().from, slots.back().file); error != 0) {
            return undo(slots, error == EXDEV ? TrashOutcome::unavailable : TrashOutcome::failed);
        }
        slots.back().placed = true;
    }
    TrashResult result;
    for (const Trashed& t : slots) {
        result.inTrash.push_back(t.given);
    }
    result.outcome = TrashOutcome::done;
    return result;
}

std::vector<TrashResult> PosixTrash::moveEachToTrash(
    const std::vector<std::vector<std::string>>& groups) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Batch batch = newBatch();
    // Every info written first, then one flush of each trash's file system,
    // then the files: no file is in the trash before its info is on the
    // disk, at the cost of one flush rather than one a file.
    std::vector<std::vector<Trashed>> claimed(groups.size());
    std::vector<std::optional<TrashResult>> results(groups.size());
    std::vector<std::string> infoFolders;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const std::string& given : groups[g]) {
            Trashed slot;
            const TrashOutcome outcome = claimFor(given, false, slot, batch);
            if (outcome != TrashOutcome::done) {
                results[g] = undo(claimed[g], outcome);
                break;
            }
            if (std::find(infoFolders.begin(), infoFolders.end(), slot.infoFolder) ==
                infoFolders.end()) {
                infoFolders.push_back(slot.infoFolder);
            }
            claimed[g].push_back(std::move(slot));
        }
    }
    bool flushed = true;
    for (const std::string& folder : infoFolders) {
        Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        flushed = fd.valid() && ::syncfs(fd.get()) == 0 && flushed;
    }
    std::vector<TrashResult> out;
    out.reserve(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (!results[g]) {
            results[g] = flushed ? place(claimed[g]) : undo(claimed[g], TrashOutcome::failed);
        }
        out.push_back(std::move(*results[g]));
    }
    return out;
}

}  // namespace quarlo::platform::posix

namespace quarlo::platform::posix {

std::vector<TrashResult> PosixTrash::moveEachFromFolder(
    const OpenFolder& folder, const std::vector<std::vector<Expected>>& groups) {
    const int dir = folder.descriptor();
    if (dir < 0) {
        return Trash::moveEachFromFolder(folder, groups);
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    Batch batch = newBatch();
    // The folder as the system resolves its descriptor: the trash it goes
    // to and the path its info names follow the folder itself.
    std::string real;
    {
        char target[4096];
        const std::string self = "/proc/self/fd/" + std::to_string(dir);
        const ssize_t n = ::readlink(self.c_str(), target, sizeof target - 1);
        real = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : absolute(folder.path());
    }
    struct stat at {};
    std::vector<TrashResult> out(groups.size());
    if (::fstat(dir, &at) != 0) {
        for (TrashResult& r : out) {
            r.outcome = TrashOutcome::failed;
        }
        return out;
    }
    // Every info first, one flush, then the files, as moveEachToTrash.
    std::vector<std::vector<Trashed>> claimed(groups.size());
    std::vector<bool> refused(groups.size(), false);
    std::vector<std::string> infoFolders;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const Expected& file : groups[g]) {
            Trashed slot;
            const std::string path = (real == "/" ? std::string() : real) + "/" + file.name;
            const TrashOutcome outcome = claimResolved(path, at.st_dev, false, slot, batch, {});
            if (outcome != TrashOutcome::done) {
                out[g] = undo(claimed[g], outcome);
                refused[g] = true;
                break;
            }
            slot.from = file.name;  // in the folder opened
            slot.given = file.name;
            if (std::find(infoFolders.begin(), infoFolders.end(), slot.infoFolder) ==
                infoFolders.end()) {
                infoFolders.push_back(slot.infoFolder);
            }
            claimed[g].push_back(std::move(slot));
        }
    }
    bool flushed = true;
    for (const std::string& infos : infoFolders) {
        Fd fd(::open(infos.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        flushed = fd.valid() && ::syncfs(fd.get()) == 0 && flushed;
    }
    // Back into the folder opened, never replacing what is there now.
    const auto putBack = [&](std::vector<Trashed>& slots, TrashOutcome outcome) {
        TrashResult result;
        for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
            if (it->placed && renameNoReplaceAt(AT_FDCWD, it->file, dir, it->from) != 0) {
                result.inTrash.push_back(it->given);
            } else if (::unlink(it->info.c_str()) != 0) {
                orphans_.push_back(it->info);
            }
        }
        removeOrphans();
        result.outcome = outcome;
        return result;
    };
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (refused[g]) {
            continue;
        }
        if (!flushed) {
            out[g] = putBack(claimed[g], TrashOutcome::failed);
            continue;
        }
        std::optional<TrashOutcome> stopped;
        for (std::size_t i = 0; i < claimed[g].size() && !stopped; ++i) {
            Trashed& slot = claimed[g][i];
            const FileStamp& expected = groups[g][i].stamp;
            struct stat now {};
            if (::fstatat(dir, slot.from.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(now.st_mode) || stampOf(now) != expected) {
                stopped = TrashOutcome::changed;
                break;
            }
            if (const int error = renameNoReplaceAt(dir, slot.from, AT_FDCWD, slot.file);
                error != 0) {
                stopped = error == EXDEV ? TrashOutcome::unavailable : TrashOutcome::failed;
                break;
            }
            slot.placed = true;
            // Written between the look and the rename: not the version the
            // caller keeps a copy of, so it goes back.
            struct stat went {};
            if (::lstat(slot.file.c_str(), &went) != 0 ||
                !sameFileVersion(stampOf(went), expected)) {
                stopped = TrashOutcome::changed;
            }
        }
        if (stopped) {
            out[g] = putBack(claimed[g], *stopped);
            continue;
        }
        out[g].outcome = TrashOutcome::done;
        for (const Trashed& t : claimed[g]) {
            out[g].inTrash.push_back(t.given);
        }
    }
    return out;
}

}  // namespace quarlo::platform::posix
