#include "platform/win32/registry_win32.h"

#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {

namespace {

constexpr DWORD kValueBufferSize = 255;

// The predefined root keys are 32-bit values sign-extended into a handle, as
// the SDK's HKEY_LOCAL_MACHINE is.
HKEY rootKey(std::uint32_t mainKey) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(mainKey))));
}

std::string readOpenKey(HKEY key, const char* valueName) {
    BYTE buffer[kValueBufferSize] = {};
    DWORD type = 0;
    DWORD size = kValueBufferSize;
    if (RegQueryValueExA(key, valueName, nullptr, &type, buffer, &size) != ERROR_SUCCESS) {
        return {};
    }
    if (type == REG_DWORD) {
        DWORD number = 0;
        DWORD numberSize = sizeof number;
        if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                             &numberSize) != ERROR_SUCCESS) {
            return {};
        }
        return std::to_string(static_cast<std::int32_t>(number));
    }
    if (size == 0) {
        return {};
    }
    // The count includes the terminating NUL.
    return fromAnsi(std::string_view(reinterpret_cast<const char*>(buffer), size - 1));
}

}  // namespace

std::string Win32Registry::query(std::uint32_t mainKey, const std::string& subKey,
                                 const std::string& value) const {
    const auto ansiSubKey = toAnsi(subKey);
    const auto ansiValue = toAnsi(value);
    if (!ansiSubKey || !ansiValue) {
        return {};
    }
    // Oblivion is a 32-bit program, so its installer wrote its key in the
    // 32-bit view, which a 64-bit build must ask for or never find it; the
    // later games' installers may write the 64-bit view, asked after it.
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(rootKey(mainKey), ansiSubKey->c_str(), 0, KEY_READ | view, &key) !=
            ERROR_SUCCESS) {
            continue;
        }
        std::string result = readOpenKey(key, ansiValue->c_str());
        RegCloseKey(key);
        if (!result.empty()) {
            return result;
        }
    }
    return {};
}

}  // namespace quarlo::platform::win32
