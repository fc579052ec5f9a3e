#include "platform/win32/save_files_win32.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {

namespace {

// Save names are whatever the player typed, so the wide functions are used:
// an ANSI path could not name a save whose name the code page lacks.
std::optional<std::wstring> wide(const std::string& utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(utf8.size());
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, out.data(), n);
    return out;
}

std::string utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();  // the NUL
    return out;
}

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

class Find {
  public:
    explicit Find(HANDLE h) : h_(h) {}
    ~Find() {
        if (h_ != INVALID_HANDLE_VALUE) {
            FindClose(h_);
        }
    }
    Find(const Find&) = delete;
    Find& operator=(const Find&) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

std::uint64_t join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// 100 ns ticks since 1601 on the local clock, as milliseconds since 1970.
std::int64_t localMilliseconds(const FILETIME& utc) {
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) {
        local = utc;
    }
    const std::int64_t ticks =
        static_cast<std::int64_t>(join(local.dwHighDateTime, local.dwLowDateTime));
    constexpr std::int64_t ticksFrom1601To1970 = 116444736000000000LL;
    return (ticks - ticksFrom1601To1970) / 10000;
}

}  // namespace

namespace {

// Every name of a folder but "." and "..", with its attributes; false when
// the folder cannot be listed.
template <typename Each>
bool forEachEntry(const std::string& folder, Each each) {
    auto pattern = wide(folder);
    if (!pattern || pattern->empty()) {
        return false;
    }
    if (pattern->back() != L'\\' && pattern->back() != L'/') {
        pattern->push_back(L'\\');
    }
    pattern->push_back(L'*');
    WIN32_FIND_DATAW entry{};
    Find find(FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                               nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        // A folder with nothing in it (a drive root lists no "." either).
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::wstring_view name(entry.cFileName);
        if (name != L"." && name != L"..") {
            each(entry);
        }
    } while (FindNextFileW(find.get(), &entry));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<EntryKind> entryKindOf(const WIN32_FIND_DATAW& entry) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return EntryKind::link;
    }
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return EntryKind::file;
}

// The key NTFS compares names by: upper case, character by character.
std::string foldedName(std::string_view name) {
    auto w = wide(std::string(name));
    if (!w || w->empty()) {
        return std::string(name);
    }
    CharUpperBuffW(w->data(), static_cast<DWORD>(w->size()));
    return utf8(w->c_str());
}

// The names of one folder. The file system itself refuses a name taken in
// another letter case, so only the names read at opening and those given
// since are kept.
class Win32FolderNames : public FolderNames {
  public:
    explicit Win32FolderNames(std::string folder) : folder_(std::move(folder)) {}

    bool load() {
        return forEachEntry(folder_, [this](const WIN32_FIND_DATAW& entry) {
            const std::string name = utf8(entry.cFileName);
            if (const auto kind = entryKindOf(entry)) {
                initial_.push_back(FolderEntry{name, *kind});
            }
            add(name);
        });
    }

    const std::string& folder() const override { return folder_; }
    const std::vector<FolderEntry>& initial() const override { return initial_; }
    bool taken(std::string_view name) override { return folded_.count(foldedName(name)) > 0; }
    // NTFS refuses a second name of another letter case itself.
    bool twin(std::string_view) override { return false; }
    void add(std::string_view name) override {
        if (exact_.insert(std::string(name)).second) {
            ++folded_[foldedName(name)];
        }
    }
    void remove(std::string_view name) override {
        if (exact_.erase(std::string(name)) == 0) {
            return;
        }
        const auto it = folded_.find(foldedName(name));
        if (it != folded_.end() && --it->second == 0) {
            folded_.erase(it);
        }
    }

  private:
    std::string folder_;
    std::vector<FolderEntry> initial_;
    std::set<std::string> exact_;
    std::map<std::string, int> folded_;
};

}  // namespace

std::optional<FolderFiles> Win32SaveFiles::listFiles(const std::string& folder) const {
    FolderFiles files{folder, {}};
    const bool ok = forEachEntry(folder, [&files](const WIN32_FIND_DATAW& entry) {
        if (const auto kind = entryKindOf(entry)) {
            files.entries.push_back(FolderEntry{utf8(entry.cFileName), *kind});
        }
    });
    if (!ok) {
        return std::nullopt;
    }
    return files;
}

