#include "platform/win32/processes_win32.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/store_facts.h"
#include "platform/win32/ansi.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/win32_api.h"
#include "platform/wine/vdf.h"
// After windows.h, which they need.
#include <shellapi.h>
#include <tlhelp32.h>

namespace quarlo::platform::win32 {

namespace {

bool shellOpen(const std::string& url) {
    const auto ansi = toAnsi(url);
    if (!ansi) {
        return false;
    }
    // ShellExecute reports success as a value above 32.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", ansi->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

DWORD attributesOf(const std::string& path) {
    const auto ansi = toAnsi(path);
    return ansi ? GetFileAttributesA(ansi->c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Steam writes its paths with forward slashes, and sometimes a doubled
// backslash in its library list; both read as single backslashes.
std::string windowsPath(std::string path) {
    std::string out;
    for (char c : path) {
        if (c == '/') {
            c = '\\';
        }
        if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1) {
            continue;
        }
        out += c;
    }
    while (out.size() > 3 && out.back() == '\\') {
        out.pop_back();
    }
    return out;
}

std::string readText(const std::string& path) {
    const auto ansi = toAnsi(path);
    if (!ansi) {
        return {};
    }
    std::ifstream in(*ansi, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool createProcess(const std::string& launcherPath) {
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

}  // namespace

std::optional<SteamGame> steamGameInLibraries(const std::string& steamPath,
                                              const games::Game& game) {
    if (steamPath.empty() || game.steamAppIds.empty() || game.steamInstallFolder.empty()) {
        return std::nullopt;
    }
    const std::string root = windowsPath(steamPath);
    std::vector<std::string> libraries{root};
    try {
        for (const auto& library :
             wine::parseLibraryFolders(readText(root + "\\steamapps\\libraryfolders.vdf"))) {
            libraries.push_back(windowsPath(library));
        }
    } catch (const std::exception&) {
        // A library list Quarlo cannot read still leaves Steam's own folder.
    }
    const std::string usual(game.steamAppIds.front());
    for (const auto& library : libraries) {
        const std::string apps = library + "\\steamapps";
        const std::string folder = apps + "\\common\\" + std::string(game.steamInstallFolder);
        if (!isFolder(folder)) {
            continue;
        }
        // A game's editions may install into the same folder; the manifest
        // says which one this library holds, the usual one where both do.
        if (isFile(apps + "\\appmanifest_" + usual + ".acf")) {
            return SteamGame{folder, usual};
        }
        for (const auto id : game.steamAppIds) {
            if (isFile(apps + "\\appmanifest_" + std::string(id) + ".acf")) {
                return SteamGame{folder, std::string(id)};
            }
        }
        return SteamGame{folder, usual};
    }
    return std::nullopt;
}

std::string steamAppInLibraries(const std::string& steamPath, const games::Game& game) {
    const auto found = steamGameInLibraries(steamPath, game);
    return found ? found->appId : std::string();
}

std::string cleanWindowsPath(const std::string& path) {
    return windowsPath(path);
}

Win32Processes::Win32Processes(const games::Game& game) : openUrl_(shellOpen), game_(&game) {}

bool Win32Processes::startLauncher(const std::string& launcherPath) {
    const std::string_view file =
        game_->launcher.empty()
            ? (game_->programs.empty() ? std::string_view() : game_->programs.front())
            : game_->launcher;
    if (launcherPath != "\\" + std::string(file)) {
        return createProcess(launcherPath);
    }
    // The installer's registry value was not there: the stores' records are
    // tried after it, Steam's first.
    const Win32Registry registry;
    const std::string app = steamAppInLibraries(
        registry.RegGetValue(kHkeyCurrentUser, std::string(stores::kSteamRegistryKey),
                             std::string(stores::kSteamPathValue)),
        *game_);
    if (!app.empty()) {
        return openUrl_ && openUrl_(std::string(stores::kSteamRunUrl) + app);
    }
    for (const std::string_view id : game_->gogIds) {
        const std::string gog = registry.RegGetValue(
            kHkeyLocalMachine, std::string(stores::kGogRegistryKey) + std::string(id),
            std::string(stores::kGogPathValue));
        if (!gog.empty()) {
            return createProcess(windowsPath(gog) + "\\" + std::string(file));
        }
    }
    return false;
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

bool Win32Processes::gameIsRunning() const {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::wstring> programs;
    for (const std::string_view program : game_->programs) {
        programs.emplace_back(program.begin(), program.end());
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running;
         more = Process32NextW(snapshot, &entry)) {
        for (const std::wstring& program : programs) {
            running = running || lstrcmpiW(entry.szExeFile, program.c_str()) == 0;
        }
    }
    CloseHandle(snapshot);
    return running;
}

namespace {

std::wstring wideOf(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    }
    return out;
}

// One argument quoted as the C runtime splits a command line back into
// arguments: backslashes double only before a quote.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

}  // namespace

int Win32Processes::runAndWait(const std::vector<std::string>& command) {
    if (command.empty()) {
        return kCannotStart;
    }
    std::wstring line;
    for (const std::string& arg : command) {
        if (!line.empty()) {
            line += L' ';
        }
        appendQuoted(line, wideOf(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The child shares this console, so Ctrl+C reaches it too; this process
    // waits on rather than end before it.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return kCannotStart;
    }
    SetConsoleCtrlHandler(nullptr, TRUE);
    WaitForSingleObject(process.hProcess, INFINITE);
    SetConsoleCtrlHandler(nullptr, FALSE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

Processes::Captured Win32Processes::capture(const std::vector<std::string>& command, int limitMs,
                                            std::size_t largestOut) {
    Captured got;
    if (command.empty()) {
        return got;
    }
    std::wstring line;
    for (const std::string& arg : command) {
        if (!line.empty()) {
            line += L' ';
        }
        appendQuoted(line, wideOf(arg));
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        return got;
    }
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return got;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE none = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = none;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    // A job holds whatever it starts, so the time limit ends all of it.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    const BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (none != INVALID_HANDLE_VALUE) {
        CloseHandle(none);
    }
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        if (job != nullptr) {
            CloseHandle(job);
        }
        return got;
    }
    if (job != nullptr) {
        AssignProcessToJobObject(job, process.hProcess);
    }
    ResumeThread(process.hThread);
    std::atomic<bool> tooMuch{false};
    const auto drain = [&tooMuch, largestOut](HANDLE from, std::string& to, bool tail) {
        char buffer[16384];
        DWORD n = 0;
        while (ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            to.append(buffer, n);
            if (tail && to.size() > 8192) {
                to.erase(0, to.size() - 4096);
            }
            if (!tail && to.size() > largestOut) {
                tooMuch = true;
                return;
            }
        }
    };
    std::thread outThread(drain, outRead, std::ref(got.out), false);
    std::thread errThread(drain, errRead, std::ref(got.err), true);
    const DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(limitMs));
    if (waited != WAIT_OBJECT_0 || tooMuch) {
        got.timedOut = waited != WAIT_OBJECT_0;
        if (job != nullptr) {
            TerminateJobObject(job, 1);
        }
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    // The pipes close once every process that held them has ended.
    if (job != nullptr) {
        TerminateJobObject(job, 1);
    }
    outThread.join();
    errThread.join();
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    got.status =
        got.timedOut || tooMuch ? (code == 0 ? 1 : static_cast<int>(code)) : static_cast<int>(code);
    CloseHandle(outRead);
    CloseHandle(errRead);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (job != nullptr) {
        CloseHandle(job);
    }
    return got;
}

}  // namespace quarlo::platform::win32

namespace quarlo::platform {

std::string hostName() {
    wchar_t name[256] = {};
    DWORD size = 255;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size)) {
        size = 255;
        if (!GetComputerNameW(name, &size)) {
            return {};
        }
    }
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), out.data(), n, nullptr,
                            nullptr);
    }
    return out;
}

}  // namespace quarlo::platform
