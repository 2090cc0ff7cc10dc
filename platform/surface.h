// The window's picture: one surface of pixels with a text grid on it, and
// the drawing and text state the window operations act on. Plain code, no
// toolkit: the program thread draws into it under a short lock, and a
// frontend copies it out under the same lock to show it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

//---- geometry ----
inline constexpr int kCellWidth = 8;    // pixels across one text cell
inline constexpr int kCellHeight = 16;  // pixels down one text cell
inline constexpr int kTextColumns = 160;
inline constexpr int kTextRows = 64;
inline constexpr int kSurfaceWidth = kTextColumns * kCellWidth;  // 1280
inline constexpr int kSurfaceHeight = kTextRows * kCellHeight;   // 1024

//---- colours at start and after a reset of the layout ----
inline constexpr int32_t kStartTextColour = 0x00FFFFFF;  // white text
inline constexpr int32_t kStartBackColour = 0x00000000;  // on black
inline constexpr int32_t kStartPenColour = 0x00FFFFFF;   // white lines

// Pixels as indices into a palette of the colours in use (rows from the
// top), and one character with its two colours per text cell. One byte a
// pixel keeps the whole picture in the processor's cache while it is drawn;
// a clear starts the palette again.
inline constexpr int kPaletteSize = 256;
struct Surface {
    uint8_t pixel[kSurfaceHeight][kSurfaceWidth];
    uint32_t palette[kPaletteSize];  // 0x00BBGGRR
    int palette_used;
    char cell_char[kTextRows][kTextColumns];
    int32_t cell_text[kTextRows][kTextColumns];
    int32_t cell_back[kTextRows][kTextColumns];
};

// The colour of one pixel, 0x00BBGGRR.
inline uint32_t surface_pixel(const Surface& s, int x, int y) { return s.palette[s.pixel[y][x]]; }
// The palette index for a colour, added when new; with the palette full,
// the nearest colour in it.
uint8_t surface_colour_index(Surface& s, uint32_t colour);
// Indices and palette to colours, for whole rows of pixels.
void expand_pixels(const uint8_t* index, const uint32_t* palette, uint32_t* out, int count);

// Everything the window operations remember between calls.
struct DrawState {
    int vx1, vy1, vx2, vy2;            // viewport, pixels, corners inclusive
    bool world_set;                    // false: viewport pixel coordinates
    double wx_left, wx_right;          // world window, x at the left and the right edge
    double wy_top, wy_bottom;          // world window, y at the top and the bottom edge
    double pos_x, pos_y;               // current graphics position, world
    int32_t pen;                       // line colour
    int32_t text_colour, back_colour;  // text cells
    int row, col;                      // text cursor, 1-based
    bool record_open;                  // a console record was left open by $
};

