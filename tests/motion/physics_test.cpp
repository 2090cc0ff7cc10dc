// Tests of the motion as physics: conservation laws of the free body, the
// precession of a symmetric body, the parabola of G, and legs that join or
// retrace each other. The driver, RRKQC and the equations of motion together.
#include <cmath>
#include <numbers>

#include "motion/derivs.h"
#include "motion/integrate.h"
#include "motion/rrkqc.h"
#include "platform/testing.h"
#include "tests/motion/motion_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Invariants {
    double energy;
    double momentum;  // |J w|
    Vec3 space_momentum;
};

Invariants invariants(const State& s) {
    Mat3 R;
    attitude_matrix(s(4), s(5), s(6), R);
    Vec3 L;
    for (int i = 1; i <= 3; ++i)
        L(i) = inertia_matrix(i, 1) * s(10) + inertia_matrix(i, 2) * s(11) + inertia_matrix(i, 3) * s(12);
    Invariants v;
    v.energy = 0.5 * (s(10) * L(1) + s(11) * L(2) + s(12) * L(3));
    v.momentum = std::sqrt(L(1) * L(1) + L(2) * L(2) + L(3) * L(3));
    for (int i = 1; i <= 3; ++i) v.space_momentum(i) = R(i, 1) * L(1) + R(i, 2) * L(2) + R(i, 3) * L(3);
    return v;
}

// Largest relative departures from the start values, over every stored state.
struct Drift {
    Invariants start;
    double energy = 0.0, momentum = 0.0, space = 0.0;
    int stored = 0;
    bool switched = false;
};
Drift* drift = nullptr;

// The equations of motion, noting whether the permuted frame was used.
void watching_derivs(double& x, const State& y, State& r) {
    if (NCC == -1 && drift != nullptr) drift->switched = true;
    rigid_body_derivs(x, y, r);
}

void check(const State& s) {
    const Invariants v = invariants(s);
    Drift& d = *drift;
    d.energy = std::fmax(d.energy, std::fabs(v.energy / d.start.energy - 1.0));
    d.momentum = std::fmax(d.momentum, std::fabs(v.momentum / d.start.momentum - 1.0));
    double dk = 0.0;
    for (int i = 1; i <= 3; ++i) dk += std::pow(v.space_momentum(i) - d.start.space_momentum(i), 2);
    d.space = std::fmax(d.space, std::sqrt(dk) / d.start.momentum);
}

void on_stored(Text<120>&) {
    State s;
    for (int k = 1; k <= 12; ++k) s(k) = YP(k, NTIME);
    check(s);
    ++drift->stored;
}

class Physics : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        NTIME = 1;
    }
    void run_leg() {
        NCC = 0;
        integrate_path(continuation_state, nok, nbad, watching_derivs, RRKQC, run_state, work_line);
    }
    // Torque-free body A, B, C = 1, 2, 3 spinning with w = (1, 2, 3), t = 0 to 20.
    Drift free_body(double theta) {
        diagonal_body(1.0, 2.0, 3.0);
        leg_params(0.0, 20.0, 1e-8, 0.01, 0.05, 0.0);
        const State s0 = make_state({0, 0, 0, 0.3, theta, 0.2, 0, 0, 0, 1.0, 2.0, 3.0});
        start_state(s0);
        Drift d;
        d.start = invariants(s0);
        drift = &d;
        after_stored_state = on_stored;
        run_leg();
        check(newest());
        drift = nullptr;
        return d;
    }
    // A heavy body: gravity on G, lever 0.3 above it in the current edition, a moment besides.
    static void heavy_body() {
        diagonal_body(1.0, 1.5, 0.7);
        force_vector = Vec3{{0.0, 0.0, -9.81}};
        moment_vector = Vec3{{0.1, 0.0, -0.05}};
        zeta_g_copy = 0.3;
    }
    int16_t nok = 0, nbad = 0;
    Text<120> work_line;
};

