#include "backups/store.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "backups/digest.h"
#include "platform/file_system.h"
#include "platform/save_files.h"
#include "platform/settle.h"
#include "platform/trash.h"
#include "saves/character_saves.h"
#include "saves/transfer.h"
#include "texts/catalogue.h"

namespace quarlo::backups {

namespace {

// A backup is made in a folder of this suffix, numbered by its process, and
// given its own name only once its manifest is written.
constexpr std::string_view kUnfinished = ".quarlo-part";

// A file a restore replaces, set aside until the copy has its name:
// "<name>.<process>.quarlo-replaced".
constexpr std::string_view kReplacedSuffix = ".quarlo-replaced";
// A restore's record in the game folder's own folder, while it replaces.
constexpr std::string_view kRestoreJournal = ".restore";
constexpr std::string_view kRestoreHeader = "quarlo-restore 1";

// Why a file of a restore was left as it was: each a sentence of its own,
// said in the player's language where it is shown.
constexpr const char* kNotCopiedBack = N_("{1}: could not be copied back.");
constexpr const char* kLeftWith = N_("{1}: left as it is with {2}.");

// The most a manifest may hold: a character with thousands of saves.
constexpr std::size_t kLargestManifest = 8 << 20;

// One backup at a time in this program, as one save operation at a time.
std::mutex& storeLock() {
    static std::mutex lock;
    return lock;
}

// A game folder's folder in the store: its own name, then a number from its
// whole path, so that two game folders never share one. The path is the
// folder's identity (every link resolved), so that one folder reached two
// ways ("DIR/", a link to it) has one history; stores written before keyed
// it by the path as spelled, which is read too.
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

// A character's folder in the store: its name with every byte no folder name
// may hold on either system, and "%", written as "%" and two hexadecimal
// digits, so that two characters never share one ("a\b", "a_b" and "a:b"
// each have their own). A name the older store wrote otherwise is still read
// (legacyKey).
std::string characterKey(const std::string& character) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string key;
    for (std::size_t i = 0; i < character.size(); ++i) {
        const auto c = static_cast<unsigned char>(character[i]);
        const bool last = i + 1 == character.size();
        if (c < 0x20 || c == 0x7F ||
            std::string_view("%\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos ||
            (last && (c == '.' || c == ' '))) {
            key += '%';
            key += kHex[c >> 4];
            key += kHex[c & 15];
        } else {
            key += static_cast<char>(c);
        }
    }
    // Names Windows keeps for devices get their first letter written out.
    std::string upper = key.substr(0, key.find('.'));
    for (char& c : upper) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    bool device = std::find(std::begin(kDevices), std::end(kDevices), upper) != std::end(kDevices);
    device =
        device || (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
                   upper[3] >= '0' && upper[3] <= '9');
    if (device || key.empty() || key.front() == '.') {
        const auto c = key.empty() ? 0u : static_cast<unsigned char>(key.front());
        key = std::string("%") + kHex[c >> 4] + kHex[c & 15] + (key.empty() ? "" : key.substr(1));
    }
    return key;
}

std::string legacyKey(const std::string& character) {
    std::string key = character;
    for (char& c : key) {
        if (c == '\\' || c == '/' || c == ':') {
            c = '_';
        }
    }
    return key.empty() || key == "." || key == ".." ? "_" + key : key;
}

// A backup's name, "2026-12-08T10-37-19Z" or with "-N" for the Nth of one
// second, in the order backups were made: the time, then N as a number.
struct Order {
    std::string time;
    std::uint64_t n = 1;
    friend auto operator<=>(const Order&, const Order&) = default;
};

Order orderOf(std::string_view id) {
    const std::size_t z = id.find('Z');
    Order order{std::string(id.substr(0, z == std::string_view::npos ? id.size() : z + 1)), 1};
    if (z != std::string_view::npos && id.size() > z + 2 && id[z + 1] == '-') {
        const std::string_view digits = id.substr(z + 2);
        std::uint64_t n = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (error == std::errc() && end == digits.data() + digits.size()) {
            order.n = n;
        }
    }
    return order;
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

// The number of the process in an unfinished name "<x>.<process><suffix>",
// 0 when it has none.
std::uint32_t processOf(std::string_view name, std::string_view suffix) {
    const std::string_view rest = name.substr(0, name.size() - suffix.size());
    const std::size_t dot = rest.rfind('.');
    const std::string_view digits = dot == std::string_view::npos ? "" : rest.substr(dot + 1);
    std::uint32_t process = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), process);
    return error == std::errc() && end == digits.data() + digits.size() ? process : 0;
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
             std::function<std::string()> now, const games::SaveFormat& format)
    : format_(format), files_(files), fs_(fs), root_(std::move(root)), now_(std::move(now)) {
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
    const auto own = ownFolder(gameFolder);
    return own ? join(*own, characterKey(character)) : std::string();
}

std::string Store::stateFolder(const std::string& gameFolder) {
    const auto own = ownFolder(gameFolder);
    return own && makeFolders(*own) ? *own : std::string();
}

bool Store::makeFolders(const std::string& folder) {
    // Above the store, the user's own folders may be links; the store's own
    // levels are made here, spelled exactly, and never are.
    const char sep = files_.separator();
    for (std::size_t at = folder.find(sep, 1); at != std::string::npos;
         at = folder.find(sep, at + 1)) {
        const std::string level = folder.substr(0, at);
        if (!level.empty() && level.back() != ':' && !fs_.folderExists(level)) {
            fs_.createFolder(level);
        }
        if (level.size() >= root_.size() && level != root_) {
            if (files_.kindOf(level) == platform::PathKind::missing) {
                files_.makeFolder(level);
            }
            if (files_.kindOf(level) != platform::PathKind::folder) {
                return false;
            }
        }
    }
    if (files_.kindOf(folder) == platform::PathKind::missing) {
        files_.makeFolder(folder);
    }
    return files_.kindOf(folder) == platform::PathKind::folder;
}

// Removes a backup's folder: the manifest first, so that a removal broken
// off half way leaves an unfinished backup, which the next look removes; a
// manifest that cannot go keeps every file.
bool Store::removeUnfinished(const std::string& folder) {
    return files_.removeFolderOfFiles(folder, kManifestName);
}

std::vector<std::string> Store::gameFolders(const std::string& gameFolder) const {
    std::vector<std::string> folders;
    if (const auto identity = files_.identityPath(gameFolder)) {
        folders.push_back(join(root_, gameKey(*identity)));
    }
    if (const std::string spelled = join(root_, gameKey(gameFolder));
        std::find(folders.begin(), folders.end(), spelled) == folders.end()) {
        folders.push_back(spelled);
    }
    return folders;
}

std::optional<std::string> Store::ownFolder(const std::string& gameFolder) const {
    const auto identity = files_.identityPath(gameFolder);
    if (!identity || root_.empty()) {
        return std::nullopt;
    }
    return join(root_, gameKey(*identity));
}

std::vector<std::string> Store::characterFolders(const std::string& gameFolder,
                                                 const std::string& character) const {
    std::vector<std::string> folders;
    for (const std::string& game : gameFolders(gameFolder)) {
        for (const std::string& key : {characterKey(character), legacyKey(character)}) {
            const std::string folder = join(game, key);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                folders.push_back(folder);
            }
        }
    }
    return folders;
}

