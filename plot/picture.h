// The picture of the newest stored state.
#pragma once

#include "common/text.h"

// Plane coordinates of the figure, the space axes and the traces.
void project_figure();
// Header, legend, three views, panel; then the graphics menu or the wait.
void draw_graphics(Text<120>& line);
