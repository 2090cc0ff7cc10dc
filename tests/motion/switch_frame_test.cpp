// Tests for motion/switch_frame.cpp: the change of space frame near the
// Euler-angle singularity.
#include "motion/switch_frame.h"

#include <cmath>
#include <numbers>

#include "tests/motion/motion_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Space components of the angular momentum, R J w.
Vec3 space_momentum(const State& s) {
    Mat3 R;
    attitude_matrix(s(4), s(5), s(6), R);
    Vec3 L, K;
    for (int i = 1; i <= 3; ++i)
        L(i) = inertia_matrix(i, 1) * s(10) + inertia_matrix(i, 2) * s(11) + inertia_matrix(i, 3) * s(12);
    for (int i = 1; i <= 3; ++i) K(i) = R(i, 1) * L(1) + R(i, 2) * L(2) + R(i, 3) * L(3);
    return K;
}

void expect_same_attitude(const State& a, const State& b, double tol) {
    Mat3 Ra, Rb;
    attitude_matrix(a(4), a(5), a(6), Ra);
    attitude_matrix(b(4), b(5), b(6), Rb);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(Ra(i, j), Rb(i, j), tol) << i << "," << j;
}

class SwitchFrame : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        diagonal_body(1.0, 2.0, 3.0);
        force_vector = Vec3{{1.0, 2.0, 3.0}};
        moment_vector = Vec3{{-4.0, -5.0, -6.0}};
    }
    Mat3 work;
};

TEST_F(SwitchFrame, EnteringFromTheIdentityAttitudeTurnsTheAxesNotTheBody) {
    NTIME = 5;
    for (int k = 1; k <= 12; ++k) YP(k, 5) = -1.0;
    State s = make_state({10, 20, 30, 0.0, 0.0, 0.0, 0.1, 0.2, 0.3, 1.0, 2.0, 3.0});
    switch_frame(s, work);
    EXPECT_EQ(NCC, -1);
    EXPECT_EQ(frame_turns(), 1);
    // (p, q, r) becomes (q, r, p).
    EXPECT_EQ(s(1), 20.0);
    EXPECT_EQ(s(2), 30.0);
    EXPECT_EQ(s(3), 10.0);
    EXPECT_EQ(s(7), 0.2);
    EXPECT_EQ(s(8), 0.3);
    EXPECT_EQ(s(9), 0.1);
    EXPECT_EQ(force_vector, (Vec3{{2.0, 3.0, 1.0}}));
    EXPECT_EQ(moment_vector, (Vec3{{-5.0, -6.0, -4.0}}));
    // The body axes x, y, z have the new components (0, 0, 1), (1, 0, 0),
    // (0, 1, 0): PSI = pi, THETA = pi/2, PHI = pi/2.
    EXPECT_NEAR(std::fabs(s(4)), kPi, 1e-15);  // pi or -pi: the same turn
    EXPECT_NEAR(s(5), kPi / 2, 1e-15);
    EXPECT_NEAR(s(6), kPi / 2, 1e-15);
    EXPECT_EQ(s(10), 1.0);
    EXPECT_EQ(s(11), 2.0);
    EXPECT_EQ(s(12), 3.0);
    const double expect[3][3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            EXPECT_NEAR(orientation_matrix(i, j), expect[i - 1][j - 1], 1e-15);
            EXPECT_NEAR(work(i, j), expect[i - 1][j - 1], 1e-15);
        }
    // The newest stored state is not touched.
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(YP(k, 5), -1.0);
}

TEST_F(SwitchFrame, EnergyAndSpaceMomentumAreTheSameInBothFrames) {
    for (double theta : {0.0, 1e-7, kPi, 0.4}) {
        start_in_original_frame();
        NCC = 1;
        State s = make_state({0, 0, 0, 0.3, theta, -1.2, 0, 0, 0, 1.0, 2.0, 3.0});
        const Vec3 K0 = space_momentum(s);
        switch_frame(s, work);
        const Vec3 K1 = space_momentum(s);
        EXPECT_NEAR(K1(1), K0(2), 1e-14) << theta;
        EXPECT_NEAR(K1(2), K0(3), 1e-14) << theta;
        EXPECT_NEAR(K1(3), K0(1), 1e-14) << theta;
        // Kinetic energy depends on w alone, which is unchanged.
        EXPECT_EQ(s(10), 1.0);
        EXPECT_EQ(s(11), 2.0);
        EXPECT_EQ(s(12), 3.0);
        // The new frame is far from the singularity.
        EXPECT_GT(std::fabs(std::sin(s(5))), 0.9) << theta;
    }
}

TEST_F(SwitchFrame, WayBackNearTheSingularityChangesNothing) {
    State s = make_state({10, 20, 30, 0.0, 0.0, 0.0, 0.1, 0.2, 0.3, 1.0, 2.0, 3.0});
    switch_frame(s, work);
    const State permuted = s;
    const Vec3 f = force_vector, m = moment_vector;
    const Mat3 R = orientation_matrix;
    switch_frame(s, work);
    EXPECT_EQ(NCC, -1);
    EXPECT_EQ(s, permuted);
    EXPECT_EQ(force_vector, f);
    EXPECT_EQ(moment_vector, m);
    EXPECT_EQ(orientation_matrix, R);
    // 0.9e-4 from it in the original frame is still too near.
    s = make_state({0, 0, 0, 0.2, 0.9e-4, 0.5});
    start_in_original_frame();
    switch_frame(s, work);
    const State before = s;
    switch_frame(s, work);
    EXPECT_EQ(NCC, -1);
    EXPECT_EQ(s, before);
}

