#include "platform/wine/case_paths.h"

#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/posix/util.h"
#include "platform/wine/utf8.h"

namespace quarlo::platform::wine {

namespace {

// A locale in which towupper knows every letter, whatever the process's own
// locale is; null when the C library has none, and then only ASCII folds.
locale_t unicodeLocale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t upper(char32_t c) {
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
    }
    const locale_t locale = unicodeLocale();
    return locale ? static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), locale)) : c;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case; the
// smallest by bytes when several do, so the choice does not depend on the
// order in which the folder happens to list them.
std::optional<std::string> findIgnoringCase(const std::string& folder, std::string_view name) {
    const posix::Folder dir = posix::openFolder(folder.empty() ? "." : folder);
    if (!dir) {
        return std::nullopt;
    }
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view candidate(entry->d_name);
        if (sameNameIgnoringCase(candidate, name) && (!best || candidate < *best)) {
            best = std::string(candidate);
        }
    }
    return best;
}

}  // namespace

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t ai = i;
        const std::size_t bj = j;
        const auto ca = utf8::next(a, i);
        const auto cb = utf8::next(b, j);
        if (ca && cb) {
            if (upper(*ca) != upper(*cb)) {
                return false;
            }
            continue;
        }
        // Not UTF-8 on one side: such a byte only matches itself.
        if (a[ai] != b[bj]) {
            return false;
        }
        i = ai + 1;
        j = bj + 1;
    }
    return i == a.size() && j == b.size();
}

std::string foldedName(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t at = i;
        if (const auto c = utf8::next(name, i)) {
            const char32_t u = upper(*c);
            // Four bytes a character, so no two characters share a key.
            for (int shift = 24; shift >= 0; shift -= 8) {
                key.push_back(static_cast<char>((u >> shift) & 0xFF));
            }
        } else {
            // A byte that is not UTF-8 matches only itself; 0xFF never
            // starts a character's key, as no character is that large.
            key.push_back(static_cast<char>(0xFF));
            key.push_back(name[at]);
            i = at + 1;
        }
    }
    return key;
}

std::string resolveCase(const std::string& path) {
    if (path.empty() || exists(path)) {
        return path;
    }
    std::vector<std::string_view> components;
    const std::string_view whole(path);
    for (std::size_t start = 0; start <= whole.size();) {
        const std::size_t slash = whole.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? whole.size() : slash;
        if (end > start) {
            components.push_back(whole.substr(start, end - start));
        }
        start = end + 1;
    }
    std::string resolved = path.front() == '/' ? "/" : "";
    bool missing = false;
    for (const std::string_view component : components) {
        const std::string parent = resolved;
        if (!resolved.empty() && resolved.back() != '/') {
            resolved += '/';
        }
        if (missing || component == "." || component == "..") {
            resolved += component;
            continue;
        }
        const std::size_t before = resolved.size();
        resolved += component;
        if (exists(resolved)) {
            continue;
        }
        if (auto onDisk = findIgnoringCase(parent, component)) {
            resolved.replace(before, std::string::npos, *onDisk);
        } else {
            missing = true;  // nothing below a missing folder can be there
        }
    }
    if (path.back() == '/' && resolved.back() != '/') {
        resolved += '/';
    }
    return resolved;
}

}  // namespace quarlo::platform::wine
