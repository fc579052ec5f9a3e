#include "backups/store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "platform/file_system.h"
#include "platform/save_files.h"
#include "platform/settle.h"
#include "platform/trash.h"
#include "saves/character_saves.h"

namespace quarlo::backups {

namespace {

// A backup is made in a folder of this suffix, numbered by its process, and
// given its own name only once its manifest is written.
constexpr std::string_view kUnfinished = ".quarlo-part";

// The most a manifest may hold: a character with thousands of saves.
constexpr std::size_t kLargestManifest = 8 << 20;

// One backup at a time in this program, as one save operation at a time.
std::mutex& storeLock() {
    static std::mutex lock;
    return lock;
}

// A game folder's folder in the store: its own name, then a number from its
// whole path, so that two game folders never share one.
std::string gameKey(const std::string& gameFolder) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : gameFolder) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    std::string path = gameFolder;
    while (!path.empty() && (path.back() == '/' || path.back() == '\\')) {
        path.pop_back();
    }
    const std::size_t cut = path.find_last_of("/\\");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (name.empty() || name.back() == ':') {
        name = "game";
    }
    char number[20];
    std::snprintf(number, sizeof number, "-%08x", static_cast<unsigned>(hash & 0xFFFFFFFFu));
    return name + number;
}

// A character's folder in the store: a nested character's levels joined.
std::string characterKey(const std::string& character) {
    std::string key = character;
    for (char& c : key) {
        if (c == '\\' || c == '/' || c == ':') {
            c = '_';
        }
    }
    return key.empty() || key == "." || key == ".." ? "_" + key : key;
}

std::optional<platform::FileVersion> versionOf(const platform::SaveFiles& files,
                                               const std::string& path) {
    const auto stamp = files.stamp(path);
    if (!stamp) {
        return std::nullopt;
    }
    return platform::FileVersion{stamp->size, stamp->modifiedNs};
}

bool sameVersion(const platform::FileStamp& a, const platform::FileStamp& b) {
    return a.size == b.size && a.modifiedNs == b.modifiedNs;
}

// Whether the file's identity and change time prove it unchanged since it
// had that stamp.
bool untouchedSince(const platform::FileStamp& now, const platform::FileStamp& then) {
    return now == then && now.changedNs != 0;
}

}  // namespace

std::string utcNow() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss<seconds> time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

Store::Store(platform::SaveFiles& files, platform::FileSystem& fs, std::string root,
             std::function<std::string()> now)
    : files_(files), fs_(fs), root_(std::move(root)), now_(std::move(now)) {
    if (!now_) {
        now_ = utcNow;
    }
}

std::string Store::join(const std::string& folder, const std::string& name) const {
    const char sep = files_.separator();
    if (folder.empty() || folder.back() == sep || folder.back() == '/') {
        return folder + name;
    }
    return folder + sep + name;
}

std::string Store::characterFolder(const std::string& gameFolder,
                                   const std::string& character) const {
    return join(join(root_, gameKey(gameFolder)), characterKey(character));
}

bool Store::makeFolders(const std::string& folder) {
    const char sep = files_.separator();
    for (std::size_t at = folder.find(sep, 1); at != std::string::npos;
         at = folder.find(sep, at + 1)) {
        const std::string level = folder.substr(0, at);
        if (!level.empty() && level.back() != ':' && !fs_.folderExists(level)) {
            fs_.createFolder(level);
        }
    }
    if (!fs_.folderExists(folder)) {
        fs_.createFolder(folder);
    }
    return fs_.folderExists(folder);
}

// Removes a backup's folder: the manifest first, so that a removal broken
// off half way leaves an unfinished backup, which the next look removes.
void Store::removeUnfinished(const std::string& folder) {
    files_.remove(join(folder, std::string(kManifestName)));
    if (const auto listed = files_.listFiles(folder)) {
        for (const platform::FolderEntry& e : listed->entries) {
            files_.remove(join(folder, e.name));
        }
    }
    fs_.removeFolder(folder);
}

