#include "saves/character_saves.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/save_files.h"

namespace quarlo::saves {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

struct NameParts {
    std::string stemKey;  // the name up to its last dot, lower case
    bool isSave = false;
};

NameParts partsOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = std::string_view(name).substr(0, dot);
    const bool isSave = dot != std::string::npos && lowerAscii(name.substr(dot)) == ".ess";
    return NameParts{lowerAscii(stem), isSave};
}

}  // namespace

std::int64_t SaveEntry::sortTime() const {
    return header ? millisecondsSince1970(header->saveTime) : modifiedLocalMs;
}

std::vector<SaveFamily> groupSaves(const std::vector<std::string>& names) {
    std::vector<SaveFamily> saves;
    std::vector<std::string> saveKeys;
    std::unordered_map<std::string, std::vector<std::string>> others;
    for (const std::string& name : names) {
        NameParts parts = partsOf(name);
        if (parts.isSave) {
            saves.push_back(SaveFamily{name, {}});
            saveKeys.push_back(std::move(parts.stemKey));
        } else {
            others[std::move(parts.stemKey)].push_back(name);
        }
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        if (const auto it = others.find(saveKeys[i]); it != others.end()) {
            saves[i].coSaves = it->second;
            std::sort(saves[i].coSaves.begin(), saves[i].coSaves.end());
        }
    }
    return saves;
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
        entry.fileName = std::move(family.save);
        entry.coSaves = std::move(family.coSaves);
        if (const auto chunk = files.read(entry.path, 0, headerReadSize)) {
            entry.modifiedLocalMs = chunk->modifiedLocalMs;
            HeaderResult parsed = parseHeader(chunk->bytes, chunk->size);
            entry.header = std::move(parsed.header);
            entry.reason = parsed.reason;
        } else {
            entry.reason = Unreadable::cannotRead;
        }
        saves.push_back(std::move(entry));
    }
    std::sort(saves.begin(), saves.end(), [](const SaveEntry& a, const SaveEntry& b) {
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
