// Tests for platform/surface.cpp: the line rasteriser, text cells and the
// PNG writer on a surface of their own.
#include "platform/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "tests/support/test_env.h"

namespace {

constexpr uint32_t kPaper = 0x00101010;
constexpr uint32_t kInk = 0x000000FF;

class SurfaceTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        s_ = std::make_unique<Surface>();
        surface_clear(*s_, int32_t(kPaper));
    }
    // A line with the whole surface as clip.
    void line(double ax, double ay, double bx, double by) {
        surface_line(*s_, ax, ay, bx, by, kInk, 0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
    }
    bool ink(int x, int y) const { return surface_pixel(*s_, x, y) == kInk; }
    int ink_count() const {
        int n = 0;
        for (int y = 0; y < kSurfaceHeight; ++y)
            for (int x = 0; x < kSurfaceWidth; ++x) n += surface_pixel(*s_, x, y) == kInk;
        return n;
    }
    std::unique_ptr<Surface> s_;
};

TEST_F(SurfaceTest, HorizontalLineDrawsBothEndPixelsAndNothingBeyond) {
    line(10, 20, 15, 20);
    for (int x = 10; x <= 15; ++x) EXPECT_TRUE(ink(x, 20)) << x;
    EXPECT_FALSE(ink(9, 20));
    EXPECT_FALSE(ink(16, 20));
    EXPECT_EQ(ink_count(), 6);
}

TEST_F(SurfaceTest, ShallowLineHasOnePixelPerColumnNearestTheTrueLine) {
    // y = x / 2 from (0, 0) to (4, 2): ties at x = 1 and 3 round half up.
    line(0, 0, 4, 2);
    EXPECT_TRUE(ink(0, 0));
    EXPECT_TRUE(ink(1, 1));
    EXPECT_TRUE(ink(2, 1));
    EXPECT_TRUE(ink(3, 2));
    EXPECT_TRUE(ink(4, 2));
    EXPECT_EQ(ink_count(), 5);
}

TEST_F(SurfaceTest, SteepLineHasOnePixelPerRow) {
    line(100, 100, 103, 110);
    int rows = 0;
    for (int y = 100; y <= 110; ++y) {
        int in_row = 0;
        for (int x = 95; x <= 108; ++x) in_row += ink(x, y);
        EXPECT_EQ(in_row, 1) << y;
        rows += in_row;
    }
    EXPECT_EQ(rows, ink_count());
    EXPECT_TRUE(ink(100, 100));
    EXPECT_TRUE(ink(103, 110));
}

TEST_F(SurfaceTest, EndsRoundToTheNearestPixel) {
    line(10.4, 5.6, 12.49, 5.6);
    EXPECT_TRUE(ink(10, 6));
    EXPECT_TRUE(ink(12, 6));
    EXPECT_EQ(ink_count(), 3);
}

TEST_F(SurfaceTest, ClippedLineKeepsThePixelsOfTheWholeLine) {
    Surface& s = *s_;
    auto whole = std::make_unique<Surface>();
    surface_clear(*whole, int32_t(kPaper));
    surface_line(*whole, 3, 7, 250, 91, kInk, 0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
    surface_line(s, 3, 7, 250, 91, kInk, 60, 20, 140, 60);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 60 && x <= 140 && y >= 20 && y <= 60;
            const bool expected = inside && surface_pixel(*whole, x, y) == kInk;
            ASSERT_EQ(surface_pixel(s, x, y) == kInk, expected) << x << "," << y;
        }
    }
    EXPECT_GT(ink_count(), 0);
}

TEST_F(SurfaceTest, ClipCornersAreInclusiveAndReversedCornersAreTheSame) {
    surface_line(*s_, 0, 50, 300, 50, kInk, 140, 60, 100, 40);
    EXPECT_TRUE(ink(100, 50));
    EXPECT_TRUE(ink(140, 50));
    EXPECT_FALSE(ink(99, 50));
    EXPECT_FALSE(ink(141, 50));
    EXPECT_EQ(ink_count(), 41);
}

TEST_F(SurfaceTest, SegmentsWithNonFiniteEndsDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    line(nan, 5, 10, 5);
    line(1, 5, 10, nan);
    line(-inf, 5, 10, 5);
    line(1, 5, inf, inf);
    EXPECT_EQ(ink_count(), 0);
}