std::vector<Backup> Store::list(const std::string& gameFolder, const std::string& character) {
    std::vector<Backup> backups;
    if (root_.empty()) {
        return backups;
    }
    const std::string folder = characterFolder(gameFolder, character);
    const auto listing = fs_.listFolder(folder);
    if (!listing) {
        return backups;
    }
    for (const platform::Subfolder& sub : listing->folders) {
        const std::string path = join(folder, sub.name);
        const std::string_view name = sub.name;
        if (name.ends_with(kUnfinished)) {
            // Another run's, unless that run is still at work.
            const std::string_view rest = name.substr(0, name.size() - kUnfinished.size());
            const std::size_t dot = rest.rfind('.');
            std::uint32_t process = 0;
            for (const char c : rest.substr(dot == std::string_view::npos ? rest.size() : dot + 1)) {
                process = c >= '0' && c <= '9' ? process * 10 + static_cast<std::uint32_t>(c - '0')
                                               : 0;
            }
            if (process == files_.processId() || !files_.processRunning(process)) {
                removeUnfinished(path);
            }
            continue;
        }
        const std::string manifestPath = join(path, std::string(kManifestName));
        const auto chunk = files_.read(manifestPath, 0, kLargestManifest);
        auto manifest = chunk ? parseManifest(chunk->bytes) : std::nullopt;
        if (!manifest) {
            // Only a backup that surely has none is unfinished: one whose
            // manifest cannot be read now, or reads as damaged, is kept.
            if (!chunk && !files_.exists(manifestPath)) {
                removeUnfinished(path);
            }
            continue;
        }
        backups.push_back(Backup{path, sub.name, std::move(*manifest)});
    }
    std::sort(backups.begin(), backups.end(),
              [](const Backup& a, const Backup& b) { return a.id > b.id; });
    return backups;
}

Made Store::backUp(const std::string& gameFolder, const std::string& character,
                   const std::string& saveFolder, Reason reason, const saves::Progress& progress,
                   bool settle) {
    const std::lock_guard<std::mutex> lock(storeLock());
    Made made;
    const std::string folder = characterFolder(gameFolder, character);
    if (root_.empty() || !makeFolders(folder)) {
        made.failure = "Failed. The backups' folder cannot be made.";
        return made;
    }
    const std::vector<Backup> earlier = list(gameFolder, character);
    const auto listing = files_.listFiles(saveFolder);
    if (!listing) {
        made.failure = "Failed. The character's folder cannot be read.";
        return made;
    }
    std::vector<std::string> names;
    for (const platform::FolderEntry& e : listing->entries) {
        if (e.kind == platform::EntryKind::file &&
            e.name.find_first_of("\r\n") == std::string::npos) {
            names.push_back(e.name);
        }
    }
    std::vector<std::string> files;
    for (const saves::SaveFamily& family : saves::groupSaves(names)) {
        files.insert(files.end(), family.coSaves.begin(), family.coSaves.end());
        files.push_back(family.save);
    }
    if (files.empty()) {
        return made;  // nothing to keep
    }
    std::string id = now_();
    std::replace(id.begin(), id.end(), ':', '-');
    for (int n = 2; fs_.folderExists(join(folder, id)); ++n) {
        id = id.substr(0, id.find('Z') + 1) + "-" + std::to_string(n);
    }
    const std::string work =
        join(folder, id + "." + std::to_string(files_.processId()) + std::string(kUnfinished));
    if (!fs_.createFolder(work)) {
        made.failure = "Failed. The backup's folder cannot be made.";
        return made;
    }
    const auto fail = [&](std::string why) {
        removeUnfinished(work);
        made.failure = std::move(why);
        made.copied = made.linked = 0;
        return made;
    };
    std::map<std::string, const ManifestFile*> previous;
    if (!earlier.empty()) {
        for (const ManifestFile& f : earlier.front().manifest.files) {
            previous[f.name] = &f;
        }
    }
    Manifest manifest{gameFolder, character, reason, now_(), {}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (progress && !progress(i, files.size())) {
            return fail("Failed. Stopped; no backup was made.");
        }
        const std::string& name = files[i];
        const std::string source = join(listing->folder, name);
        const std::string copy = join(work, name);
        if (settle && !platform::waitUntilSettled(
                          source, [&] { return versionOf(files_, source); })) {
            return fail("Failed. " + name + " is still being written; no backup was made.");
        }
        const auto stamp = files_.stamp(source);
        if (!stamp) {
            return fail("Failed. " + name + " went away while it was backed up.");
        }
        bool linked = false;
        if (const auto it = previous.find(name);
            it != previous.end() && sameVersion(it->second->source, *stamp)) {
            const std::string earlierCopy = join(earlier.front().folder, name);
            const bool same = untouchedSince(*stamp, it->second->source) ||
                              files_.sameBytes(source, earlierCopy) == true;
            linked = same && files_.linkNew(earlierCopy, copy) == platform::FileOutcome::done;
        }
        if (linked) {
            ++made.linked;
        } else if (files_.copyNew(source, copy) != platform::FileOutcome::done ||
                   files_.sameBytes(source, copy) != true) {
            return fail("Failed. " + name +
                        " could not be copied (is the backups' drive full or read-only?); no "
                        "backup was made.");
        } else if (files_.stamp(source) != stamp) {
            return fail("Failed. " + name +
                        " changed while it was copied (is the game saving?); no backup was made.");
        } else {
            ++made.copied;
        }
        manifest.files.push_back(ManifestFile{name, *stamp});
    }
    if (progress) {
        progress(files.size(), files.size());
    }
    files_.syncFolder(work);
    // The manifest last: only now is the backup whole.
    if (!files_.writeNew(join(work, std::string(kManifestName)), formatManifest(manifest))) {
        return fail("Failed. The backup's list of files could not be written; no backup was made.");
    }
    const std::string finished = join(folder, id);
    if (files_.renameNew(work, finished) != platform::FileOutcome::done) {
        return fail("Failed. The backup could not be given its name; no backup was made.");
    }
    files_.syncFolder(folder);
    made.backup = Backup{finished, id, std::move(manifest)};
    return made;
}

