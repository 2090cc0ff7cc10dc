// Tests for platform/window.cpp and platform/timing.cpp: the text and
// drawing operations as the program calls them, read back from the screen.
#include "platform/window.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/surface.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;
constexpr int32_t kRed = 0x000000FF;
constexpr int32_t kGreen = 0x0000FF00;
constexpr int32_t kBlue = 0x00FF0000;

class WindowTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        win_back_colour(kWhite);
        win_text_colour(kBlack);
        win_clear(0);
        win_pen_colour(kRed);
    }
    static bool red(int x, int y) { return screen_pixel(x, y) == kRed; }
    static int red_in(int x1, int y1, int x2, int y2) {
        int n = 0;
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) n += red(x, y);
        return n;
    }
};

//---- drawing ----

TEST_F(WindowTest, WithoutWorldWindowCoordinatesArePixelsFromTheViewportOrigin) {
    win_viewport(100, 50, 199, 149);
    win_move(0, 0);
    win_line(10, 0);
    EXPECT_TRUE(red(100, 50));
    EXPECT_TRUE(red(110, 50));
    EXPECT_FALSE(red(111, 50));
    EXPECT_EQ(red_in(0, 0, 300, 200), 11);
}

TEST_F(WindowTest, LinesAreClippedToTheViewport) {
    win_viewport(100, 50, 199, 149);
    win_move(-50, 10);
    win_line(300, 10);
    EXPECT_TRUE(red(100, 60));
    EXPECT_TRUE(red(199, 60));
    EXPECT_FALSE(red(99, 60));
    EXPECT_FALSE(red(200, 60));
    win_move(50, -500);
    win_line(50, 500);
    EXPECT_TRUE(red(150, 50));
    EXPECT_TRUE(red(150, 149));
    EXPECT_FALSE(red(150, 49));
    EXPECT_FALSE(red(150, 150));
    EXPECT_EQ(red_in(0, 0, 400, 300), 100 + 100 - 1);
}

// Viewport 101 by 201 pixels; world x 0..10, y 0..20: one unit is 10 pixels.
// The first corner goes to the top left, the second to the bottom right, in
// the order given: the picture passes its upper y bound first, so y grows
// upwards; reversed bounds mirror the drawing.
TEST_F(WindowTest, WorldWindowMapsItsFirstCornerToTheTopLeftInTheOrderGiven) {
    struct Case {
        double x1, y1, x2, y2;
        int px, py;  // pixel of the world point (2, 15)
    };
    const Case cases[] = {
        {0, 20, 10, 0, 20, 50},   // as the picture passes ordered bounds
        {10, 20, 0, 0, 80, 50},   // x reversed: mirrored left to right
        {0, 0, 10, 20, 20, 150},  // y reversed: upside down
        {10, 0, 0, 20, 80, 150},  // both reversed
    };
    for (const Case& c : cases) {
        win_clear(0);
        win_viewport(0, 0, 100, 200);
        ASSERT_TRUE(win_world(true, c.x1, c.y1, c.x2, c.y2));
        win_move(c.x1, c.y1);
        win_line(c.x1, c.y1);
        win_move(2, 15);
        win_line(2, 15);
        EXPECT_TRUE(red(0, 0)) << c.x1 << " " << c.y1;
        EXPECT_TRUE(red(c.px, c.py)) << c.x1 << " " << c.y1;
        EXPECT_EQ(red_in(0, 0, 110, 210), 2) << c.x1 << " " << c.y1;
    }
}

TEST_F(WindowTest, WorldWindowAsThePictureGivesItMapsTheSameWay) {
    // x minimum, y maximum, x maximum, y minimum, as the views pass them.
    win_viewport(5, 35, 105, 135);
    ASSERT_TRUE(win_world(true, -1.0, 1.0, 1.0, -1.0));
    win_move(-1.0, -1.0);
    win_line(1.0, 1.0);
    EXPECT_TRUE(red(5, 135));
    EXPECT_TRUE(red(105, 35));
    EXPECT_TRUE(red(55, 85));
    EXPECT_FALSE(red(5, 35));
    EXPECT_EQ(red_in(0, 0, 140, 140), 101);
}

TEST_F(WindowTest, EqualBoundsAreRefusedAndThePreviousWindowStays) {
    win_viewport(0, 0, 100, 200);
    ASSERT_TRUE(win_world(true, 0, 20, 10, 0));
    EXPECT_FALSE(win_world(true, 5, 0, 5, 20));
    EXPECT_FALSE(win_world(true, 0, 3, 10, 3));
    EXPECT_FALSE(win_world(true, 0, 0, 0, 0));
    EXPECT_FALSE(win_world(true, 0, 0, std::numeric_limits<double>::quiet_NaN(), 1));
    win_move(10, 20);
    win_line(10, 20);
    EXPECT_TRUE(red(100, 0));
    EXPECT_EQ(red_in(0, 0, 110, 210), 1);
}

