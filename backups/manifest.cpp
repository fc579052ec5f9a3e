#include "backups/manifest.h"

#include <charconv>

namespace quarlo::backups {

namespace {

constexpr std::string_view kHeader = "quarlo-backup 1";

struct ReasonName {
    Reason reason;
    std::string_view key;
    const char* text;
};
constexpr ReasonName kReasons[] = {
    {Reason::byHand, "hand", "By hand"},
    {Reason::leftCharacter, "left", "Left for another character"},
    {Reason::beforeSort, "sort", "Before sorting loose saves"},
    {Reason::beforeRestore, "restore", "Before a restore"},
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

}  // namespace

bool automatic(Reason reason) {
    return reason != Reason::byHand;
}

const char* describe(Reason reason) {
    for (const ReasonName& r : kReasons) {
        if (r.reason == reason) {
            return r.text;
        }
    }
    return "";
}

std::string formatManifest(const Manifest& m) {
    std::string out(kHeader);
    out += "\ngame " + m.gameFolder + "\ncharacter " + m.character + "\nreason ";
    for (const ReasonName& r : kReasons) {
        if (r.reason == m.reason) {
            out += r.key;
        }
    }
    out += "\nmade " + m.made + "\n";
    for (const ManifestFile& f : m.files) {
        const platform::FileStamp& s = f.source;
        out += "file " + std::to_string(s.size) + " " + std::to_string(s.modifiedNs) + " " +
               std::to_string(s.device) + " " + std::to_string(s.node) + " " +
               std::to_string(s.changedNs) + " " + f.name + "\n";
    }
    return out + "end\n";
}

std::optional<Manifest> parseManifest(std::string_view text) {
    Manifest m;
    bool header = false;
    bool reason = false;
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
        if (!header) {
            if (line != kHeader) {
                return std::nullopt;
            }
            header = true;
        } else if (line == "end") {
            return text.empty() && reason ? std::optional<Manifest>(std::move(m)) : std::nullopt;
        } else if (field("game")) {
            m.gameFolder = line;
        } else if (field("character")) {
            m.character = line;
        } else if (field("made")) {
            m.made = line;
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
                !number(line, s.node) || !number(line, s.changedNs) || line.empty()) {
                return std::nullopt;
            }
            f.name = line;
            m.files.push_back(std::move(f));
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace quarlo::backups
