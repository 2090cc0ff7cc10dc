// Tests for motion/derivs.cpp: the equations of motion of the rigid body.
#include "motion/derivs.h"

#include <cmath>
#include <numbers>

#include "tests/motion/motion_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;

class Derivs : public MotionTest {
protected:
    // Rz(a) Rx(b) Rz(c) by matrix products.
    static Mat3 rotation(double a, double b, double c) {
        auto rz = [](double t) {
            Mat3 m;
            m.fill(0.0);
            m(1, 1) = std::cos(t), m(1, 2) = -std::sin(t);
            m(2, 1) = std::sin(t), m(2, 2) = std::cos(t);
            m(3, 3) = 1.0;
            return m;
        };
        Mat3 rx;
        rx.fill(0.0);
        rx(1, 1) = 1.0;
        rx(2, 2) = std::cos(b), rx(2, 3) = -std::sin(b);
        rx(3, 2) = std::sin(b), rx(3, 3) = std::cos(b);
        auto mul = [](const Mat3& p, const Mat3& q) {
            Mat3 r;
            for (int i = 1; i <= 3; ++i)
                for (int j = 1; j <= 3; ++j)
                    r(i, j) = p(i, 1) * q(1, j) + p(i, 2) * q(2, j) + p(i, 3) * q(3, j);
            return r;
        };
        return mul(mul(rz(a), rx), rz(c));
    }
};

TEST_F(Derivs, OrientationMatrixIsTheProductOfTheThreeTurns) {
    diagonal_body(1.0, 2.0, 3.0);
    State y = make_state({0, 0, 0, 0.7, -1.1, 2.3});
    State r;
    double x = 0.0;
    rigid_body_derivs(x, y, r);
    const Mat3 expect = rotation(0.7, -1.1, 2.3);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(orientation_matrix(i, j), expect(i, j), 1e-15) << i << j;
    EXPECT_EQ(NCC, 0);
}

// Body axes xi = x, eta = z, zeta = -y; A, B, C = 1, 2, 3; w = (1, 2, 3);
// moment (1, 0, 0) and force (0, 0, 5) at zeta G = 2 (current edition only).
// L = (1, 4, 9), w x L = (6, -6, 2), R^T F = (0, 5, 0), lever = (-10, 0, 0).
TEST_F(Derivs, RatesOfAHandWorkedState) {
    diagonal_body(1.0, 2.0, 3.0);
    moment_vector = Vec3{{1.0, 0.0, 0.0}};
    force_vector = Vec3{{0.0, 0.0, 5.0}};
    zeta_g_copy = 2.0;
    State y = make_state({7, 8, 9, 0.0, kPi / 2, 0.0, -1.5, 0.25, 4.0, 1.0, 2.0, 3.0});
    State r;
    double x = 123.0;
    rigid_body_derivs(x, y, r);
    EXPECT_EQ(r(1), -1.5);
    EXPECT_EQ(r(2), 0.25);
    EXPECT_EQ(r(3), 4.0);
    EXPECT_NEAR(r(4), 2.0, 1e-15);  // q / sT with q = w2
    EXPECT_NEAR(r(5), 1.0, 1e-15);  // w1
    EXPECT_NEAR(r(6), 3.0, 1e-15);  // w3 - cT q / sT
    EXPECT_EQ(r(7), 0.0);
    EXPECT_EQ(r(8), 0.0);
    EXPECT_EQ(r(9), 5.0);
    // tau = (1 - 10, 0, 0) with the lever, (1, 0, 0) without; h = tau - w x L.
    EXPECT_NEAR(r(10), kEarlierEdition ? -5.0 : -15.0, 1e-14);
    EXPECT_NEAR(r(11), 3.0, 1e-14);
    EXPECT_NEAR(r(12), -2.0 / 3.0, 1e-14);
}

