// Tests for plot/picture_layout.cpp: view sizes per window size code.

#include "plot/picture_layout.h"

#include <cmath>

#include "common/edition.h"
#include "platform/surface.h"
#include "tests/support/test_env.h"

namespace {

class PictureLayoutTest : public KalvoTest {};

TEST_F(PictureLayoutTest, SizesFollowTheTableOfEachEdition) {
    const bool cur = kCurrentEdition;
    const int full = cur ? 9 : 3;
    const struct {
        int screen, h, f;
    } rows[] = {{1, 520, 245},
                {2, cur ? 582 : 768, cur ? 276 : 369},
                {4, cur ? 706 : 480, cur ? 338 : 225},
                {5, cur ? 768 : 480, cur ? 369 : 225},
                {full, 700, 335},
                {0, 480, 225},
                {-3, 480, 225},
                {7, 480, 225},
                {12, 480, 225}};
    for (const auto& r : rows) {
        const PlotLayout l = plot_layout(r.screen, 700.9);
        EXPECT_EQ(l.plot_height, r.h) << r.screen;
        EXPECT_EQ(l.small_view_size, r.f) << r.screen;
        const int h = r.h, f = r.f;
        const PixelRect want[3] = {{5, 35, h, h}, {h + 1, 35, h + f, f + 34}, {h + 1, f + 35, h + f, h}};
        for (int v = 0; v < 3; ++v) {
            EXPECT_EQ(l.view[v].x1, want[v].x1) << r.screen;
            EXPECT_EQ(l.view[v].y1, want[v].y1) << r.screen;
            EXPECT_EQ(l.view[v].x2, want[v].x2) << r.screen;
            EXPECT_EQ(l.view[v].y2, want[v].y2) << r.screen;
        }
        EXPECT_EQ(l.panel, r.screen < 2) << r.screen;
    }
    // Two rows of the table as printed: SCREEN 5 and the smallest window.
    if (cur) {
        EXPECT_EQ(plot_layout(5, 0).view[2].x2, 1137);
    }
    EXPECT_EQ(plot_layout(8, 0).view[1].y2, 259);
}

TEST_F(PictureLayoutTest, FullyOutsideTheSurfaceIsKeptOnIt) {
    const int code = kEarlierEdition ? 3 : 9;
    const double heights[] = {-50.0, 0.0, 34.9, 1023.0, 5000.0, 1e300, NAN, INFINITY, -INFINITY};
    for (double fully : heights) {
        const PlotLayout l = plot_layout(code, fully);
        for (const PixelRect& r : l.view) {
            EXPECT_LE(r.x1, r.x2) << fully;
            EXPECT_LE(r.y1, r.y2) << fully;
            EXPECT_LT(r.x2, kSurfaceWidth) << fully;
            EXPECT_LT(r.y2, kSurfaceHeight) << fully;
        }
        EXPECT_GT(l.view[2].y1, l.view[1].y2) << fully;
    }
    EXPECT_EQ(plot_layout(code, 5000.0).plot_height, 863);  // H + F = 1279, the last column
    EXPECT_EQ(plot_layout(code, -7.0).plot_height, 39);     // view 3 one pixel row high
    EXPECT_EQ(plot_layout(code, 862.5).plot_height, 862);
}

}  // namespace
