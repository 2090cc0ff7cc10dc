// Costs of a full picture on the surface model and of the frontend's copy
// of the surface under the lock.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/window.h"

namespace {

constexpr int kSegments = 6000;
constexpr int kTexts = 50;
constexpr int kTextLength = 120;
constexpr double kSegmentLength = 100.0;

// Segment ends spread over the picture, each about 100 pixels long, in
// every direction.
struct Path {
    std::vector<double> x, y;
};

Path make_path() {
    Path p;
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return double(seed >> 8) / double(1u << 24);
    };
    double x = 400, y = 400;
    p.x.push_back(x);
    p.y.push_back(y);
    for (int i = 0; i < kSegments; ++i) {
        const double a = 6.283185307179586 * next();
        x += kSegmentLength * std::cos(a);
        y += kSegmentLength * std::sin(a);
        // Reflected at the picture's edges, so every segment keeps its length.
        if (x < 0) x = -x;
        if (x > 1137) x = 2 * 1137 - x;
        if (y < 35) y = 70 - y;
        if (y > 768) y = 2 * 768 - y;
        p.x.push_back(x);
        p.y.push_back(y);
    }
    return p;
}

void BM_PictureRedraw(benchmark::State& state) {
    const Path path = make_path();
    const std::string text(kTextLength, 'K');
    win_back_colour(0x00FFFFFF);
    win_text_colour(0);
    win_viewport(0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
    for (auto _ : state) {
        win_clear(0);
        for (int t = 1; t <= kTexts; ++t) {
            win_text_pos(t, 1);
            win_text(text);
        }
        win_pen_colour(0x000000FF);
        win_move(path.x[0], path.y[0]);
        for (int i = 1; i <= kSegments; ++i) win_line(path.x[i], path.y[i]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PictureRedraw)->Unit(benchmark::kMillisecond);

void BM_LinesOnly(benchmark::State& state) {
    const Path path = make_path();
    for (auto _ : state) {
        win_move(path.x[0], path.y[0]);
        for (int i = 1; i <= kSegments; ++i) win_line(path.x[i], path.y[i]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LinesOnly)->Unit(benchmark::kMillisecond);

void BM_TextsOnly(benchmark::State& state) {
    const std::string text(kTextLength, 'K');
    for (auto _ : state) {
        for (int t = 1; t <= kTexts; ++t) {
            win_text_pos(t, 1);
            win_text(text);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TextsOnly)->Unit(benchmark::kMillisecond);

void BM_ClearOnly(benchmark::State& state) {
    for (auto _ : state) {
        win_clear(0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMicrosecond);

// What the desktop's repaint does under the lock: one copy of the surface,
// pixels and text cells.
void BM_RepaintCopyUnderLock(benchmark::State& state) {
    static Surface copy;
    for (auto _ : state) {
        copy_surface(copy);
        benchmark::DoNotOptimize(&copy);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintCopyUnderLock)->Unit(benchmark::kMicrosecond);

// A picture of lines under fifty rows of text, copied as the repaint copies it.
const Surface& repaint_picture() {
    const Path path = make_path();
    win_back_colour(0x00FFFFFF);
    win_text_colour(0);
    win_clear(0);
    for (int t = 1; t <= kTexts; ++t) {
        win_text_pos(t, 1);
        win_text(std::string(kTextLength, 'K'));
    }
    win_move(path.x[0], path.y[0]);
    for (int i = 1; i <= kSegments; ++i) win_line(path.x[i], path.y[i]);
    static Surface copy;
    copy_surface(copy);
    return copy;
}

// Masks of half ink at the cell size of `scale`.
GlyphMasks grey_masks(int scale) {
    GlyphMasks glyphs;
    glyphs.width = kCellWidth * scale;
    glyphs.height = kCellHeight * scale;
    glyphs.coverage.assign(size_t(kGlyphCount) * glyphs.width * glyphs.height, 128);
    return glyphs;
}

// The rest of the repaint, after the lock: the copy drawn for a screen of
// scale 1 or 2.
void BM_RepaintDrawAfterLock(benchmark::State& state) {
    const int scale = int(state.range(0));
    const Surface& copy = repaint_picture();
    const GlyphMasks glyphs = grey_masks(scale);
    std::vector<uint32_t> out(size_t(kSurfaceWidth) * kSurfaceHeight * scale * scale);
    for (auto _ : state) {
        render_scaled(copy, scale, glyphs, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintDrawAfterLock)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The repaint of a picture fitted to the window: drawn a text row at a time
// at the whole scale at or above the window's, with masks for the text, and
// resampled to the window's size. Scale 1 into the 1273 by 1018 device pixels
// a window on a 1600 by 1200 screen at scale factor 2 offers; scale 2 into a
// full screen of 1920 by 1536.
void BM_RepaintFitToWindow(benchmark::State& state) {
    const int scale = int(state.range(0));
    const int to_w = int(state.range(1)), to_h = int(state.range(2));
    const Surface& copy = repaint_picture();
    const GlyphMasks glyphs = grey_masks(scale);
    std::vector<uint32_t> out(size_t(to_w) * to_h);
    Fitting f;
    for (auto _ : state) {
        render_fitted(copy, scale, glyphs, out.data(), to_w, to_h, f);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintFitToWindow)->Args({1, 1273, 1018})->Args({2, 1920, 1536})->Unit(benchmark::kMicrosecond);

}  // namespace
