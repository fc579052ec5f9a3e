#include "platform/win32/processes_win32.h"

#include <vector>

#include "platform/game_facts.h"
#include "platform/win32/ansi.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace quarlo::platform::win32 {

bool Win32Processes::gameIsRunning() const {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::wstring game(game::kGameProcess.begin(), game::kGameProcess.end());
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running;
         more = Process32NextW(snapshot, &entry)) {
        running = lstrcmpiW(entry.szExeFile, game.c_str()) == 0;
    }
    CloseHandle(snapshot);
    return running;
}

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
