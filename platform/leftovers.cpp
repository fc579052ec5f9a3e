#include <charconv>
#include <optional>

#include "platform/save_files.h"

namespace quarlo::platform {

void removeSettingsLeftovers(SaveFiles& files, const std::string& folder,
                             const std::vector<std::string_view>& settings) {
    // A settings file is written beside itself first, under a name that
    // carries the writing process's number: ".<file>.quarlo-<process>-…" on
    // Linux, "<file>.<process>.tmp" on Windows. One whose process has ended
    // was cut off before it took the file's place, and is nobody's.
    const auto entries = files.entriesOf(folder);
    if (!entries) {
        return;
    }
    const auto processIn = [](std::string_view digits) -> std::optional<std::uint32_t> {
        std::uint32_t n = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        return error == std::errc() && end == digits.data() + digits.size() && n != 0
                   ? std::optional(n)
                   : std::nullopt;
    };
    for (const FolderEntry& e : *entries) {
        if (e.kind != EntryKind::file) {
            continue;
        }
        for (const std::string_view file : settings) {
            const std::string folded = files.foldedName(e.name);
            std::optional<std::uint32_t> process;
            const std::string posix = "." + std::string(file) + ".quarlo-";
            const std::string windows = std::string(file) + ".";
            if (folded.rfind(files.foldedName(posix), 0) == 0) {
                const std::string rest = e.name.substr(posix.size());
                process = processIn(std::string_view(rest).substr(0, rest.find('-')));
            } else if (folded.rfind(files.foldedName(windows), 0) == 0 &&
                       e.name.ends_with(".tmp")) {
                process = processIn(std::string_view(e.name).substr(
                    windows.size(), e.name.size() - windows.size() - 4));
            }
            if (process && (*process == files.processId() || !files.processRunning(*process))) {
                files.remove(folder + files.separator() + e.name);
            }
        }
    }
}

}  // namespace quarlo::platform
