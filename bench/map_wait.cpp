// Starts a program and prints two figures in milliseconds from the start:
// when the X server maps its first top-level window, and when the first
// picture reaches that window (the middle of the window changes from what
// it showed when mapped); then ends the program with SIGTERM. It sleeps in
// the X connection until the map, and then looks at 8 x 8 pixels once a
// millisecond, so the measurement costs the measured program next to
// nothing.
// Usage: map_wait <program> [args...]   (DISPLAY names the X server)
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The pixels of a rectangle of a window, four bytes each.
std::string pixels(xcb_connection_t* c, xcb_drawable_t d, int16_t x, int16_t y, uint16_t w = 8, uint16_t h = 8) {
    xcb_get_image_reply_t* r = xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, d, x, y, w, h, ~0u),
                                                   nullptr);
    if (!r) return {};
    std::string out(reinterpret_cast<const char*>(xcb_get_image_data(r)),
                    static_cast<size_t>(xcb_get_image_data_length(r)));
    free(r);
    return out;
}

// The 8 x 8 block at x, y of a screen image of the given width.
std::string block(const std::string& screen, int width, int x, int y) {
    std::string out;
    for (int row = 0; row < 8; ++row) {
        const size_t at = (static_cast<size_t>(y + row) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
        if (x < 0 || y < 0 || at + 32 > screen.size()) return {};
        out.append(screen, at, 32);
    }
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: map_wait <program> [args...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map_wait: no X server\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    // A round trip: the event mask is in force before the program starts.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    // What the screen shows before the program starts.
    const std::string rootBefore = pixels(c, screen->root, 0, 0, screen->width_in_pixels, screen->height_in_pixels);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double ms = -1;
    xcb_window_t win = 0;
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    while (ms < 0) {
        if (poll(&p, 1, 20000) <= 0) break;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && ms < 0) {
                ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                win = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
            }
            free(e);
        }
        if (xcb_connection_has_error(c)) break;
    }
    // The first picture: the window's middle differs from what the screen
    // showed there before the program started (a window is mapped without
    // a background of its own).
    double paintMs = -1;
    if (ms >= 0) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, win), nullptr);
        xcb_translate_coordinates_reply_t* at =
            xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, win, screen->root, 0, 0), nullptr);
        if (g && at) {
            const int16_t x = static_cast<int16_t>(g->width / 2 - 4), y = static_cast<int16_t>(g->height / 2 - 4);
            const std::string before = block(rootBefore, screen->width_in_pixels, at->dst_x + x, at->dst_y + y);
            for (;;) {
                const double t =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                if (t > ms + 10000) break;
                const std::string now = pixels(c, win, x, y);
                if (now.empty()) break;
                if (now != before) {
                    paintMs = t;
                    break;
                }
                usleep(1000);
            }
        }
        free(g);
        free(at);
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(c);
    if (ms < 0) {
        std::fprintf(stderr, "map_wait: %s mapped no window\n", argv[1]);
        return 1;
    }
    std::printf("%.2f %.2f\n", ms, paintMs);
    return 0;
}