TEST_F(SwitchFrame, WayBackRestoresTheOriginalFrame) {
    const State original = make_state({10, 20, 30, 0.3, 0.4, -2.0, 0.1, 0.2, 0.3, 1.0, 2.0, 3.0});
    State s = original;
    switch_frame(s, work);
    ASSERT_EQ(NCC, -1);
    switch_frame(s, work);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(frame_turns(), 0);
    for (int k : {1, 2, 3, 7, 8, 9, 10, 11, 12}) EXPECT_EQ(s(k), original(k)) << k;
    EXPECT_NEAR(s(4), 0.3, 1e-14);
    EXPECT_NEAR(s(5), 0.4, 1e-14);
    EXPECT_NEAR(s(6), -2.0, 1e-14);
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    EXPECT_EQ(moment_vector, (Vec3{{-4.0, -5.0, -6.0}}));
    Mat3 R;
    attitude_matrix(0.3, 0.4, -2.0, R);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(orientation_matrix(i, j), R(i, j), 1e-15);
}

TEST_F(SwitchFrame, OriginalFrameStateIsAConversionOnly) {
    const State original = make_state({10, 20, 30, 0.1, 1e-6, 0.7, 0.1, 0.2, 0.3, 1.0, 2.0, 3.0});
    State s = original;
    switch_frame(s, work);
    const Vec3 f = force_vector;
    const Mat3 R = orientation_matrix;
    State back;
    original_frame_state(s, back);
    EXPECT_EQ(NCC, -1);
    EXPECT_EQ(force_vector, f);
    EXPECT_EQ(orientation_matrix, R);
    for (int k : {1, 2, 3, 7, 8, 9, 10, 11, 12}) EXPECT_EQ(back(k), original(k)) << k;
    // So near THETA = 0 only the attitude is defined, not PSI and PHI apart.
    expect_same_attitude(back, original, 2e-15);
    const Vec3 g = original_frame_position(s);
    EXPECT_EQ(g, (Vec3{{10.0, 20.0, 30.0}}));
}

TEST_F(SwitchFrame, ASecondTurnIsUndoneByTheWayBack) {
    // Singular again in the permuted frame: the body axis zeta along the old x.
    State s = make_state({1, 2, 3, kPi / 2, kPi / 2, 0.0, 4, 5, 6, 1.0, 2.0, 3.0});
    const State original = s;
    switch_frame(s, work);
    ASSERT_LT(std::fabs(std::sin(s(5))), 1e-9);
    NCC = 1;
    switch_frame(s, work);
    EXPECT_EQ(frame_turns(), 2);
    EXPECT_EQ(NCC, -1);
    EXPECT_EQ(s(1), 3.0);
    EXPECT_EQ(s(2), 1.0);
    EXPECT_EQ(s(3), 2.0);
    State back;
    original_frame_state(s, back);
    for (int k : {1, 2, 3, 7, 8, 9, 10, 11, 12}) EXPECT_EQ(back(k), original(k)) << k;
    expect_same_attitude(back, original, 1e-15);
    switch_frame(s, work);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    expect_same_attitude(s, original, 1e-15);
    // A third turn is the original frame itself.
    s = original;
    for (int turn = 1; turn <= 3; ++turn) {
        NCC = 1;
        switch_frame(s, work);
    }
    EXPECT_EQ(frame_turns(), 0);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    EXPECT_EQ(s(1), 1.0);
    EXPECT_EQ(s(2), 2.0);
    EXPECT_EQ(s(3), 3.0);
}

TEST_F(SwitchFrame, ReturnToTheOriginalFrameWorksAtTheSingularityItself) {
    State s = make_state({1, 2, 3, 0.25, 0.0, 0.5, 4, 5, 6, 1.0, 2.0, 3.0});
    const State original = s;
    switch_frame(s, work);
    return_to_original_frame(s);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(frame_turns(), 0);
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    EXPECT_EQ(moment_vector, (Vec3{{-4.0, -5.0, -6.0}}));
    for (int k : {1, 2, 3, 7, 8, 9, 10, 11, 12}) EXPECT_EQ(s(k), original(k)) << k;
    EXPECT_NEAR(s(5), 0.0, 1e-15);
    EXPECT_NEAR(s(4) + s(6), 0.75, 1e-15);
}

TEST_F(SwitchFrame, AnglesOfAMatrixAreExactNearBothPoles) {
    for (double theta : {0.3, 2.9, 1e-5, 1e-12, 0.0, kPi - 1e-9, kPi}) {
        for (double psi : {0.4, -2.5}) {
            Mat3 R;
            attitude_matrix(psi, theta, 1.1, R);
            double a, b, c;
            euler_angles(R, a, b, c);
            Mat3 R2;
            attitude_matrix(a, b, c, R2);
            for (int i = 1; i <= 3; ++i)
                for (int j = 1; j <= 3; ++j) EXPECT_NEAR(R2(i, j), R(i, j), 2e-15) << theta << " " << psi;
            EXPECT_NEAR(b, theta, 1e-15);
        }
    }
}

}  // namespace
