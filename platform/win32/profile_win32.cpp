#include "platform/win32/profile_win32.h"

#include <vector>

#include "platform/profile_entry.h"
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
    return WritePrivateProfileStringA(ansiSection->c_str(), ansiKey->c_str(), ansiValue->c_str(),
                                      ansiPath->c_str()) != FALSE;
}

std::optional<std::size_t> Win32ProfileFile::storedLength(std::string_view text) const {
    const auto ansi = toAnsi(text);
    return ansi ? std::optional<std::size_t>(ansi->size()) : std::nullopt;
}

}  // namespace quarlo::platform::win32
