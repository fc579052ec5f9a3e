#include "backups/manifest.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "backups/digest.h"
#include "texts/catalogue.h"

namespace quarlo::backups {

namespace {

// The first version wrote names and fields as they were, so it could hold no
// line break; it is still read.
constexpr std::string_view kHeaderV1 = "quarlo-backup 1";
constexpr std::string_view kHeader = "quarlo-backup 2";

struct ReasonName {
    Reason reason;
    std::string_view key;
    const char* text;
};
constexpr ReasonName kReasons[] = {
    {Reason::byHand, "hand", N_("By hand")},
    {Reason::leftCharacter, "left", N_("Left for another character")},
    {Reason::beforeSort, "sort", N_("Before sorting loose saves")},
    {Reason::beforeRestore, "restore", N_("Before a restore")},
    {Reason::beforeTidy, "tidy", N_("Before tidying up")},
};

template <typename Int>
bool number(std::string_view& line, Int& out) {
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), out);
    if (error != std::errc() || end == line.data() + line.size() || *end != ' ') {
        return false;
    }
    line.remove_prefix(static_cast<std::size_t>(end - line.data()) + 1);
    return true;
}

std::string escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const auto [end, error] =
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3) {
            return std::nullopt;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

}  // namespace

bool automatic(Reason reason) {
    return reason != Reason::byHand;
}

std::string_view reasonKey(Reason reason) {
    for (const auto& r : kReasons) {
        if (r.reason == reason) {
            return r.key;
        }
    }
    return "hand";
}

const char* describe(Reason reason) {
    for (const ReasonName& r : kReasons) {
        if (r.reason == reason) {
            return r.text;
        }
    }
    return "";
}

bool plainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos &&
           !std::equal(
               name.begin(), name.end(), kManifestName.begin(), kManifestName.end(),
               [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

std::string formatManifest(const Manifest& m) {
    std::string out(kHeader);
    out += "\ngame " + escape(m.gameFolder) + "\ncharacter " + escape(m.character) + "\nreason ";
    for (const ReasonName& r : kReasons) {
        if (r.reason == m.reason) {
            out += r.key;
        }
    }
    out += "\nmade " + escape(m.made) + "\n";
    for (const ManifestFile& f : m.files) {
        const platform::FileStamp& s = f.source;
        const platform::FileStamp& c = f.copy;
        out += "file " + std::to_string(s.size) + " " + std::to_string(s.modifiedNs) + " " +
               std::to_string(s.device) + " " + std::to_string(s.node) + " " +
               std::to_string(s.changedNs) + " " + hexDigest(f.digest.value_or(0)) + " " +
               std::to_string(c.device) + " " + std::to_string(c.node) + " " +
               std::to_string(c.changedNs) + " " + escape(f.name) + "\n";
    }
    return out + "end\n";
}

std::optional<Manifest> parseManifest(std::string_view text) {
    Manifest m;
    int version = 0;
    bool reason = false;
    std::set<std::string> names;
    while (!text.empty()) {
        const std::size_t cut = text.find('\n');
        if (cut == std::string_view::npos) {
            return std::nullopt;  // every line ends; a cut file does not
        }
        std::string_view line = text.substr(0, cut);
        text.remove_prefix(cut + 1);
        const auto field = [&line](std::string_view key) {
            if (line.size() < key.size() + 1 || line.substr(0, key.size()) != key ||
                line[key.size()] != ' ') {
                return false;
            }
            line.remove_prefix(key.size() + 1);
            return true;
        };
        // Version 1 wrote fields as they were.
        const auto value = [&](std::string_view v) -> std::optional<std::string> {
            return version == 1 ? std::optional(std::string(v)) : unescape(v);
        };
        std::optional<std::string> got;
        if (version == 0) {
            version = line == kHeader ? 2 : line == kHeaderV1 ? 1 : 0;
            if (version == 0) {
                return std::nullopt;
            }
        } else if (line == "end") {
            return text.empty() && reason ? std::optional<Manifest>(std::move(m)) : std::nullopt;
        } else if (field("game")) {
            if (!(got = value(line))) {
                return std::nullopt;
            }
            m.gameFolder = std::move(*got);
        } else if (field("character")) {
            if (!(got = value(line))) {
                return std::nullopt;
            }
            m.character = std::move(*got);
        } else if (field("made")) {
            if (!(got = value(line))) {
                return std::nullopt;
            }
            m.made = std::move(*got);
        } else if (field("reason")) {
            for (const ReasonName& r : kReasons) {
                if (line == r.key) {
                    m.reason = r.reason;
                    reason = true;
                }
            }
        } else if (field("file")) {
            ManifestFile f;
            platform::FileStamp& s = f.source;
            if (!number(line, s.size) || !number(line, s.modifiedNs) || !number(line, s.device) ||
                !number(line, s.node) || !number(line, s.changedNs)) {
                return std::nullopt;
            }
            if (version == 2) {
                const std::size_t space = line.find(' ');
                f.digest = parseDigest(line.substr(0, space));
                if (!f.digest || space == std::string_view::npos) {
                    return std::nullopt;
                }
                line.remove_prefix(space + 1);
                platform::FileStamp& c = f.copy;
                if (!number(line, c.device) || !number(line, c.node) ||
                    !number(line, c.changedNs)) {
                    return std::nullopt;
                }
                c.size = s.size;
                c.modifiedNs = s.modifiedNs;
            }
            got = value(line);
            if (!got || !plainFileName(*got) || !names.insert(*got).second) {
                return std::nullopt;
            }
            f.name = std::move(*got);
            m.files.push_back(std::move(f));
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace quarlo::backups
