// Hooks for tests that drive the program through its keyboard and read its
// screen, without a frontend.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Lines the next keyboard reads receive, in order. A read with no line left
// ends the test program with a message (a script that is too short must not hang).
void keyboard_script(std::initializer_list<std::string_view> lines);
void keyboard_script_line(std::string_view line);
int keyboard_script_left();
// Number of keyboard reads since the last reset_window.
int keyboard_reads();

// Text row (1-based) without its trailing blanks, and one character cell.
std::string screen_row(int row);
char screen_char(int row, int col);
int32_t screen_text_colour_at(int row, int col);  // foreground colour of a cell
int32_t screen_back_colour_at(int row, int col);  // background colour of a cell
int32_t screen_pixel(int x, int y);                // 0x00BBGGRR
// Every wait_ms since the last reset adds its argument here (waits are not
// made under tests).
int64_t waited_ms();

// The window back to its start: cleared, default colours, cursor (1, 1),
// script emptied, counters zero.
void reset_window();
