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

class SetupTest : public KalvoTest {
protected:
    static void set_tensor(double a, double b, double c, double d = 0, double e = 0, double f = 0) {
        const double v[6] = {a, b, c, d, e, f};
        for (int k = 0; k < 6; ++k) real_params(rp::A + k) = v[k];
        go_setup();
        body_setup();
    }
};

TEST_F(SetupTest, GoTakesEyeStartTimeTableIndexPhaseAndCounters) {
    const double eye[3] = {1.5, -20.0, 3.25};
    for (int k = 0; k < 3; ++k) real_params(rp::VISTA_X + k) = eye[k];
    real_params(rp::TZERO) = 7.5;
    const int16_t ints[4] = {3, 17, 40, 2};
    const int slots[4] = {ip::nrip, ip::NTIME, ip::nok, ip::nbad};
    for (int k = 0; k < 4; ++k) int_params(slots[k]) = ints[k];
    go_setup();
    for (int k = 0; k < 3; ++k) EXPECT_EQ(eye_point(k + 1), eye[k]);
    EXPECT_EQ(TIME(1), 7.5);
    EXPECT_EQ(run_phase, 3);
    EXPECT_EQ(NTIME, 17);
    EXPECT_EQ(step_count_ok, 40);
    EXPECT_EQ(step_count_bad, 2);
}

TEST_F(SetupTest, InverseUndoesTheTensor) {
    set_tensor(1, 1, 1);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(inertia_inverse(i, j), i == j ? 1.0 : 0.0, 1e-15);
    set_tensor(2, 3, 4, 0.5, 0.25, 0.75);
    EXPECT_EQ(inertia_matrix(2, 1), -0.5);
    EXPECT_EQ(inertia_matrix(3, 2), -0.25);
    EXPECT_EQ(inertia_matrix(1, 3), -0.75);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            double p = 0.0;
            for (int k = 1; k <= 3; ++k) p += inertia_matrix(i, k) * inertia_inverse(k, j);
            EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-12) << i << j;
        }
    // det = 2 (12 - 1/16) - 0.5 (2 + 3/16) - 0.75 (2.25 + 1/8) = 21.
    EXPECT_EQ(inertia_inverse(1, 1), 11.9375 / 21.0);
}

TEST_F(SetupTest, SectionsLieOnTheEllipsoidAndCloseOnThemselves) {
    real_params(rp::circle_radius) = 0.75;
    real_params(rp::ZETA_G) = -0.4;
    set_tensor(4, 1, 0.25);
    EXPECT_EQ(figure_x(1, 1), 0.5);  // the tips at 1/2, 1 and 2
    EXPECT_EQ(figure_y(1, 2), 1.0);
    EXPECT_EQ(figure_z(1, 3), 2.0);
    EXPECT_EQ(figure_y(1, 1), 0.0);
    for (int k = 2; k <= 6; ++k) {
        for (int j = 1; j <= 20; ++j) {
            const double x = figure_x(k, j), y = figure_y(k, j), z = figure_z(k, j);
            EXPECT_NEAR(4 * x * x + y * y + 0.25 * z * z, 1.0, 1e-12) << k << " " << j;
        }
        EXPECT_NEAR(figure_x(k, 20), figure_x(k, 1), 1e-12) << k;
        EXPECT_NEAR(figure_z(k, 20), figure_z(k, 1), 1e-12) << k;
    }
    EXPECT_NEAR(figure_y(2, 2), std::sin(2 * M_PI / 19), 1e-12);  // step 2 pi / 19
    EXPECT_NEAR(figure_x(5, 2), std::sqrt(0.2) * std::cos(2 * M_PI / 19), 1e-12);
    EXPECT_EQ(figure_x(5, 2), figure_y(5, 2));
    EXPECT_EQ(figure_x(6, 2), -figure_y(6, 2));
    if (kCurrentEdition) {  // the circle about zeta at the height of G
        for (int j = 1; j <= 20; ++j) {
            EXPECT_NEAR(std::hypot(figure_x(7, j), figure_y(7, j)), 0.75, 1e-12);
            EXPECT_EQ(figure_z(7, j), -0.4);
        }
    }
    const double two_pi = kEarlierEdition ? 2.0 * (4.0 * std::atan(1.0)) : 6.283185307179586;
    for (int k = 2; k <= kFigureElements; ++k) EXPECT_EQ(figure_span(k), two_pi);
}

TEST_F(SetupTest, BodyUsesGoCopiesAndTheCurrentForceMomentLeverAndPlane) {
    real_params(rp::Xtr) = 0.1;
    real_params(rp::Ztr) = 0.3;
    set_tensor(4, 1, 0.25);
    for (int k = 0; k < 6; ++k) real_params(rp::A + k) = 9.0;  // edits after GO wait for the next GO
    real_params(rp::Xtr) = 5.0;
    const int force[6] = {rp::FX, rp::FY, rp::FZ, rp::MX, rp::MY, rp::MZ};
    for (int k = 0; k < 6; ++k) real_params(force[k]) = k + 1;
    real_params(rp::DELPIAN) = 0.25;
    real_params(rp::ZETA_G) = 0.125;
    for (int i = 4; i <= 6; ++i) figure_x(1, i) = figure_z(1, i) = 9.0;
    body_setup();
    EXPECT_EQ(inertia_matrix(1, 1), 4.0);
    EXPECT_EQ(inertia_matrix(1, 2), 0.0);
    EXPECT_EQ(figure_x(1, 7), 0.1);
    EXPECT_EQ(figure_z(1, 7), 0.3);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(force_vector(k) + 3, moment_vector(k));
    EXPECT_EQ(force_vector(2), 2.0);
    EXPECT_EQ(delpian_copy, 0.25);
    EXPECT_EQ(zeta_g_copy, 0.125);
    for (int i = 4; i <= 6; ++i) EXPECT_EQ(figure_x(1, i) + figure_z(1, i), 0.0) << i;
    win_clear(0);  // white background, black text
    win_text_pos(3, 4);
    win_text("X");
    EXPECT_EQ(screen_pixel(100, 300), 0x00FFFFFF);
    EXPECT_EQ(screen_text_colour_at(3, 4), 0x00000000);
}

TEST_F(SetupTest, NbaZeroesTheElementsItCountsWithinTheFigure) {
    const struct {
        int nba;
        double z2, x3, y4;  // the coordinates elements 2 to 4 never write
    } cases[] = {{0, 7, 7, 7}, {2, 0, 0, 7}, {40, 0, 0, 0}, {-5, 7, 7, 7}};
    for (const auto& c : cases) {
        int_params(ip::NBA) = int16_t(c.nba);
        for (int j = 1; j <= 20; ++j) figure_z(2, j) = figure_x(3, j) = figure_y(4, j) = 7.0;
        set_tensor(1, 1, 1);
        EXPECT_EQ(figure_z(2, 5), c.z2) << c.nba;
        EXPECT_EQ(figure_x(3, 5), c.x3) << c.nba;
        EXPECT_EQ(figure_y(4, 5), c.y4) << c.nba;
    }
}

}  // namespace
