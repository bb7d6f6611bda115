// An app that does measurable work: threads that spin through a fixed piece of arithmetic and
// count the pieces done, optionally behind an X window (so that it can be the app in front),
// holding some memory. Every 200 ms it rewrites COUNT-FILE with the pieces done so far.
//   tallyvane_bench_work COUNT-FILE THREADS MIB [WINDOW-TITLE]
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct alignas(64) Counter {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> last{0};
};

// About a microsecond of arithmetic the compiler cannot fold away.
std::uint64_t piece(std::uint64_t x) {
    for (int i = 0; i < 400; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
    }
    return x;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

// A window that names its process, as an app's window does; events are drained on a thread.
bool showWindow(const std::string& title) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t window = xcb_generate_id(c);
    uint32_t values[] = {screen->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 400, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(title.size()), title.c_str());
    const char wmClass[] = "work\0Work";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    uint32_t pid = static_cast<uint32_t>(::getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                        32, 1, &pid);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::thread([c] {
        while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
            std::free(event);
        }
    }).detach();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s COUNT-FILE THREADS MIB [WINDOW-TITLE]\n", argv[0]);
        return 2;
    }
    const std::string countFile = argv[1];
    const int threads = std::max(1, std::atoi(argv[2]));
    std::vector<char> memory(static_cast<std::size_t>(std::max(0, std::atoi(argv[3]))) << 20);
    for (std::size_t i = 0; i < memory.size(); i += 4096) {
        memory[i] = 1;
    }
    if (argc > 4 && !showWindow(argv[4])) {
        return 1;
    }
    std::vector<Counter> counters(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (Counter& counter : counters) {
        workers.emplace_back([&counter] {
            std::uint64_t x = 88172645463325252ULL;
            for (;;) {
                x = piece(x) | 1;
                counter.last.store(x, std::memory_order_relaxed);  // the work is used
                counter.done.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    const std::string part = countFile + ".part";
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::uint64_t total = 0;
        for (const Counter& counter : counters) {
            total += counter.done.load(std::memory_order_relaxed);
        }
        if (std::FILE* out = std::fopen(part.c_str(), "w")) {
            std::fprintf(out, "%llu\n", static_cast<unsigned long long>(total));
            std::fclose(out);
            std::rename(part.c_str(), countFile.c_str());
        }
    }
}
