#include "platform/win32/profile_win32.h"

#include <vector>

#include "platform/profile_entry.h"
#include "platform/settle.h"
#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {

std::string Win32ProfileFile::read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, int capacity,
                                   const std::string& path) const {
    if (capacity < 1) {
        return {};
    }
    const auto ansiSection = toAnsi(section);
    const auto ansiKey = toAnsi(key);
    const auto ansiDefault = toAnsi(defaultValue);
    const auto ansiPath = toAnsi(path);
    if (!ansiSection || !ansiKey || !ansiPath || !ansiDefault) {
        // No ANSI file, section or key can carry that name, so it is missing.
        return firstCharacters(defaultValue, static_cast<std::size_t>(capacity - 1));
    }
    std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
    const DWORD length =
        GetPrivateProfileStringA(ansiSection->c_str(), ansiKey->c_str(), ansiDefault->c_str(),
                                 buffer.data(), static_cast<DWORD>(capacity), ansiPath->c_str());
    return fromAnsi(std::string_view(buffer.data(), length));
}

bool Win32ProfileFile::write(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& path) {
    if (!isStorableProfileEntry(section, key, value)) {
        return false;
    }
    const auto ansiSection = toAnsi(section);
    const auto ansiKey = toAnsi(key);
    const auto ansiValue = toAnsi(value);
    const auto ansiPath = toAnsi(path);
    if (!ansiSection || !ansiKey || !ansiValue || !ansiPath) {
        return false;
    }
    // A file another program is writing in place is read (for the write)
    // only once it holds still.
    const auto look = [&]() -> std::optional<FileVersion> {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(ansiPath->c_str(), GetFileExInfoStandard, &data)) {
            return std::nullopt;
        }
        const auto join = [](DWORD high, DWORD low) {
            return (static_cast<std::uint64_t>(high) << 32) | low;
        };
        constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
        const auto ticks = static_cast<std::int64_t>(
            join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime));
        return FileVersion{join(data.nFileSizeHigh, data.nFileSizeLow),
                           (ticks - kTicksFrom1601To1970) * 100};
    };
    if (!waitUntilSettled(path, look)) {
        return false;
    }
    if (!WritePrivateProfileStringA(ansiSection->c_str(), ansiKey->c_str(), ansiValue->c_str(),
                                    ansiPath->c_str())) {
        return false;
    }
    if (const auto written = look()) {
        rememberWritten(path, *written);
    }
    return true;
}

std::optional<std::size_t> Win32ProfileFile::storedLength(std::string_view text) const {
    const auto ansi = toAnsi(text);
    return ansi ? std::optional<std::size_t>(ansi->size()) : std::nullopt;
}

}  // namespace quarlo::platform::win32
