#include "platform/win32/processes_win32.h"

#include <vector>

#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace quarlo::platform::win32 {

bool Win32Processes::startLauncher(const std::string& launcherPath) {
    const auto program = toAnsi(launcherPath);
    if (!program || program->empty() || program->find('"') != std::string::npos) {
        return false;
    }
    // The program's own path, quoted, is its whole command line: no arguments.
    std::string commandLine = "\"" + *program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    // No folder of its own: it inherits ours. Not waited for.
    if (!CreateProcessA(program->c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

bool Win32Processes::openFolder(const std::string& folder) {
    const auto path = toAnsi(folder);
    if (!path || path->empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    // Values above 32 mean the shell started something.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", path->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::string Win32Processes::executableFolder() const {
    std::vector<char> buffer(MAX_PATH);
    DWORD length = 0;
    while (true) {
        length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            break;
        }
        // Cut to fit: try again with room to spare.
        buffer.resize(buffer.size() * 2);
    }
    std::string path = fromAnsi(std::string_view(buffer.data(), length));
    const auto cut = path.rfind('\\');
    if (cut == std::string::npos) {
        return {};
    }
    // A drive root keeps its backslash: "C:" alone would mean the drive's
    // current folder.
    if (cut == 2 && path[1] == ':') {
        return path.substr(0, 3);
    }
    return path.substr(0, cut);
}

}  // namespace quarlo::platform::win32
