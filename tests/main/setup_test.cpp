// Tests for main/setup.cpp: the copies taken at GO, the inertia matrix and
// its inverse, and the wire figure of the body.

#include "main/setup.h"

#include <cmath>

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "tests/support/test_env.h"

namespace {

constexpr double kTol = 1e-12;

class SetupTest : public KalvoTest {
protected:
    void set_tensor(double a, double b, double c, double d = 0.0, double e = 0.0, double f = 0.0) {
        real_params(rp::A) = a;
        real_params(rp::B) = b;
        real_params(rp::C) = c;
        real_params(rp::D) = d;
        real_params(rp::E) = e;
        real_params(rp::F) = f;
    }
    static double radius_xy(int k, int j, double a, double b) {
        const double x = figure_x(k, j) / a, y = figure_y(k, j) / b;
        return std::sqrt(x * x + y * y);
    }
};

TEST_F(SetupTest, GoTakesEyeStartTimeTableIndexPhaseAndCounters) {
    real_params(rp::VISTA_X) = 1.5;
    real_params(rp::VISTA_Y) = -20.0;
    real_params(rp::VISTA_Z) = 3.25;
    real_params(rp::TZERO) = 7.5;
    int_params(ip::nrip) = 3;
    int_params(ip::NTIME) = 17;
    int_params(ip::nok) = 40;
    int_params(ip::nbad) = 2;
    go_setup();
    EXPECT_EQ(eye_point(1), 1.5);
    EXPECT_EQ(eye_point(2), -20.0);
    EXPECT_EQ(eye_point(3), 3.25);
    EXPECT_EQ(TIME(1), 7.5);
    EXPECT_EQ(run_phase, 3);
    EXPECT_EQ(NTIME, 17);
    EXPECT_EQ(step_count_ok, 40);
    EXPECT_EQ(step_count_bad, 2);
}

TEST_F(SetupTest, UnitTensorGivesUnitInverseUnitTipsAndUnitCircles) {
    set_tensor(1, 1, 1);
    go_setup();
    body_setup();
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            EXPECT_EQ(inertia_matrix(i, j), i == j ? 1.0 : 0.0);
            EXPECT_NEAR(inertia_inverse(i, j), i == j ? 1.0 : 0.0, kTol);
        }
    EXPECT_EQ(figure_x(1, 1), 1.0);
    EXPECT_EQ(figure_y(1, 2), 1.0);
    EXPECT_EQ(figure_z(1, 3), 1.0);
    const double s = std::sqrt(0.5);
    for (int j = 1; j <= 20; ++j) {
        EXPECT_NEAR(std::hypot(figure_x(2, j), figure_y(2, j)), 1.0, kTol);
        EXPECT_NEAR(std::hypot(figure_y(3, j), figure_z(3, j)), 1.0, kTol);
        EXPECT_NEAR(std::hypot(figure_x(4, j), figure_z(4, j)), 1.0, kTol);
        const double t = (j - 1) * (2.0 * M_PI / 19.0);
        EXPECT_NEAR(figure_x(5, j), s * std::cos(t), kTol);
        EXPECT_NEAR(figure_y(5, j), s * std::cos(t), kTol);
        EXPECT_NEAR(figure_z(5, j), std::sin(t), kTol);
        EXPECT_NEAR(figure_y(6, j), -s * std::cos(t), kTol);
    }
}

TEST_F(SetupTest, TipsLieOnTheEllipsoidAndSectionsFollowIt) {
    set_tensor(4, 1, 0.25);
    go_setup();
    body_setup();
    EXPECT_EQ(figure_x(1, 1), 0.5);
    EXPECT_EQ(figure_y(1, 2), 1.0);
    EXPECT_EQ(figure_z(1, 3), 2.0);
    // The tips stand on their own axes only.
    EXPECT_EQ(figure_y(1, 1), 0.0);
    EXPECT_EQ(figure_z(1, 1), 0.0);
    EXPECT_EQ(figure_x(1, 3), 0.0);
    for (int j = 1; j <= 20; ++j) {
        // Every point of the sections satisfies A x^2 + B y^2 + C z^2 = 1.
        for (int k = 2; k <= 6; ++k) {
            const double x = figure_x(k, j), y = figure_y(k, j), z = figure_z(k, j);
            EXPECT_NEAR(4 * x * x + y * y + 0.25 * z * z, 1.0, 1e-12) << k << " " << j;
        }
    }
    // Element 2 starts on the xi tip and reaches the eta tip a quarter turn
    // later; the step is 2 pi / 19.
    EXPECT_NEAR(figure_x(2, 1), 0.5, kTol);
    EXPECT_NEAR(figure_y(2, 1), 0.0, kTol);
    EXPECT_NEAR(figure_x(2, 2), 0.5 * std::cos(2 * M_PI / 19), kTol);
    EXPECT_NEAR(figure_y(2, 2), std::sin(2 * M_PI / 19), kTol);
}

