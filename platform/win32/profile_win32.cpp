#include "platform/win32/profile_win32.h"

#include <vector>

#include "platform/ini_text.h"
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

namespace {

// A settings file's bytes and the version they are of; nullopt when it is
// there but cannot be read whole, "" with no version when it is missing.
struct Read {
    std::string bytes;
    FILETIME written{};
    bool missing = false;
};

std::optional<Read> readWhole(const std::string& ansiPath) {
    Read out;
    const HANDLE file =
        CreateFileA(ansiPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        out.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return out.missing ? std::optional<Read>(out) : std::nullopt;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (64LL << 20) &&
              GetFileTime(file, nullptr, nullptr, &out.written);
    if (ok) {
        out.bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        ok = out.bytes.empty() ||
             (ReadFile(file, out.bytes.data(), static_cast<DWORD>(size.QuadPart), &got, nullptr) &&
              got == out.bytes.size());
    }
    CloseHandle(file);
    return ok ? std::optional<Read>(std::move(out)) : std::nullopt;
}

}  // namespace

bool Win32ProfileFile::exists(const std::string& path) const {
    const auto ansiPath = toAnsi(path);
    const DWORD a = ansiPath ? GetFileAttributesA(ansiPath->c_str()) : INVALID_FILE_ATTRIBUTES;
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> Win32ProfileFile::fileBytes(const std::string& path) const {
    const auto ansiPath = toAnsi(path);
    const auto whole = ansiPath ? readWhole(*ansiPath) : std::nullopt;
    if (!whole) {
        return std::nullopt;
    }
    return whole->bytes;
}

std::optional<std::string> Win32ProfileFile::readChecked(std::string_view section,
                                                         std::string_view key,
                                                         std::string_view defaultValue,
                                                         int capacity,
                                                         const std::string& path) const {
    // The profile call gives its default for a file it cannot open: the file
    // is read once here, and an ANSI one's value taken from those bytes, so
    // that no second read can fail unseen.
    const auto ansiPath = toAnsi(path);
    const auto whole = ansiPath ? readWhole(*ansiPath) : std::nullopt;
    if (ansiPath && !whole) {
        return std::nullopt;
    }
    const auto ansiSection = toAnsi(section);
    const auto ansiKey = toAnsi(key);
    const auto ansiDefault = toAnsi(defaultValue);
    if (!whole || !ansiSection || !ansiKey || !ansiDefault ||
        ini::encodingOf(whole->bytes) != ini::Encoding::ansi) {
        return read(section, key, defaultValue, capacity, path);
    }
    return fromAnsi(ini::readValue(whole->bytes, *ansiSection, *ansiKey, *ansiDefault, capacity));
}

bool Win32ProfileFile::renameSection(std::string_view from, std::string_view to,
                                     const std::string& path) {
    const auto ansiFrom = toAnsi(from);
    const auto ansiTo = toAnsi(to);
    const auto ansiPath = toAnsi(path);
    if (!ansiTo || !ansiPath) {
        return false;
    }
    if (!ansiFrom) {
        return true;  // no section of the file can bear that name
    }
    const auto before = readWhole(*ansiPath);
    if (!before) {
        return false;
    }
    if (before->missing) {
        return true;
    }
    const auto renamed = ini::renameSectionOfFile(before->bytes, from, to, *ansiFrom, *ansiTo);
    if (!renamed) {
        return false;
    }
    if (*renamed == before->bytes) {
        return true;
    }
    const std::string temp = *ansiPath + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    const HANDLE out = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok =
        WriteFile(out, renamed->data(), static_cast<DWORD>(renamed->size()), &written, nullptr) &&
        written == renamed->size() && FlushFileBuffers(out);
    CloseHandle(out);
    // Only over the version it was made from: a write in the meantime is
    // not lost.
    const auto now = ok ? readWhole(*ansiPath) : std::nullopt;
    ok = ok && now && !now->missing && now->bytes == before->bytes &&
         CompareFileTime(&now->written, &before->written) == 0 &&
         MoveFileExA(temp.c_str(), ansiPath->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileA(temp.c_str());
    }
    return ok;
}

std::optional<std::size_t> Win32ProfileFile::storedLength(std::string_view text) const {
    const auto ansi = toAnsi(text);
    return ansi ? std::optional<std::size_t>(ansi->size()) : std::nullopt;
}

}  // namespace quarlo::platform::win32