std::unique_ptr<FolderNames> Win32SaveFiles::openNames(const std::string& folder) const {
    auto names = std::make_unique<Win32FolderNames>(folder);
    if (!names->load()) {
        return nullptr;
    }
    return names;
}

namespace {

class Win32OpenedFile : public OpenedFile {
  public:
    Win32OpenedFile(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info)
        : file_(file),
          size_(join(info.nFileSizeHigh, info.nFileSizeLow)),
          modified_(localMilliseconds(info.ftLastWriteTime)) {}

    std::uint64_t size() const override { return size_; }
    std::int64_t modifiedLocalMs() const override { return modified_; }

    std::optional<std::string> read(std::uint64_t offset, std::size_t count) override {
        if (offset >= size_) {
            return std::string();
        }
        std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset)),
                          '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const std::uint64_t at = offset + done;
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_.get(), bytes.data() + done, want, &got, &where)) {
                if (GetLastError() == ERROR_HANDLE_EOF) {
                    break;
                }
                return std::nullopt;
            }
            if (got == 0) {
                break;
            }
            done += got;
        }
        bytes.resize(done);
        return bytes;
    }

  private:
    Handle file_;
    std::uint64_t size_;
    std::int64_t modified_;
};

}  // namespace

std::unique_ptr<OpenedFile> Win32SaveFiles::open(const std::string& path) const {
    const auto name = wide(path);
    if (!name || name->empty()) {
        return nullptr;
    }
    // Shared for writing and deleting: the game may be saving over it.
    HANDLE file = CreateFileW(name->c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(file);
        return nullptr;
    }
    return std::make_unique<Win32OpenedFile>(file, info);
}

std::optional<FileChunk> Win32SaveFiles::read(const std::string& path, std::uint64_t offset,
                                              std::size_t count) const {
    const auto file = open(path);
    if (!file) {
        return std::nullopt;
    }
    auto bytes = file->read(offset, count);
    if (!bytes) {
        return std::nullopt;
    }
    return FileChunk{std::move(*bytes), file->size(), file->modifiedLocalMs()};
}

}  // namespace quarlo::platform::win32

