// Quarlo's native Windows front end: one main window on the platform's own
// controls, and the About window.
#include "app/language.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "platform/win32/win32_api.h"
#include "ui/cli/command_line.h"
#include "ui/win32/main_window.h"
#include "ui/win32/picker.h"
#include "ui/win32/wide.h"
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>

namespace {

// The arguments as the program was given them, UTF-8, without its own name.
std::vector<std::string> arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        args.push_back(quarlo::ui::win32::toUtf8(wide[i]));
    }
    LocalFree(wide);
    return args;
}

// The command line: its text goes to the console it was started from (one
// program for the window and the console, so it attaches to its parent's),
// or wherever its output was sent.
int commandLine(const std::vector<std::string>& args) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN) {
            std::freopen("CONOUT$", "w", stdout);
        }
        if (GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_UNKNOWN) {
            std::freopen("CONOUT$", "w", stderr);
        }
        SetConsoleOutputCP(CP_UTF8);
    }
    quarlo::ui::win32::Win32Screens screens;
    const int status = quarlo::cli::runHere(args, std::cout, std::cerr, &screens);
    std::cout.flush();
    std::cerr.flush();
    return status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    if (const auto args = arguments(); !args.empty()) {
        return commandLine(args);
    }
    // Loads version 6 of the common controls, which the manifest asks for, so
    // the standard controls are drawn in the system's theme.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    using quarlo::ui::win32::MainWindow;
    if (!MainWindow::registerClass(instance)) {
        return 1;
    }
    // The game the window starts on; the Game menu lists the others.
    std::vector<quarlo::platform::FoundGame> found = quarlo::platform::findGames();
    quarlo::platform::Platform platform = quarlo::platform::createPlatform(
        quarlo::app::windowGame(found, quarlo::platform::rememberedGame()));
    // The language remembered from the About window, else the system's.
    if (std::string why; !quarlo::app::useLanguage(platform, "", why)) {
        (void)why;  // English, which every text has
    }
    MainWindow window(instance);
    if (!window.create()) {
        return 1;
    }
    quarlo::app::Main main(platform, window);
    main.setGames(
        std::move(found),
        [](const quarlo::games::Game& game) { return quarlo::platform::createPlatform(game); },
        quarlo::platform::rememberGame);
    window.setHandlers(quarlo::app::handlersFor(main));

    // The window's state is settled before it is first seen.
    main.startUp();
    window.show(showCommand);
    // Tab, Shift+Tab, the access keys and the arrow keys of the scroll bar go
    // through the dialog keyboard interface of whichever window has them.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (top != nullptr && IsDialogMessageW(top, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
