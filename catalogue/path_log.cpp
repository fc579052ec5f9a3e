#include "catalogue/path_log.h"

#include <unordered_set>

namespace quarlo::catalogue {

namespace {

struct FolderIdHash {
    std::size_t operator()(const platform::FolderId& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.node * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

// Deeper than any real folder tree; only a file system whose ".." never
// settles could take the ancestors' search further.
constexpr int kMaxAncestors = 4096;

}  // namespace

std::string EnsureTrailingSlash(const std::string& p, char separator) {
    if (!p.empty() && p.back() == separator) {
        return p;
    }
    return p + separator;
}

void PathLog::LogPath(const std::string& strPARENT, std::vector<std::string>& strFNAMES,
                      std::vector<std::int32_t>& lngPptrs, std::vector<std::string>& strPaths) {
    if (service_ == nullptr || !service_->folderExists(strPARENT)) {
        return;
    }
    const char sep = service_->separator();

    std::vector<std::string> paths{EnsureTrailingSlash(strPARENT, sep)};
    std::vector<std::string> names;
    std::vector<std::int32_t> parents;

    // The folder walked and every folder that holds it, up to the root of its
    // file system. A link to one of them is listed but never entered: through
    // it the walk would leave the tree for the whole disk.
    std::unordered_set<platform::FolderId, FolderIdHash> ancestors;
    std::string up = paths[0];
    for (int level = 0; level < kMaxAncestors; ++level) {
        const auto id = service_->folderId(up);
        if (!id || !ancestors.insert(*id).second) {
            break;
        }
        up.append("..").push_back(sep);
    }

    std::unordered_set<platform::FolderId, FolderIdHash> seen;
    if (auto id = service_->folderId(paths[0])) {
        seen.insert(*id);
    }
    std::vector<bool> enter{true};

    // New folders are appended while the visit index moves forward, so every
    // folder is visited once, level by level.
    for (std::size_t j = 0; j < paths.size(); ++j) {
        auto listing = enter[j] ? service_->listFolder(paths[j]) : std::nullopt;
        if (!listing) {
            continue;
        }
        for (auto& sub : listing->folders) {
            const bool ancestor = ancestors.count(sub.id) != 0;
            if (!ancestor && !seen.insert(sub.id).second) {
                continue;
            }
            std::string path;
            path.reserve(paths[j].size() + sub.name.size() + 1);
            path.append(paths[j]).append(sub.name).push_back(sep);
            paths.push_back(std::move(path));
            enter.push_back(!ancestor);
        }
        for (auto& file : listing->files) {
            names.push_back(std::move(file));
            parents.push_back(static_cast<std::int32_t>(j));
        }
    }

    fileCount_ = static_cast<std::int32_t>(names.size());
    if (names.empty()) {
        names.emplace_back();
        parents.push_back(0);
    }
    strPaths = std::move(paths);
    strFNAMES = std::move(names);
    lngPptrs = std::move(parents);
}

}  // namespace quarlo::catalogue
