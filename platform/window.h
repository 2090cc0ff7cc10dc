// The window: a text grid and a drawing surface on one picture.
// Text rows and columns count from 1; pixels from 0 at the top left.
// Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string_view>

struct TextPosition {
    int16_t row;
    int16_t col;
};

//---- text ----
TextPosition win_text_pos(int row, int col);  // clamped to the text area; returns the previous position
void win_text(std::string_view text);         // at the cursor, text colour on background colour
void win_clear(int area = 0);                 // whole surface in the background colour, cursor to (1, 1)
int32_t win_text_colour(int32_t colour);      // returns the previous colour
int32_t win_back_colour(int32_t colour);      // returns the previous colour
void win_reset_layout(int code = -1);         // back to the default layout

//---- drawing, in real coordinates of the world window ----
int32_t win_pen_colour(int32_t colour);             // returns the previous colour
void win_viewport(int x1, int y1, int x2, int y2);  // pixel rectangle: clips and sets the origin
// The world window: (x1, y1) at the top left of the viewport, (x2, y2) at its
// bottom right, in the order given; false (and unchanged) for equal or
// non-finite bounds.
bool win_world(bool invert, double x1, double y1, double x2, double y2);
void win_move(double x, double y);
void win_line(double x, double y);  // both end pixels drawn, clipped to the viewport
void win_box(int control, double x1, double y1, double x2, double y2);  // rectangle outline

//---- timing and numbers ----
void wait_ms(int32_t ms);
void fp_flush_to_zero(int code);