void Store::scanFolder(const std::string& folder, const std::function<bool(const Manifest&)>& mine,
                       Scan& out) {
    const platform::PathKind kind = files_.kindOf(folder);
    if (kind != platform::PathKind::folder && kind != platform::PathKind::unknown) {
        // Nothing there, or nothing of the store's: a link is never entered,
        // nor a file another program put where a folder would be.
        return;
    }
    const auto entries =
        kind == platform::PathKind::folder ? files_.entriesOf(folder) : std::nullopt;
    if (!entries) {
        out.unreadable.push_back(folder);
        return;
    }
    for (const platform::FolderEntry& e : *entries) {
        if (e.kind != platform::EntryKind::folder) {
            continue;
        }
        const std::string path = join(folder, e.name);
        if (e.name.ends_with(kUnfinished)) {
            // Another run's, unless that run is still at work.
            const std::uint32_t process = processOf(e.name, kUnfinished);
            if (process == files_.processId() || !files_.processRunning(process)) {
                removeUnfinished(path);
            }
            continue;
        }
        const std::string manifestPath = join(path, std::string(kManifestName));
        const platform::PathKind listKind = files_.kindOf(manifestPath);
        if (listKind == platform::PathKind::missing) {
            // Surely none: unfinished.
            removeUnfinished(path);
            continue;
        }
        if (listKind == platform::PathKind::unknown) {
            // Cannot be looked at now (a failing drive): kept, and said.
            out.unreadable.push_back(path);
            continue;
        }
        const auto chunk = listKind == platform::PathKind::file
                               ? files_.read(manifestPath, 0, kLargestManifest)
                               : std::nullopt;
        if (listKind == platform::PathKind::file && !chunk) {
            out.unreadable.push_back(path);
            continue;
        }
        auto manifest = chunk ? parseManifest(chunk->bytes) : std::nullopt;
        if (!manifest) {
            out.damaged.push_back(path);
        } else if (mine(*manifest)) {
            // Another character's that shares this folder is not this one's.
            out.backups.push_back(Backup{path, e.name, std::move(*manifest)});
        }
    }
}

void Store::sortNewestFirst(std::vector<Backup>& backups) {
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        const Order x = orderOf(a.id);
        const Order y = orderOf(b.id);
        return x != y ? x > y : a.id > b.id;
    });
}

Store::Scan Store::scan(const std::string& gameFolder, const std::string& character) {
    Scan out;
    if (root_.empty()) {
        return out;
    }
    for (const std::string& folder : characterFolders(gameFolder, character)) {
        scanFolder(
            folder, [&](const Manifest& m) { return m.character == character; }, out);
    }
    sortNewestFirst(out.backups);
    return out;
}

std::vector<Backup> Store::list(const std::string& gameFolder, const std::string& character) {
    return scan(gameFolder, character).backups;
}

// A name for a new backup later than every backup of the character, even
// when the clock was set back since.
std::string Store::newId(const std::string& folder, const std::vector<Backup>& earlier) {
    std::string now = now_();
    std::replace(now.begin(), now.end(), ':', '-');
    Order order = orderOf(now);
    if (!earlier.empty()) {
        const Order newest = orderOf(earlier.front().id);
        if (order <= newest) {
            order = Order{newest.time, newest.n + 1};
        }
    }
    const auto idOf = [](const Order& o) {
        return o.n == 1 ? o.time : o.time + "-" + std::to_string(o.n);
    };
    while (files_.kindOf(join(folder, idOf(order))) != platform::PathKind::missing) {
        ++order.n;  // a damaged backup's name, or another program's
    }
    return idOf(order);
}

