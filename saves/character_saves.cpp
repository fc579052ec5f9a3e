#include "saves/character_saves.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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
    return header && header->timed ? millisecondsSince1970(header->saveTime) : modifiedLocalMs;
}

SystemTime SaveEntry::savedTime() const {
    return header && header->timed ? header->saveTime : systemTimeOf(modifiedLocalMs);
}

std::optional<std::uint64_t> characterOf(const std::vector<SaveEntry>& saves) {
    std::map<std::uint64_t, std::pair<std::size_t, std::int64_t>> counts;  // key -> saves, newest
    std::optional<std::uint64_t> best;
    std::pair<std::size_t, std::int64_t> bestCount{0, 0};
    for (const SaveEntry& save : saves) {
        if (!save.header) {
            continue;
        }
        auto& count = counts[save.header->characterKey];
        ++count.first;
        count.second = std::max(count.second, save.sortTime());
        if (!best || count > bestCount) {
            best = save.header->characterKey;
            bestCount = count;
        }
    }
    return best;
}

std::uint64_t characterKeyOf(std::string_view fileName, const SaveHeader& header) {
    // "<kind><number>_<eight hex digits>_…", kind Save, Autosave, Quicksave
    // or Exitsave: the id the game gives the character when it is made.
    std::size_t at = 0;
    while (at < fileName.size() && ((fileName[at] >= 'A' && fileName[at] <= 'Z') ||
                                    (fileName[at] >= 'a' && fileName[at] <= 'z'))) {
        ++at;
    }
    const std::size_t digits = at;
    while (at < fileName.size() && fileName[at] >= '0' && fileName[at] <= '9') {
        ++at;
    }
    if (at > digits && digits > 0 && fileName.size() > at + 10 && fileName[at] == '_' &&
        fileName[at + 9] == '_') {
        std::uint64_t id = 0;
        bool hex = true;
        for (std::size_t i = at + 1; i < at + 9 && hex; ++i) {
            const char c = fileName[i];
            const int v = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
            hex = v >= 0;
            id = id * 16 + static_cast<std::uint64_t>(v < 0 ? 0 : v);
        }
        if (hex) {
            return id | (std::uint64_t{1} << 40);
        }
    }
    // FNV-1a of the name and the race, kept apart from the ids above.
    std::uint64_t h = 1469598103934665603ULL;
    for (const std::string* part : {&header.playerName, &header.race}) {
        for (const char c : *part) {
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        h = (h ^ 0xFF) * 1099511628211ULL;
    }
    return h | (std::uint64_t{1} << 63);
}

std::vector<SaveFamily> groupSaves(const std::vector<std::string>& names,
                                   const games::SaveFormat& format) {
    const std::string ext(format.extension);
    const bool replaced = format.backups == games::SaveBackups::replaceExtension;
    const bool appended = format.backups == games::SaveBackups::appendBak;
    const std::string appendedBak = ext + ".bak";
    // The stems of the game's saves, so that Oblivion's "X.obse.bak" is told
    // from a save of its own: it is the co-save of X.bak whenever there is
    // an X.ess or an X.bak.
    std::unordered_set<std::string> stems;
    if (replaced) {
        for (const std::string& name : names) {
            if (endsWithIgnoringCase(name, ext) || endsWithIgnoringCase(name, ".bak")) {
                stems.insert(lowerAscii(stemOf(name)));
            }
        }
    }
    std::vector<SaveFamily> saves;
    std::vector<std::string> keys;  // "x" for X.ess, "x.bak" for X.bak ("x.fos.bak")
    std::unordered_map<std::string, std::vector<std::string>> others;
    for (const std::string& name : names) {
        if (endsWithIgnoringCase(name, ext)) {
            saves.push_back(SaveFamily{name, {}, false});
            keys.push_back(lowerAscii(stemOf(name)));
        } else if (appended && endsWithIgnoringCase(name, appendedBak)) {
            saves.push_back(SaveFamily{name, {}, true});
            keys.push_back(lowerAscii(name));
        } else if ((replaced || appended) && endsWithIgnoringCase(name, ".bak")) {
            const std::string_view inner = stemOf(name);  // "X.obse" of "X.obse.bak"
            const std::size_t dot = inner.rfind('.');
            const std::string innerExt =
                dot == std::string_view::npos ? "" : lowerAscii(inner.substr(dot));
            const std::string innerStem =
                dot == std::string_view::npos ? "" : lowerAscii(inner.substr(0, dot));
            if (appended) {
                // "X.nvse.bak" goes with X.fos.bak; a plain "X.bak" is no
                // file of this game's.
                if (dot != std::string_view::npos && innerExt != ".bak") {
                    others[innerStem + appendedBak].push_back(name);
                }
            } else if (dot != std::string_view::npos && innerExt != ext && innerExt != ".bak" &&
                       stems.count(innerStem)) {
                others[innerStem + ".bak"].push_back(name);
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

std::vector<std::string> strayCoSaves(const std::vector<std::string>& names,
                                      const games::SaveFormat& format) {
    std::unordered_set<std::string> grouped;
    for (const SaveFamily& family : groupSaves(names, format)) {
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
        for (const std::string_view e : format.coSaveExtensions) {
            coSave = coSave || (lower.size() > e.size() && lower.ends_with(e));
        }
        if (coSave) {
            stray.push_back(name);
        }
    }
    std::sort(stray.begin(), stray.end());
    return stray;
}

std::optional<std::vector<SaveEntry>> listSaves(const platform::SaveFiles& files,
                                                const std::string& folder,
                                                const games::SaveFormat& format) {
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
    for (SaveFamily& family : groupSaves(names, format)) {
        SaveEntry entry;
        entry.path = prefix + family.save;
        entry.link = links.count(family.save) > 0;
        entry.backup = family.backup;
        entry.fileName = std::move(family.save);
        entry.coSaves = std::move(family.coSaves);
        if (const auto file = files.open(entry.path)) {
            entry.modifiedLocalMs = file->modifiedLocalMs();
            HeaderResult parsed = readSave(*file, format.layout);
            if (parsed.header && format.layout != games::SaveLayout::oblivion) {
                parsed.header->characterKey = characterKeyOf(entry.fileName, *parsed.header);
            }
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