TEST_F(WindowTest, BoxDrawsTheOutlineOnly) {
    win_viewport(0, 0, 100, 200);
    ASSERT_TRUE(win_world(true, 0, 20, 10, 0));
    win_box(2, 2, 4, 8, 16);  // pixels (20, 160) and (80, 40)
    for (int x = 20; x <= 80; x += 5) {
        EXPECT_TRUE(red(x, 40)) << x;
        EXPECT_TRUE(red(x, 160)) << x;
    }
    for (int y = 40; y <= 160; y += 5) {
        EXPECT_TRUE(red(20, y)) << y;
        EXPECT_TRUE(red(80, y)) << y;
    }
    EXPECT_EQ(red_in(21, 41, 79, 159), 0);
    EXPECT_EQ(red_in(0, 0, 110, 210), 2 * 61 + 2 * 119);
    EXPECT_FALSE(red(19, 40));
    EXPECT_FALSE(red(20, 39));
}

TEST_F(WindowTest, ViewportReachingPastTheSurfaceIsCutNotFatal) {
    win_viewport(1200, 1000, 1800, 1600);
    ASSERT_TRUE(win_world(true, 0, 600, 600, 0));
    win_move(0, 600);
    win_line(600, 0);
    win_box(2, 0, 0, 600, 600);
    EXPECT_TRUE(red(1200, 1000));
    EXPECT_TRUE(red(1223, 1023));
    EXPECT_EQ(screen_pixel(1800, 1600), -1);
    // A viewport as wide as the integers reach: the diagonal through its
    // centre still lands on the surface's origin.
    win_viewport(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    ASSERT_TRUE(win_world(false, -1, -1, 1, 1));
    win_move(-1e-9, -1e-9);
    win_line(1e-9, 1e-9);
    EXPECT_TRUE(red(0, 0));
}

TEST_F(WindowTest, HugeAndNonFiniteWorldPointsNeverCrash) {
    win_viewport(0, 0, 100, 100);
    ASSERT_TRUE(win_world(true, 0, 1e-300, 1e-300, 0));
    win_move(0, 0);
    win_line(1.0, 1.0);  // about 1e302 pixels away
    win_line(std::numeric_limits<double>::infinity(), 0.0);
    win_line(std::numeric_limits<double>::quiet_NaN(), 0.0);
    win_line(0.0, 0.0);
    EXPECT_TRUE(red(0, 100));
}

TEST_F(WindowTest, ColourFunctionsReturnThePreviousColour) {
    EXPECT_EQ(win_text_colour(kRed), kBlack);
    EXPECT_EQ(win_back_colour(kBlue), kWhite);
    EXPECT_EQ(win_pen_colour(kBlue), kRed);
    EXPECT_EQ(win_pen_colour(kGreen), kBlue);
    win_move(3, 3);
    win_line(3, 3);
    EXPECT_EQ(screen_pixel(3, 3), kGreen);
}

TEST_F(WindowTest, LinesDrawnAfterTextPaintOverIt) {
    win_text_pos(2, 1);
    win_text("XXXXXXXXXX");
    win_move(0, 24);
    win_line(79, 24);
    EXPECT_TRUE(red(0, 24));
    EXPECT_TRUE(red(79, 24));
    EXPECT_EQ(screen_char(2, 5), 'X');
}

//---- text ----

TEST_F(WindowTest, TextCellsLieAtTheirPixelsInTheTextAndBackColours) {
    win_back_colour(kGreen);
    win_text_colour(kBlue);
    win_text_pos(3, 5);
    win_text(" |");
    // Row 3 is pixel rows 32 to 47; column 5 pixel columns 32 to 39.
    for (int y = 31; y <= 48; ++y) {
        for (int x = 31; x <= 39; ++x) {
            const bool inside = x >= 32 && x <= 39 && y >= 32 && y <= 47;
            EXPECT_EQ(screen_pixel(x, y), inside ? kGreen : kWhite) << x << "," << y;
        }
    }
    int blue = 0;
    for (int y = 32; y <= 47; ++y)
        for (int x = 40; x <= 47; ++x) blue += screen_pixel(x, y) == kBlue;
    EXPECT_GT(blue, 4);
    EXPECT_EQ(screen_text_colour_at(3, 6), kBlue);
    EXPECT_EQ(screen_back_colour_at(3, 6), kGreen);
    EXPECT_EQ(screen_back_colour_at(3, 7), kWhite);
}

TEST_F(WindowTest, TextAdvancesTheCursorAndTrailingBlanksPaint) {
    win_text_pos(4, 10);
    win_text("AB  ");
    win_text("C");
    EXPECT_EQ(screen_row(4), "         AB  C");
    const TextPosition p = win_text_pos(1, 1);
    EXPECT_EQ(p.row, 4);
    EXPECT_EQ(p.col, 15);
    win_back_colour(kRed);
    win_text_pos(4, 10);
    win_text("    ");
    EXPECT_EQ(screen_row(4), std::string(13, ' ') + "C");
    EXPECT_EQ(screen_back_colour_at(4, 13), kRed);
}

TEST_F(WindowTest, TextPositionIsClampedToTheTextArea) {
    win_text_pos(0, 0);
    win_text("a");
    EXPECT_EQ(screen_char(1, 1), 'a');
    TextPosition p = win_text_pos(999, 999);
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.col, 2);
    p = win_text_pos(-5, 126);
    EXPECT_EQ(p.row, kTextRows);
    EXPECT_EQ(p.col, kTextColumns);
    p = win_text_pos(2, 0);  // the first legend entry asks for column 0
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.col, 126);
    win_text("L1");
    EXPECT_EQ(screen_row(2), "L1");
}