Made Store::backUp(const std::string& gameFolder, const std::string& character,
                   const std::string& saveFolder, Reason reason, const saves::Progress& progress,
                   bool settle) {
    const std::lock_guard<std::mutex> lock(storeLock());
    Made made;
    const std::string folder = characterFolder(gameFolder, character);
    if (root_.empty() || folder.empty() || !makeFolders(folder)) {
        made.failure = folder.empty() && !root_.empty()
                           ? N_("Failed. The game folder cannot be found; no backup was made.")
                           : N_("Failed. The backups' folder cannot be made.");
        return made;
    }
    const std::vector<Backup> earlier = list(gameFolder, character);
    const auto listing = files_.listFiles(saveFolder);
    if (!listing) {
        made.failure = N_("Failed. The character's folder cannot be read.");
        return made;
    }
    std::vector<std::string> names;
    for (const platform::FolderEntry& e : listing->entries) {
        // A note of the player's beside a save named "quarlo-backup.ess"
        // groups as its co-save but would take the list's place: it is no
        // save's, and stays out.
        if (e.kind == platform::EntryKind::file && !plainFileName(e.name)) {
            continue;
        }
        if (e.kind == platform::EntryKind::file) {
            names.push_back(e.name);
        }
    }
    // Every save with its co-saves, and the co-saves whose save is gone: a
    // restore puts them back, or replaces them, as a whole.
    std::vector<std::string> files = saves::strayCoSaves(names, format_);
    for (const saves::SaveFamily& family : saves::groupSaves(names, format_)) {
        files.insert(files.end(), family.coSaves.begin(), family.coSaves.end());
        files.push_back(family.save);
    }
    if (files.empty()) {
        return made;  // nothing to keep
    }
    const std::string id = newId(folder, earlier);
    const std::string work =
        join(folder, id + "." + std::to_string(files_.processId()) + std::string(kUnfinished));
    if (!files_.makeFolder(work)) {
        made.failure = N_("Failed. The backup's folder cannot be made.");
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
    std::vector<std::string> copies;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (progress && !progress(i, files.size())) {
            return fail(N_("Failed. Stopped; no backup was made."));
        }
        const std::string& name = files[i];
        const std::string source = join(listing->folder, name);
        const std::string copy = join(work, name);
        if (settle &&
            !platform::waitUntilSettled(source, [&] { return versionOf(files_, source); })) {
            return fail(texts::format(N_("Failed. {1} is still being written; no backup was made."),
                                      {name}));
        }
        const auto stamp = files_.stamp(source);
        if (!stamp) {
            return fail(texts::format(N_("Failed. {1} went away while it was backed up."), {name}));
        }
        ManifestFile kept{name, *stamp, std::nullopt, {}};
        if (const auto it = previous.find(name);
            it != previous.end() && sameVersion(it->second->source, *stamp)) {
            kept.digest = linkable(*it->second, earlier.front().folder, source, *stamp);
            if (kept.digest && files_.linkNew(join(earlier.front().folder, name), copy) !=
                                   platform::FileOutcome::done) {
                kept.digest.reset();
            }
        }
        if (kept.digest) {
            ++made.linked;
        } else {
            const auto compared = files_.copyUnflushed(source, copy) == platform::FileOutcome::done
                                      ? compareFiles(files_, source, copy)
                                      : std::nullopt;
            if (!compared || !compared->same) {
                return fail(
                    texts::format(N_("Failed. {1} could not be copied (is the backups' drive "
                                     "full or read-only?); no backup was made."),
                                  {name}));
            }
            if (files_.stamp(source) != stamp) {
                return fail(texts::format(N_("Failed. {1} changed while it was copied (is the game "
                                             "saving?); no backup was made."),
                                          {name}));
            }
            kept.digest = compared->digest;
            copies.push_back(copy);
            ++made.copied;
        }
        // The copy as it is now: while its identity and change time hold,
        // the next backup may link to it without reading it again.
        const auto own = files_.stamp(copy);
        if (!own || own->size != stamp->size) {
            return fail(
                texts::format(N_("Failed. {1} could not be copied; no backup was made."), {name}));
        }
        kept.copy = *own;
        manifest.files.push_back(std::move(kept));
    }
    if (progress) {
        progress(files.size(), files.size());
    }
    // One flush for the whole batch, before the manifest says it is whole.
    if (!files_.flushFiles(copies)) {
        return fail(N_("Failed. The copies could not be written to the disk; no backup was made."));
    }
    files_.syncFolder(work);
    // The manifest last: only now is the backup whole.
    if (!files_.writeNew(join(work, std::string(kManifestName)), formatManifest(manifest))) {
        return fail(
            N_("Failed. The backup's list of files could not be written; no backup was made."));
    }
    const std::string finished = join(folder, id);
    if (files_.renameNew(work, finished) != platform::FileOutcome::done) {
        return fail(N_("Failed. The backup could not be given its name; no backup was made."));
    }
    files_.syncFolder(folder);
    made.backup = Backup{finished, id, std::move(manifest)};
    return made;
}

