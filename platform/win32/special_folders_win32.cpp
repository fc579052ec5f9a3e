#include "platform/win32/special_folders_win32.h"

#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <shlobj.h>

namespace quarlo::platform::win32 {

std::string Win32SpecialFolders::GetSpecialFolderPath(int folderId) const {
    // The owner window is reserved by the shell for this call; the lookup
    // never shows anything, so no window is passed.
    LPITEMIDLIST items = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, folderId, &items) != S_OK) {
        return {};
    }
    char buffer[MAX_PATH] = {};
    std::string path;
    if (SHGetPathFromIDListA(items, buffer)) {
        path = fromAnsi(buffer);
    }
    CoTaskMemFree(items);
    // Some shells (Wine's among them) end the path in a backslash. Trimmed in
    // UTF-8, where 0x5C is never the second byte of a double-byte character.
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace quarlo::platform::win32
