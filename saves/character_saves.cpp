#include "saves/character_saves.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/game_facts.h"
#include "platform/save_files.h"

namespace quarlo::saves {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

namespace {

bool endsWithIgnoringCase(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() &&
           lowerAscii(name.substr(name.size() - suffix.size())) == suffix;
}

// The name up to its last dot; the whole name when it has none.
std::string_view stemOf(std::string_view name) {
    return name.substr(0, name.rfind('.'));
}

}  // namespace

std::int64_t SaveEntry::sortTime() const {
    return header ? millisecondsSince1970(header->saveTime) : modifiedLocalMs;
}

std::optional<SystemTime> characterOf(const std::vector<SaveEntry>& saves) {
    std::map<std::int64_t, std::pair<std::size_t, std::int64_t>> counts;  // stamp -> saves, newest
    std::optional<SystemTime> best;
    std::pair<std::size_t, std::int64_t> bestCount{0, 0};
    for (const SaveEntry& save : saves) {
        if (!save.header) {
            continue;
        }
        auto& count = counts[millisecondsSince1970(save.header->characterStamp)];
        ++count.first;
        count.second = std::max(count.second, save.sortTime());
        if (!best || count > bestCount) {
            best = save.header->characterStamp;
            bestCount = count;
        }
    }
    return best;
}

std::vector<SaveFamily> groupSaves(const std::vector<std::string>& names) {
    // The stems of the game's saves, so that "X.obse.bak" is told from a save
    // of its own: it is the co-save of X.bak whenever there is an X.ess or
    // an X.bak.
    std::unordered_set<std::string> stems;
    for (const std::string& name : names) {
        if (endsWithIgnoringCase(name, ".ess") || endsWithIgnoringCase(name, ".bak")) {
            stems.insert(lowerAscii(stemOf(name)));
        }
    }
    std::vector<SaveFamily> saves;
    std::vector<std::string> keys;  // "x" for X.ess, "x.bak" for X.bak
    std::unordered_map<std::string, std::vector<std::string>> others;
    for (const std::string& name : names) {
        if (endsWithIgnoringCase(name, ".ess")) {
            saves.push_back(SaveFamily{name, {}, false});
            keys.push_back(lowerAscii(stemOf(name)));
        } else if (endsWithIgnoringCase(name, ".bak")) {
            const std::string_view inner = stemOf(name);  // "X.obse" of "X.obse.bak"
            const std::size_t dot = inner.rfind('.');
            const std::string ext =
                dot == std::string_view::npos ? "" : lowerAscii(inner.substr(dot));
            if (dot != std::string_view::npos && ext != ".ess" && ext != ".bak" &&
                stems.count(lowerAscii(inner.substr(0, dot)))) {
                others[lowerAscii(inner.substr(0, dot)) + ".bak"].push_back(name);
            } else {
                saves.push_back(SaveFamily{name, {}, true});
                keys.push_back(lowerAscii(name));
            }
        } else {
            // "X.obse" goes with X.ess, "X.bak.pluggy" with X.bak.
            others[lowerAscii(stemOf(name))].push_back(name);
        }
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        if (const auto it = others.find(keys[i]); it != others.end()) {
            saves[i].coSaves = it->second;
            std::sort(saves[i].coSaves.begin(), saves[i].coSaves.end());
        }
    }
    return saves;
}

std::vector<std::string> strayCoSaves(const std::vector<std::string>& names) {
    std::unordered_set<std::string> grouped;
    for (const SaveFamily& family : groupSaves(names)) {
        grouped.insert(family.save);
        grouped.insert(family.coSaves.begin(), family.coSaves.end());
    }
    std::vector<std::string> stray;
    for (const std::string& name : names) {
        if (grouped.count(name) > 0) {
            continue;
        }
        std::string lower = lowerAscii(name);
        if (lower.ends_with(".bak")) {
            lower.resize(lower.size() - 4);  // "X.obse.bak"
        }
        bool coSave = false;
        for (const std::string_view ext : game::kCoSaveExtensions) {
            coSave = coSave || (lower.size() > ext.size() && lower.ends_with(ext));
        }
        if (coSave) {
            stray.push_back(name);
        }
    }
    std::sort(stray.begin(), stray.end());
    return stray;
}

std::optional<std::vector<SaveEntry>> listSaves(const platform::SaveFiles& files,
                                                const std::string& folder) {
    const auto listed = files.listFiles(folder);
    if (!listed) {
        return std::nullopt;
    }
    std::string prefix = listed->folder;
    if (!prefix.empty() && prefix.back() != files.separator() && prefix.back() != '/') {
        prefix.push_back(files.separator());
    }
    std::vector<std::string> names;
    std::unordered_set<std::string> links;
    names.reserve(listed->entries.size());
    for (const platform::FolderEntry& e : listed->entries) {
        if (e.kind == platform::EntryKind::other) {
            continue;  // a FIFO or a device is nobody's save
        }
        names.push_back(e.name);
        if (e.kind == platform::EntryKind::link) {
            links.insert(e.name);
        }
    }
    std::vector<SaveEntry> saves;
    for (SaveFamily& family : groupSaves(names)) {
        SaveEntry entry;
        entry.path = prefix + family.save;
        entry.link = links.count(family.save) > 0;
        entry.backup = family.backup;
        entry.fileName = std::move(family.save);
        entry.coSaves = std::move(family.coSaves);
        if (const auto file = files.open(entry.path)) {
            entry.modifiedLocalMs = file->modifiedLocalMs();
            HeaderResult parsed = readSave(*file);
            entry.header = std::move(parsed.header);
            entry.reason = parsed.reason;
        } else {
            entry.reason = Unreadable::cannotRead;
        }
        saves.push_back(std::move(entry));
    }
    std::sort(saves.begin(), saves.end(), [](const SaveEntry& a, const SaveEntry& b) {
        if (a.header.has_value() != b.header.has_value()) {
            return a.header.has_value();  // the unreadable after the saves
        }
        const std::int64_t ta = a.sortTime();
        const std::int64_t tb = b.sortTime();
        if (ta != tb) {
            return ta > tb;
        }
        return a.fileName < b.fileName;
    });
    return saves;
}

}  // namespace quarlo::saves