// The checksum of the previous backup's copy of a file when a new backup may
// link to it: a regular file of the size and time its list gives, whose
// bytes are still those the list's checksum (or, in a list of the first
// version, the save itself) says; and the save unchanged since.
std::optional<std::uint64_t> Store::linkable(const ManifestFile& before,
                                             const std::string& earlierFolder,
                                             const std::string& source,
                                             const platform::FileStamp& now) {
    const std::string earlierCopy = join(earlierFolder, before.name);
    const auto copy = files_.stamp(earlierCopy);
    if (!copy || !sameVersion(*copy, before.source)) {
        return std::nullopt;
    }
    const bool copyUntouched = before.digest && untouchedSince(*copy, before.copy);
    const bool sourceUntouched = untouchedSince(now, before.source);
    if (copyUntouched && sourceUntouched) {
        return before.digest;
    }
    // Read what cannot be proved: the copy against its checksum, and, where
    // the save may have changed, the save against the copy.
    if (sourceUntouched && before.digest) {
        const auto digest = digestOf(files_, earlierCopy);
        return digest == before.digest ? digest : std::nullopt;
    }
    const auto compared = compareFiles(files_, earlierCopy, source);
    if (!compared || !compared->same || (before.digest && compared->digest != *before.digest)) {
        return std::nullopt;
    }
    return compared->digest;
}

std::string Store::earlierPlace(const std::string& gameFolder, const std::string& name) {
    const std::string folder = characterFolder(gameFolder, name);
    if (folder.empty()) {
        return {};
    }
    // Keys never begin with ".": no character's folder can have this name.
    const std::string parent = folder.substr(0, folder.rfind(files_.separator()));
    std::string id = now_();
    std::replace(id.begin(), id.end(), ':', '-');
    for (int n = 1; n < 1000; ++n) {
        const std::string aside =
            join(parent, "." + characterKey(name) + ".earlier-" + id +
                             (n == 1 ? std::string() : "-" + std::to_string(n)));
        if (files_.kindOf(aside) == platform::PathKind::missing) {
            return aside;
        }
    }
    return {};
}

bool Store::setAsideEarlier(const std::string& gameFolder, const std::string& name,
                            const std::string& aside, std::string& failure) {
    const std::lock_guard<std::mutex> lock(storeLock());
    failure.clear();
    // Only a folder of the name's own key can be set aside whole: one of the
    // older spelling may be shared by other names, whose backups it keeps.
    const std::string folder = characterFolder(gameFolder, name);
    if (folder.empty() || aside.empty()) {
        failure = N_("Failed. The game folder cannot be found.");
        return false;
    }
    Scan found;
    scanFolder(
        folder, [&](const Manifest& m) { return m.character == name; }, found);
    if (!found.unreadable.empty()) {
        failure = texts::format(
            N_("Failed. The backups kept under the name {1} cannot all be read."), {name});
        return false;
    }
    if (found.backups.empty() && found.damaged.empty()) {
        return false;
    }
    if (files_.renameNew(folder, aside) != platform::FileOutcome::done) {
        failure = texts::format(
            N_("Failed. The backups of an earlier character named {1} could not be set aside."),
            {name});
        return false;
    }
    files_.syncFolder(aside.substr(0, aside.rfind(files_.separator())));
    return true;
}

bool Store::bringBackEarlier(const std::string& gameFolder, const std::string& name,
                             const std::string& aside) {
    const std::lock_guard<std::mutex> lock(storeLock());
    const std::string folder = characterFolder(gameFolder, name);
    if (folder.empty() || files_.kindOf(aside) != platform::PathKind::folder) {
        return files_.kindOf(aside) == platform::PathKind::missing;
    }
    fs_.removeFolder(folder);  // only while empty
    return files_.renameNew(aside, folder) == platform::FileOutcome::done;
}

