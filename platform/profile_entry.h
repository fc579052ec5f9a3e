#pragma once

#include <string_view>

namespace quarlo::platform {

// Whether key=value can be stored in a section of a profile file and found
// again by a read, on every platform alike. A CR or LF would start a line of
// its own (a key or section of the typist's choosing in the game's file) and a
// NUL would end the text where the C APIs stop reading. A section name holding
// ']' or a key holding '=', starting with ';' or '[', or either one blank,
// would be read back as something else.
inline bool isStorableProfileEntry(std::string_view section, std::string_view key,
                                   std::string_view value) {
    constexpr std::string_view kLineBreakOrNul("\r\n\0", 3);
    constexpr std::string_view kBlanks(" \t\v\f\x1A");
    for (std::string_view part : {section, key, value}) {
        if (part.find_first_of(kLineBreakOrNul) != std::string_view::npos) {
            return false;
        }
    }
    const auto first = [&](std::string_view s) {
        const auto at = s.find_first_not_of(kBlanks);
        return at == std::string_view::npos ? '\0' : s[at];
    };
    const char sectionStart = first(section);
    const char keyStart = first(key);
    return sectionStart != '\0' && keyStart != '\0' && keyStart != ';' && keyStart != '[' &&
           section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos;
}

}  // namespace quarlo::platform
