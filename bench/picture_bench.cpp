// The cost of one picture with a full table of stored states: both traces,
// trace 3 and the top view at full length, projection included, run on
// without the menu and without a pause.
#include <benchmark/benchmark.h>

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "main/setup.h"
#include "plot/picture.h"

namespace {

// A spinning, precessing body whose centre drifts: every stored state has
// been the newest at one picture, so every trace entry is filled.
void fill_table(int screen) {
    set_start_values();
    real_params(rp::A) = 1.0;
    real_params(rp::B) = 2.0;
    real_params(rp::C) = 3.0;
    real_params(rp::VISTA_X) = 3.0;
    real_params(rp::VISTA_Y) = -12.0;
    real_params(rp::VISTA_Z) = 2.0;
    real_params(rp::Xtr) = 0.4;
    real_params(rp::Ztr) = 0.2;
    real_params(rp::circle_radius) = 0.5;
    int_params(ip::NBA) = 6;
    int_params(ip::SCREEN) = int16_t(screen);
    int_params(ip::durata) = 0;
    for (int j = 1; j <= 3; ++j) {
        view_range(j, 1) = -3.0;
        view_range(j, 2) = 3.0;
        view_range(j, 3) = -3.0;
        view_range(j, 4) = 3.0;
    }
    go_setup();
    body_setup();
    stop_mode = 0;
    for (int n = 1; n <= kTableSize; ++n) {
        const double t = 0.01 * n;
        TIME(n) = t;
        YP(1, n) = 0.1 * t;
        YP(4, n) = 0.3 * t;
        YP(5, n) = 0.8 + 0.1 * t;
        YP(6, n) = 2.0 * t;
        YP(10, n) = 0.5;
        YP(11, n) = 0.2;
        YP(12, n) = 2.0;
        NTIME = int16_t(n);
        project_figure();
    }
}

void BM_PictureFullTable(benchmark::State& state) {
    fill_table(int(state.range(0)));
    Text<120> line;
    for (auto _ : state) {
        draw_graphics(line);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PictureFullTable)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);

void BM_ProjectionFullTable(benchmark::State& state) {
    fill_table(1);
    for (auto _ : state) {
        project_figure();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ProjectionFullTable)->Unit(benchmark::kMicrosecond);

}  // namespace