Store::Renamed Store::renameCharacter(const std::string& gameFolder, const std::string& from,
                                      const std::string& to) {
    const std::lock_guard<std::mutex> lock(storeLock());
    // Every backup of either name in the folders of either: a rename cut off
    // before has moved some and rewritten the lists of some, and this one
    // finishes it (or, the other way round, takes it back).
    const auto either = [&](const Manifest& m) { return m.character == from || m.character == to; };
    Scan found;
    std::vector<std::string> folders = characterFolders(gameFolder, from);
    for (const std::string& f : characterFolders(gameFolder, to)) {
        if (std::find(folders.begin(), folders.end(), f) == folders.end()) {
            folders.push_back(f);
        }
    }
    // Where the file system does not tell cases apart, "Ann" and "ANN" are
    // one folder: each is looked at once.
    std::set<std::string> seen;
    for (const std::string& folder : folders) {
        const auto identity = files_.identityPath(folder);
        if (!identity || seen.insert(*identity).second) {
            scanFolder(folder, either, found);
        }
    }
    if (!found.unreadable.empty()) {
        // A backup that cannot be read now would stay under the old name.
        return {texts::format(N_("Failed. The backups of {1} cannot all be read ({2})."),
                              {from, found.unreadable.front()}),
                0};
    }
    if (found.backups.empty() && found.damaged.empty()) {
        return {};
    }
    const std::string target = characterFolder(gameFolder, to);
    if (target.empty()) {
        return {N_("Failed. The game folder cannot be found."), 0};
    }
    if (!makeFolders(target)) {
        return {texts::format(N_("Failed. The backups' folder of {1} cannot be made."), {to}), 0};
    }
    const auto targetId = files_.identityPath(target);
    const auto sameFolder = [&](const std::string& folder) {
        const std::string parent = folder.substr(0, folder.rfind(files_.separator()));
        return parent == target || (targetId && files_.identityPath(parent) == targetId);
    };
    // A folder goes in under its own name, or the next free one.
    const auto moveIn = [&](const std::string& folder, std::string& now) {
        if (sameFolder(folder)) {
            now = folder;
            return true;
        }
        const std::string name = folder.substr(folder.rfind(files_.separator()) + 1);
        for (int n = 1; n < 1000; ++n) {
            now = join(target, n == 1 ? name : name + "-" + std::to_string(n));
            const platform::FileOutcome moved = files_.renameNew(folder, now);
            if (moved != platform::FileOutcome::exists) {
                return moved == platform::FileOutcome::done;
            }
        }
        return false;
    };
    // A list is replaced in one step, so a backup is never without one.
    const auto rewrite = [&](const std::string& folder, const std::string& bytes) {
        const std::string list = join(folder, std::string(kManifestName));
        const std::string temp = list + "." + std::to_string(files_.processId()) + ".new";
        files_.remove(temp);  // one of this process's, left by a failure
        if (!files_.writeNew(temp, bytes)) {
            return false;
        }
        if (!files_.replace(temp, list)) {
            files_.remove(temp);
            return false;
        }
        return true;
    };
    std::set<std::string> parents;
    for (const std::string& damaged : found.damaged) {
        std::string now;
        parents.insert(damaged.substr(0, damaged.rfind(files_.separator())));
        if (!moveIn(damaged, now)) {
            return {texts::format(N_("Failed. A damaged backup of {1} ({2}) could not be moved."),
                                  {from, damaged}),
                    1};
        }
    }
    for (const Backup& backup : found.backups) {
        std::string folder;
        parents.insert(backup.folder.substr(0, backup.folder.rfind(files_.separator())));
        if (!moveIn(backup.folder, folder)) {
            return {texts::format(N_("Failed. The backup {1} could not be moved."), {backup.id}),
                    1};
        }
        if (backup.manifest.character == to) {
            continue;
        }
        const auto old = files_.read(join(folder, std::string(kManifestName)), 0, kLargestManifest);
        Manifest renamed = backup.manifest;
        renamed.character = to;
        // The list read again must still be the one listed: another run may
        // have changed it since.
        if (!old || parseManifest(old->bytes) != std::optional<Manifest>(backup.manifest) ||
            !rewrite(folder, formatManifest(renamed))) {
            return {texts::format(N_("Failed. The list of the backup {1} could not be rewritten."),
                                  {backup.id}),
                    1};
        }
    }
    files_.syncFolder(target);
    for (const std::string& parent : parents) {
        if (parent != target) {
            files_.syncFolder(parent);
            fs_.removeFolder(parent);  // only while empty
        }
    }
    return {};
}

void Store::prune(const std::string& gameFolder, const std::string& character, std::size_t keep) {
    const std::lock_guard<std::mutex> lock(storeLock());
    const std::vector<Backup> all = list(gameFolder, character);
    if (all.empty()) {
        return;
    }
    // Removing a second name of a file moves its change time: the newest
    // backup's copies that were untouched right before are noted again after,
    // so that the next backup can still link to them without reading them.
    Backup newest = all.front();
    std::vector<bool> untouched;
    for (const ManifestFile& f : newest.manifest.files) {
        const auto now = files_.stamp(join(newest.folder, f.name));
        untouched.push_back(f.digest && now && untouchedSince(*now, f.copy));
    }
    bool removed = false;
    std::size_t kept = 0;
    for (const Backup& b : all) {
        if (automatic(b.manifest.reason) && ++kept > keep) {
            removed = removeUnfinished(b.folder) || removed;
        }
    }
    if (!removed) {
        return;
    }
    bool moved = false;
    for (std::size_t i = 0; i < untouched.size(); ++i) {
        ManifestFile& f = newest.manifest.files[i];
        const auto now = files_.stamp(join(newest.folder, f.name));
        if (untouched[i] && now && *now != f.copy && platform::sameFileVersion(now, f.copy)) {
            f.copy = *now;
            moved = true;
        }
    }
    const std::string list = join(newest.folder, std::string(kManifestName));
    const std::string next = list + "." + std::to_string(files_.processId()) + ".new";
    if (moved && files_.writeNew(next, formatManifest(newest.manifest)) &&
        !files_.replace(next, list)) {
        files_.remove(next);
    }
}

// One file of a restore that is to be put in its place.
struct Store::Put {
    const ManifestFile* file = nullptr;
    std::string target;
    std::string part;
    std::optional<platform::FileStamp> now;  // the version it replaces
};

// The backup's copy of `f` copied beside its place as an unfinished file,
// checked against the list; a reason when it cannot be.
std::optional<std::string> Store::stage(const Backup& backup, const ManifestFile& f, Put& put) {
    const std::string kept = join(backup.folder, f.name);
    const auto copy = files_.stamp(kept);  // a regular file, not a link to one
    if (!copy || !sameVersion(*copy, f.source)) {
        return texts::format(N_("{1}: the backup's copy is missing or damaged (it is not what the "
                                "backup's list says)."),
                             {f.name});
    }
    files_.remove(put.part);  // one of this process's, left by a failure
    if (files_.copyUnflushed(kept, put.part) != platform::FileOutcome::done) {
        files_.remove(put.part);
        return texts::format(kNotCopiedBack, {f.name});
    }
    // The copy read back: against the checksum the list keeps, which the
    // backup's bytes were proved to have, or, for a list without one,
    // against the backup's copy itself.
    if (f.digest) {
        const auto digest = digestOf(files_, put.part);
        if (!digest) {
            files_.remove(put.part);
            return texts::format(kNotCopiedBack, {f.name});
        }
        if (*digest != *f.digest) {
            files_.remove(put.part);
            const auto source = digestOf(files_, kept);
            return texts::format(source && *source != *f.digest
                                     ? N_("{1}: the backup's copy is damaged (its bytes are not "
                                          "those it was made with).")
                                     : kNotCopiedBack,
                                 {f.name});
        }
        return std::nullopt;
    }
    const auto compared = compareFiles(files_, kept, put.part);
    if (!compared || !compared->same) {
        files_.remove(put.part);
        return texts::format(kNotCopiedBack, {f.name});
    }
    return std::nullopt;
}

