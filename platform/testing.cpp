// Test hooks: the keyboard script and a view of the screen as text,
// colours and pixels.
#include "platform/testing.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "platform/surface.h"

namespace {

std::mutex g_script_lock;
std::deque<std::string> g_script;
int g_reads = 0;

bool in_text(int row, int col) { return row >= 1 && row <= kTextRows && col >= 1 && col <= kTextColumns; }

}  // namespace

void keyboard_script(std::initializer_list<std::string_view> lines) {
    for (std::string_view line : lines) keyboard_script_line(line);
}

void keyboard_script_line(std::string_view line) {
    std::lock_guard<std::mutex> hold(g_script_lock);
    g_script.emplace_back(line);
}

int keyboard_script_left() {
    std::lock_guard<std::mutex> hold(g_script_lock);
    return int(g_script.size());
}

int keyboard_reads() {
    std::lock_guard<std::mutex> hold(g_script_lock);
    return g_reads;
}

int count_keyboard_read() {
    std::lock_guard<std::mutex> hold(g_script_lock);
    return ++g_reads;
}

bool script_read_line(std::string& line) {
    std::lock_guard<std::mutex> hold(g_script_lock);
    if (g_script.empty()) {
        std::fputs("keyboard script exhausted\n", stderr);
        std::fflush(stderr);
        std::abort();
    }
    line = std::move(g_script.front());
    g_script.pop_front();
    return true;
}

std::string screen_row(int row) {
    if (row < 1 || row > kTextRows) return std::string();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    const char* c = w.surface.cell_char[row - 1];
    int n = kTextColumns;
    while (n > 0 && c[n - 1] == ' ') --n;
    return std::string(c, size_t(n));
}

char screen_char(int row, int col) {
    if (!in_text(row, col)) return ' ';
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    return w.surface.cell_char[row - 1][col - 1];
}

int32_t screen_text_colour_at(int row, int col) {
    if (!in_text(row, col)) return -1;
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    return w.surface.cell_text[row - 1][col - 1];
}

int32_t screen_back_colour_at(int row, int col) {
    if (!in_text(row, col)) return -1;
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    return w.surface.cell_back[row - 1][col - 1];
}

int32_t screen_pixel(int x, int y) {
    if (x < 0 || x >= kSurfaceWidth || y < 0 || y >= kSurfaceHeight) return -1;
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    return int32_t(surface_pixel(w.surface, x, y));
}

void reset_window() {
    {
        Window& w = the_window();
        std::lock_guard<std::mutex> hold(w.lock);
        surface_reset(w.surface, w.state);
        surface_changed(w);
    }
    {
        std::lock_guard<std::mutex> hold(g_script_lock);
        g_script.clear();
        g_reads = 0;
    }
    reset_waited_ms();
}
