// Tests for plot/draw_graphics.cpp and plot/project_figure.cpp: a picture
// allocates nothing, the first of the program included, however long the
// traces are.

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "plot/picture.h"
#include "plot/plot_extras.h"
#include "tests/support/test_env.h"
#include "tests/support/allocation_counter.h"

namespace {

class PictureAllocationTest : public KalvoTest {};

TEST_F(PictureAllocationTest, FirstAndFullTablePicturesAllocateNothing) {
    for (int j = 1; j <= 3; ++j) {
        view_range(j, 1) = -2.0;
        view_range(j, 2) = 2.0;
        view_range(j, 3) = -2.0;
        view_range(j, 4) = 2.0;
    }
    eye_point(2) = -10.0;
    for (int i = 1; i <= 3; ++i) inertia_matrix(i, i) = 1.0 + i;
    int_params(ip::NBA) = kFigureElements - 1;
    int_params(ip::SCREEN) = 1;  // with the panel
    stop_mode = 0;
    figure_z(1, 3) = 1.0;
    figure_x(1, 7) = 0.5;
    Text<120> line;
    allocation_counting = true;
    for (int n = 1; n <= kTableSize; ++n) {
        YP(4, n) = 0.001 * n;
        YP(5, n) = 1.0 + 0.0002 * n;
        YP(10, n) = 1.0;
        YP(12, n) = 2.0;
        NTIME = int16_t(n);
        if (n < 4 || n > kTableSize - 3) {
            draw_graphics(line);
        } else {
            project_figure();
        }
    }
    allocation_counting = false;
    EXPECT_EQ(allocation_count.load(), 0);
}

}  // namespace