void Store::prune(const std::string& gameFolder, const std::string& character, std::size_t keep) {
    const std::lock_guard<std::mutex> lock(storeLock());
    std::size_t kept = 0;
    for (const Backup& b : list(gameFolder, character)) {
        if (automatic(b.manifest.reason) && ++kept > keep) {
            removeUnfinished(b.folder);
        }
    }
}

Restored Store::restore(const Backup& backup, const std::string& saveFolder,
                        const saves::Progress& progress) {
    Restored done;
    Made safety = backUp(backup.manifest.gameFolder, backup.manifest.character, saveFolder,
                         Reason::beforeRestore, {});
    if (!safety.failure.empty()) {
        done.failure = "Failed. The saves as they are could not be backed up first, so nothing "
                       "was restored. " +
                       safety.failure.substr(std::string_view("Failed. ").size());
        return done;
    }
    done.safety = std::move(safety.backup);
    const std::lock_guard<std::mutex> lock(storeLock());
    const auto names = files_.openNames(saveFolder);
    if (!names) {
        done.failure = "Failed. The character's folder cannot be read; nothing was restored.";
        return done;
    }
    std::map<std::string, platform::FileStamp> before;
    if (done.safety) {
        for (const ManifestFile& f : done.safety->manifest.files) {
            before[f.name] = f.source;
        }
    }
    const std::vector<ManifestFile>& wanted = backup.manifest.files;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (progress && !progress(i, wanted.size())) {
            for (std::size_t j = i; j < wanted.size(); ++j) {
                done.skipped.push_back(wanted[j].name + ": not begun; Cancel was pressed");
            }
            break;
        }
        const std::string& name = wanted[i].name;
        const std::string kept = join(backup.folder, name);
        const std::string target = join(names->folder(), name);
        const std::string part = target + "." + std::to_string(files_.processId()) +
                                 std::string(saves::kPartSuffix);
        const auto now = files_.stamp(target);
        if (!now && names->taken(name)) {
            done.skipped.push_back(name + ": another file, a link or a folder has that name");
            continue;
        }
        if (now && now->size == wanted[i].source.size &&
            files_.sameBytes(kept, target) == true) {
            done.unchanged.push_back(name);
            continue;
        }
        // A file that differs goes only while it is the version the safety
        // backup holds.
        if (now && (before.count(name) == 0 || before.at(name) != *now)) {
            done.skipped.push_back(name + ": changed since the saves were backed up; left as it is");
            continue;
        }
        files_.remove(part);  // one of this process's, left by a failure
        if (files_.copyNew(kept, part) != platform::FileOutcome::done ||
            files_.sameBytes(kept, part) != true) {
            files_.remove(part);
            done.skipped.push_back(name + ": could not be copied back");
            continue;
        }
        bool put = false;
        if (!now) {
            put = files_.renameNew(part, target) == platform::FileOutcome::done;
        } else if (files_.stamp(target) == now) {
            put = files_.replace(part, target);
        }
        if (!put) {
            files_.remove(part);
            done.skipped.push_back(name + ": changed or appeared while it was put back");
            continue;
        }
        names->add(name);
        (now ? done.replaced : done.added).push_back(name);
    }
    files_.syncFolder(names->folder());
    return done;
}

platform::TrashResult Store::remove(const Backup& backup, platform::Trash& trash) {
    const std::lock_guard<std::mutex> lock(storeLock());
    return trash.moveToTrash({backup.folder});
}

std::uint64_t Store::sizeOnDisk() const {
    std::uint64_t total = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    // root / game folder / character / backup / files
    std::vector<std::pair<std::string, int>> folders{{root_, 0}};
    while (!folders.empty()) {
        const auto [folder, depth] = folders.back();
        folders.pop_back();
        const auto listing = fs_.listFolder(folder);
        if (!listing) {
            continue;
        }
        if (depth < 3) {
            for (const platform::Subfolder& sub : listing->folders) {
                folders.emplace_back(join(folder, sub.name), depth + 1);
            }
            continue;
        }
        for (const std::string& name : listing->files) {
            if (const auto stamp = files_.stamp(join(folder, name));
                stamp && seen.emplace(stamp->device, stamp->node).second) {
                total += stamp->size;
            }
        }
    }
    return total;
}

}  // namespace quarlo::backups
