// The surface model: pixels, text cells and the line rasteriser, with no
// toolkit behind them.
#include "platform/surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// Glyphs of the printable ASCII characters, 8 by 16 pixels, one byte a
// pixel row with the leftmost pixel in the high bit (a public-domain fixed
// font). Other characters show as blanks.
constexpr uint8_t kGlyph[95][16] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ' '
    {0x00, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x10, 0x10, 0x10, 0x10, 0x00, 0x00, 0x10, 0x38, 0x10},  // '!'
    {0x6C, 0x6C, 0x24, 0x24, 0x48, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '"'
    {0x00, 0x12, 0x12, 0x12, 0x7F, 0x24, 0x24, 0x24, 0x24, 0x24, 0xFE, 0x48, 0x48, 0x48, 0x48, 0x00},  // '#'
    {0x10, 0x38, 0x54, 0x92, 0x96, 0x90, 0x50, 0x38, 0x14, 0x12, 0xD2, 0x92, 0x94, 0x78, 0x10, 0x10},  // '$'
    {0x02, 0x62, 0x94, 0x94, 0x94, 0x98, 0x68, 0x10, 0x10, 0x2C, 0x32, 0x52, 0x52, 0x52, 0x8C, 0x80},  // '%'
    {0x00, 0x30, 0x48, 0x48, 0x48, 0x50, 0x20, 0x2E, 0x54, 0x54, 0x94, 0x88, 0x8C, 0x72, 0x00, 0x00},  // '&'
    {0xE0, 0xE0, 0x20, 0x20, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // "'"
    {0x02, 0x04, 0x08, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x08, 0x08, 0x04, 0x02},  // '('
    {0x80, 0x40, 0x20, 0x20, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x20, 0x20, 0x40, 0x80},  // ')'
    {0x00, 0x00, 0x00, 0x10, 0x38, 0x92, 0xD6, 0x38, 0xD6, 0x92, 0x38, 0x10, 0x00, 0x00, 0x00, 0x00},  // '*'
    {0x00, 0x00, 0x00, 0x10, 0x10, 0x10, 0x10, 0xFE, 0x10, 0x10, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00},  // '+'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xE0, 0x20, 0x20, 0xC0},  // ','
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '-'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xE0, 0xE0, 0x40, 0x00},  // '.'
    {0x02, 0x02, 0x04, 0x04, 0x08, 0x08, 0x08, 0x10, 0x10, 0x10, 0x20, 0x20, 0x40, 0x40, 0x80, 0x80},  // '/'
    {0x00, 0x18, 0x24, 0x24, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x24, 0x24, 0x18, 0x00},  // '0'
    {0x00, 0x10, 0x70, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x7C, 0x00, 0x00},  // '1'
    {0x00, 0x18, 0x24, 0x42, 0x62, 0x02, 0x04, 0x08, 0x08, 0x10, 0x20, 0x22, 0x42, 0x7E, 0x00, 0x00},  // '2'
    {0x00, 0x38, 0x44, 0x82, 0x82, 0x02, 0x04, 0x38, 0x04, 0x02, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // '3'
    {0x00, 0x08, 0x18, 0x28, 0x28, 0x48, 0x48, 0x88, 0x88, 0xFE, 0x08, 0x08, 0x08, 0x3C, 0x00, 0x00},  // '4'
    {0x00, 0xFC, 0x80, 0x80, 0x80, 0xB8, 0xC4, 0x82, 0x02, 0x02, 0xC2, 0x82, 0x44, 0x38, 0x00, 0x00},  // '5'
    {0x00, 0x3C, 0x42, 0x46, 0x80, 0x80, 0xB8, 0xC4, 0x82, 0x82, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // '6'
    {0x00, 0xFE, 0x82, 0x82, 0x04, 0x04, 0x04, 0x08, 0x08, 0x08, 0x08, 0x10, 0x10, 0x10, 0x10, 0x00},  // '7'
    {0x00, 0x38, 0x44, 0x82, 0x82, 0x82, 0x44, 0x38, 0x44, 0x82, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // '8'
    {0x00, 0x38, 0x44, 0x82, 0x82, 0x82, 0x82, 0x46, 0x3A, 0x02, 0x02, 0x82, 0x44, 0x38, 0x00, 0x00},  // '9'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x38, 0x00, 0x00},  // ':'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x38, 0x00, 0x00, 0x00, 0x00, 0x38, 0x38, 0x18, 0x10, 0x30},  // ';'
    {0x02, 0x04, 0x04, 0x08, 0x08, 0x10, 0x10, 0x20, 0x20, 0x10, 0x10, 0x08, 0x08, 0x04, 0x04, 0x02},  // '<'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x00, 0x00, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '='
    {0x80, 0x40, 0x40, 0x20, 0x20, 0x10, 0x10, 0x08, 0x08, 0x10, 0x10, 0x20, 0x20, 0x40, 0x40, 0x80},  // '>'
    {0x00, 0x38, 0x44, 0x82, 0xC2, 0x02, 0x04, 0x04, 0x08, 0x10, 0x10, 0x00, 0x00, 0x10, 0x38, 0x10},  // '?'
    {0x00, 0x3C, 0x42, 0x82, 0x9A, 0xA6, 0xA2, 0xA2, 0xA2, 0xA6, 0x9A, 0x80, 0x42, 0x3C, 0x00, 0x00},  // '@'
    {0x00, 0x10, 0x28, 0x28, 0x28, 0x44, 0x44, 0x44, 0x44, 0x7C, 0x82, 0x82, 0x82, 0xC6, 0x00, 0x00},  // 'A'
    {0x00, 0xF8, 0x44, 0x42, 0x42, 0x42, 0x44, 0x78, 0x44, 0x42, 0x42, 0x42, 0x42, 0xFC, 0x00, 0x00},  // 'B'
    {0x00, 0x3A, 0x46, 0x42, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x82, 0x42, 0x42, 0x3C, 0x00, 0x00},  // 'C'
    {0x00, 0xF8, 0x44, 0x44, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x44, 0x44, 0xF8, 0x00, 0x00},  // 'D'
    {0x00, 0xFE, 0x42, 0x42, 0x40, 0x48, 0x48, 0x78, 0x48, 0x48, 0x42, 0x42, 0x42, 0xFE, 0x00, 0x00},  // 'E'
    {0x00, 0xFE, 0x42, 0x42, 0x40, 0x48, 0x48, 0x78, 0x48, 0x48, 0x40, 0x40, 0x40, 0xF0, 0x00, 0x00},  // 'F'
    {0x00, 0x1A, 0x26, 0x42, 0x40, 0x80, 0x80, 0x8F, 0x82, 0x82, 0x82, 0x42, 0x66, 0x1A, 0x00, 0x00},  // 'G'
    {0x00, 0xE7, 0x42, 0x42, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0xE7, 0x00, 0x00},  // 'H'
    {0x00, 0xFE, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0xFE, 0x00, 0x00},  // 'I'
    {0x00, 0x1F, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x82, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // 'J'
    {0x00, 0xE6, 0x44, 0x44, 0x48, 0x48, 0x70, 0x50, 0x48, 0x48, 0x44, 0x44, 0x42, 0xE3, 0x00, 0x00},  // 'K'
    {0x00, 0xF0, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x42, 0x42, 0x42, 0xFE, 0x00, 0x00},  // 'L'
    {0x00, 0x82, 0xC6, 0xAA, 0xAA, 0xAA, 0x92, 0x92, 0x92, 0x82, 0x82, 0x82, 0x82, 0xC6, 0x00, 0x00},  // 'M'
    {0x00, 0x87, 0xC2, 0xA2, 0xA2, 0xA2, 0x92, 0x92, 0x92, 0x8A, 0x8A, 0x8A, 0x86, 0xC2, 0x00, 0x00},  // 'N'
    {0x00, 0x38, 0x44, 0x82, 0x82, 0x82, 0x82, 0x82, 0x82, 0x82, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // 'O'
    {0x00, 0xF8, 0x44, 0x42, 0x42, 0x42, 0x42, 0x44, 0x78, 0x40, 0x40, 0x40, 0x40, 0xF0, 0x00, 0x00},  // 'P'
    {0x00, 0x38, 0x44, 0x44, 0x82, 0x82, 0x82, 0x82, 0x82, 0x82, 0xBA, 0x44, 0x44, 0x38, 0x08, 0x06},  // 'Q'
    {0x00, 0xF8, 0x44, 0x42, 0x42, 0x42, 0x44, 0x78, 0x48, 0x44, 0x44, 0x44, 0x42, 0xE3, 0x00, 0x00},  // 'R'
    {0x00, 0x34, 0x4C, 0x84, 0x80, 0x80, 0x60, 0x18, 0x04, 0x82, 0x82, 0x82, 0xC4, 0xB8, 0x00, 0x00},  // 'S'
    {0x00, 0xFE, 0x92, 0x92, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x7C, 0x00, 0x00},  // 'T'
    {0x00, 0xE7, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x3C, 0x00, 0x00},  // 'U'
    {0x00, 0xC6, 0x82, 0x82, 0x82, 0x82, 0x44, 0x44, 0x44, 0x44, 0x28, 0x28, 0x10, 0x10, 0x00, 0x00},  // 'V'
    {0x00, 0xC6, 0x82, 0x82, 0x82, 0x92, 0x92, 0x92, 0xAA, 0xAA, 0xAA, 0x44, 0x44, 0x44, 0x00, 0x00},  // 'W'
    {0x00, 0xEE, 0x44, 0x44, 0x28, 0x28, 0x10, 0x28, 0x28, 0x28, 0x44, 0x44, 0x82, 0xC6, 0x00, 0x00},  // 'X'
    {0x00, 0xC6, 0x82, 0x44, 0x44, 0x44, 0x28, 0x28, 0x10, 0x10, 0x10, 0x10, 0x10, 0x7C, 0x00, 0x00},  // 'Y'
    {0x00, 0xFE, 0x84, 0x88, 0x08, 0x10, 0x10, 0x10, 0x20, 0x20, 0x42, 0x42, 0x82, 0xFE, 0x00, 0x00},  // 'Z'
    {0x1E, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1E},  // '['
    {0x00, 0x80, 0x80, 0x40, 0x40, 0x20, 0x20, 0x10, 0x10, 0x08, 0x08, 0x04, 0x04, 0x02, 0x02, 0x00},  // '\\'
    {0xF0, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0xF0},  // ']'
    {0x10, 0x28, 0x44, 0x82, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '^'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFE},  // '_'
    {0x30, 0x30, 0x20, 0x20, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '`'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x3C, 0x42, 0x02, 0x3E, 0x42, 0x82, 0x82, 0x86, 0x7B, 0x00, 0x00},  // 'a'
    {0x00, 0xC0, 0x40, 0x40, 0x40, 0x78, 0x44, 0x42, 0x42, 0x42, 0x42, 0x42, 0x44, 0x78, 0x00, 0x00},  // 'b'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x46, 0x82, 0x80, 0x80, 0x80, 0x82, 0x42, 0x3C, 0x00, 0x00},  // 'c'
    {0x00, 0x06, 0x04, 0x04, 0x04, 0x3C, 0x44, 0x84, 0x84, 0x84, 0x84, 0x84, 0x44, 0x3E, 0x00, 0x00},  // 'd'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x44, 0x82, 0xFE, 0x80, 0x80, 0x82, 0x42, 0x3C, 0x00, 0x00},  // 'e'
    {0x00, 0x0E, 0x11, 0x10, 0x10, 0xFE, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x7C, 0x00, 0x00},  // 'f'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x3B, 0x44, 0x44, 0x44, 0x38, 0x40, 0x78, 0x84, 0x82, 0x82, 0x7C},  // 'g'
    {0x00, 0xC0, 0x40, 0x40, 0x40, 0x5C, 0x62, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0xE7, 0x00, 0x00},  // 'h'
    {0x18, 0x18, 0x00, 0x00, 0x00, 0x78, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0x00, 0x00},  // 'i'
    {0x06, 0x06, 0x00, 0x00, 0x00, 0x3E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x82, 0x82, 0x44, 0x38},  // 'j'
    {0x00, 0xC0, 0x40, 0x40, 0x40, 0x42, 0x44, 0x48, 0x58, 0x64, 0x44, 0x42, 0x42, 0xE3, 0x00, 0x00},  // 'k'
    {0x00, 0x78, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0x00, 0x00},  // 'l'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x6C, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0xDB, 0x00, 0x00},  // 'm'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xDC, 0x62, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0xE7, 0x00, 0x00},  // 'n'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0x44, 0x82, 0x82, 0x82, 0x82, 0x82, 0x44, 0x38, 0x00, 0x00},  // 'o'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x44, 0x42, 0x42, 0x42, 0x42, 0x44, 0x78, 0x40, 0x40, 0xF0},  // 'p'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x3E, 0x44, 0x84, 0x84, 0x84, 0x84, 0x44, 0x3C, 0x04, 0x04, 0x1E},  // 'q'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x32, 0x22, 0x20, 0x20, 0x20, 0x20, 0x20, 0xFC, 0x00, 0x00},  // 'r'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x46, 0x42, 0x40, 0x3C, 0x02, 0x82, 0xC2, 0xBC, 0x00, 0x00},  // 's'
    {0x00, 0x00, 0x20, 0x20, 0x20, 0xFC, 0x20, 0x20, 0x20, 0x20, 0x20, 0x22, 0x22, 0x1C, 0x00, 0x00},  // 't'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xC6, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x46, 0x39, 0x00, 0x00},  // 'u'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xC6, 0x82, 0x82, 0x44, 0x44, 0x44, 0x28, 0x28, 0x10, 0x00, 0x00},  // 'v'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x92, 0x92, 0x92, 0x92, 0xAA, 0xAA, 0x44, 0x44, 0x44, 0x00, 0x00},  // 'w'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xEE, 0x44, 0x28, 0x28, 0x10, 0x28, 0x28, 0x44, 0xEE, 0x00, 0x00},  // 'x'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xE7, 0x42, 0x22, 0x24, 0x14, 0x08, 0x08, 0x10, 0x90, 0xA0, 0x40},  // 'y'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x7E, 0x44, 0x08, 0x08, 0x10, 0x10, 0x22, 0x42, 0xFE, 0x00, 0x00},  // 'z'
    {0x06, 0x08, 0x08, 0x08, 0x08, 0x08, 0x10, 0x20, 0x10, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x06},  // '{'
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},  // '|'
    {0xC0, 0x20, 0x20, 0x20, 0x20, 0x20, 0x10, 0x08, 0x10, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xC0},  // '}'
    {0x60, 0x92, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '~'
};

// For each glyph row byte, the eight pixel bytes in memory order (leftmost
// pixel first) with 0xFF where the glyph has ink.
constexpr auto kRowMask = [] {
    std::array<uint64_t, 256> m{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int k = 0; k < 8; ++k) {
            if (bits & (0x80 >> k)) m[size_t(bits)] |= uint64_t(0xFF) << (8 * k);
        }
    }
    return m;
}();

// Lines with ends farther out than this are cut to it before rounding.
constexpr double kGuard = 1 << 24;

// Liang-Barsky: cuts the segment to the box |x|, |y| <= kGuard.
bool cut_to_guard(double& ax, double& ay, double& bx, double& by) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax + kGuard, kGuard - ax, ay + kGuard, kGuard - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
        } else {
            const double t = q[i] / p[i];
            if (p[i] < 0.0) {
                t0 = std::max(t0, t);
            } else {
                t1 = std::min(t1, t);
            }
        }
    }
    if (t0 > t1) return false;
    const double nax = ax + t0 * dx, nay = ay + t0 * dy;
    const double nbx = ax + t1 * dx, nby = ay + t1 * dy;
    ax = std::clamp(nax, -kGuard, kGuard);
    ay = std::clamp(nay, -kGuard, kGuard);
    bx = std::clamp(nbx, -kGuard, kGuard);
    by = std::clamp(nby, -kGuard, kGuard);
    return true;
}

long to_pixel(double v) { return static_cast<long>(std::floor(v + 0.5)); }

}  // namespace

