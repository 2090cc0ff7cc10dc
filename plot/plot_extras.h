// Plot storage beyond the shared figure arrays: the third trace in the
// picture plane and the earlier edition's top-view axes.
#pragma once

#include "common/array.h"
#include "common/edition.h"

inline Vec<double, kTableSize> trace3_screen_right;  // trace 3 at stored state n: right coordinate
inline Vec<double, kTableSize> trace3_screen_up;     // trace 3 at stored state n: up coordinate
inline Vec<double, 3> top_axis_1;  // earlier edition: first top-view axis, space coordinates
inline Vec<double, 3> top_axis_2;  // earlier edition: second top-view axis

// Zeroes the storage above, as at program start.
void clear_plot_extras();

// NBA counts the figure elements after element 1; a value beyond the figure
// acts as the nearest count it holds.
inline int bounded_nba(int nba) {
    if (nba < 0) return 0;
    if (nba > kFigureElements - 1) return kFigureElements - 1;
    return nba;
}

// The stored state a picture shows: NTIME, kept inside the table.
inline int table_index(int n) {
    if (n < 1) return 1;
    if (n > kTableSize) return kTableSize;
    return n;
}
