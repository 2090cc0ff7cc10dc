// Cost of the equations of motion and of one accepted quality-controlled
// step, for a heavy asymmetric body with products of inertia.
#include <benchmark/benchmark.h>

#include <cmath>

#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "motion/derivs.h"
#include "motion/integrate.h"
#include "motion/rrkqc.h"
#include "platform/units.h"

namespace {

constexpr int kDiagnosticsUnit = 88;

// Unit 88 connected to /dev/null for one benchmark: whatever a step might
// report, no diagnostics file is left where the benchmark runs.
struct DiagnosticsDiscarded {
    DiagnosticsDiscarded() { open_unit(kDiagnosticsUnit, "/dev/null"); }
    ~DiagnosticsDiscarded() { close_unit(kDiagnosticsUnit); }
};

void heavy_body() {
    set_start_values();
    inertia_matrix.fill(0.0);
    inertia_matrix(1, 1) = 1.0, inertia_matrix(2, 2) = 2.0, inertia_matrix(3, 3) = 3.0;
    inertia_matrix(1, 2) = inertia_matrix(2, 1) = -0.1;
    inertia_matrix(2, 3) = inertia_matrix(3, 2) = -0.05;
    const Mat3& J = inertia_matrix;
    const double det = J(1, 1) * (J(2, 2) * J(3, 3) - J(2, 3) * J(3, 2)) -
                       J(1, 2) * (J(2, 1) * J(3, 3) - J(2, 3) * J(3, 1)) +
                       J(1, 3) * (J(2, 1) * J(3, 2) - J(2, 2) * J(3, 1));
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            const int a = j % 3 + 1, b = (j + 1) % 3 + 1, c = i % 3 + 1, d = (i + 1) % 3 + 1;
            inertia_inverse(i, j) = (J(a, c) * J(b, d) - J(a, d) * J(b, c)) / det;
        }
    force_vector = Vec3{{0.0, 0.0, -9.81}};
    moment_vector = Vec3{{0.01, 0.0, 0.02}};
    zeta_g_copy = 0.3;
}

State start() {
    State y;
    const double v[12] = {0, 0, 10, 0.2, 0.7, 0.3, 1.0, 0.0, 2.0, 0.4, -0.8, 6.0};
    for (int k = 1; k <= 12; ++k) y(k) = v[k - 1];
    return y;
}

void BM_rigid_body_derivs(benchmark::State& st) {
    heavy_body();
    State y = start();
    State r;
    double x = 0.0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(y);
        rigid_body_derivs(x, y, r);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_rigid_body_derivs);

// One call of RRKQC per iteration, along a trajectory, with the step it
// proposes; the error scale is built as the driver builds it. Every call
// starts with the trials a leg starts with, so that no run, however long,
// uses them up and times the call that gives up instead.
void BM_RRKQC_accepted_step(benchmark::State& st) {
    heavy_body();
    DiagnosticsDiscarded discarded;
    State y = start();
    State dydx, scale;
    double X = 0.0, h = 0.01, h_done = 0.0, hnext = 0.0;
    int16_t imax = 0, nerr = 0, nret1 = 0;
    const Vec3 factors{{10.0, 0.5, 10.0}};
    const State y0 = y;
    int64_t trials = 0, steps = 0;
    for (auto _ : st) {
        trials_left = kLegTrials;
        rigid_body_derivs(X, y, dydx);
        for (int i = 1; i <= 12; ++i) scale(i) = std::fabs(y(i)) + std::fabs(h * dydx(i)) + 1e-30;
#if KALVO_EARLIER_EDITION
        RRKQC(nret1, y, dydx, X, h, 1e-8, scale, h_done, hnext, rigid_body_derivs, factors);
#else
        RRKQC(imax, nerr, nret1, y, dydx, X, h, 1e-8, scale, h_done, hnext, rigid_body_derivs, factors);
#endif
        trials += 1 + nerr;
        ++steps;
        h = hnext;
        if (X > 50.0) {  // start again before the trajectory wanders far
            X = 0.0;
            y = y0;
            h = 0.01;
        }
    }
    st.counters["trials_per_step"] = double(trials) / double(steps);
}
BENCHMARK(BM_RRKQC_accepted_step);

// A whole leg that fills the table: 1998 states stored after the start one,
// every stored state handed to an empty hook instead of the picture and the
// points file, so that only the integration and its storing are timed.
void BM_LegFillingTheTable(benchmark::State& st) {
    heavy_body();
    const State y0 = start();
    for (int k = 1; k <= 12; ++k) real_params(rp::XGo + k - 1) = y0(k);
    real_params(rp::EPS) = 1e-8;
    real_params(rp::H1) = 0.01;
    real_params(rp::HMIN) = 0.0;
    real_params(rp::DELH1) = 10.0;
    real_params(rp::DELH2) = 0.5;
    real_params(rp::DELH3) = 10.0;
    real_params(rp::Y1MAX) = 1e30;
    real_params(rp::Y2MAX) = 1e30;
    real_params(rp::Y3MAX) = 1e30;
    real_params(rp::TZERO) = 0.0;
    real_params(rp::TFIN) = 1e6;
    periodo = 1e6;
    after_stored_state = [](Text<120>&) {};
    DiagnosticsDiscarded discarded;
    Text<120> work_line;
    int16_t nok = 0, nbad = 0;
    for (auto _ : st) {
        real_params(rp::TPRINT) = 0.02;
        real_params(rp::DXSAV) = 0.0;
        NTIME = 1;
        NCC = 0;
        run_state = 0;
        integrate_path(continuation_state, nok, nbad, rigid_body_derivs, RRKQC, run_state, work_line);
        benchmark::DoNotOptimize(YP);
    }
    after_stored_state = nullptr;
    st.counters["stored"] = double(NTIME);
    st.counters["steps"] = double(nok) + double(nbad);
}
BENCHMARK(BM_LegFillingTheTable)->Unit(benchmark::kMillisecond);

}  // namespace
