// The wire figure of the body, the eye, and the plot arrays that the
// projection writes and the picture draws.
#pragma once

#include <cstdint>

#include "common/array.h"
#include "common/edition.h"
#include "common/text.h"

inline constexpr int kFigurePoints = 30;

inline Vec<double, 3> eye_point;                                      // VISTA_X, VISTA_Y, VISTA_Z at the last GO
inline double delpian_copy;                                           // DELPIAN at the last body set-up
inline Vec<int16_t, kFigureElements> figure_npoints;                  // points used by each element
inline Mat<double, kFigureElements, kFigurePoints> figure_x;          // figure_point X(k, i), body xi
inline Mat<double, kFigureElements, kFigurePoints> figure_y;          // figure_point Y(k, i), body eta
inline Mat<double, kFigureElements, kFigurePoints> figure_z;          // figure_point Z(k, i), body zeta
inline Vec<double, kFigureElements> figure_span;                      // angle swept by elements 2 ..

inline Mat<double, kFigureElements, kFigurePoints> screen_right;      // screen_point: right coordinate
inline Mat<double, kFigureElements, kFigurePoints> screen_up;         // screen_point: up coordinate
inline Mat<double, 2, 3> axis_screen;                                 // (1|2, k): right and up of space axis k
inline Arr3<double, 2, kTableSize, 3> trace_vector;                   // (row, n, component)
inline Mat<double, 2, kTableSize> trace_screen_right;                 // trace_screen (t, n): right
inline Mat<double, 2, kTableSize> trace_screen_up;                    // trace_screen (t, n): up
inline Mat<double, 2, kTableSize> trace_top;                          // top view (1|2, n)
inline Arr3<double, 2, kTableSize, 3> trace_point_store;              // (row, n, component)

inline Vec<int32_t, 25> colour_table;                                 // 0x00BBGGRR
inline Vec<Text<8>, 25> colour_name;                                  // Italian colour names
inline Vec<Text<4>, 18> label_table;                                  // legend labels and view names