uint8_t glyph_row(char c, int r) {
    const unsigned u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126) return 0;
    return kGlyph[u - 32][r];
}

void surface_clear(Surface& s, int32_t colour) {
    const uint32_t c = static_cast<uint32_t>(colour) & 0x00FFFFFFu;
    s.palette_used = 1;
    s.palette[0] = c;
    std::memset(s.pixel, 0, sizeof s.pixel);
    std::memset(s.cell_char, ' ', sizeof s.cell_char);
    std::fill(&s.cell_text[0][0], &s.cell_text[0][0] + kTextRows * kTextColumns, kStartTextColour);
    std::fill(&s.cell_back[0][0], &s.cell_back[0][0] + kTextRows * kTextColumns, int32_t(c));
}

uint8_t surface_colour_index(Surface& s, uint32_t colour) {
    const uint32_t c = colour & 0x00FFFFFFu;
    for (int i = 0; i < s.palette_used; ++i) {
        if (s.palette[i] == c) return uint8_t(i);
    }
    if (s.palette_used < kPaletteSize) {
        s.palette[s.palette_used] = c;
        return uint8_t(s.palette_used++);
    }
    auto channel = [](uint32_t v, int k) { return int((v >> (8 * k)) & 0xFF); };
    int best = 0;
    long best_distance = -1;
    for (int i = 0; i < s.palette_used; ++i) {
        long distance = 0;
        for (int k = 0; k < 3; ++k) {
            const long d = channel(s.palette[i], k) - channel(c, k);
            distance += d * d;
        }
        if (best_distance < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return uint8_t(best);
}

void expand_pixels(const uint8_t* index, const uint32_t* palette, uint32_t* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = palette[index[i]];
}

void surface_reset(Surface& s, DrawState& st) {
    st = DrawState{};
    st.vx1 = 0;
    st.vy1 = 0;
    st.vx2 = kSurfaceWidth - 1;
    st.vy2 = kSurfaceHeight - 1;
    st.world_set = false;
    st.pen = kStartPenColour;
    st.text_colour = kStartTextColour;
    st.back_colour = kStartBackColour;
    st.row = 1;
    st.col = 1;
    st.record_open = false;
    surface_clear(s, st.back_colour);
}

void surface_text(Surface& s, int row, int col, std::string_view text, int32_t fg, int32_t bg) {
    if (row < 1 || row > kTextRows) return;
    const uint32_t f = static_cast<uint32_t>(fg) & 0x00FFFFFFu;
    const uint32_t b = static_cast<uint32_t>(bg) & 0x00FFFFFFu;
    const uint64_t fore = uint64_t(surface_colour_index(s, f)) * 0x0101010101010101u;
    const uint64_t back = uint64_t(surface_colour_index(s, b)) * 0x0101010101010101u;
    const int first = std::max(col, 1);
    const int last = std::min<long>(kTextColumns, long(col) + long(text.size()) - 1);
    for (int c = first; c <= last; ++c) {
        const char ch = text[c - col];
        s.cell_char[row - 1][c - 1] = ch;
        s.cell_text[row - 1][c - 1] = int32_t(f);
        s.cell_back[row - 1][c - 1] = int32_t(b);
        const int x0 = (c - 1) * kCellWidth;
        for (int r = 0; r < kCellHeight; ++r) {
            const uint8_t bits = glyph_row(ch, r);
            const uint64_t ink = kRowMask[bits];
            const uint64_t eight = (ink & fore) | (~ink & back);
            std::memcpy(&s.pixel[(row - 1) * kCellHeight + r][x0], &eight, sizeof eight);
        }
    }
}

// Midpoint rule along the major axis: step i of n puts the minor coordinate
// at a0 + off(i), off(i) = floor((2 i d + n) / (2 n)), which reaches d
// exactly at i = n. Both clips are turned into a range of steps before the
// walk (off is monotone in i), and the remainder is carried from the first
// step of that range, so the pixels are those of the whole line.
namespace {

long ceil_div(long a, long b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

// First step whose offset reaches k: 2 i d + n >= 2 n k.
long first_step_reaching(long k, long n, long d) { return ceil_div(2 * n * k - n, 2 * d); }

}  // namespace

void surface_line(Surface& s, double ax, double ay, double bx, double by, uint32_t colour, int x1, int y1,
                  int x2, int y2) {
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) return;
    const int cx1 = std::max({std::min(x1, x2), 0}), cx2 = std::min({std::max(x1, x2), kSurfaceWidth - 1});
    const int cy1 = std::max({std::min(y1, y2), 0}), cy2 = std::min({std::max(y1, y2), kSurfaceHeight - 1});
    if (cx1 > cx2 || cy1 > cy2) return;
    if (!cut_to_guard(ax, ay, bx, by)) return;
    const long px0 = to_pixel(ax), py0 = to_pixel(ay), px1 = to_pixel(bx), py1 = to_pixel(by);
    const long dx = px1 - px0, dy = py1 - py0;
    const bool x_major = std::labs(dx) >= std::labs(dy);
    // Major axis a, minor axis m.
    const long a0 = x_major ? px0 : py0, m0 = x_major ? py0 : px0;
    const long n = x_major ? std::labs(dx) : std::labs(dy);
    const long d = x_major ? std::labs(dy) : std::labs(dx);
    const long sa = (x_major ? dx : dy) < 0 ? -1 : 1;
    const long sm = (x_major ? dy : dx) < 0 ? -1 : 1;
    const long ca1 = x_major ? cx1 : cy1, ca2 = x_major ? cx2 : cy2;
    const long cm1 = x_major ? cy1 : cx1, cm2 = x_major ? cy2 : cx2;
    // Steps whose major coordinate a0 + sa i lies in [ca1, ca2].
    long i_first = sa > 0 ? ca1 - a0 : a0 - ca2;
    long i_last = sa > 0 ? ca2 - a0 : a0 - ca1;
    i_first = std::max(i_first, 0L);
    i_last = std::min(i_last, n);
    // Offsets whose minor coordinate m0 + sm off lies in [cm1, cm2].
    const long off_lo = std::max(0L, sm > 0 ? cm1 - m0 : m0 - cm2);
    const long off_hi = std::min(d, sm > 0 ? cm2 - m0 : m0 - cm1);
    if (off_lo > off_hi) return;
    if (d > 0) {
        i_first = std::max(i_first, first_step_reaching(off_lo, n, d));
        if (off_hi < d) i_last = std::min(i_last, first_step_reaching(off_hi + 1, n, d) - 1);
    }
    if (i_first > i_last) return;
    const long two_n = 2 * n;
    const long start = 2 * i_first * d + n;
    const long off = n > 0 ? start / two_n : 0;
    long rem = n > 0 ? start % two_n : 0;
    const long a = a0 + sa * i_first, m = m0 + sm * off;
    const long x = x_major ? a : m, y = x_major ? m : a;
    const uint8_t c = surface_colour_index(s, colour);
    uint8_t* p = &s.pixel[y][x];
    const long major_step = x_major ? sa : sa * kSurfaceWidth;
    const long minor_step = x_major ? sm * kSurfaceWidth : sm;
    const long two_d = 2 * d;
    // Branch-free stepping: the minor step comes at no predictable rhythm.
    // The pointer moves only between pixels, never past the last one.
    *p = c;
    for (long i = i_first; i < i_last; ++i) {
        rem += two_d;
        p += major_step;
        if (rem >= two_n) {
            rem -= two_n;
            p += minor_step;
        }
        *p = c;
    }
}

void world_to_pixel(const DrawState& st, double x, double y, double& px, double& py) {
    if (!st.world_set) {
        px = st.vx1 + x;
        py = st.vy1 + y;
        return;
    }
    // In doubles: a viewport may span more than an int can count.
    const double w = double(st.vx2) - double(st.vx1), h = double(st.vy2) - double(st.vy1);
    px = st.vx1 + (x - st.wx_left) * w / (st.wx_right - st.wx_left);
    py = st.vy1 + (y - st.wy_top) * h / (st.wy_bottom - st.wy_top);
}

//---- the surface at a device's resolution ----

void copy_surface(Surface& out) {
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    out = w.surface;
}

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// True when the cell's pixels are those its character paints and nothing
// has been drawn over them since.
bool cell_shows_its_character(const Surface& s, int row, int col) {
    const char ch = s.cell_char[row][col];
    const uint32_t fg = uint32_t(s.cell_text[row][col]) & 0x00FFFFFFu;
    const uint32_t bg = uint32_t(s.cell_back[row][col]) & 0x00FFFFFFu;
    for (int r = 0; r < kCellHeight; ++r) {
        const uint8_t bits = glyph_row(ch, r);
        const uint8_t* p = &s.pixel[row * kCellHeight + r][col * kCellWidth];
        for (int k = 0; k < kCellWidth; ++k) {
            if (s.palette[p[k]] != ((bits & (0x80 >> k)) ? fg : bg)) return false;
        }
    }
    return true;
}

// Background and ink mixed channel by channel in the proportion of the
// glyph's coverage.
uint32_t mix(uint32_t bg, uint32_t fg, uint32_t a) {
    if (a == 0) return bg | kOpaque;
    if (a == 255) return fg | kOpaque;
    uint32_t out = kOpaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const int b = int((bg >> shift) & 0xFF), f = int((fg >> shift) & 0xFF);
        out |= uint32_t(b + ((f - b) * int(a) + (f >= b ? 127 : -127)) / 255) << shift;
    }
    return out;
}

// The colours of one cell's text from no ink to full ink, kept for the
// colour pair last asked for: most cells share their colours.
struct InkRamp {
    uint32_t fg = 0, bg = 0;
    bool built = false;
    uint32_t colour[256];
    void set(uint32_t ink, uint32_t back) {
        if (built && ink == fg && back == bg) return;
        fg = ink;
        bg = back;
        built = true;
        for (uint32_t a = 0; a < 256; ++a) colour[a] = mix(bg, fg, a);
    }
};

// One cell drawn from its mask into the band of its text row, whose
// rows are `stride` pixels apart.
void draw_glyph(const Surface& s, int row, int col, const GlyphMasks& glyphs, InkRamp& ramp, size_t stride,
                uint32_t* band) {
    ramp.set(uint32_t(s.cell_text[row][col]) & 0x00FFFFFFu, uint32_t(s.cell_back[row][col]) & 0x00FFFFFFu);
    const uint8_t* mask =
        &glyphs.coverage[size_t(s.cell_char[row][col] - ' ') * glyphs.width * glyphs.height];
    uint32_t* top = band + size_t(col) * glyphs.width;
    for (int y = 0; y < glyphs.height; ++y) {
        uint32_t* p = top + size_t(y) * stride;
        for (int x = 0; x < glyphs.width; ++x) p[x] = ramp.colour[*mask++];
    }
}

// What drawing at a scale needs beyond the surface: the palette as opaque
// colours, and whether the masks fit the cells.
struct ScaledDrawing {
    int scale;
    const GlyphMasks& glyphs;
    bool masks_fit;
    uint32_t palette[kPaletteSize];
    InkRamp ramp;
    ScaledDrawing(const Surface& s, int scale_, const GlyphMasks& g)
        : scale(scale_),
          glyphs(g),
          masks_fit(g.width == kCellWidth * scale_ && g.height == kCellHeight * scale_ &&
                    g.coverage.size() == size_t(kGlyphCount) * g.width * g.height) {
        for (int i = 0; i < kPaletteSize; ++i) palette[i] = s.palette[i] | kOpaque;
    }
};

// Text row `row` of the surface at the drawing's scale into `band`
// (kCellHeight * scale rows of kSurfaceWidth * scale pixels): every pixel a
// block, then every cell that still shows just its character drawn again
// from the masks.
void draw_band(const Surface& s, int row, ScaledDrawing& d, uint32_t* band) {
    const int scale = d.scale;
    const size_t stride = size_t(kSurfaceWidth) * scale;
    for (int r = 0; r < kCellHeight; ++r) {
        const uint8_t* in = s.pixel[row * kCellHeight + r];
        uint32_t* line = band + size_t(r) * scale * stride;
        if (scale <= 1) {
            expand_pixels(in, d.palette, line, kSurfaceWidth);
            continue;
        }
        uint32_t* p = line;
        for (int x = 0; x < kSurfaceWidth; ++x) {
            const uint32_t c = d.palette[in[x]];
            for (int k = 0; k < scale; ++k) *p++ = c;
        }
        for (int k = 1; k < scale; ++k) std::memcpy(line + k * stride, line, stride * sizeof *line);
    }
    if (!d.masks_fit) return;
    for (int col = 0; col < kTextColumns; ++col) {
        const char ch = s.cell_char[row][col];
        // A blank is background only: its blocks are already right.
        if (ch <= ' ' || ch > '~' || !cell_shows_its_character(s, row, col)) continue;
        draw_glyph(s, row, col, d.glyphs, d.ramp, stride, band);
    }
}

}  // namespace

