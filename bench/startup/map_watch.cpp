// Starts a program and prints how long it took, in microseconds, until the
// X server mapped the program's first top-level window with the given title.
// It measures from outside: the program under test carries no timing code.
//
// usage: quarlo_map_watch TITLE PROGRAM [ARGUMENTS...]
// The program is sent SIGTERM once its window is mapped.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUpAfter = std::chrono::seconds(30);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

std::string windowTitle(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Wait for the server to confirm, so no map can slip past before we listen.
    Reply<xcb_generic_error_t> error(xcb_request_check(
        connection,
        xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &events)));
    if (error) {
        std::fprintf(stderr, "cannot watch the root window\n");
        return 2;
    }

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }

    long long micros = -1;
    pollfd watch{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (micros < 0 && Clock::now() - start < kGiveUpAfter) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
            Reply<xcb_generic_event_t> event(raw);
            if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY) {
                continue;
            }
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (!map->override_redirect && windowTitle(connection, map->window) == title) {
                micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start)
                             .count();
                break;
            }
        }
        if (micros >= 0 || xcb_connection_has_error(connection)) {
            break;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before showing a window\n", argv[2]);
            xcb_disconnect(connection);
            return 1;
        }
        poll(&watch, 1, 100);
    }

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    if (micros < 0) {
        std::fprintf(stderr, "no window titled \"%s\" appeared\n", title.c_str());
        return 1;
    }
    std::printf("%lld\n", micros);
    return 0;
}
