// Costs of painting the desktop view: the picture as the window shows it,
// fitted and at actual size, without and with the caret of a waiting read.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <string>

#include "platform/qt/desktop.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace {

constexpr int kFittedWidth = 1273;  // a window on a 1600 by 1200 screen at scale factor 2
constexpr int kFittedHeight = 1018;
constexpr int kCaretRow = 40;
constexpr int kCaretColumn = 108;

// One application for the whole run; left to the end of the process.
void start_application() {
    static int argc = 1;
    static char name[] = "kalvo_qt_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

// Black text on white, forty rows of it, copied as the window copies it.
const Surface& text_picture() {
    win_back_colour(0x00FFFFFF);
    win_text_colour(0);
    win_clear(0);
    for (int r = 1; r <= kCaretRow; ++r) {
        win_text_pos(r, 1);
        win_text(std::string(kCaretColumn - 1, 'K'));
    }
    static Surface copy;
    copy_surface(copy);
    return copy;
}

// One whole paint of the view into an image of its size: the picture, and
// with the caret a bar over one cell. Arguments: fitted, caret.
void BM_PaintView(benchmark::State& state) {
    start_application();
    const bool fitted = state.range(0) != 0;
    SurfaceView view;
    view.set_fitted(fitted);
    if (fitted) view.resize(kFittedWidth, kFittedHeight);
    view.show_surface(text_picture());
    view.set_caret(state.range(1) != 0 ? kCaretRow : 0, kCaretColumn, 0);
    QImage target(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintView)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

// What a move of the caret repaints: the cell it leaves and the cell it
// reaches, each clipped from the picture, with the bar over the second.
void BM_PaintCaretMove(benchmark::State& state) {
    start_application();
    SurfaceView view;
    view.resize(kFittedWidth, kFittedHeight);
    view.show_surface(text_picture());
    QImage target(view.size(), QImage::Format_RGB32);
    int col = kCaretColumn;
    for (auto _ : state) {
        const QRect left = view.caret_rect().toAlignedRect();
        col = col == kCaretColumn ? kCaretColumn + 1 : kCaretColumn;
        view.set_caret(kCaretRow, col, 0);
        view.render(&target, QPoint(), QRegion(left) + view.caret_rect().toAlignedRect());
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintCaretMove)->Unit(benchmark::kMicrosecond);

}  // namespace
