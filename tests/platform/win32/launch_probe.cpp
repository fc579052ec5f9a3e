// Stands in for the game's launcher: records how it was started in a file in
// its current folder, then ends.
#include <cstdio>

#include "platform/win32/win32_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if (FILE* out = std::fopen("probe-started.txt", "wb")) {
        std::fprintf(out, "args=[%s] useShowWindow=%d show=%d", commandLine,
                     (startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0, startup.wShowWindow);
        std::fclose(out);
    }
    return 0;
}
