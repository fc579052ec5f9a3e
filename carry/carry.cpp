#include "carry/carry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <random>
#include <set>

#include "carry/sha256.h"
#include "platform/save_files.h"
#include "platform/trash.h"
#include "texts/catalogue.h"

namespace quarlo::carry {

namespace {

using nlohmann::json;

constexpr int kFormat = 1;
constexpr std::size_t kLargestList = 16u << 20;
constexpr const char* kTemporary = ".quarlo-carry-";

bool isId(const std::string& s) {
    return s.size() == 32 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return s;
}

bool endsWithFolded(const std::string& name, std::string_view end) {
    return name.size() > end.size() && lower(name.substr(name.size() - end.size())) == end;
}

// What a version holds, whoever made it.
bool sameContent(const Version& a, const Version& b) {
    return a.deleted == b.deleted && (a.deleted || a.files == b.files);
}

const Version kGone{true, {}, {}, 0};

json versionJson(const Version& v) {
    json files = json::object();
    for (const auto& [name, sha] : v.files) {
        files[name] = sha;
    }
    return {{"deleted", v.deleted}, {"files", files}, {"by", v.by}, {"at", v.at}};
}

json snapshotJson(const Snapshot& s) {
    json characters = json::object();
    for (const auto& [name, units] : s.characters) {
        json u = json::object();
        for (const auto& [key, v] : units) {
            u[key] = versionJson(v);
        }
        characters[name] = u;
    }
    json seen = json::object();
    for (const auto& [id, seq] : s.seen) {
        seen[id] = seq;
    }
    return {{"quarloCarry", kFormat},  {"computer", s.computer}, {"name", s.name},
            {"time", s.time},          {"seq", s.seq},           {"seen", seen},
            {"characters", characters}};
}

// Exactly the form written, every name a plain one, or nothing.
std::optional<Snapshot> snapshotOf(const json& j, std::string& why) {
    const auto bad = [&why](std::string text) {
        why = std::move(text);
        return std::nullopt;
    };
    if (!j.is_object() || !j.contains("quarloCarry") || !j["quarloCarry"].is_number_integer()) {
        return bad(NW_("word", "not a list Quarlo wrote"));
    }
    if (j["quarloCarry"].get<long long>() != kFormat) {
        return bad(NW_("word", "written by a newer Quarlo"));
    }
    Snapshot s;
    const auto text = [&j](const char* key, std::size_t largest) -> std::optional<std::string> {
        if (!j.contains(key) || !j[key].is_string() || j[key].get<std::string>().size() > largest) {
            return std::nullopt;
        }
        return j[key].get<std::string>();
    };
    const auto computer = text("computer", 32);
    const auto name = text("name", 64);
    const auto time = text("time", 32);
    if (!computer || !isId(*computer) || !name || !time || !j.contains("seq") ||
        !j["seq"].is_number_unsigned() || !j.contains("seen") || !j["seen"].is_object() ||
        !j.contains("characters") || !j["characters"].is_object()) {
        return bad(NW_("word", "a field is missing or of the wrong kind"));
    }
    s.computer = *computer;
    s.name = *name;
    s.time = *time;
    s.seq = j["seq"].get<std::uint64_t>();
    for (const auto& [id, seq] : j["seen"].items()) {
        if (!isId(id) || !seq.is_number_unsigned()) {
            return bad(NW_("word", "a computer it has seen is not named as Quarlo names them"));
        }
        s.seen[id] = seq.get<std::uint64_t>();
    }
    for (const auto& [character, units] : j["characters"].items()) {
        if (!plainName(character) || !units.is_object()) {
            return bad(NW_("word", "a character's name is not one plain name"));
        }
        Units& into = s.characters[character];
        for (const auto& [key, v] : units.items()) {
            if (!plainName(key) || !v.is_object() || !v.contains("deleted") ||
                !v["deleted"].is_boolean() || !v.contains("files") || !v["files"].is_object() ||
                !v.contains("by") || !v["by"].is_string() || !isId(v["by"].get<std::string>()) ||
                !v.contains("at") || !v["at"].is_number_unsigned()) {
                return bad("a save of " + character + " is not listed as Quarlo lists them");
            }
            Version version;
            version.deleted = v["deleted"].get<bool>();
            version.by = v["by"].get<std::string>();
            version.at = v["at"].get<std::uint64_t>();
            for (const auto& [file, sha] : v["files"].items()) {
                if (!plainName(file) || !sha.is_string() || !isDigest(sha.get<std::string>())) {
                    return bad("a file of " + character + " is not one plain name");
                }
                version.files[file] = sha.get<std::string>();
            }
            if (version.deleted != version.files.empty()) {
                return bad("a save of " + character + " is both there and gone");
            }
            into[key] = std::move(version);
        }
    }
    return s;
}

// The local record: the last state this computer and the place agreed on,
// and the checksums of the files it last read (by their stamps), so that an
// unchanged carry reads no save again.
struct Cached {
    platform::FileStamp stamp;
    std::string sha;
};
struct LocalState {
    Snapshot agreed;
    std::map<std::string, std::map<std::string, Cached>> hashes;
};

LocalState readState(platform::SaveFiles& files, const std::string& path, std::string& why) {
    LocalState state;
    if (files.kindOf(path) != platform::PathKind::file) {
        return state;
    }
    const auto chunk = files.read(path, 0, kLargestList + 1);
    if (!chunk || chunk->bytes.size() > kLargestList) {
        why = NW_("word", "cannot be read");
        return state;
    }
    try {
        const json j = json::parse(chunk->bytes);
        std::string whyNot;
        auto agreed = snapshotOf(j.at("agreed"), whyNot);
        if (!agreed) {
            why = whyNot;
            return state;
        }
        state.agreed = std::move(*agreed);
        for (const auto& [character, list] : j.at("hashes").items()) {
            for (const auto& [file, c] : list.items()) {
                Cached cached;
                cached.stamp.device = c.at("device").get<std::uint64_t>();
                cached.stamp.node = c.at("node").get<std::uint64_t>();
                cached.stamp.size = c.at("size").get<std::uint64_t>();
                cached.stamp.modifiedNs = c.at("modified").get<std::int64_t>();
                cached.stamp.changedNs = c.at("changed").get<std::int64_t>();
                cached.sha = c.at("sha").get<std::string>();
                if (isDigest(cached.sha)) {
                    state.hashes[character][file] = cached;
                }
            }
        }
    } catch (const json::exception&) {
        why = NW_("word", "is damaged");
        state = {};
    }
    return state;
}

bool writeState(platform::SaveFiles& files, const std::string& path, const LocalState& state) {
    json hashes = json::object();
    for (const auto& [character, list] : state.hashes) {
        json l = json::object();
        for (const auto& [file, c] : list) {
            l[file] = {{"device", c.stamp.device},     {"node", c.stamp.node},
                       {"size", c.stamp.size},         {"modified", c.stamp.modifiedNs},
                       {"changed", c.stamp.changedNs}, {"sha", c.sha}};
        }
        hashes[character] = l;
    }
    const std::string text =
        json{{"agreed", snapshotJson(state.agreed)}, {"hashes", hashes}}.dump(1);
    return platform::replaceWhole(files, path, text);
}

// A character's folder as it is now: its units, each file's checksum and
// stamp.
struct LocalFile {
    std::string unit;
    platform::FileStamp stamp;
    std::string sha;
};
struct Scanned {
    bool readable = true;
    std::map<std::string, Version> units;    // content only
    std::map<std::string, LocalFile> files;  // by name
};

Scanned scan(Context& c, const std::string& folder, const std::string& character, LocalState& state,
             bool& rehashed) {
    Scanned out;
    const platform::PathKind kind = c.files.kindOf(folder);
    if (kind == platform::PathKind::missing) {
        return out;
    }
    const auto listed =
        kind == platform::PathKind::folder ? c.files.listFiles(folder) : std::nullopt;
    if (!listed) {
        out.readable = false;
        return out;
    }
    std::set<std::string> names;
    for (const platform::FolderEntry& e : listed->entries) {
        if (e.kind == platform::EntryKind::file && e.name.rfind(kTemporary, 0) != 0 &&
            e.name.rfind(".quarlo", 0) != 0) {
            names.insert(e.name);
        }
    }
    std::set<std::string> saveStems;
    for (const std::string& name : names) {
        if (endsWithFolded(name, c.format.extension)) {
            saveStems.insert(lower(name.substr(0, name.size() - c.format.extension.size())));
        }
    }
    const char sep = c.files.separator();
    std::map<std::string, Cached> fresh;
    const auto& cache = state.hashes[character];
    for (const std::string& name : names) {
        // A save with its co-saves is one unit; every other file its own.
        std::string unit = name;
        for (const std::string_view co : c.format.coSaveExtensions) {
            if (endsWithFolded(name, co)) {
                const std::string stem = name.substr(0, name.size() - co.size());
                if (saveStems.count(lower(stem)) != 0) {
                    for (const std::string& other : names) {
                        if (lower(other) == lower(stem + std::string(c.format.extension))) {
                            unit = other;
                        }
                    }
                }
            }
        }
        const std::string path = folder + sep + name;
        const auto stamp = c.files.stamp(path);
        if (!stamp) {
            out.readable = false;
            return out;
        }
        std::string sha;
        const auto was = cache.find(name);
        if (was != cache.end() && was->second.stamp == *stamp) {
            sha = was->second.sha;
        } else {
            rehashed = true;
            const auto summed = fileSha256(c.files, path);
            if (!summed || c.files.stamp(path) != stamp) {
                // Changing as it is read: the game is writing it.
                out.readable = false;
                return out;
            }
            sha = *summed;
        }
        fresh[name] = Cached{*stamp, sha};
        out.files[name] = LocalFile{unit, *stamp, sha};
        out.units[unit].files[name] = sha;
    }
    state.hashes[character] = std::move(fresh);
    return out;
}

std::string plainWho(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '_';
        if (keep && out.size() < 32) {
            out += c;
        }
    }
    return out.empty() ? NW_("word", "another computer") : out;
}

std::string token() {
    std::random_device random;
    return std::to_string(random()) + std::to_string(random());
}

struct Other {
    std::string name;
    std::string time;
};

class Run {
  public:
    Run(Context& c, Place& place, bool dryRun) : c_(c), place_(place), dryRun_(dryRun) {}

