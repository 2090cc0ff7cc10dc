// The window operations of the program: text at a cursor and lines in
// world coordinates, all on the one surface.
#include "platform/window.h"

#include <algorithm>
#include <cmath>

#include "platform/surface.h"

namespace {

const Frontend* g_frontend = nullptr;

// The surface is large: it lives in static storage, set up on first use.
Window& make_window() {
    static Window w;
    surface_reset(w.surface, w.state);
    return w;
}

// A line between two world points in the pen colour, clipped to the viewport.
void draw_world_line(Window& w, double ax, double ay, double bx, double by) {
    const DrawState& st = w.state;
    double pax, pay, pbx, pby;
    world_to_pixel(st, ax, ay, pax, pay);
    world_to_pixel(st, bx, by, pbx, pby);
    surface_line(w.surface, pax, pay, pbx, pby, uint32_t(st.pen), st.vx1, st.vy1, st.vx2, st.vy2);
}

}  // namespace

Window& the_window() {
    static Window& w = make_window();
    return w;
}

void install_frontend(const Frontend* f) { g_frontend = f; }
const Frontend* installed_frontend() { return g_frontend; }

void window_checkpoint() {
    if (g_frontend != nullptr && g_frontend->checkpoint != nullptr) g_frontend->checkpoint();
}

void next_text_line(DrawState& st) {
    st.row = std::min(st.row + 1, kTextRows);
    st.col = 1;
}

void end_open_record(DrawState& st) {
    if (!st.record_open) return;
    st.record_open = false;
    next_text_line(st);
}

//---- text ----

TextPosition win_text_pos(int row, int col) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    end_open_record(w.state);
    const TextPosition previous{int16_t(w.state.row), int16_t(w.state.col)};
    w.state.row = std::clamp(row, 1, kTextRows);
    w.state.col = std::clamp(col, 1, kTextColumns);
    return previous;
}

void win_text(std::string_view text) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    DrawState& st = w.state;
    end_open_record(st);
    surface_text(w.surface, st.row, st.col, text, st.text_colour, st.back_colour);
    st.col = int(std::min<long>(kTextColumns + 1, long(st.col) + long(text.size())));
    surface_changed(w);
}

void win_clear(int /*area*/) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    end_open_record(w.state);
    surface_clear(w.surface, w.state.back_colour);
    w.state.row = 1;
    w.state.col = 1;
    surface_changed(w);
}

int32_t win_text_colour(int32_t colour) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    const int32_t previous = w.state.text_colour;
    w.state.text_colour = colour;
    return previous;
}

int32_t win_back_colour(int32_t colour) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    const int32_t previous = w.state.back_colour;
    w.state.back_colour = colour;
    return previous;
}

// Cursor home, the whole surface as viewport in pixel coordinates, the
// start colours; the picture stays as it is.
void win_reset_layout(int /*code*/) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    DrawState& st = w.state;
    end_open_record(st);
    st.row = 1;
    st.col = 1;
    st.vx1 = 0;
    st.vy1 = 0;
    st.vx2 = kSurfaceWidth - 1;
    st.vy2 = kSurfaceHeight - 1;
    st.world_set = false;
    st.pos_x = 0.0;
    st.pos_y = 0.0;
    st.pen = kStartPenColour;
    st.text_colour = kStartTextColour;
    st.back_colour = kStartBackColour;
}

//---- drawing ----

int32_t win_pen_colour(int32_t colour) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    const int32_t previous = w.state.pen;
    w.state.pen = colour;
    return previous;
}

// The world window, when one is set, keeps its bounds and is mapped onto
// the new rectangle.
void win_viewport(int x1, int y1, int x2, int y2) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    DrawState& st = w.state;
    st.vx1 = std::min(x1, x2);
    st.vx2 = std::max(x1, x2);
    st.vy1 = std::min(y1, y2);
    st.vy2 = std::max(y1, y2);
}

// The world window: (x1, y1) at the top left corner of the viewport and
// (x2, y2) at the bottom right, as given, so that reversed bounds mirror the
// picture. The picture asks for y growing upwards by passing its upper y
// bound first; the corners alone decide the mapping.
bool win_world(bool /*invert*/, double x1, double y1, double x2, double y2) {
    window_checkpoint();
    if (x1 == x2 || y1 == y2) return false;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    DrawState& st = w.state;
    st.world_set = true;
    st.wx_left = x1;
    st.wx_right = x2;
    st.wy_top = y1;
    st.wy_bottom = y2;
    return true;
}

void win_move(double x, double y) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    w.state.pos_x = x;
    w.state.pos_y = y;
}

void win_line(double x, double y) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    draw_world_line(w, w.state.pos_x, w.state.pos_y, x, y);
    w.state.pos_x = x;
    w.state.pos_y = y;
    surface_changed(w);
}

// The outline of the rectangle with corners (x1, y1) and (x2, y2); the
// current position does not move.
void win_box(int /*control*/, double x1, double y1, double x2, double y2) {
    window_checkpoint();
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    draw_world_line(w, x1, y1, x2, y1);
    draw_world_line(w, x2, y1, x2, y2);
    draw_world_line(w, x2, y2, x1, y2);
    draw_world_line(w, x1, y2, x1, y1);
    surface_changed(w);
}

//---- for frontends and tests ----

void paint_echo(int row, int col, std::string_view typed, int clear_len) {
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    const DrawState& st = w.state;
    if (clear_len > 0) {
        const std::string blanks(size_t(std::min(clear_len, kTextColumns)), ' ');
        surface_text(w.surface, row, col, blanks, st.text_colour, st.back_colour);
    }
    surface_text(w.surface, row, col, typed, st.text_colour, st.back_colour);
    surface_changed(w);
}

int32_t echo_text_colour() {
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    return w.state.text_colour;
}

std::string screen_text() {
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    int last = 0;
    int len[kTextRows];
    for (int r = 0; r < kTextRows; ++r) {
        int n = kTextColumns;
        while (n > 0 && w.surface.cell_char[r][n - 1] == ' ') --n;
        len[r] = n;
        if (n > 0) last = r + 1;
    }
    std::string out;
    for (int r = 0; r < last; ++r) {
        out.append(w.surface.cell_char[r], size_t(len[r]));
        out.push_back('\n');
    }
    return out;
}

void copy_pixels(uint32_t* out) {
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    expand_pixels(&w.surface.pixel[0][0], w.surface.palette, out, kSurfaceWidth * kSurfaceHeight);
}
