// Pixel sizes of the three views for a window size code.
#pragma once

#include <cstdint>

struct PixelRect {
    int x1, y1, x2, y2;
};

struct PlotLayout {
    int16_t plot_height;      // H: view 1 spans pixels 5 to H across and 35 to H down
    int16_t small_view_size;  // F: width of views 2 and 3
    PixelRect view[3];        // viewports of views 1, 2 and 3
    bool panel;               // the text panel is shown too
};

// The layout for the window size code SCREEN and the height FULLY.
PlotLayout plot_layout(int screen, double fully);
