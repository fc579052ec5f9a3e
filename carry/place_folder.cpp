#include <random>

#include "carry/place.h"
#include "carry/sha256.h"
#include "platform/save_files.h"
#include "texts/catalogue.h"

namespace quarlo::carry {

namespace {

constexpr const char* kNotAFile = N_("{1} is not a file at the place");
constexpr const char* kCannotWrite = N_("cannot write {1} at the place");

// A name for a file on its way in, unlike any other computer's.
std::string partName(const std::string& path) {
    std::random_device random;
    return path + ".part-" + std::to_string(random()) + std::to_string(random());
}

class FolderPlace : public Place {
  public:
    FolderPlace(platform::SaveFiles& files, std::string folder)
        : files_(files), folder_(std::move(folder)) {}

    std::optional<std::vector<std::string>> list(const std::string& folder) override {
        const std::string at = local(folder);
        const platform::PathKind kind = files_.kindOf(at);
        if (kind == platform::PathKind::missing) {
            return std::vector<std::string>{};
        }
        // A link where a folder of the place should be is not followed.
        if (kind != platform::PathKind::folder) {
            return fail(texts::format(N_("the place holds something else at {1}"), {folder}));
        }
        const auto entries = files_.entriesOf(at);
        if (!entries) {
            return fail(texts::format(N_("the place's folder {1} cannot be read"), {folder}));
        }
        std::vector<std::string> names;
        for (const platform::FolderEntry& e : *entries) {
            if (e.kind == platform::EntryKind::file) {
                names.push_back(e.name);
            }
        }
        return names;
    }

    std::optional<std::string> read(const std::string& path, std::size_t largest) override {
        const std::string at = local(path);
        if (files_.kindOf(at) != platform::PathKind::file) {
            return fail(texts::format(kNotAFile, {path}));
        }
        const auto chunk = files_.read(at, 0, largest + 1);
        if (!chunk) {
            return fail(texts::format(N_("{1} cannot be read at the place"), {path}));
        }
        if (chunk->bytes.size() > largest) {
            return fail(
                texts::format(N_("{1} at the place is larger than any Quarlo writes"), {path}));
        }
        return chunk->bytes;
    }

    bool put(const std::string& localFile, const std::string& path, const std::string& sha256,
             const platform::FileStamp* unchanged) override {
        if (!folders(path)) {
            return false;
        }
        const std::string part = partName(local(path));
        if (files_.copyUnflushed(localFile, part) != platform::FileOutcome::done) {
            files_.remove(part);
            return failed(texts::format(kCannotWrite, {path}));
        }
        // The file's own version unchanged since it was hashed (a write
        // moves its change time, which no program can set back): the copy
        // holds those bytes. Otherwise the copy is hashed.
        const bool same = unchanged != nullptr && files_.stamp(localFile) == *unchanged
                              ? true
                              : fileSha256(files_, part) == sha256;
        if (!same) {
            files_.remove(part);
            return failed(N_("a file changed while it was carried"));
        }
        pending_.emplace_back(part, local(path));
        return true;
    }

    // Every file put flushed together, then each renamed to its name.
    bool commit() override {
        std::vector<std::string> parts;
        for (const auto& [part, final] : pending_) {
            parts.push_back(part);
        }
        bool ok = parts.empty() || files_.flushFiles(parts);
        for (const auto& [part, final] : pending_) {
            ok = ok && files_.replace(part, final);
            if (!ok) {
                files_.remove(part);
            }
        }
        if (!pending_.empty()) {
            const std::string& last = pending_.back().second;
            files_.syncFolder(last.substr(0, last.rfind(files_.separator())));
        }
        pending_.clear();
        if (!ok) {
            why_ = N_("cannot write at the place");
        }
        return ok;
    }

    ~FolderPlace() override {
        for (const auto& [part, final] : pending_) {
            files_.remove(part);
        }
    }

    bool putBytes(const std::string& bytes, const std::string& path) override {
        if (!folders(path)) {
            return false;
        }
        const std::string part = partName(local(path));
        if (!files_.writeNew(part, bytes) || !files_.replace(part, local(path))) {
            files_.remove(part);
            return failed(texts::format(kCannotWrite, {path}));
        }
        return true;
    }

    bool fetch(const std::string& path, const std::string& localFile) override {
        const std::string at = local(path);
        if (files_.kindOf(at) != platform::PathKind::file) {
            return failed(texts::format(kNotAFile, {path}));
        }
        if (files_.copyNew(at, localFile) != platform::FileOutcome::done) {
            return failed(texts::format(N_("cannot copy {1} from the place"), {path}));
        }
        return true;
    }

  private:
    std::string local(const std::string& path) const {
        std::string out = folder_;
        const char sep = files_.separator();
        if (!path.empty()) {
            out += sep;
            for (const char c : path) {
                out += c == '/' ? sep : c;
            }
        }
        return out;
    }
    // The folders a path's file goes in, made where missing.
    bool folders(const std::string& path) {
        if (files_.kindOf(folder_) != platform::PathKind::folder) {
            return failed(texts::format(N_("the place {1} is not there"), {folder_}));
        }
        for (std::size_t at = path.find('/'); at != std::string::npos;
             at = path.find('/', at + 1)) {
            const std::string folder = local(path.substr(0, at));
            const platform::PathKind kind = files_.kindOf(folder);
            if (kind == platform::PathKind::missing && files_.makeFolder(folder)) {
                continue;
            }
            if (kind != platform::PathKind::folder &&
                files_.kindOf(folder) != platform::PathKind::folder) {
                return failed(texts::format(N_("cannot make the folder {1} at the place"),
                                            {path.substr(0, at)}));
            }
        }
        return true;
    }
    std::nullopt_t fail(std::string why) {
        why_ = std::move(why);
        return std::nullopt;
    }
    bool failed(std::string why) {
        why_ = std::move(why);
        return false;
    }

    platform::SaveFiles& files_;
    std::string folder_;
    std::vector<std::pair<std::string, std::string>> pending_;  // part, final
};

}  // namespace

std::optional<std::string> fileSha256(platform::SaveFiles& files, const std::string& path) {
    Sha256 sum;
    constexpr std::size_t kChunk = 1u << 20;
    for (std::uint64_t at = 0;; at += kChunk) {
        const auto chunk = files.read(path, at, kChunk);
        if (!chunk) {
            return std::nullopt;
        }
        sum.add(chunk->bytes);
        if (chunk->bytes.size() < kChunk) {
            return sum.hex();
        }
    }
}

std::unique_ptr<Place> folderPlace(platform::SaveFiles& files, std::string folder) {
    return std::make_unique<FolderPlace>(files, std::move(folder));
}

bool isRemote(const std::string& place) {
    if (place.size() > 1 && place[0] == ':') {
        return true;  // a remote given whole on the line (":sftp,host=...:path")
    }
    const std::size_t colon = place.find(':');
    if (colon == std::string::npos || colon < 2) {
        return false;  // "C:\..." is a folder
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = place[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ' ';
        if (!plain) {
            return false;
        }
    }
    return true;
}

}  // namespace quarlo::carry