namespace quarlo::platform::win32 {

namespace {

constexpr DWORD kChunk = 1 << 20;

FileOutcome outcomeOf(DWORD error) {
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return FileOutcome::exists;
        case ERROR_NOT_SAME_DEVICE:
            return FileOutcome::crossDevice;
        default:
            return FileOutcome::failed;
    }
}

// A regular file opened for reading, shared as read() shares it; invalid when
// it is a folder or a device.
HANDLE openRegular(const std::wstring& name, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return h;
    }
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// Up to size bytes, fewer only at the end of the file; false on an error.
bool readFull(HANDLE h, char* data, DWORD size, DWORD& got) {
    got = 0;
    while (got < size) {
        DWORD n = 0;
        if (!ReadFile(h, data + got, size - got, &n, nullptr)) {
            return GetLastError() == ERROR_HANDLE_EOF;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return true;
}

// A copy of ours that must not stay, read-only or not.
void discard(const std::wstring& name) {
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(name.c_str());
}

}  // namespace

std::optional<FileStamp> Win32SaveFiles::stamp(const std::string& path) const {
    const auto name = wide(path);
    if (!name || name->empty()) {
        return std::nullopt;
    }
    // The name itself, not what a link leads to.
    Handle file(CreateFileW(name->c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file.get() == INVALID_HANDLE_VALUE || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return std::nullopt;
    }
    // The change time, which no program can set back, is only in the basic
    // information; the last write time stands in where that is missing.
    FILE_BASIC_INFO basic{};
    const bool hasBasic =
        GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) != FALSE;
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    const std::int64_t written = static_cast<std::int64_t>(
        join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    const std::int64_t changed = hasBasic ? basic.ChangeTime.QuadPart : written;
    return FileStamp{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                     join(info.nFileSizeHigh, info.nFileSizeLow),
                     (written - kTicksFrom1601To1970) * 100,
                     (changed - kTicksFrom1601To1970) * 100};
}

bool Win32SaveFiles::exists(const std::string& path) const {
    const auto name = wide(path);
    return name && !name->empty() && GetFileAttributesW(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileOutcome Win32SaveFiles::renameNew(const std::string& from, const std::string& to) {
    const auto source = wide(from);
    const auto target = wide(to);
    if (!source || !target || source->empty() || target->empty()) {
        return FileOutcome::failed;
    }
    // Neither replacing nor copying: a move that cannot be a rename fails
    // with ERROR_NOT_SAME_DEVICE, and a name taken in any letter case with
    // ERROR_ALREADY_EXISTS.
    if (MoveFileExW(source->c_str(), target->c_str(), MOVEFILE_WRITE_THROUGH)) {
        return FileOutcome::done;
    }
    return outcomeOf(GetLastError());
}

FileOutcome Win32SaveFiles::copyNew(const std::string& from, const std::string& to) {
    return copy(from, to, true);
}

FileOutcome Win32SaveFiles::copyUnflushed(const std::string& from, const std::string& to) {
    return copy(from, to, false);
}

FileOutcome Win32SaveFiles::copy(const std::string& from, const std::string& to, bool flush) {
    const auto source = wide(from);
    const auto target = wide(to);
    if (!source || !target || source->empty() || target->empty()) {
        return FileOutcome::failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    {
        Handle in(openRegular(*source, info));
        if (in.get() == INVALID_HANDLE_VALUE) {
            return FileOutcome::failed;
        }
    }
    if (GetFileAttributesW(target->c_str()) != INVALID_FILE_ATTRIBUTES) {
        return FileOutcome::exists;
    }
    // CopyFileExW keeps the modification time, and with this flag refuses a
    // name already taken rather than replace it.
    BOOL cancel = FALSE;
    if (!CopyFileExW(source->c_str(), target->c_str(), nullptr, nullptr, &cancel,
                     COPY_FILE_FAIL_IF_EXISTS)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            return FileOutcome::exists;
        }
        // A copy broken off half way may have left its file.
        discard(*target);
        return FileOutcome::failed;
    }
    // On the disk before this returns: the original may go next. A copy of
    // a read-only save is read-only too, and opens for writing only without.
    const DWORD attributes = GetFileAttributesW(target->c_str());
    const bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    bool ok = attributes != INVALID_FILE_ATTRIBUTES &&
              (!readOnly ||
               SetFileAttributesW(target->c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}));
    if (ok && flush) {
        Handle out(CreateFileW(target->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = out.get() != INVALID_HANDLE_VALUE && FlushFileBuffers(out.get());
    }
    if (!ok) {
        discard(*target);
        return FileOutcome::failed;
    }
    if (readOnly) {
        SetFileAttributesW(target->c_str(), attributes);
    }
    return FileOutcome::done;
}

std::optional<bool> Win32SaveFiles::sameBytes(const std::string& a, const std::string& b) const {
    const auto first = wide(a);
    const auto second = wide(b);
    if (!first || !second || first->empty() || second->empty()) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION ia{};
    BY_HANDLE_FILE_INFORMATION ib{};
    Handle x(openRegular(*first, ia));
    Handle y(openRegular(*second, ib));
    if (x.get() == INVALID_HANDLE_VALUE || y.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    if (join(ia.nFileSizeHigh, ia.nFileSizeLow) != join(ib.nFileSizeHigh, ib.nFileSizeLow)) {
        return false;
    }
    std::string bx(kChunk, '\0');
    std::string by(kChunk, '\0');
    while (true) {
        DWORD n = 0;
        DWORD m = 0;
        if (!readFull(x.get(), bx.data(), kChunk, n) || !readFull(y.get(), by.data(), kChunk, m)) {
            return std::nullopt;
        }
        if (n != m || bx.compare(0, n, by, 0, m) != 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
    }
}

bool Win32SaveFiles::remove(const std::string& path) {
    const auto name = wide(path);
    return name && !name->empty() && DeleteFileW(name->c_str());
}

bool Win32SaveFiles::canRemoveIn(const std::string& folder) const {
    const auto name = wide(folder);
    if (!name || name->empty()) {
        return false;
    }
    wchar_t volume[MAX_PATH] = {};
    DWORD flags = 0;
    if (GetVolumePathNameW(name->c_str(), volume, MAX_PATH) &&
        GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME) != 0) {
        return false;
    }
    return GetFileAttributesW(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileOutcome Win32SaveFiles::linkNew(const std::string& from, const std::string& to) {
    const auto source = wide(from);
    const auto target = wide(to);
    if (!source || !target || source->empty() || target->empty()) {
        return FileOutcome::failed;
    }
    if (CreateHardLinkW(target->c_str(), source->c_str(), nullptr)) {
        return FileOutcome::done;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? FileOutcome::exists
                                                                       : FileOutcome::failed;
}

bool Win32SaveFiles::writeNew(const std::string& path, const std::string& bytes) {
    const auto target = wide(path);
    const auto temp = wide(path + "." + std::to_string(GetCurrentProcessId()) + ".tmp");
    if (!target || !temp || target->empty()) {
        return false;
    }
    bool ok = false;
    {
        Handle out(CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ok = out.get() != INVALID_HANDLE_VALUE &&
             WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
             written == bytes.size() && FlushFileBuffers(out.get());
        if (out.get() == INVALID_HANDLE_VALUE) {
            return false;
        }
    }
    // Without MOVEFILE_REPLACE_EXISTING: a name that is taken stays.
    ok = ok && MoveFileExW(temp->c_str(), target->c_str(), MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temp->c_str());
    }
    return ok;
}

bool Win32SaveFiles::replace(const std::string& from, const std::string& to) {
    const auto source = wide(from);
    const auto target = wide(to);
    return source && target && !source->empty() && !target->empty() &&
           MoveFileExW(source->c_str(), target->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Win32SaveFiles::flushFiles(const std::vector<std::string>& paths) {
    // Windows flushes a file at a time; a read-only copy opens for writing
    // only for as long as that takes.
    bool ok = true;
    for (const std::string& path : paths) {
        const auto name = wide(path);
        const DWORD attributes = name ? GetFileAttributesW(name->c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            ok = false;
            continue;
        }
        const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (readOnly) {
            SetFileAttributesW(name->c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        }
        {
            Handle out(CreateFileW(name->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            ok = out.get() != INVALID_HANDLE_VALUE && FlushFileBuffers(out.get()) && ok;
        }
        if (readOnly) {
            SetFileAttributesW(name->c_str(), attributes);
        }
    }
    return ok;
}

PathKind Win32SaveFiles::kindOf(const std::string& path) const {
    const auto name = wide(path);
    if (!name || name->empty()) {
        return PathKind::unknown;
    }
    const DWORD attributes = GetFileAttributesW(name->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::missing
                                                                              : PathKind::unknown;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return PathKind::link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::folder : PathKind::file;
}

std::optional<std::vector<FolderEntry>> Win32SaveFiles::entriesOf(const std::string& folder) const {
    if (kindOf(folder) != PathKind::folder) {
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    const bool ok = forEachEntry(folder, [&entries](const WIN32_FIND_DATAW& entry) {
        entries.push_back(
            FolderEntry{utf8(entry.cFileName), entryKindOf(entry).value_or(EntryKind::folder)});
    });
    if (!ok) {
        return std::nullopt;
    }
    return entries;
}

bool Win32SaveFiles::makeFolder(const std::string& path) {
    const auto name = wide(path);
    return name && !name->empty() && CreateDirectoryW(name->c_str(), nullptr);
}

bool Win32SaveFiles::removeFolderOfFiles(const std::string& folder, std::string_view first) {
    if (kindOf(folder) == PathKind::missing) {
        return true;
    }
    const auto entries = entriesOf(folder);  // none for a link or junction
    if (!entries) {
        return false;
    }
    const std::string prefix = folder.empty() || folder.back() == '\\' ? folder : folder + '\\';
    if (!first.empty()) {
        const auto name = wide(prefix + std::string(first));
        if (!name || (!DeleteFileW(name->c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)) {
            return false;
        }
    }
    bool ok = true;
    for (const FolderEntry& e : *entries) {
        if (e.kind == EntryKind::folder) {
            ok = false;
            continue;
        }
        // A link goes as itself (DeleteFileW never follows one).
        const auto name = wide(prefix + e.name);
        ok = name && (DeleteFileW(name->c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) && ok;
    }
    const auto self = wide(folder);
    return ok && self && RemoveDirectoryW(self->c_str());
}

bool Win32SaveFiles::syncFolder(const std::string&) {
    // NTFS journals its names, and MOVEFILE_WRITE_THROUGH has already waited
    // for the rename; there is nothing further to ask for.
    return true;
}

namespace {

// Held open without sharing its deletion, a folder cannot be renamed,
// removed or replaced by a junction until it is closed: its path names it
// all along.
class Win32OpenFolder : public OpenFolder {
  public:
    Win32OpenFolder(const Win32SaveFiles& files, std::string path, HANDLE h)
        : files_(files), path_(std::move(path)), h_(h) {}
    ~Win32OpenFolder() override { CloseHandle(h_); }
    const std::string& path() const override { return path_; }
    std::string pathOf(std::string_view name) const override {
        return path_ + "\\" + std::string(name);
    }
    std::optional<std::vector<FolderEntry>> entries() const override {
        return files_.entriesOf(path_);
    }
    std::optional<FileStamp> stamp(std::string_view name) const override {
        return files_.stamp(pathOf(name));
    }

  private:
    const Win32SaveFiles& files_;
    std::string path_;
    HANDLE h_;
};

}  // namespace

std::unique_ptr<OpenFolder> Win32SaveFiles::openFolder(const std::string& path) const {
    const auto name = wide(path);
    if (!name) {
        return nullptr;
    }
    const HANDLE h = CreateFileW(
        name->c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        CloseHandle(h);
        return nullptr;  // a file, or a link to a folder rather than one
    }
    return std::make_unique<Win32OpenFolder>(*this, path, h);
}

std::string Win32SaveFiles::foldedName(std::string_view name) const {
    return win32::foldedName(name);
}

std::optional<std::string> Win32SaveFiles::identityPath(const std::string& path) const {
    const auto name = wide(path);
    if (!name) {
        return std::nullopt;
    }
    // Opened for nothing but its name; a folder needs backup semantics.
    const Handle h(CreateFileW(name->c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::wstring buffer(1024, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= buffer.size()) {
        return std::nullopt;
    }
    buffer.resize(n);
    // "\\?\C:\..." as a plain path; "\\?\UNC\server\..." as "\\server\...".
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        buffer = L"\\\\" + buffer.substr(8);
    } else if (buffer.rfind(L"\\\\?\\", 0) == 0) {
        buffer = buffer.substr(4);
    }
    return utf8(buffer.c_str());
}

namespace {

// A file opened without sharing is the lock: no other process can open it
// until this one closes it or ends. Who holds it is written beside it.
class Win32HeldLock : public HeldLock {
  public:
    Win32HeldLock(HANDLE h, std::wstring note) : h_(h), note_(std::move(note)) {}
    ~Win32HeldLock() override {
        DeleteFileW(note_.c_str());
        CloseHandle(h_);
    }

  private:
    HANDLE h_;
    std::wstring note_;
};

}  // namespace

SaveFiles::LockAttempt Win32SaveFiles::lockExclusive(const std::string& path,
                                                     const std::string& note) {
    LockAttempt attempt;
    const auto name = wide(path);
    const auto noteName = wide(path + ".who");
    if (!name || !noteName) {
        return attempt;
    }
    const HANDLE h = CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        attempt.takenByAnother = GetLastError() == ERROR_SHARING_VIOLATION;
        if (const auto said = read(path + ".who", 0, 512)) {
            attempt.holder = said->bytes;
        }
        return attempt;
    }
    const HANDLE out = CreateFileW(noteName->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, note.data(), static_cast<DWORD>(note.size()), &written, nullptr);
        CloseHandle(out);
    }
    attempt.held = std::make_unique<Win32HeldLock>(h, *noteName);
    return attempt;
}

std::uint32_t Win32SaveFiles::processId() const {
    return GetCurrentProcessId();
}

bool Win32SaveFiles::processRunning(std::uint32_t id) const {
    if (id == 0) {
        return false;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) {
        // One of another user's, which this one may not open, still runs.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace quarlo::platform::win32