// The one window of the process. `lock` guards `surface` and `state`;
// `generation` counts changes, so a frontend repaints only when it moved.
struct Window {
    std::mutex lock;
    Surface surface;
    DrawState state;
    std::atomic<uint64_t> generation{0};
};
Window& the_window();
// Marks a change; callers hold the lock, so a plain release store will do
// (no read-modify-write stalling on the pixel stores before it).
inline void surface_changed(Window& w) {
    w.generation.store(w.generation.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

//---- plain surface operations (callers hold the lock) ----
// Start layout and colours, whole surface cleared.
void surface_reset(Surface& s, DrawState& st);
void surface_clear(Surface& s, int32_t colour);
// Paints the cells of one text at (row, col); characters past the last
// column are cut. Does not move any cursor.
void surface_text(Surface& s, int row, int col, std::string_view text, int32_t fg, int32_t bg);
// One-pixel line between two pixel points, both ends drawn, clipped to the
// rectangle (x1, y1)-(x2, y2) and to the surface. Non-finite ends draw
// nothing; huge ends are cut to a guard box before any integer conversion.
void surface_line(Surface& s, double ax, double ay, double bx, double by, uint32_t colour, int x1, int y1,
                  int x2, int y2);
// The pixel point of a world point under the current viewport and world window.
void world_to_pixel(const DrawState& st, double x, double y, double& px, double& py);

//---- console records and frontends ----
// Ends a console record left open by $: the cursor goes to column 1 of the
// next row. Callers hold the lock.
void end_open_record(DrawState& st);
// Moves the cursor to column 1 of the next row (the last row stays the last).
void next_text_line(DrawState& st);

// What a frontend supplies. Every hook may be null; the defaults are those
// for tests (keyboard script, no real waits, abort on a math error).
struct Frontend {
    // Gets one keyboard line for a read whose echo begins at (row, col);
    // false at end of input. May show typing with paint_echo meanwhile.
    bool (*read_line)(std::string& line, int row, int col);
    void (*wait)(int32_t ms);
    // Reports a math error after the units are closed; never returns.
    void (*math_error)(const char* function, const char* error);
    // Called before every window operation (pause, shutdown).
    void (*checkpoint)();
};
void install_frontend(const Frontend* f);
const Frontend* installed_frontend();
// Before a window operation acts: the frontend's checkpoint.
void window_checkpoint();

// Shows the typing of a pending read at (row, col) in the current colours,
// blanking `clear_len` cells first (what the previous echo covered).
void paint_echo(int row, int col, std::string_view typed, int clear_len);
// The colour paint_echo shows the typing in, 0x00BBGGRR.
int32_t echo_text_colour();

// Text rows 1 to the last row holding a non-blank character, each without
// trailing blanks and ended by a newline.
std::string screen_text();
// A copy of the pixels as colours, taken under the lock.
void copy_pixels(uint32_t* out);
// A copy of the whole surface, pixels and text cells, taken under the lock.
void copy_surface(Surface& out);

//---- showing the surface on a screen with more device pixels ----
// The printable characters from ' ' on, drawn by a frontend at the device's
// cell size: one byte of ink coverage a pixel (0 none, 255 full), rows from
// the top, glyph after glyph.
inline constexpr int kGlyphCount = 95;
struct GlyphMasks {
    int width = 0, height = 0;  // device pixels of one cell
    std::vector<uint8_t> coverage;
};
// The ink rows of a character in the surface's own font, leftmost pixel in
// the high bit; blank for characters the font does not have.
uint8_t glyph_row(char c, int r);
// The surface at `scale` device pixels a side per surface pixel, as colours
// 0xFFBBGGRR in rows of kSurfaceWidth * scale: every pixel becomes a block,
// then every text cell that still shows just its character (nothing drawn
// over it since) is drawn again from the masks, when they fit the cell.
void render_scaled(const Surface& s, int scale, const GlyphMasks& glyphs, uint32_t* out);

//---- the surface fitted to any size ----
// Weights for fitting the surface drawn at a scale into another size, and
// the rows of work, kept between calls: a repaint at an unchanged size
// allocates nothing.
struct Fitting {
    int scale = 0, to_w = 0, to_h = 0;
    int x_taps = 0, y_taps = 0;         // most drawn pixels one output pixel covers, across and down
    std::vector<int> x_first, x_count;  // drawn columns of each output column
    std::vector<int> y_first, y_count;  // drawn rows of each output row
    std::vector<uint16_t> x_weight;     // x_taps a column, in 1/256, summing to 256
    std::vector<uint16_t> y_weight;     // y_taps a row, in 1/256, summing to 256
    int bands_kept = 0;
    std::vector<uint32_t> bands;         // the last bands_kept text rows drawn, in turn
    std::vector<const uint32_t*> taken;  // the drawn rows of the output row in hand
    std::vector<uint32_t> row;           // those rows resampled down
};
// The surface drawn as render_scaled draws it at `scale`, then resampled to
// to_w by to_h into `out`: each byte of an output pixel is the average of
// that byte over the area the pixel covers, so every line and character
// leaves its trace at any reduction, and a run of one colour stays exactly
// that colour. Drawn one text row at a time, so the large picture is never
// whole in memory.
void render_fitted(const Surface& s, int scale, const GlyphMasks& glyphs, uint32_t* out, int to_w, int to_h,
                   Fitting& f);
// The surface as a PNG file (8-bit RGB). False when the file cannot be written.
bool write_png(const char* path, const uint32_t* pixels, int width, int height);

//---- shared by the console, the test hooks and the timing ----
// Counts one keyboard read and returns its number (from 1 since the last reset).
int count_keyboard_read();
// The next line of the keyboard script; ends the process when none is left.
bool script_read_line(std::string& line);
void reset_waited_ms();