void render_scaled(const Surface& s, int scale, const GlyphMasks& glyphs, uint32_t* out) {
    ScaledDrawing d(s, std::max(scale, 1), glyphs);
    const size_t band = size_t(kSurfaceWidth) * d.scale * kCellHeight * d.scale;
    for (int row = 0; row < kTextRows; ++row) draw_band(s, row, d, out + row * band);
}

//---- the surface fitted to any size ----

namespace {

// Weights in 1/256: a byte times a weight fits 16 bits, and so does the sum
// over weights adding up to 256.
constexpr int kWeightBits = 8;
constexpr uint32_t kHalfWeight = 1u << (kWeightBits - 1);
constexpr uint32_t kEvenBytes = 0x00FF00FFu;
constexpr uint32_t kHalfWeights = kHalfWeight * 0x00010001u;
constexpr size_t kBlockBytes = 32;

// Along one axis of `from` source pixels resampled to `to`: output pixel o
// covers the source span [o from, (o + 1) from) in units of 1/to of a source
// pixel. Each source pixel it meets weighs its overlap; the weights are
// rounded on the running total, so they add up to 1 << kWeightBits exactly.
int make_taps(int from, int to, std::vector<int>& first, std::vector<int>& count,
              std::vector<uint16_t>& weight) {
    const int taps = (from + to - 1) / to + 1;
    first.assign(size_t(to), 0);
    count.assign(size_t(to), 0);
    weight.assign(size_t(to) * taps, 0);
    for (int o = 0; o < to; ++o) {
        const int64_t a = int64_t(o) * from, b = a + from;
        const auto total = [&](int64_t u) {
            return int(((u - a) * (int64_t(2) << kWeightBits) + from) / (2 * int64_t(from)));
        };
        first[o] = int(a / to);
        count[o] = int((b - 1) / to) - first[o] + 1;
        for (int k = 0; k < count[o]; ++k) {
            const int64_t lo = std::max(a, (first[o] + k) * int64_t(to));
            const int64_t hi = std::min(b, (first[o] + k + 1) * int64_t(to));
            weight[size_t(o) * taps + k] = uint16_t(total(hi) - total(lo));
        }
    }
    return taps;
}

// `count` rows of `bytes` with their weights into one row: byte by byte in
// blocks of a known length, which the compiler turns into vector
// operations; blocks where the rows agree are copied.
void resample_down(const uint32_t* const* rows, int count, const uint16_t* weight, size_t bytes,
                   uint32_t* out) {
    const auto* first = reinterpret_cast<const uint8_t*>(rows[0]);
    auto* to = reinterpret_cast<uint8_t*>(out);
    size_t x = 0;
    for (; x + kBlockBytes <= bytes; x += kBlockBytes) {
        int same = 1;
        while (same < count &&
               std::memcmp(first + x, reinterpret_cast<const uint8_t*>(rows[same]) + x, kBlockBytes) == 0)
            ++same;
        if (same == count) {
            std::memcpy(to + x, first + x, kBlockBytes);
            continue;
        }
        uint16_t sum[kBlockBytes] = {};
        for (int k = 0; k < count; ++k) {
            const uint8_t* in = reinterpret_cast<const uint8_t*>(rows[k]) + x;
            const uint16_t w = weight[k];
            for (size_t i = 0; i < kBlockBytes; ++i) sum[i] = uint16_t(sum[i] + in[i] * w);
        }
        for (size_t i = 0; i < kBlockBytes; ++i) to[x + i] = uint8_t((sum[i] + kHalfWeight) >> kWeightBits);
    }
    for (; x < bytes; ++x) {
        uint32_t sum = 0;
        for (int k = 0; k < count; ++k)
            sum += reinterpret_cast<const uint8_t*>(rows[k])[x] * uint32_t(weight[k]);
        to[x] = uint8_t((sum + kHalfWeight) >> kWeightBits);
    }
}

// One row across: each output pixel from the source pixels it covers, two
// channels a 32-bit word; a run of one colour as it is.
void resample_across(const uint32_t* in, const Fitting& f, uint32_t* out) {
    for (int x = 0; x < f.to_w; ++x) {
        const uint32_t* p = in + f.x_first[x];
        const int count = f.x_count[x];
        // Mostly two source pixels of one colour: tested first, without a loop.
        if (count == 2 && p[1] == p[0]) {
            out[x] = p[0];
            continue;
        }
        int same = 1;
        while (same < count && p[same] == p[0]) ++same;
        if (same == count) {
            out[x] = p[0];
            continue;
        }
        const uint16_t* w = &f.x_weight[size_t(x) * f.x_taps];
        uint32_t even = 0, odd = 0;
        for (int k = 0; k < count; ++k) {
            even += (p[k] & kEvenBytes) * w[k];
            odd += ((p[k] >> 8) & kEvenBytes) * w[k];
        }
        out[x] = (((even + kHalfWeights) >> kWeightBits) & kEvenBytes) | ((odd + kHalfWeights) & ~kEvenBytes);
    }
}

}  // namespace

