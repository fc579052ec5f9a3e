// Quarlo's native Windows front end: one main window on the platform's own
// controls, and the About window.
#include "app/main_window.h"
#include "platform/platform.h"
#include "platform/win32/win32_api.h"
#include "ui/win32/main_window.h"
// After windows.h, which it needs.
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Loads version 6 of the common controls, which the manifest asks for, so
    // the standard controls are drawn in the system's theme.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    using quarlo::ui::win32::MainWindow;
    if (!MainWindow::registerClass(instance)) {
        return 1;
    }
    quarlo::platform::Platform platform = quarlo::platform::createPlatform();
    MainWindow window(instance);
    if (!window.create()) {
        return 1;
    }
    quarlo::app::Main main(platform, window);
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