TEST_F(SurfaceTest, HugeEndsAreDrawnAsFarAsTheSurfaceGoes) {
    line(10, 10, 1e300, 10);
    EXPECT_TRUE(ink(10, 10));
    EXPECT_TRUE(ink(kSurfaceWidth - 1, 10));
    EXPECT_FALSE(ink(9, 10));
    EXPECT_EQ(ink_count(), kSurfaceWidth - 10);
    // A line from a visible point keeps its direction when its far end is cut.
    line(100, 200, 100 + 1e300, 200 + 1e300);
    EXPECT_TRUE(ink(100, 200));
    EXPECT_TRUE(ink(500, 600));
    EXPECT_TRUE(ink(923, kSurfaceHeight - 1));
    EXPECT_FALSE(ink(500, 601));
    EXPECT_FALSE(ink(99, 199));
    // Entirely outside: nothing, and no time spent walking it.
    const int before = ink_count();
    line(-1e12, -5, 1e12, -5);
    line(2e9, 2e9, 3e9, 3e9);
    EXPECT_EQ(ink_count(), before);
}

TEST_F(SurfaceTest, ColoursBeyondThePaletteTakeTheNearestAndAClearStartsAfresh) {
    // Blues 0 to 255, then blue 255 with a little red: the paper takes one
    // entry, so from blue 255 on no entry is free and the nearest, blue
    // 254, is taken.
    for (int i = 0; i < 300; ++i) {
        const uint32_t c = i < 256 ? uint32_t(i) << 16 : 0x00FF0000u | uint32_t(i - 255);
        surface_line(*s_, i, 0, i, 0, c, 0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
    }
    EXPECT_EQ(surface_pixel(*s_, 0, 0), 0u);
    EXPECT_EQ(surface_pixel(*s_, 254, 0), 254u << 16);
    EXPECT_EQ(surface_pixel(*s_, 255, 0), 254u << 16);
    EXPECT_EQ(surface_pixel(*s_, 299, 0), 254u << 16);
    EXPECT_EQ(surface_pixel(*s_, 0, 1), kPaper);
    surface_clear(*s_, 0x00ABCDEF);
    line(1, 1, 1, 1);
    EXPECT_EQ(surface_pixel(*s_, 1, 1), kInk);
    EXPECT_EQ(surface_pixel(*s_, 2, 2), 0x00ABCDEFu);
}

// The chunk layout of a PNG: signature, then length, type, data, CRC.
// At scale 2 a cell that still shows just its character is drawn from the
// masks, mixed between its two colours; a cell a line has crossed keeps the
// surface's pixels, each as a 2 by 2 block.
TEST_F(SurfaceTest, AtScaleTwoUntouchedTextComesFromTheMasksAndCrossedCellsStayBlocks) {
    surface_text(*s_, 1, 1, "AB", 0x00FFFFFF, int32_t(kPaper));
    line(8, 0, 15, 15);
    GlyphMasks g;
    g.width = 2 * kCellWidth;
    g.height = 2 * kCellHeight;
    const size_t cell = size_t(g.width) * g.height;
    g.coverage.assign(kGlyphCount * cell, 0);
    g.coverage[('A' - ' ') * cell + 5 * g.width + 3] = 255;
    g.coverage[('A' - ' ') * cell + 5 * g.width + 4] = 128;
    std::fill_n(g.coverage.begin() + ('B' - ' ') * cell, cell, 255);
    std::vector<uint32_t> out(size_t(kSurfaceWidth) * kSurfaceHeight * 4);
    render_scaled(*s_, 2, g, out.data());
    const auto at = [&](int x, int y) { return out[size_t(y) * 2 * kSurfaceWidth + x]; };
    EXPECT_EQ(at(3, 5), 0xFFFFFFFFu);
    EXPECT_EQ(at(4, 5), 0xFF888888u);  // 0x10 + (0xFF - 0x10) * 128 / 255, rounded
    EXPECT_EQ(at(0, 0), 0xFF101010u);
    for (int y = 0; y < g.height; ++y) {
        for (int x = g.width; x < 2 * g.width; ++x) {
            ASSERT_EQ(at(x, y), surface_pixel(*s_, x / 2, y / 2) | 0xFF000000u) << x << "," << y;
        }
    }
    EXPECT_EQ(at(2 * kSurfaceWidth - 1, 2 * kSurfaceHeight - 1), 0xFF101010u);
}

// Fitted to a smaller size, each pixel is the average of the area it
// covers: at half size a line of ink on one of two rows gives half ink, a
// run of one colour stays exact, and at any reduction a line keeps all its
// ink, spread over the pixels it crosses.
TEST_F(SurfaceTest, FittingAveragesTheAreaEachPixelCoversSoEveryLineKeepsItsInk) {
    line(0, 100, kSurfaceWidth - 1, 100);
    line(301, 0, 301, kSurfaceHeight - 1);
    Fitting f;
    std::vector<uint32_t> half(size_t(kSurfaceWidth / 2) * (kSurfaceHeight / 2));
    render_fitted(*s_, 1, GlyphMasks{}, half.data(), kSurfaceWidth / 2, kSurfaceHeight / 2, f);
    const auto at = [&](int x, int y) { return half[size_t(y) * (kSurfaceWidth / 2) + x]; };
    // Paper 0x101010 and ink 0x0000FF half and half: red (0x10 + 0xFF) / 2
    // rounded, 0x88; green and blue 0x10 / 2.
    EXPECT_EQ(at(10, 50), 0xFF080888u);
    EXPECT_EQ(at(150, 10), 0xFF080888u);
    EXPECT_EQ(at(10, 49), 0xFF101010u);
    EXPECT_EQ(at(10, 51), 0xFF101010u);
    EXPECT_EQ(at(600, 500), 0xFF101010u);

    // 1280 columns into 1000: the vertical line's red over the paper's,
    // summed across each row, is 1000/1280 of one full pixel's.
    const int to_w = 1000, to_h = 800;
    std::vector<uint32_t> out(size_t(to_w) * to_h);
    render_fitted(*s_, 1, GlyphMasks{}, out.data(), to_w, to_h, f);
    for (int y = 0; y < to_h; y += 37) {
        if (y >= 77 && y <= 79) continue;  // the horizontal line
        int ink = 0, touched = 0;
        for (int x = 0; x < to_w; ++x) {
            const int red = int(out[size_t(y) * to_w + x] & 0xFF) - 0x10;
            ink += red;
            touched += red != 0;
        }
        EXPECT_NEAR(ink, (0xFF - 0x10) * to_w / double(kSurfaceWidth), touched) << y;
        EXPECT_GE(touched, 1) << y;
    }
}

// Fitted at the very size of a whole scale, the picture is the scaled one:
// blocks, and characters from the masks.
TEST_F(SurfaceTest, FittingAtTheSizeOfAWholeScaleDrawsTheScaledPicture) {
    surface_text(*s_, 1, 1, "AB", 0x00FFFFFF, int32_t(kPaper));
    surface_text(*s_, kTextRows, kTextColumns - 1, "AB", 0x0000FF00, int32_t(kPaper));
    line(8, 0, 15, 15);
    line(3, 500, 1100, 700);
    GlyphMasks g;
    g.width = 2 * kCellWidth;
    g.height = 2 * kCellHeight;
    g.coverage.resize(size_t(kGlyphCount) * g.width * g.height);
    for (size_t i = 0; i < g.coverage.size(); ++i) g.coverage[i] = uint8_t(i * 7);
    const size_t n = size_t(kSurfaceWidth) * kSurfaceHeight * 4;
    std::vector<uint32_t> scaled(n), fitted(n);
    render_scaled(*s_, 2, g, scaled.data());
    Fitting f;
    render_fitted(*s_, 2, g, fitted.data(), 2 * kSurfaceWidth, 2 * kSurfaceHeight, f);
    EXPECT_TRUE(scaled == fitted);
}

TEST_F(SurfaceTest, PngHasTheSignatureTheSizeAndStoredPixelRows) {
    const uint32_t px[6] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF, 0, 0x00808080};
    ASSERT_TRUE(write_png("small.png", px, 3, 2));
    const std::string png = read_file("small.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
               (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
    };
    EXPECT_EQ(be32(16), 3u);
    EXPECT_EQ(be32(20), 2u);
    EXPECT_EQ(png[24], 8);  // bit depth
    EXPECT_EQ(png[25], 2);  // RGB
    // IDAT: zlib header, one final stored block of 2 rows of 1 + 9 bytes.
    const size_t idat = 33;
    EXPECT_EQ(png.substr(idat + 4, 4), "IDAT");
    const size_t z = idat + 8;
    EXPECT_EQ(uint8_t(png[z + 2]), 1);  // final, stored
    EXPECT_EQ(uint8_t(png[z + 3]), 20);
    EXPECT_EQ(uint8_t(png[z + 4]), 0);
    const std::string raw = png.substr(z + 7, 20);
    const std::string expected("\0\xFF\0\0\0\xFF\0\0\0\xFF\0\xFF\xFF\xFF\0\0\0\x80\x80\x80", 20);
    EXPECT_EQ(raw, expected);
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    EXPECT_FALSE(write_png("no-such-dir/x.png", px, 3, 2));
}

}  // namespace