void render_fitted(const Surface& s, int scale, const GlyphMasks& glyphs, uint32_t* out, int to_w, int to_h,
                   Fitting& f) {
    if (to_w < 1 || to_h < 1) return;
    ScaledDrawing d(s, std::max(scale, 1), glyphs);
    const int from_w = kSurfaceWidth * d.scale, from_h = kSurfaceHeight * d.scale;
    const int band_rows = kCellHeight * d.scale;
    if (f.scale != d.scale || f.to_w != to_w || f.to_h != to_h) {
        f.scale = d.scale;
        f.to_w = to_w;
        f.to_h = to_h;
        f.x_taps = make_taps(from_w, to_w, f.x_first, f.x_count, f.x_weight);
        f.y_taps = make_taps(from_h, to_h, f.y_first, f.y_count, f.y_weight);
        // The rows of one output row touch this many bands at most.
        f.bands_kept = std::min(kTextRows, (f.y_taps - 1 + band_rows - 1) / band_rows + 1);
        f.bands.assign(size_t(f.bands_kept) * band_rows * from_w, 0);
        f.taken.assign(size_t(f.y_taps), nullptr);
        f.row.assign(size_t(from_w), 0);
    }
    const auto band = [&](int b) { return &f.bands[size_t(b % f.bands_kept) * band_rows * from_w]; };
    int next_band = 0;
    for (int y = 0; y < to_h; ++y) {
        const int first = f.y_first[y], count = f.y_count[y];
        for (; next_band <= (first + count - 1) / band_rows; ++next_band) {
            draw_band(s, next_band, d, band(next_band));
        }
        for (int k = 0; k < count; ++k) {
            const int j = first + k;
            f.taken[k] = band(j / band_rows) + size_t(j % band_rows) * from_w;
        }
        resample_down(f.taken.data(), count, &f.y_weight[size_t(y) * f.y_taps], size_t(from_w) * 4,
                      f.row.data());
        resample_across(f.row.data(), f, out + size_t(y) * to_w);
    }
}