TEST_F(WindowTest, TextPastTheLastColumnIsCutAndTheCursorStaysOnItsRow) {
    win_text_pos(5, kTextColumns - 1);
    win_text("XYZ");
    EXPECT_EQ(screen_char(5, kTextColumns - 1), 'X');
    EXPECT_EQ(screen_char(5, kTextColumns), 'Y');
    EXPECT_EQ(screen_char(6, 1), ' ');
    win_text("more");
    EXPECT_EQ(screen_row(6), "");
    EXPECT_EQ(win_text_pos(1, 1).row, 5);
}

TEST_F(WindowTest, ClearPaintsEverythingInTheBackColourAndHomesTheCursor) {
    win_text_pos(10, 10);
    win_text("SOMETHING");
    win_move(0, 0);
    win_line(1279, 1023);
    win_back_colour(kBlue);
    win_clear(0);
    for (int y = 0; y < kSurfaceHeight; y += 11)
        for (int x = 0; x < kSurfaceWidth; x += 11) ASSERT_EQ(screen_pixel(x, y), kBlue);
    EXPECT_EQ(screen_pixel(1279, 1023), kBlue);
    EXPECT_EQ(screen_row(10), "");
    const TextPosition p = win_text_pos(1, 1);
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.col, 1);
}

TEST_F(WindowTest, ClearKeepsTheViewportAndWorldWindow) {
    win_viewport(0, 0, 100, 200);
    ASSERT_TRUE(win_world(true, 0, 20, 10, 0));
    win_clear(0);
    win_move(10, 20);
    win_line(10, 20);
    EXPECT_TRUE(red(100, 0));
}

TEST_F(WindowTest, ResetLayoutRestoresCursorViewportAndStartColoursAndKeepsThePicture) {
    win_text_pos(7, 7);
    win_text("KEEP");
    win_viewport(100, 100, 200, 200);
    ASSERT_TRUE(win_world(true, 0, 0, 1, 1));
    win_reset_layout(-1);
    EXPECT_EQ(screen_row(7), "      KEEP");
    const TextPosition p = win_text_pos(1, 1);
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.col, 1);
    EXPECT_EQ(win_text_colour(kBlack), kStartTextColour);
    EXPECT_EQ(win_back_colour(kWhite), kStartBackColour);
    EXPECT_EQ(win_pen_colour(kRed), kStartPenColour);
    win_move(0, 0);
    win_line(5, 0);
    EXPECT_TRUE(red(0, 0));
    EXPECT_TRUE(red(5, 0));
}

//---- timing and numbers ----

TEST_F(WindowTest, WaitsAreCountedNotMadeUnderTests) {
    EXPECT_EQ(waited_ms(), 0);
    wait_ms(1000000);
    wait_ms(250);
    wait_ms(-5);
    EXPECT_EQ(waited_ms(), 1000250);
    reset_window();
    EXPECT_EQ(waited_ms(), 0);
}

TEST_F(WindowTest, FlushToZeroMakesSubnormalResultsZero) {
    const unsigned saved = _mm_getcsr();
    volatile double tiny = 1e-300;
    volatile double scale = 1e-20;
    EXPECT_NE(tiny * scale, 0.0);  // subnormal before
    fp_flush_to_zero(3);
    EXPECT_EQ(tiny * scale, 0.0);
    volatile double sub = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(sub * 1.0, 0.0);  // subnormal inputs read as zero
    _mm_setcsr(saved);
}

}  // namespace
