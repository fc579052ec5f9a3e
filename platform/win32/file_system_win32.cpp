#include "platform/win32/file_system_win32.h"

#include <algorithm>

#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {

namespace {

// Owns a handle from CreateFile.
class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// Owns a search handle from FindFirstFile.
class FindHandle {
  public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            FindClose(h_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// The identity of the folder at an ANSI path. Opening it follows links and
// junctions, so a link reports the folder it leads to, and a dangling one
// reports nothing.
std::optional<FolderId> idOfAnsi(const std::string& ansiPath) {
    if (ansiPath.empty()) {
        return std::nullopt;
    }
    FileHandle file(CreateFileA(ansiPath.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return FolderId{info.dwVolumeSerialNumber,
                    (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::wstring upperCaseKey(const std::string& utf8) {
    const int length = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(wide, 0)), L'\0');
    if (wide > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), wide);
        // The system's case table, as the file system compares names.
        CharUpperBuffW(out.data(), static_cast<DWORD>(wide));
    }
    return out;
}

// Siblings in the order NTFS lists them: by upper-case UTF-16 code units, with
// the raw bytes as a tie-break so the order is total. Other file systems (and
// Wine, which passes on the host's order) list them in no useful order.
template <typename T, typename NameOf>
void sortByName(std::vector<T>& items, NameOf nameOf) {
    std::vector<std::pair<std::wstring, T>> keyed;
    keyed.reserve(items.size());
    for (auto& item : items) {
        keyed.emplace_back(upperCaseKey(nameOf(item)), std::move(item));
    }
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return nameOf(a.second) < nameOf(b.second);
    });
    items.clear();
    for (auto& [key, item] : keyed) {
        items.push_back(std::move(item));
    }
}

}  // namespace

bool Win32FileSystem::folderExists(const std::string& path) const {
    return folderId(path).has_value();
}

std::optional<FolderId> Win32FileSystem::folderId(const std::string& path) const {
    const auto ansi = toAnsi(path);
    if (!ansi) {
        return std::nullopt;
    }
    return idOfAnsi(*ansi);
}

std::optional<FolderListing> Win32FileSystem::listFolder(const std::string& path) const {
    auto folder = toAnsi(path);
    if (!folder || folder->empty()) {
        return std::nullopt;
    }
    if (folder->back() != '\\' && folder->back() != '/') {
        folder->push_back('\\');
    }
    WIN32_FIND_DATAA entry{};
    FindHandle find(FindFirstFileA((*folder + "*").c_str(), &entry));
    FolderListing listing;
    if (find.get() == INVALID_HANDLE_VALUE) {
        // A drive root lists no "." or "..", so an empty one finds nothing at all.
        if (GetLastError() == ERROR_FILE_NOT_FOUND && idOfAnsi(*folder)) {
            return listing;
        }
        return std::nullopt;
    }
    do {
        const char* name = entry.cFileName;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder that cannot be opened (a dangling junction) has no
            // identity to guard a walk with, and nothing to list: left out.
            if (auto id = idOfAnsi(*folder + name)) {
                listing.folders.push_back(Subfolder{fromAnsi(name), *id});
            }
        } else {
            listing.files.push_back(fromAnsi(name));
        }
    } while (FindNextFileA(find.get(), &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    sortByName(listing.folders, [](const Subfolder& s) -> const std::string& { return s.name; });
    sortByName(listing.files, [](const std::string& s) -> const std::string& { return s; });
    return listing;
}

bool Win32FileSystem::createFolder(const std::string& path) {
    const auto ansi = toAnsi(path);
    if (!ansi || ansi->empty()) {
        return false;
    }
    // No security descriptor: the folder gets the default security of its place.
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    return CreateDirectoryA(ansi->c_str(), &attributes) != FALSE;
}

bool Win32FileSystem::removeFolder(const std::string& path) {
    const auto ansi = toAnsi(path);
    // RemoveDirectory refuses a folder that is not empty.
    return ansi && !ansi->empty() && RemoveDirectoryA(ansi->c_str()) != FALSE;
}

}  // namespace quarlo::platform::win32