TEST_F(SetupTest, EveryElementClosesOnItself) {
    set_tensor(2, 3, 5);
    real_params(rp::circle_radius) = 0.75;
    real_params(rp::ZETA_G) = 0.5;
    go_setup();
    body_setup();
    for (int k = 2; k <= kFigureElements; ++k) {
        EXPECT_NEAR(figure_span(k), 2 * M_PI, 1e-15);
        EXPECT_NEAR(figure_x(k, 20), figure_x(k, 1), 1e-12) << k;
        EXPECT_NEAR(figure_y(k, 20), figure_y(k, 1), 1e-12) << k;
        EXPECT_NEAR(figure_z(k, 20), figure_z(k, 1), 1e-12) << k;
    }
}

TEST_F(SetupTest, TwoPiIsTheEditionsDouble) {
    set_tensor(1, 1, 1);
    go_setup();
    body_setup();
    const double expected = kEarlierEdition ? 2.0 * (4.0 * std::atan(1.0)) : 6.283185307179586;
    for (int k = 2; k <= kFigureElements; ++k) EXPECT_EQ(figure_span(k), expected);
    EXPECT_EQ(figure_span(1), 0.0);
}

TEST_F(SetupTest, CircleElementAboutZetaAxisAtZetaG) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier figure has no circle";
    set_tensor(1, 1, 1);
    real_params(rp::circle_radius) = 0.75;
    real_params(rp::ZETA_G) = -0.4;
    go_setup();
    body_setup();
    for (int j = 1; j <= 20; ++j) {
        EXPECT_NEAR(std::hypot(figure_x(7, j), figure_y(7, j)), 0.75, kTol);
        EXPECT_EQ(figure_z(7, j), -0.4);
    }
    EXPECT_NEAR(figure_x(7, 1), 0.75, kTol);
    EXPECT_EQ(zeta_g_copy, -0.4);
}

TEST_F(SetupTest, FullTensorInverseUndoesTheTensor) {
    set_tensor(2, 3, 4, 0.5, 0.25, 0.75);
    go_setup();
    body_setup();
    // Products of inertia stand with their sign changed at their own places.
    EXPECT_EQ(inertia_matrix(1, 2), -0.5);
    EXPECT_EQ(inertia_matrix(2, 1), -0.5);
    EXPECT_EQ(inertia_matrix(2, 3), -0.25);
    EXPECT_EQ(inertia_matrix(3, 2), -0.25);
    EXPECT_EQ(inertia_matrix(1, 3), -0.75);
    EXPECT_EQ(inertia_matrix(3, 1), -0.75);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            double p = 0.0, q = 0.0;
            for (int k = 1; k <= 3; ++k) {
                p += inertia_matrix(i, k) * inertia_inverse(k, j);
                q += inertia_inverse(i, k) * inertia_matrix(k, j);
            }
            EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-12) << i << j;
            EXPECT_NEAR(q, i == j ? 1.0 : 0.0, 1e-12) << i << j;
        }
    // det = 2 (12 - 1/16) - 0.5 (2 + 3/16) - 0.75 (2.25 + 1/8) = 21;
    // entry (1,1) = (B C - E^2) / det.
    EXPECT_EQ(inertia_inverse(1, 1), 11.9375 / 21.0);
}

TEST_F(SetupTest, SingularTensorGoesOnWithNonFiniteInverse) {
    set_tensor(0, 0, 0);
    go_setup();
    body_setup();
    EXPECT_FALSE(std::isfinite(inertia_inverse(1, 1)));
    EXPECT_FALSE(std::isfinite(figure_x(1, 1)));
}

TEST_F(SetupTest, BodySetupUsesTheCopiesOfTheLastGo) {
    set_tensor(4, 1, 0.25);
    real_params(rp::Xtr) = 0.1;
    real_params(rp::Ytr) = 0.2;
    real_params(rp::Ztr) = 0.3;
    go_setup();
    // Edits after GO reach the body only at the next GO.
    set_tensor(9, 9, 9, 1, 1, 1);
    real_params(rp::Xtr) = 5.0;
    body_setup();
    EXPECT_EQ(inertia_matrix(1, 1), 4.0);
    EXPECT_EQ(inertia_matrix(1, 2), 0.0);
    EXPECT_EQ(figure_x(1, 1), 0.5);
    EXPECT_EQ(figure_x(1, 7), 0.1);
    EXPECT_EQ(figure_y(1, 7), 0.2);
    EXPECT_EQ(figure_z(1, 7), 0.3);
}