TEST_F(Physics, FreeBodyKeepsItsEnergyAndAngularMomentum) {
    const Drift d = free_body(0.8);
    EXPECT_EQ(TIME(NTIME), 20.0);
    EXPECT_EQ(run_state, 0);
    EXPECT_GT(d.stored, 300);
    EXPECT_LT(d.energy, 1e-6);
    EXPECT_LT(d.momentum, 1e-6);
    EXPECT_LT(d.space, 1e-5);
}

TEST_F(Physics, FreeBodyStartedAtTheSingularityKeepsThemThroughTheFrameSwitch) {
    const Drift up = free_body(kPi);
    EXPECT_TRUE(up.switched);
    EXPECT_LT(up.energy, 1e-6);
    EXPECT_LT(up.momentum, 1e-6);
    EXPECT_LT(up.space, 1e-5);
    NTIME = 1;
    const Drift d = free_body(0.0);
    EXPECT_TRUE(d.switched);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(TIME(NTIME), 20.0);
    EXPECT_EQ(run_state, 0);
    EXPECT_LT(d.energy, 1e-6);
    EXPECT_LT(d.momentum, 1e-6);
    EXPECT_LT(d.space, 1e-5);
    // The vectors are back in the original frame.
    EXPECT_EQ(force_vector, (Vec3{{0.0, 0.0, 0.0}}));
}

// A = B: Euler's equations give w1' = -W w2 and w2' = W w1 with
// W = (C - A) w3 / A, so (w1, w2) turns at the rate W while w3 stays.
TEST_F(Physics, SymmetricBodyPrecessesAtTheRateOfEulersEquations) {
    diagonal_body(2.0, 2.0, 5.0);
    leg_params(0.0, 10.0, 1e-9, 0.01, 1.0, 0.0);
    start_state(make_state({0, 0, 0, 0.1, 1.0, 0.4, 0, 0, 0, 0.6, -0.3, 1.5}));
    run_leg();
    const double W = (5.0 - 2.0) * 1.5 / 2.0;
    ASSERT_EQ(TIME(NTIME), 10.0);
    for (int n = 1; n <= NTIME; ++n) {
        const double t = TIME(n);
        EXPECT_NEAR(YP(10, n), 0.6 * std::cos(W * t) + 0.3 * std::sin(W * t), 1e-6) << t;
        EXPECT_NEAR(YP(11, n), 0.6 * std::sin(W * t) - 0.3 * std::cos(W * t), 1e-6) << t;
        EXPECT_NEAR(YP(12, n), 1.5, 1e-9) << t;
    }
}

TEST_F(Physics, CentreOfMassMovesOnTheParabolaOfTheConstantForce) {
    diagonal_body(1.0, 2.0, 3.0);
    force_vector = Vec3{{0.5, -2.0, -9.81}};
    leg_params(0.0, 4.0, 1e-8, 0.01, 0.25, 0.0);
    start_state(make_state({1, 2, 3, 0.3, 0.8, 0.2, 4.0, -1.0, 12.0, 0.5, 0.5, 0.5}));
    run_leg();
    ASSERT_EQ(TIME(NTIME), 4.0);
    ASSERT_GT(NTIME, 10);
    const double g0[3] = {1, 2, 3}, v0[3] = {4.0, -1.0, 12.0}, a[3] = {0.5, -2.0, -9.81};
    for (int n = 1; n <= NTIME; ++n) {
        const double t = TIME(n);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(YP(i + 1, n), g0[i] + v0[i] * t + 0.5 * a[i] * t * t, 1e-10) << t;
            EXPECT_NEAR(YP(i + 7, n), v0[i] + a[i] * t, 1e-10) << t;
        }
    }
}

void expect_same_motion(const State& a, const State& b, double tol) {
    Mat3 Ra, Rb;
    attitude_matrix(a(4), a(5), a(6), Ra);
    attitude_matrix(b(4), b(5), b(6), Rb);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(Ra(i, j), Rb(i, j), tol) << i << "," << j;
    for (int k : {1, 2, 3, 7, 8, 9, 10, 11, 12}) EXPECT_NEAR(a(k), b(k), tol * (1.0 + std::fabs(b(k)))) << k;
}