// Gives a checked copy its save's name; a reason when it cannot. A file that
// differs is first set aside under a name of this process's, looked at once
// more there (a write the game made up to that moment stays with it) and
// removed only once the copy is in its place and it is still the version the
// safety backup holds. Where the copy cannot take the name for any reason
// but the name being taken (written anew by the game meanwhile), the file
// set aside goes back to it: a save is never left without its name.
std::optional<std::string> Store::place(const Put& put, platform::FolderNames& names,
                                        Restored& done) {
    const std::string& name = put.file->name;
    if (!put.now) {
        if (files_.renameNew(put.part, put.target) != platform::FileOutcome::done) {
            files_.remove(put.part);
            return texts::format(N_("{1}: appeared while it was put back; left as it is."), {name});
        }
        names.add(name);
        done.added.push_back(name);
        return std::nullopt;
    }
    const std::string asideName =
        name + "." + std::to_string(files_.processId()) + std::string(kReplacedSuffix);
    const std::string aside = join(names.folder(), asideName);
    if (files_.renameNew(put.target, aside) != platform::FileOutcome::done) {
        files_.remove(put.part);
        return texts::format(N_("{1}: could not be set aside to be replaced; left as it is."),
                             {name});
    }
    // Each reason twice, as the version set aside got its name back or not.
    const auto giveBack = [&](const char* leftAsItIs, const char* keptAs) {
        files_.remove(put.part);
        if (files_.renameNew(aside, put.target) != platform::FileOutcome::done &&
            files_.renameNew(aside, put.target) != platform::FileOutcome::done) {
            return texts::format(keptAs, {name, asideName});
        }
        return texts::format(leftAsItIs, {name});
    };
    const auto setAside = files_.stamp(aside);
    if (!setAside) {
        // Not a sign of another writer: the look itself failed.
        return giveBack(N_("{1}: could not be checked before it was replaced; left as it is."),
                        N_("{1}: could not be checked before it was replaced; that version is "
                           "kept as {2}."));
    }
    if (!platform::sameFileVersion(setAside, *put.now)) {
        return giveBack(N_("{1}: changed while it was put back; left as it is."),
                        N_("{1}: changed while it was put back; that version is kept as {2}."));
    }
    const platform::FileOutcome placed = files_.renameNew(put.part, put.target);
    if (placed == platform::FileOutcome::exists) {
        files_.remove(put.part);
        // Written anew by name meanwhile: that one stays, and the version set
        // aside, which the safety backup holds, goes.
        if (platform::sameFileVersion(files_.stamp(aside), *put.now) && files_.remove(aside)) {
            return texts::format(
                N_("{1}: written anew while it was put back; left as it was written."), {name});
        }
        return texts::format(N_("{1}: written anew while it was put back; left as it was "
                                "written, and the version before is kept as {2}."),
                             {name, asideName});
    }
    if (placed != platform::FileOutcome::done) {
        return giveBack(N_("{1}: could not be replaced; left as it is."),
                        N_("{1}: could not be replaced; that version is kept as {2}."));
    }
    done.replaced.push_back(name);
    if (!platform::sameFileVersion(files_.stamp(aside), *put.now)) {
        done.skipped.push_back(texts::format(
            N_("{1}: was written while it was put back; that version is kept as {2}."),
            {name, asideName}));
    } else if (!files_.remove(aside)) {
        done.skipped.push_back(
            texts::format(N_("{1}: put back, but the version it replaced could not be removed; "
                             "it is kept as {2} (the backup made first holds it too)."),
                          {name, asideName}));
    }
    return std::nullopt;
}

