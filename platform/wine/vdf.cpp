#include "platform/wine/vdf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <utility>

namespace quarlo::platform::wine {

namespace {

// The keys looked for are ASCII; this file is also built for Windows, where
// the POSIX case-folding helpers are not.
bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Valve's KeyValues text: "key" "value" pairs and "key" { ... } blocks,
// // comments, backslash escapes in quoted strings.
struct VdfNode {
    std::vector<std::pair<std::string, std::unique_ptr<VdfNode>>> children;
    std::vector<std::pair<std::string, std::string>> values;
};

class VdfReader {
  public:
    explicit VdfReader(std::string_view text) : text_(text) {}

    // Reads pairs up to the closing brace of the current block (or the end).
    void readBlock(VdfNode& node, int depth) {
        std::string key;
        while (nextToken(key)) {
            if (key == "}" && !quoted_) {
                return;
            }
            std::string value;
            if (!nextToken(value)) {
                return;
            }
            if (value == "{" && !quoted_) {
                auto child = std::make_unique<VdfNode>();
                if (depth < 16) {
                    readBlock(*child, depth + 1);
                } else {
                    skipBlock();
                }
                node.children.emplace_back(std::move(key), std::move(child));
            } else if (value == "}" && !quoted_) {
                return;
            } else {
                node.values.emplace_back(std::move(key), std::move(value));
            }
        }
    }

  private:
    void skipBlock() {
        std::string token;
        int open = 1;
        while (open > 0 && nextToken(token)) {
            if (!quoted_) {
                open += token == "{" ? 1 : token == "}" ? -1 : 0;
            }
        }
    }

    bool nextToken(std::string& token) {
        token.clear();
        quoted_ = false;
        for (;;) {
            while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
                ++at_;
            }
            if (text_.substr(at_, 2) == "//") {
                const std::size_t eol = text_.find('\n', at_);
                at_ = eol == std::string_view::npos ? text_.size() : eol;
                continue;
            }
            break;
        }
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{' || c == '}') {
            token = c;
            ++at_;
            return true;
        }
        if (c == '"') {
            quoted_ = true;
            for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
                if (text_[at_] == '\\' && at_ + 1 < text_.size()) {
                    const char e = text_[++at_];
                    token += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    token += text_[at_];
                }
            }
            if (at_ < text_.size()) {
                ++at_;  // the closing quote; a cut-off file may have none
            }
            return true;
        }
        while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
               text_[at_] != '{' && text_[at_] != '}' && text_[at_] != '"') {
            token += text_[at_++];
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    bool quoted_ = false;
};

bool allDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::vector<std::string> parseLibraryFolders(std::string_view vdf) {
    VdfNode root;
    VdfReader(vdf).readBlock(root, 0);
    std::vector<std::string> libraries;
    for (const auto& [name, block] : root.children) {
        if (!sameNameIgnoringCase(name, "libraryfolders")) {
            continue;
        }
        // Old form: "1" "/path". New form: "0" { "path" "/path" ... }.
        for (const auto& [key, value] : block->values) {
            if (allDigits(key) && !value.empty()) {
                libraries.push_back(value);
            }
        }
        for (const auto& [key, entry] : block->children) {
            if (!allDigits(key)) {
                continue;
            }
            for (const auto& [field, value] : entry->values) {
                if (sameNameIgnoringCase(field, "path") && !value.empty()) {
                    libraries.push_back(value);
                    break;
                }
            }
        }
    }
    return libraries;
}

std::vector<CloudFile> parseRemoteCacheFiles(std::string_view vdf, std::string_view appId) {
    VdfNode root;
    VdfReader(vdf).readBlock(root, 0);
    std::vector<CloudFile> files;
    for (const auto& [name, block] : root.children) {
        if (name != appId) {
            continue;
        }
        // A file's block is told from Steam's other blocks by its fields.
        for (const auto& [path, entry] : block->children) {
            const bool file =
                std::any_of(entry->values.begin(), entry->values.end(), [](const auto& field) {
                    return sameNameIgnoringCase(field.first, "size") ||
                           sameNameIgnoringCase(field.first, "sha");
                });
            if (!file || path.empty()) {
                continue;
            }
            CloudFile listed{path};
            for (const auto& [key, value] : entry->values) {
                int n = 0;
                const auto [end, error] =
                    std::from_chars(value.data(), value.data() + value.size(), n);
                if (error != std::errc() || end != value.data() + value.size()) {
                    continue;
                }
                if (sameNameIgnoringCase(key, "root")) {
                    listed.root = n;
                } else if (sameNameIgnoringCase(key, "persiststate")) {
                    listed.persistState = n;
                }
            }
            files.push_back(std::move(listed));
        }
    }
    return files;
}

}  // namespace quarlo::platform::wine