TEST_F(Physics, TwoLegsInARowFollowTheMotionOfOneLeg) {
    heavy_body();
    const State s0 = make_state({0, 0, 10, 0.2, 0.7, 0.3, 1.0, 0.0, 2.0, 0.4, -0.8, 6.0});
    leg_params(0.0, 6.0, 1e-9, 0.01, 0.1, 0.0);
    start_state(s0);
    run_leg();
    ASSERT_EQ(TIME(NTIME), 6.0);
    const State one = newest();

    NTIME = 1;
    leg_params(0.0, 2.5, 1e-9, 0.01, 0.1, 0.0);
    start_state(s0);
    run_leg();
    ASSERT_EQ(TIME(NTIME), 2.5);
    // The next leg starts from the newest stored state.
    leg_params(2.5, 6.0, 1e-9, 0.01, 0.1, 0.0);
    start_state(newest());
    run_leg();
    ASSERT_EQ(TIME(NTIME), 6.0);
    EXPECT_EQ(TIME(1), 2.5);
    expect_same_motion(newest(), one, 1e-6);
}

TEST_F(Physics, BackwardLegRetracesTheForwardLeg) {
    heavy_body();
    const State s0 = make_state({0, 0, 10, 0.2, 0.7, 0.3, 1.0, 0.0, 2.0, 0.4, -0.8, 6.0});
    leg_params(0.0, 3.0, 1e-9, 0.01, 0.1, 0.0);
    start_state(s0);
    run_leg();
    ASSERT_EQ(TIME(NTIME), 3.0);
    const State end = newest();
    NTIME = 1;
    leg_params(3.0, 0.0, 1e-9, 0.01, 0.1, 0.0);
    start_state(end);
    run_leg();
    EXPECT_EQ(TIME(NTIME), 0.0);
    EXPECT_GT(NTIME, 20);
    for (int n = 2; n <= NTIME; ++n) EXPECT_LT(TIME(n), TIME(n - 1));
    expect_same_motion(newest(), s0, 1e-6);
}

// More passes than the pass limit allows since the last step-too-small
// warning: the leg stops with its message instead of running on.
TEST_F(Physics, LegLongerThanThePassLimitEndsWithTheStop) {
    diagonal_body(1.0, 2.0, 3.0);
    leg_params(0.0, 1e6, 1e-8, 0.01, 1e5, 0.0);
    start_state(make_state({0, 0, 0, 0.3, 0.8, 0.2, 0, 0, 0, 1.0, 2.0, 3.0}));
    keyboard_script({""});
    run_leg();
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(keyboard_script_left(), 0);
    // 50001 steps; nok has wrapped past 32767.
    EXPECT_LT(nok, 0);
    EXPECT_EQ(uint16_t(nok + nbad), 50001);
    EXPECT_GT(continuation_state(1), 100.0);
    EXPECT_LT(continuation_state(1), 1e6);
    EXPECT_EQ(continuation_state(2), 2e6);
    EXPECT_EQ(real_params(rp::TPRINT), 1e5);
}

// A heavy symmetric top spinning about its axis, released with PHI = 0:
// w1, w2 and the rate of w2 start at exactly 0 while its second derivative
// does not, and the step size collapses. The leg ends through the stop.
TEST_F(Physics, TopWhoseStepSizeCollapsesEndsWithTheStopNotAHang) {
    diagonal_body(1.0, 1.0, 2.0);
    force_vector = Vec3{{0.0, 0.0, -9.81}};
    zeta_g_copy = 1.0;
    leg_params(0.0, 5.0, 1e-8, 0.01, 0.1, 0.0);
    start_state(make_state({0, 0, 0, 0.0, 0.5, 0.0, 0, 0, 0, 0.0, 0.0, 1.0}));
    keyboard_script({""});
    run_leg();
    if (kCurrentEdition) {
        EXPECT_EQ(run_state, 3);
        EXPECT_EQ(keyboard_script_left(), 0);
        EXPECT_LT(continuation_state(1), 1e-3);
    } else {
        // Without the lever the top spins freely about its axis.
        EXPECT_EQ(run_state, 0);
        EXPECT_EQ(TIME(NTIME), 5.0);
    }
}

}  // namespace
