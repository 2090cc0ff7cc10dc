// Tests for plot/picture_layout.cpp: view sizes per window size code.

#include "plot/picture_layout.h"

#include <cmath>

#include "common/edition.h"
#include "platform/surface.h"
#include "tests/support/test_env.h"

namespace {

class PictureLayoutTest : public KalvoTest {
protected:
    static void expect_rect(const PixelRect& r, int x1, int y1, int x2, int y2) {
        EXPECT_EQ(r.x1, x1);
        EXPECT_EQ(r.y1, y1);
        EXPECT_EQ(r.x2, x2);
        EXPECT_EQ(r.y2, y2);
    }
    static void expect_on_surface(const PlotLayout& l) {
        for (const PixelRect& r : l.view) {
            EXPECT_LE(r.x1, r.x2);
            EXPECT_LE(r.y1, r.y2);
            EXPECT_GE(r.x1, 0);
            EXPECT_GE(r.y1, 0);
            EXPECT_LT(r.x2, kSurfaceWidth);
            EXPECT_LT(r.y2, kSurfaceHeight);
        }
    }
};

TEST_F(PictureLayoutTest, FixedSizesFollowTheTable) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition knows fewer sizes";
    const struct {
        int screen, h, f;
        PixelRect v2, v3;
    } rows[] = {
        {1, 520, 245, {521, 35, 765, 279}, {521, 280, 765, 520}},
        {2, 582, 276, {583, 35, 858, 310}, {583, 311, 858, 582}},
        {3, 644, 307, {645, 35, 951, 341}, {645, 342, 951, 644}},
        {4, 706, 338, {707, 35, 1044, 372}, {707, 373, 1044, 706}},
        {5, 768, 369, {769, 35, 1137, 403}, {769, 404, 1137, 768}},
    };
    for (const auto& row : rows) {
        const PlotLayout l = plot_layout(row.screen, 0.0);
        EXPECT_EQ(l.plot_height, row.h) << row.screen;
        EXPECT_EQ(l.small_view_size, row.f) << row.screen;
        expect_rect(l.view[0], 5, 35, row.h, row.h);
        expect_rect(l.view[1], row.v2.x1, row.v2.y1, row.v2.x2, row.v2.y2);
        expect_rect(l.view[2], row.v3.x1, row.v3.y1, row.v3.x2, row.v3.y2);
        EXPECT_EQ(l.panel, row.screen < 2);
    }
}

TEST_F(PictureLayoutTest, OtherCodesTakeTheSmallestWindow) {
    const int codes[] = {0, -3, 6, 7, 8, 12, 10};
    for (int code : codes) {
        if (kEarlierEdition && code == 3) continue;
        const PlotLayout l = plot_layout(code, 700.0);
        EXPECT_EQ(l.plot_height, 480) << code;
        EXPECT_EQ(l.small_view_size, 225) << code;
        expect_rect(l.view[1], 481, 35, 705, 259);
        expect_rect(l.view[2], 481, 260, 705, 480);
        EXPECT_EQ(l.panel, code < 2) << code;
    }
}

TEST_F(PictureLayoutTest, FullyGivesTheHeightTruncated) {
    const int code = kEarlierEdition ? 3 : 9;
    const PlotLayout l = plot_layout(code, 700.9);
    EXPECT_EQ(l.plot_height, 700);
    EXPECT_EQ(l.small_view_size, 335);
    expect_rect(l.view[0], 5, 35, 700, 700);
    expect_rect(l.view[1], 701, 35, 1035, 369);
    expect_rect(l.view[2], 701, 370, 1035, 700);
    EXPECT_FALSE(l.panel);
}

TEST_F(PictureLayoutTest, FullyOutsideTheSurfaceIsKeptOnIt) {
    const int code = kEarlierEdition ? 3 : 9;
    const double heights[] = {-50.0, 0.0, 20.0, 34.9, 1023.0, 5000.0, 1e300, NAN, INFINITY, -INFINITY};
    for (double fully : heights) {
        const PlotLayout l = plot_layout(code, fully);
        expect_on_surface(l);
        // View 3 holds at least one pixel row below view 2.
        EXPECT_GT(l.view[2].y1, l.view[1].y2) << fully;
    }
    // The largest window that fits: H + F reaches the last pixel column or just short of it.
    const PlotLayout big = plot_layout(code, 5000.0);
    EXPECT_EQ(big.plot_height, 863);
    EXPECT_EQ(big.view[2].x2, 1279);
    // Inside the surface FULLY is taken as it stands.
    EXPECT_EQ(plot_layout(code, 862.5).plot_height, 862);
    EXPECT_EQ(plot_layout(code, 100.0).plot_height, 100);
}

TEST_F(PictureLayoutTest, EarlierEditionSizes) {
    if (kCurrentEdition) GTEST_SKIP() << "current edition sizes are tested above";
    EXPECT_EQ(plot_layout(1, 0.0).plot_height, 520);
    EXPECT_EQ(plot_layout(2, 0.0).plot_height, 768);
    EXPECT_EQ(plot_layout(4, 0.0).plot_height, 480);
    EXPECT_EQ(plot_layout(5, 0.0).plot_height, 480);
    EXPECT_EQ(plot_layout(9, 700.0).plot_height, 480);
    EXPECT_TRUE(plot_layout(1, 0.0).panel);
    EXPECT_FALSE(plot_layout(2, 0.0).panel);
}

}  // namespace
