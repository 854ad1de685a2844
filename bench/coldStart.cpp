// Cold start on an X display: "coldStart measure PROGRAM [ARGS...]" prints the milliseconds from
// exec to the first window mapped on the screen (the program is then stopped); "coldStart bare"
// is the peer, a bare Qt Widgets window.
#include <QApplication>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

int measure(char **command)
{
    xcb_connection_t *display = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(display)) {
        std::fputs("coldStart: no X display\n", stderr);
        return 1;
    }
    // Top-level windows are the root's children: their mapping is reported on the root.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(display)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(display, root, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_get_input_focus_reply(display, xcb_get_input_focus(display), nullptr)); // applied now

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // What the program prints is not what is measured.
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execvp(command[0], command);
        _exit(127);
    }
    bool mapped = false;
    pollfd wait{xcb_get_file_descriptor(display), POLLIN, 0};
    while (!mapped && poll(&wait, 1, 60000) > 0) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(display)) {
            mapped = mapped || (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
        }
        if (xcb_connection_has_error(display))
            break;
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(display);
    if (!mapped) {
        std::fprintf(stderr, "coldStart: %s showed no window\n", command[0]);
        return 1;
    }
    std::printf("%.1f\n", elapsed.count());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "measure") == 0)
        return measure(argv + 2);
    if (argc == 2 && std::strcmp(argv[1], "bare") == 0) {
        QApplication app(argc, argv);
        QWidget window;
        window.resize(640, 480);
        window.show();
        return QApplication::exec();
    }
    std::fputs("usage: coldStart measure PROGRAM [ARGS...] | coldStart bare\n", stderr);
    return 2;
}