TEST_F(Derivs, AxialSpinOfAFreeBodyHasNoAngularAcceleration) {
    diagonal_body(1.0, 2.0, 3.0);
    State y = make_state({0, 0, 0, 0.3, 0.4, 0.5, 0, 0, 0, 0.0, 0.0, 2.5});
    State r;
    double x = 0.0;
    rigid_body_derivs(x, y, r);
    EXPECT_EQ(r(10), 0.0);
    EXPECT_EQ(r(11), 0.0);
    EXPECT_EQ(r(12), 0.0);
}

TEST_F(Derivs, RatesDoNotDependOnThePositionOfG) {
    diagonal_body(1.0, 2.0, 5.0);
    moment_vector = Vec3{{0.3, -0.2, 0.1}};
    force_vector = Vec3{{1.0, 2.0, -9.8}};
    zeta_g_copy = 0.7;
    State a = make_state({1, 2, 3, 0.3, 0.9, -0.4, 1, 1, 1, 0.5, -0.6, 0.7});
    State b = a;
    b(1) = -1e6, b(2) = 42.0, b(3) = std::nan("");
    State ra, rb;
    double x = 0.0;
    rigid_body_derivs(x, a, ra);
    rigid_body_derivs(x, b, rb);
    EXPECT_EQ(ra, rb);
}

TEST_F(Derivs, SingularAttitudeLeavesRatesAndMatrixAlone) {
    diagonal_body(1.0, 2.0, 3.0);
    for (double theta : {0.0, kPi, -kPi, 0.99e-9}) {
        NCC = 0;
        orientation_matrix.fill(7.0);
        State r;
        r.fill(-3.0);
        State y = make_state({0, 0, 0, 0.0, theta, 0.0, 0, 0, 0, 1, 2, 3});
        double x = 0.0;
        rigid_body_derivs(x, y, r);
        EXPECT_EQ(NCC, 1) << theta;
        for (int k = 1; k <= 12; ++k) EXPECT_EQ(r(k), -3.0);
        // The earlier edition rebuilds the matrix before its test.
        EXPECT_EQ(orientation_matrix(3, 3) == 7.0, kCurrentEdition) << theta;
    }
}

TEST_F(Derivs, SineOfExactlyTheThresholdIsNotSingular) {
    diagonal_body(1.0, 1.0, 1.0);
    ASSERT_EQ(std::sin(1e-9), 1e-9);
    State y = make_state({0, 0, 0, 0.0, 1e-9, 0.0, 0, 0, 0, 0.0, 1.0, 0.0});
    State r;
    double x = 0.0;
    rigid_body_derivs(x, y, r);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(r(4), 1.0 / 1e-9);  // q = w2, divided by sT
}

TEST_F(Derivs, ANotANumberAngleIsSingularOnlyInTheEarlierEdition) {
    diagonal_body(1.0, 2.0, 3.0);
    State y = make_state({0, 0, 0, 0.0, std::nan(""), 0.0, 0, 0, 0, 1, 2, 3});
    State r;
    r.fill(0.0);
    double x = 0.0;
    rigid_body_derivs(x, y, r);
    EXPECT_EQ(NCC, kEarlierEdition ? 1 : 0);
    EXPECT_EQ(std::isnan(r(4)), kCurrentEdition);
}

TEST_F(Derivs, LeverOfTheForceTurnsTheBodyInTheCurrentEditionOnly) {
    diagonal_body(2.0, 2.0, 1.0);
    force_vector = Vec3{{0.0, 0.0, -9.8}};
    zeta_g_copy = 0.5;
    // THETA = pi/2 with PSI = PHI = 0: zeta = -y, so the force along -z is
    // (0, -9.8, 0) on the body axes and (0, 0, 0.5) x that is (4.9, 0, 0).
    State y = make_state({0, 0, 0, 0.0, kPi / 2, 0.0, 0, 0, 0, 0, 0, 0});
    State r;
    double x = 0.0;
    rigid_body_derivs(x, y, r);
    EXPECT_NEAR(r(10), kEarlierEdition ? 0.0 : 4.9 / 2.0, 1e-14);
    EXPECT_NEAR(r(11), 0.0, 1e-14);
    EXPECT_EQ(r(12), 0.0);
}

}  // namespace