Restored Store::restore(const Backup& backup, const std::string& saveFolder,
                        const saves::Progress& progress) {
    Restored done;
    Made safety = backUp(backup.manifest.gameFolder, backup.manifest.character, saveFolder,
                         Reason::beforeRestore, {});
    if (!safety.failure.empty()) {
        done.failure =
            std::string(N_("Failed. The saves as they are could not be backed up first, so "
                           "nothing was restored.")) +
            " " + safety.failure.substr(std::string_view("Failed. ").size());
        return done;
    }
    done.safety = std::move(safety.backup);
    const std::lock_guard<std::mutex> lock(storeLock());
    const auto names = files_.openNames(saveFolder);
    if (!names) {
        done.failure = N_("Failed. The character's folder cannot be read; nothing was restored.");
        return done;
    }
    // Unfinished copies of a restore or a move that was cut off.
    saves::removeLeftovers(files_, *names);
    std::map<std::string, platform::FileStamp> before;
    if (done.safety) {
        for (const ManifestFile& f : done.safety->manifest.files) {
            before[f.name] = f.source;
        }
    }
    // A save goes back with its co-saves or not at all, the save last, so
    // that it never lies beside another version's co-saves.
    std::map<std::string, const ManifestFile*> byName;
    std::vector<std::string> listed;
    for (const ManifestFile& f : backup.manifest.files) {
        byName[f.name] = &f;
        listed.push_back(f.name);
    }
    std::vector<std::vector<std::string>> families;
    for (const std::string& stray : saves::strayCoSaves(listed, format_)) {
        families.push_back({stray});
    }
    for (saves::SaveFamily& family : saves::groupSaves(listed, format_)) {
        family.coSaves.push_back(family.save);
        families.push_back(std::move(family.coSaves));
    }
    std::vector<std::vector<Put>> staged;
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (const std::vector<std::string>& family : families) {
        if (progress && !progress(at++, families.size())) {
            for (std::size_t j = at - 1; j < families.size(); ++j) {
                for (const std::string& name : families[j]) {
                    done.skipped.push_back(
                        texts::format(N_("{1}: not begun; Cancel was pressed."), {name}));
                }
            }
            break;
        }
        std::vector<Put> puts;
        std::optional<std::string> refusal;
        for (const std::string& name : family) {
            const ManifestFile& f = *byName.at(name);
            Put put{&f, join(names->folder(), name), {}, files_.stamp(join(names->folder(), name))};
            put.part = put.target + "." + std::to_string(files_.processId()) +
                       std::string(saves::kPartSuffix);
            if (!put.now && names->taken(name)) {
                refusal = texts::format(N_("{1}: another file, a link or a folder has that name."),
                                        {name});
            } else if (put.now && put.now->size == f.source.size &&
                       files_.sameBytes(join(backup.folder, name), put.target) == true) {
                done.unchanged.push_back(name);
                continue;
            } else if (put.now && (before.count(name) == 0 || before.at(name) != *put.now)) {
                // A file that differs goes only while it is the version the
                // safety backup holds.
                refusal = texts::format(
                    N_("{1}: changed since the saves were backed up; left as it is."), {name});
            } else {
                refusal = stage(backup, f, put);
            }
            if (refusal) {
                break;
            }
            puts.push_back(std::move(put));
        }
        if (refusal) {
            done.skipped.push_back(*refusal);
            const std::string refused = refusal->substr(0, refusal->find(": "));
            for (const Put& put : puts) {
                files_.remove(put.part);
            }
            for (const std::string& name : family) {
                if (name != refused && std::find(done.unchanged.begin(), done.unchanged.end(),
                                                 name) == done.unchanged.end()) {
                    done.skipped.push_back(texts::format(kLeftWith, {name, refused}));
                }
            }
            continue;
        }
        for (const Put& put : puts) {
            parts.push_back(put.part);
        }
        staged.push_back(std::move(puts));
    }
    // One flush for every copy, before any of them takes a save's place.
    if (!parts.empty() && !files_.flushFiles(parts)) {
        for (const std::vector<Put>& puts : staged) {
            for (const Put& put : puts) {
                files_.remove(put.part);
                done.skipped.push_back(
                    texts::format(N_("{1}: could not be written to the disk."), {put.file->name}));
            }
        }
        staged.clear();
    }
    // A kill between setting a file aside and giving the copy its name would
    // leave the save without one: where files are replaced, the folder is
    // written down first, for the next start to give names back.
    const bool replacing = std::any_of(staged.begin(), staged.end(), [](const auto& puts) {
        return std::any_of(puts.begin(), puts.end(), [](const Put& p) { return p.now; });
    });
    const std::string state = replacing ? stateFolder(backup.manifest.gameFolder) : std::string();
    const std::string journal =
        state.empty() ? std::string() : join(state, std::string(kRestoreJournal));
    if (!journal.empty()) {
        const std::string text = std::string(kRestoreHeader) + "\nfolder " + names->folder() +
                                 "\nprocess " + std::to_string(files_.processId()) +
                                 "\ncharacter " + backup.manifest.character + "\nsafety " +
                                 (done.safety ? done.safety->id : std::string("-")) + "\nend\n";
        files_.remove(journal + ".next");
        if (!files_.writeNew(journal + ".next", text) ||
            files_.renameNew(journal + ".next", journal) != platform::FileOutcome::done) {
            files_.remove(journal + ".next");
            for (const std::vector<Put>& puts : staged) {
                for (const Put& put : puts) {
                    files_.remove(put.part);
                    done.skipped.push_back(
                        texts::format(N_("{1}: not put back; Quarlo's record of the restore "
                                         "could not be written."),
                                      {put.file->name}));
                }
            }
            staged.clear();
        }
    }
    for (const std::vector<Put>& puts : staged) {
        for (std::size_t i = 0; i < puts.size(); ++i) {
            if (const auto refusal = place(puts[i], *names, done)) {
                done.skipped.push_back(*refusal);
                for (std::size_t j = i + 1; j < puts.size(); ++j) {
                    files_.remove(puts[j].part);
                    done.skipped.push_back(
                        texts::format(kLeftWith, {puts[j].file->name, puts[i].file->name}));
                }
                break;
            }
        }
    }
    files_.syncFolder(names->folder());
    // A file set aside that could not go stays written down: the next start
    // removes it where the backup made first holds it.
    const bool leftAside = std::any_of(done.skipped.begin(), done.skipped.end(), [](const auto& s) {
        return s.find(kReplacedSuffix) != std::string::npos;
    });
    if (!journal.empty() && !leftAside) {
        files_.remove(journal);
    }
    return done;
}

