#include "saves/character_saves.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

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

std::optional<std::vector<SaveEntry>> listSaves(const platform::SaveFiles& files,
                                                const std::string& folder) {
    const auto names = files.listFiles(folder);
    if (!names) {
        return std::nullopt;
    }
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != files.separator() && prefix.back() != '/') {
        prefix.push_back(files.separator());
    }
    std::vector<SaveEntry> saves;
    std::vector<std::string> saveKeys;
    std::unordered_map<std::string, std::vector<std::string>> others;
    for (const std::string& name : *names) {
        NameParts parts = partsOf(name);
        if (parts.isSave) {
            SaveEntry entry;
            entry.fileName = name;
            entry.path = prefix + name;
            saves.push_back(std::move(entry));
            saveKeys.push_back(std::move(parts.stemKey));
        } else {
            others[std::move(parts.stemKey)].push_back(name);
        }
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        SaveEntry& entry = saves[i];
        if (const auto it = others.find(saveKeys[i]); it != others.end()) {
            entry.coSaves = it->second;
            std::sort(entry.coSaves.begin(), entry.coSaves.end());
        }
        if (const auto chunk = files.read(entry.path, 0, headerReadSize)) {
            entry.modifiedLocalMs = chunk->modifiedLocalMs;
            HeaderResult parsed = parseHeader(chunk->bytes, chunk->size);
            entry.header = std::move(parsed.header);
            entry.reason = parsed.reason;
        } else {
            entry.reason = Unreadable::cannotRead;
        }
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