TEST_F(SetupTest, BodySetupTakesForceMomentLeverAndPlaneAsTheyStand) {
    set_tensor(1, 1, 1);
    go_setup();
    real_params(rp::FX) = 1;
    real_params(rp::FY) = 2;
    real_params(rp::FZ) = 3;
    real_params(rp::MX) = -1;
    real_params(rp::MY) = -2;
    real_params(rp::MZ) = -3;
    real_params(rp::DELPIAN) = 0.25;
    real_params(rp::ZETA_G) = 0.125;
    body_setup();
    EXPECT_EQ(force_vector(1), 1.0);
    EXPECT_EQ(force_vector(2), 2.0);
    EXPECT_EQ(force_vector(3), 3.0);
    EXPECT_EQ(moment_vector(1), -1.0);
    EXPECT_EQ(moment_vector(2), -2.0);
    EXPECT_EQ(moment_vector(3), -3.0);
    EXPECT_EQ(delpian_copy, 0.25);
    EXPECT_EQ(zeta_g_copy, 0.125);
}

TEST_F(SetupTest, CentreOmAndKAreZeroAfterEverySetup) {
    set_tensor(1, 1, 1);
    go_setup();
    for (int i = 4; i <= 6; ++i) {
        figure_x(1, i) = 9.0;
        figure_y(1, i) = 9.0;
        figure_z(1, i) = 9.0;
    }
    body_setup();
    for (int i = 4; i <= 6; ++i) {
        EXPECT_EQ(figure_x(1, i), 0.0) << i;
        EXPECT_EQ(figure_y(1, i), 0.0) << i;
        EXPECT_EQ(figure_z(1, i), 0.0) << i;
    }
}

// Marks the coordinate each of elements 2 to 4 never writes.
void mark_unwritten(double v) {
    for (int j = 1; j <= 20; ++j) {
        figure_z(2, j) = v;
        figure_x(3, j) = v;
        figure_y(4, j) = v;
    }
}

TEST_F(SetupTest, NbaZeroKeepsTheUnwrittenCoordinates) {
    set_tensor(1, 1, 1);
    int_params(ip::NBA) = 0;
    go_setup();
    mark_unwritten(7.0);
    body_setup();
    for (int j = 1; j <= 20; ++j) {
        EXPECT_EQ(figure_z(2, j), 7.0);
        EXPECT_EQ(figure_x(3, j), 7.0);
        EXPECT_EQ(figure_y(4, j), 7.0);
    }
}

TEST_F(SetupTest, NbaZeroesOnlyTheElementsItCounts) {
    set_tensor(1, 1, 1);
    int_params(ip::NBA) = 2;
    go_setup();
    mark_unwritten(7.0);
    body_setup();
    EXPECT_EQ(figure_z(2, 5), 0.0);
    EXPECT_EQ(figure_x(3, 5), 0.0);
    EXPECT_EQ(figure_y(4, 5), 7.0);
}

TEST_F(SetupTest, NbaOutsideTheFigureActsAsTheNearestBound) {
    set_tensor(1, 1, 1);
    int_params(ip::NBA) = 40;
    go_setup();
    mark_unwritten(7.0);
    body_setup();
    for (int j = 1; j <= 20; ++j) {
        EXPECT_EQ(figure_z(2, j), 0.0);
        EXPECT_EQ(figure_y(4, j), 0.0);
    }
    int_params(ip::NBA) = -5;
    go_setup();
    mark_unwritten(7.0);
    body_setup();
    EXPECT_EQ(figure_z(2, 1), 7.0);
    EXPECT_EQ(figure_y(4, 20), 7.0);
}

TEST_F(SetupTest, SetupPaintsWhiteBackgroundAndBlackText) {
    set_tensor(1, 1, 1);
    go_setup();
    body_setup();
    win_clear(0);
    win_text_pos(3, 4);
    win_text("X");
    EXPECT_EQ(screen_pixel(100, 300), 0x00FFFFFF);
    EXPECT_EQ(screen_text_colour_at(3, 4), 0x00000000);
    EXPECT_EQ(screen_back_colour_at(3, 4), 0x00FFFFFF);
}

}  // namespace