    Report go(const std::vector<std::string>& asked);
    std::vector<std::string> placeCharacters();

  private:
    bool readPlace();
    void character(const std::string& name);
    std::string objectPath(const std::string& sha) const {
        return "quarlo/" + c_.game + "/objects/" + sha;
    }
    std::string listPath(const std::string& id) const {
        return "quarlo/" + c_.game + "/computers/" + id + ".json";
    }
    bool upload(const std::string& folder, const Version& v, const Scanned& here);
    bool download(const std::string& folder, const std::string& character, const Version& v,
                  const std::map<std::string, std::string>& names, const Scanned& here,
                  std::string& why);
    bool trashUnit(const std::string& folder, const std::string& unit, const Scanned& here);
    bool go_on() {
        ++done_;
        return !c_.progress || c_.progress(done_, total_);
    }

    Context& c_;
    Place& place_;
    bool dryRun_;
    Report report_;
    LocalState state_;
    Snapshot next_;
    std::map<std::string, Snapshot> others_;
    std::map<std::string, Other> whoIs_;
    std::set<std::string> objects_;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    bool stopped_ = false;
    bool hashesChanged_ = false;
    std::uint64_t ownListSeq_ = ~std::uint64_t{0};  // none at the place
};

bool Run::readPlace() {
    const auto lists = place_.list("quarlo/" + c_.game + "/computers");
    if (!lists) {
        report_.lines.push_back(
            texts::format(N_("Failed. The carry place cannot be read: {1}."), {place_.why()}));
        report_.status = 1;
        return false;
    }
    for (const std::string& file : *lists) {
        // Only lists as Quarlo names them: a sync tool's conflict copy or
        // anything planted is left alone.
        if (file.size() != 37 || file.substr(32) != ".json" || !isId(file.substr(0, 32))) {
            continue;
        }
        const std::string id = file.substr(0, 32);
        const auto text = place_.read(listPath(id), kLargestList);
        std::string why;
        std::optional<Snapshot> s;
        if (text) {
            try {
                s = snapshotOf(json::parse(*text), why);
            } catch (const json::exception&) {
                why = NW_("word", "it is damaged");
            }
        } else {
            why = place_.why();
        }
        if (s && s->computer != id) {
            s.reset();
            why = NW_("word", "it names another computer");
        }
        if (!s) {
            report_.lines.push_back(texts::format(N_("Failed. The list of another computer at the "
                                                     "place ({1}) was left as it is: {2}."),
                                                  {file, why}));
            report_.status = 1;
            continue;
        }
        whoIs_[id] = Other{s->name, s->time};
        others_[id] = std::move(*s);
    }
    const auto objects = place_.list("quarlo/" + c_.game + "/objects");
    if (!objects) {
        report_.lines.push_back(
            texts::format(N_("Failed. The carry place cannot be read: {1}."), {place_.why()}));
        report_.status = 1;
        return false;
    }
    objects_.insert(objects->begin(), objects->end());
    return true;
}

bool Run::upload(const std::string& folder, const Version& v, const Scanned& here) {
    for (const auto& [file, sha] : v.files) {
        if (objects_.count(sha) != 0) {
            continue;
        }
        const auto local = here.files.find(file);
        if (!place_.put(folder + c_.files.separator() + file, objectPath(sha), sha,
                        local == here.files.end() ? nullptr : &local->second.stamp)) {
            return false;
        }
        objects_.insert(sha);
    }
    return true;
}

// Every file of a version brought in, checked against its checksum, and
// only then put in place: a new name never over another file, a file that
// changed since it was read left as it is.
bool Run::download(const std::string& folder, const std::string& character, const Version& v,
                   const std::map<std::string, std::string>& names, const Scanned& here,
                   std::string& why) {
    (void)character;
    const char sep = c_.files.separator();
    if (c_.files.kindOf(folder) == platform::PathKind::missing && !c_.files.makeFolder(folder)) {
        why = N_("its folder cannot be made");
        return false;
    }
    std::vector<std::pair<std::string, std::string>> fetched;  // temporary, final name
    const auto dropAll = [&] {
        for (const auto& [temporary, name] : fetched) {
            c_.files.remove(temporary);
        }
    };
    for (const auto& [file, sha] : v.files) {
        const std::string temporary = folder + sep + kTemporary + token();
        if (!place_.fetch(objectPath(sha), temporary)) {
            c_.files.remove(temporary);
            dropAll();
            why = place_.why();
            return false;
        }
        if (fileSha256(c_.files, temporary) != sha) {
            c_.files.remove(temporary);
            dropAll();
            why = texts::format(N_("{1} at the place is damaged (its bytes do not match its "
                                   "checksum); left there, not copied"),
                                {file});
            return false;
        }
        fetched.emplace_back(temporary, names.at(file));
    }
    for (const auto& [temporary, name] : fetched) {
        const std::string path = folder + sep + name;
        const auto there = here.files.find(name);
        bool placed = false;
        if (there == here.files.end()) {
            placed = c_.files.renameNew(temporary, path) == platform::FileOutcome::done;
        } else if (sameFileVersion(c_.files.stamp(path), there->second.stamp)) {
            placed = c_.files.replace(temporary, path);
        }
        if (!placed) {
            c_.files.remove(temporary);
            why = texts::format(N_("{1} changed while it was carried; it is carried next time"),
                                {name});
            return false;
        }
    }
    c_.files.syncFolder(folder);
    return true;
}

bool Run::trashUnit(const std::string& folder, const std::string& unit, const Scanned& here) {
    std::vector<std::string> paths;
    for (const auto& [name, f] : here.files) {
        if (f.unit != unit) {
            continue;
        }
        const std::string path = folder + c_.files.separator() + name;
        if (!sameFileVersion(c_.files.stamp(path), f.stamp)) {
            return false;
        }
        paths.push_back(path);
    }
    return paths.empty() || c_.trash.moveToTrash(paths).outcome == platform::TrashOutcome::done;
}

void Run::character(const std::string& name) {
    const std::string folder = c_.savesFolder + c_.files.separator() + name;
    const auto hashesBefore = state_.hashes[name].size();
    Scanned here = scan(c_, folder, name, state_, hashesChanged_);
    hashesChanged_ = hashesChanged_ || hashesBefore != state_.hashes[name].size();
    if (!here.readable) {
        report_.lines.push_back(texts::format(N_("Failed. {1} was not carried: its folder cannot "
                                                 "be read whole now (is the game saving?)."),
                                              {name}));
        report_.status = 1;
        return;
    }
    const Units agreed =
        state_.agreed.characters.count(name) != 0 ? state_.agreed.characters.at(name) : Units{};
    Units& result = next_.characters[name];
    // The versions the other computers made that this one has not taken in.
    std::map<std::string, std::vector<Version>> news;
    for (const auto& [id, s] : others_) {
        const auto units = s.characters.find(name);
        if (units == s.characters.end()) {
            continue;
        }
        for (const auto& unit : units->second) {
            const std::string& key = unit.first;
            const Version& v = unit.second;
            const auto seen = state_.agreed.seen.find(v.by);
            const std::uint64_t had = seen == state_.agreed.seen.end() ? 0 : seen->second;
            if (v.by == c_.me.id || v.at <= had) {
                continue;
            }
            auto& list = news[key];
            if (std::none_of(list.begin(), list.end(),
                             [&](const Version& o) { return sameContent(o, v); })) {
                list.push_back(v);
            }
        }
    }
    std::set<std::string> keys;
    for (const Units* m : {&agreed, static_cast<const Units*>(&here.units)}) {
        for (const auto& [key, v] : *m) {
            keys.insert(key);
        }
    }
    for (const auto& [key, v] : news) {
        keys.insert(key);
    }
    std::size_t sent = 0, brought = 0, trashed = 0, kept = 0, same = 0;
    std::vector<std::string> problems;
    const auto mine = [&](Version v) {
        v.by = c_.me.id;
        v.at = next_.seq;
        return v;
    };
    // The names a version's files take beside a unit of another version.
    const auto copyNames = [&](const std::string& unit, const Version& v) {
        const Other who = whoIs_.count(v.by) != 0 ? whoIs_.at(v.by) : Other{};
        const std::string tag =
            " (" + plainWho(who.name) + (who.time.empty() ? "" : " ") + who.time + ")";
        const std::size_t dot = unit.rfind('.');
        const std::string stem = dot == std::string::npos || dot == 0 ? unit : unit.substr(0, dot);
        for (int n = 1; n < 100; ++n) {
            const std::string suffix =
                n == 1 ? tag : tag.substr(0, tag.size() - 1) + " " + std::to_string(n) + ")";
            std::map<std::string, std::string> names;
            bool free = true;
            for (const auto& [file, sha] : v.files) {
                const std::string renamed = file.rfind(stem, 0) == 0
                                                ? stem + suffix + file.substr(stem.size())
                                                : file + suffix;
                free = free && here.files.count(renamed) == 0 &&
                       c_.files.kindOf(folder + c_.files.separator() + renamed) ==
                           platform::PathKind::missing;
                names[file] = renamed;
            }
            if (free) {
                return names;
            }
        }
        return std::map<std::string, std::string>{};
    };
    const auto identity = [](const Version& v) {
        std::map<std::string, std::string> names;
        for (const auto& [file, sha] : v.files) {
            names[file] = file;
        }
        return names;
    };
    const auto hasContent = [&](const Version& v) {
        return std::any_of(here.units.begin(), here.units.end(),
                           [&](const auto& u) { return sameContent(u.second, v); });
    };
    total_ += keys.size();
    for (const std::string& key : keys) {
        // Between units only: each file, and each save with its co-saves,
        // is carried whole or not at all.
        if (stopped_ || !go_on()) {
            stopped_ = true;
            break;
        }
        const Version& was = agreed.count(key) != 0 ? agreed.at(key) : kGone;
        const Version now = here.units.count(key) != 0 ? here.units.at(key) : kGone;
        const bool changedHere = !sameContent(now, was);
        std::vector<Version> theirs;
        for (const Version& v : news[key]) {
            if (!sameContent(v, was)) {
                theirs.push_back(v);
            }
        }
        if (theirs.empty()) {
            if (!changedHere) {
                continue;
            }
            if (dryRun_) {
                ++sent;
                continue;
            }
            if (now.deleted || upload(folder, now, here)) {
                result[key] = mine(now);
                ++sent;
            } else {
                problems.push_back(key + ": " + place_.why());
            }
            continue;
        }
        // One of theirs is taken at the unit's own name, every other kept
        // beside it.
        auto main = std::find_if(theirs.begin(), theirs.end(),
                                 [&](const Version& v) { return sameContent(v, now); });
        std::vector<Version> beside;
        if (main != theirs.end()) {
            result[key] = *main;
            ++same;
        } else if (!changedHere || now.deleted) {
            main = theirs.begin();
            if (main->deleted) {
                if (!dryRun_ && !trashUnit(folder, key, here)) {
                    problems.push_back(
                        texts::format(N_("{1}: changed while it was carried, or the trash did "
                                         "not take it; carried next time"),
                                      {key}));
                    continue;
                }
                ++trashed;
            } else {
                std::string why;
                if (!dryRun_ && !download(folder, name, *main, identity(*main), here, why)) {
                    problems.push_back(key + ": " + why);
                    continue;
                }
                ++brought;
                // A co-save this side had and that version has not goes to
                // the trash: the version agreed on holds it too.
                if (!dryRun_) {
                    std::vector<std::string> extra;
                    for (const auto& [file, f] : here.files) {
                        if (f.unit == key && main->files.count(file) == 0 &&
                            sameFileVersion(c_.files.stamp(folder + c_.files.separator() + file),
                                            f.stamp)) {
                            extra.push_back(folder + c_.files.separator() + file);
                        }
                    }
                    if (!extra.empty()) {
                        c_.trash.moveToTrash(extra);
                    }
                }
            }
            result[key] = *main;
        } else if (main = theirs.begin(); main->deleted) {
            // Gone there, changed here: kept, and sent back.
            if (dryRun_ || upload(folder, now, here)) {
                result[key] = mine(now);
                ++kept;
            } else {
                problems.push_back(key + ": " + place_.why());
            }
        } else {
            // Changed on both: this side's stays, the other's goes beside it.
            if (dryRun_ || upload(folder, now, here)) {
                result[key] = mine(now);
            } else {
                problems.push_back(key + ": " + place_.why());
                continue;
            }
            beside.push_back(*main);
        }
        for (auto it = theirs.begin(); it != theirs.end(); ++it) {
            if (it != main && !it->deleted) {
                beside.push_back(*it);
            }
        }
        for (const Version& v : beside) {
            if (hasContent(v)) {
                continue;  // kept beside already, by a carry cut off before
            }
            const auto names = copyNames(key, v);
            std::string why;
            if (names.empty()) {
                problems.push_back(
                    texts::format(N_("{1}: no free name for the other computer's version"), {key}));
                continue;
            }
            if (!dryRun_ && !download(folder, name, v, names, here, why)) {
                problems.push_back(key + ": " + why);
                continue;
            }
            Version copy = v;
            copy.files.clear();
            for (const auto& [file, sha] : v.files) {
                copy.files[names.at(file)] = sha;
            }
            const std::string copyKey =
                names.count(key) != 0 ? names.at(key) : names.begin()->second;
            result[copyKey] = mine(copy);
            ++kept;
            report_.lines.push_back(texts::format(
                N_("Kept both: {1}: {2} was changed here and on {3}; theirs is {4}."),
                {name, key, plainWho(whoIs_.count(v.by) ? whoIs_.at(v.by).name : ""), copyKey}));
        }
    }
    std::string what;
    const auto add = [&what](std::size_t n, std::string_view one, std::string_view many) {
        if (n != 0) {
            what += (what.empty() ? "" : ", ") +
                    texts::format(texts::englishN(one, many, n), {std::to_string(n)});
        }
    };
    add(sent, NN_("{1} save sent", "{1} saves sent"));
    add(brought, NN_("{1} save brought in", "{1} saves brought in"));
    add(trashed, NN_("{1} save to the trash", "{1} saves to the trash"));
    add(kept, NN_("{1} version kept beside", "{1} versions kept beside"));
    if (!problems.empty()) {
        report_.status = 1;
        report_.lines.push_back(
            what.empty()
                ? texts::format(N_("Failed. {1} is not all carried:"), {name})
                : texts::format(N_("Failed. {1} is not all carried ({2}):"), {name, what}));
        for (const std::string& p : problems) {
            report_.lines.push_back("  " + p);
        }
        return;
    }
    report_.lines.push_back(what.empty() ? texts::format(N_("Success. {1} was up to date."), {name})
                            : dryRun_
                                ? texts::format(N_("Success. Would carry {1}: {2}."), {name, what})
                                : texts::format(N_("Success. Carried {1}: {2}."), {name, what}));
    (void)same;
}

std::vector<std::string> Run::placeCharacters() {
    std::vector<std::string> names;
    if (!readPlace()) {
        return names;
    }
    std::set<std::string> all;
    for (const auto& [id, s] : others_) {
        for (const auto& [name, units] : s.characters) {
            if (std::any_of(units.begin(), units.end(),
                            [](const auto& u) { return !u.second.deleted; })) {
                all.insert(name);
            }
        }
    }
    return {all.begin(), all.end()};
}

Report Run::go(const std::vector<std::string>& asked) {
    std::string why;
    state_ = readState(c_.files, c_.stateFile, why);
    if (!why.empty()) {
        report_.lines.push_back(
            texts::format(N_("Note: what this computer last carried {1}; nothing is lost, but "
                             "changes on both sides are kept both."),
                          {why}));
    }
    if (!readPlace()) {
        return report_;
    }
    // This computer's own list at the place is newer where the local record
    // was not written after it (a carry cut off between the two).
    if (const auto own = others_.find(c_.me.id); own != others_.end()) {
        ownListSeq_ = own->second.seq;
        if (own->second.seq > state_.agreed.seq) {
            state_.agreed.seq = own->second.seq;
            state_.agreed.seen = own->second.seen;
            state_.agreed.characters = own->second.characters;
        }
        others_.erase(own);
    }
    next_ = state_.agreed;
    next_.computer = c_.me.id;
    next_.name = c_.me.name;
    next_.time = c_.now ? c_.now() : std::string();
    next_.seq = state_.agreed.seq + 1;
    std::set<std::string> names;
    if (!asked.empty()) {
        names.insert(asked.begin(), asked.end());
    } else {
        for (const auto& [name, units] : state_.agreed.characters) {
            names.insert(name);
        }
        for (const auto& [id, s] : others_) {
            for (const auto& [name, units] : s.characters) {
                names.insert(name);
            }
        }
        if (const auto listed = c_.files.entriesOf(c_.savesFolder)) {
            for (const platform::FolderEntry& e : *listed) {
                if (e.kind == platform::EntryKind::folder && plainName(e.name)) {
                    names.insert(e.name);
                }
            }
        }
    }
    for (const std::string& name : names) {
        if (!plainName(name)) {
            report_.lines.push_back(
                texts::format(N_("Failed. {1} is not a character's name."), {name}));
            report_.status = 1;
            continue;
        }
        character(name);
    }
    if (dryRun_) {
        return report_;
    }
    for (const auto& [id, s] : others_) {
        std::uint64_t& seen = next_.seen[id];
        seen = std::max(seen, s.seq);
    }
    // Nothing new on either side: nothing is written, here or there, so an
    // unchanged carry costs the reading alone.
    const auto characters = [](const Snapshot& s) {
        std::map<std::string, Units> kept;
        for (const auto& [name, units] : s.characters) {
            if (!units.empty()) {
                kept[name] = units;
            }
        }
        return kept;
    };
    if (!stopped_ && report_.status == 0 && next_.seen == state_.agreed.seen &&
        characters(next_) == characters(state_.agreed) && !hashesChanged_ &&
        ownListSeq_ == state_.agreed.seq) {
        return report_;
    }
    // The files first, then the place's list, whole; the local record after
    // it, so that a carry cut off between the two is found out from the
    // place.
    if (!place_.commit() || !place_.putBytes(written(next_), listPath(c_.me.id))) {
        report_.lines.push_back(
            texts::format(N_("Failed. What this computer carried could not be recorded at the "
                             "place ({1}); the next carry does it again."),
                          {place_.why()}));
        report_.status = 1;
        return report_;
    }
    state_.agreed = next_;
    if (!writeState(c_.files, c_.stateFile, state_)) {
        report_.lines.push_back(
            N_("Failed. What was carried could not be recorded on this computer; the next carry "
               "finds it out from the place."));
        report_.status = 1;
    }
    if (stopped_) {
        report_.lines.push_back(N_("Failed. Stopped: the rest is carried next time."));
        report_.status = 1;
    }
    return report_;
}

}  // namespace

bool plainName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name == "." || name == ".." || name.front() == ' ' ||
        name.back() == ' ' || name.back() == '.') {
        return false;
    }
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|') {
            return false;
        }
    }
    // Names Windows keeps for devices, with any extension.
    std::string stem = lower(name.substr(0, name.find('.')));
    static const char* kDevices[] = {"con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4",
                                     "com5", "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3",
                                     "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    return std::none_of(std::begin(kDevices), std::end(kDevices),
                        [&](const char* d) { return stem == d; });
}

std::string written(const Snapshot& s) {
    return snapshotJson(s).dump(1);
}

std::optional<Snapshot> parsed(const std::string& text, std::string& why) {
    try {
        return snapshotOf(json::parse(text), why);
    } catch (const json::exception&) {
        why = NW_("word", "it is damaged");
        return std::nullopt;
    }
}

Report carry(Context& context, Place& place, const std::vector<std::string>& characters,
             bool dryRun) {
    Run run(context, place, dryRun);
    return run.go(characters);
}

std::vector<std::string> charactersAt(Context& context, Place& place) {
    Run run(context, place, true);
    return run.placeCharacters();
}

}  // namespace quarlo::carry