std::optional<std::string> Store::finishRestore(const std::string& gameFolder) {
    const std::string state = stateFolder(gameFolder);
    if (state.empty()) {
        return std::nullopt;
    }
    const std::string journal = join(state, std::string(kRestoreJournal));
    files_.remove(journal + ".next");
    if (files_.kindOf(journal) == platform::PathKind::missing) {
        return std::nullopt;
    }
    const auto chunk = files_.read(journal, 0, 1 << 16);
    std::string folder;
    std::string character;
    std::string safety;
    std::uint32_t process = 0;
    bool whole = false;
    if (chunk && chunk->bytes.starts_with(std::string(kRestoreHeader) + "\n")) {
        std::string_view rest(chunk->bytes);
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            if (line == "end") {
                whole = true;
            } else if (line.starts_with("folder ")) {
                folder = std::string(line.substr(7));
            } else if (line.starts_with("character ")) {
                character = std::string(line.substr(10));
            } else if (line.starts_with("safety ")) {
                safety = std::string(line.substr(7));
            } else if (line.starts_with("process ")) {
                const std::string_view digits = line.substr(8);
                std::from_chars(digits.data(), digits.data() + digits.size(), process);
            }
        }
    }
    // Read back from disk: only a folder of this game folder's, by identity.
    const auto game = files_.identityPath(gameFolder);
    const auto there = folder.empty() ? std::nullopt : files_.identityPath(folder);
    const char sep = files_.separator();
    if (!whole || process == 0 || !game || !there || !there->starts_with(*game + sep) ||
        (process != files_.processId() && files_.processRunning(process))) {
        if (whole && process != 0 && files_.processRunning(process) &&
            process != files_.processId()) {
            return std::nullopt;  // another's, still at work
        }
        files_.remove(journal);
        return whole ? std::nullopt
                     : std::optional<std::string>(
                           std::string(N_("Failed. A restore cut off before it was done left a "
                                          "record that cannot be read.")) +
                           " " +
                           texts::format(N_("Look in the character's folder for files whose "
                                            "names end in \"{1}\"."),
                                         {kReplacedSuffix}));
    }
    const std::string suffix = "." + std::to_string(process) + std::string(kReplacedSuffix);
    const auto entries = files_.entriesOf(folder);
    if (!entries) {
        return N_(
            "Failed. A restore was cut off before it was done, and its folder cannot be "
            "read now; Quarlo tries again the next time it starts.");
    }
    std::map<std::string, platform::FileStamp> held;
    for (const Backup& b : list(gameFolder, character)) {
        if (b.id == safety) {
            for (const ManifestFile& f : b.manifest.files) {
                held[f.name] = f.source;
            }
        }
    }
    std::vector<std::string> back;
    std::vector<std::string> kept;
    for (const platform::FolderEntry& e : *entries) {
        if (e.kind != platform::EntryKind::file || !e.name.ends_with(suffix) ||
            e.name.size() == suffix.size()) {
            continue;
        }
        const std::string name = e.name.substr(0, e.name.size() - suffix.size());
        const std::string aside = join(folder, e.name);
        const std::string target = join(folder, name);
        if (files_.kindOf(target) == platform::PathKind::missing) {
            // Cut off between the two renames: the save gets its name back.
            if (files_.renameNew(aside, target) == platform::FileOutcome::done) {
                back.push_back(name);
                continue;
            }
        } else if (const auto it = held.find(name);
                   it != held.end() && platform::sameFileVersion(files_.stamp(aside), it->second) &&
                   files_.remove(aside)) {
            continue;  // replaced, and held by the backup made first
        }
        kept.push_back(e.name);
    }
    files_.syncFolder(folder);
    files_.remove(journal);
    if (kept.empty()) {
        if (back.empty()) {
            return texts::format(N_("Success. A restore of {1} was cut off before it was done; "
                                    "every save has its name."),
                                 {character});
        }
        return texts::format(
            texts::englishN("Success. A restore of {2} was cut off before it was done; {1} "
                            "save it had set aside got its name back.",
                            "Success. A restore of {2} was cut off before it was done; {1} "
                            "saves it had set aside got its name back.",
                            back.size()),
            {std::to_string(back.size()), character});
    }
    std::string names;
    for (const std::string& name : kept) {
        names += (names.empty() ? "" : ", ") + name;
    }
    return texts::format(N_("Failed. A restore of {1} was cut off before it was done; these "
                            "files it set aside are kept as they are, in {2}: {3}."),
                         {character, folder, names});
}

platform::TrashResult Store::remove(const Backup& backup, platform::Trash& trash) {
    const std::lock_guard<std::mutex> lock(storeLock());
    if (files_.kindOf(backup.folder) != platform::PathKind::folder) {
        return {};  // gone, or no longer the store's own folder
    }
    return trash.moveToTrash({backup.folder});
}

std::uint64_t Store::sizeOnDisk() const {
    std::uint64_t total = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    // root / game folder / character / backup / files, no link followed
    std::vector<std::pair<std::string, int>> folders{{root_, 0}};
    while (!folders.empty()) {
        const auto [folder, depth] = folders.back();
        folders.pop_back();
        const auto entries = files_.entriesOf(folder);
        if (!entries) {
            continue;
        }
        for (const platform::FolderEntry& e : *entries) {
            if (depth < 3 && e.kind == platform::EntryKind::folder) {
                folders.emplace_back(join(folder, e.name), depth + 1);
            } else if (depth == 3 && e.kind == platform::EntryKind::file) {
                if (const auto stamp = files_.stamp(join(folder, e.name));
                    stamp && seen.emplace(stamp->device, stamp->node).second) {
                    total += stamp->size;
                }
            }
        }
    }
    return total;
}

}  // namespace quarlo::backups