//---- PNG: 8-bit RGB, one IDAT of stored (uncompressed) deflate blocks ----

namespace {

uint32_t crc_table[256];

void make_crc_table() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        crc_table[n] = c;
    }
}

uint32_t crc_update(uint32_t crc, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) crc = crc_table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void put_be32(std::string& out, uint32_t v) {
    out.push_back(char(v >> 24));
    out.push_back(char(v >> 16));
    out.push_back(char(v >> 8));
    out.push_back(char(v));
}

void put_chunk(std::string& out, const char* type, const std::string& data) {
    put_be32(out, uint32_t(data.size()));
    const size_t at = out.size();
    out.append(type, 4);
    out += data;
    const uint32_t crc =
        crc_update(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(out.data() + at), data.size() + 4) ^
        0xFFFFFFFFu;
    put_be32(out, crc);
}

}  // namespace

bool write_png(const char* path, const uint32_t* pixels, int width, int height) {
    static std::once_flag once;
    std::call_once(once, make_crc_table);
    // Filter byte 0 then R, G, B for every pixel of a row.
    std::string raw;
    raw.reserve(size_t(height) * (1 + 3 * size_t(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            raw.push_back(char(p & 0xFF));
            raw.push_back(char((p >> 8) & 0xFF));
            raw.push_back(char((p >> 16) & 0xFF));
        }
    }
    std::string z;
    z.push_back(char(0x78));
    z.push_back(char(0x01));
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool final_block = at + n == raw.size();
        z.push_back(char(final_block ? 1 : 0));
        z.push_back(char(n & 0xFF));
        z.push_back(char(n >> 8));
        z.push_back(char(~n & 0xFF));
        z.push_back(char((~n >> 8) & 0xFF));
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521;
        b = (b + a) % 65521;
    }
    put_be32(z, (b << 16) | a);

    std::string ihdr;
    put_be32(ihdr, uint32_t(width));
    put_be32(ihdr, uint32_t(height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    std::string out("\x89PNG\r\n\x1a\n", 8);
    put_chunk(out, "IHDR", ihdr);
    put_chunk(out, "IDAT", z);
    put_chunk(out, "IEND", std::string());

    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
