// Tests for plot/project_figure.cpp: the camera, the projection of figure
// points, OM and K, and the traces re-projected at every picture.

#include <cmath>
#include <cstring>

#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "plot/picture.h"
#include "plot/plot_extras.h"
#include "tests/support/test_env.h"

namespace {

constexpr double kTol = 1e-12;

// The eye on the negative y axis, 10 from the origin; the figure about the
// origin; a unit tensor.
class ProjectFigureTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        clear_plot_extras();
        eye_point(2) = -10.0;
        int_params(ip::NFL) = 1;
        NTIME = 1;
        for (int i = 1; i <= 3; ++i) inertia_matrix(i, i) = 1.0;
    }
    static void set_state(int n, double psi, double theta, double phi, double w1 = 0, double w2 = 0,
                          double w3 = 0) {
        const double v[6] = {psi, theta, phi, w1, w2, w3};
        for (int k = 0; k < 3; ++k) YP(4 + k, n) = v[k];
        for (int k = 0; k < 3; ++k) YP(10 + k, n) = v[3 + k];
    }
    static void set_point(int k, int i, double x, double y, double z) {
        figure_x(k, i) = x;
        figure_y(k, i) = y;
        figure_z(k, i) = z;
    }
    static void expect_screen(int k, int i, double right, double up) {
        EXPECT_NEAR(screen_right(k, i), right, kTol) << k << "," << i;
        EXPECT_NEAR(screen_up(k, i), up, kTol) << k << "," << i;
    }
};

TEST_F(ProjectFigureTest, EyeOnNegativeYAxisSeesXAcrossAndZUp) {
    set_state(1, 0, 0, 0);
    set_point(1, 1, 1.0, 0.0, 2.0);
    set_point(1, 2, 1.0, 5.0, 0.0);    // farther away: shrinks to 2/3
    set_point(1, 3, 1.0, -20.0, 0.0);  // behind the eye: the far side of the centre
    project_figure();
    const double axes[3][2] = {{1, 0}, {0, 0}, {0, 1}};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(axis_screen(1, k), axes[k - 1][0], kTol) << k;
        EXPECT_NEAR(axis_screen(2, k), axes[k - 1][1], kTol) << k;
    }
    expect_screen(1, 1, 1.0, 2.0);
    expect_screen(1, 2, 2.0 / 3.0, 0.0);
    expect_screen(1, 3, -1.0, 0.0);
    expect_screen(1, 4, 0.0, 0.0);
    delpian_copy = 0.5;  // the picture plane halfway to the eye
    project_figure();
    expect_screen(1, 1, 0.5, 1.0);
    expect_screen(1, 2, 1.0 / 3.0, 0.0);
}

TEST_F(ProjectFigureTest, AttitudeComesFromTheStoredAngles) {
    set_point(1, 1, 1.0, 0.0, 0.0);
    set_point(1, 2, 0.0, 1.0, 0.0);
    set_point(1, 3, 0.0, 0.0, 1.0);
    set_state(1, 0, M_PI / 2, 0);  // zeta onto -y, towards the eye; eta stands up
    project_figure();
    expect_screen(1, 3, 0.0, 0.0);
    expect_screen(1, 2, 0.0, 1.0);
    if (kCurrentEdition) {
        EXPECT_NEAR(trace_vector(1, 1, 2), -1.0, kTol);
        EXPECT_NEAR(trace_top(1, 1), 0.0, kTol);
        EXPECT_NEAR(trace_top(2, 1), -1.0, kTol);
    }
    set_state(1, M_PI / 2, 0, 0);  // xi onto +y, away from the eye; eta onto -x
    project_figure();
    expect_screen(1, 1, 0.0, 0.0);
    expect_screen(1, 2, -1.0, 0.0);
}

TEST_F(ProjectFigureTest, OmMeetsTheEllipsoidAndKIsItsPartAlongL) {
    inertia_matrix(2, 2) = 2.0;
    inertia_matrix(3, 3) = 4.0;
    set_state(1, 0, 0, 0, 1.0, 1.0, 0.0);
    project_figure();
    const double r3 = std::sqrt(3.0);
    EXPECT_NEAR(figure_x(1, 5), 1.0 / r3, kTol);
    EXPECT_NEAR(figure_y(1, 5), 1.0 / r3, kTol);
    EXPECT_NEAR(figure_x(1, 6), 0.6 / r3, kTol);
    EXPECT_NEAR(figure_y(1, 6), 1.2 / r3, kTol);
    EXPECT_NEAR(figure_z(1, 6), 0.0, kTol);
    // OM lies 1/sqrt 3 beyond the centre: d.t = -(100 + 10/sqrt 3).
    expect_screen(1, 5, (100.0 / r3) / (100.0 + 10.0 / r3), 0.0);
    set_state(1, 0, 0, 0, 0.0, 0.0, 2.0);  // about a principal axis: OM = K
    project_figure();
    EXPECT_NEAR(figure_z(1, 5), 0.5, kTol);
    EXPECT_NEAR(figure_z(1, 6), 0.5, kTol);
    expect_screen(1, 6, 0.0, 0.5);
}

TEST_F(ProjectFigureTest, FigureIsDrawnAboutTheCentreOfMassUnlessNfl) {
    YP(2, 1) = -5.0;  // G halfway to the eye
    set_state(1, 0, 0, 0);
    set_point(1, 1, 1.0, 5.0, 0.0);
    int_params(ip::NFL) = 0;
    project_figure();
    expect_screen(1, 1, 0.5, 0.0);  // X = (1, 0, 0), t = (1, 10, 0), d = (0, -5, 0)
    expect_screen(1, 4, 0.0, 0.0);
    int_params(ip::NFL) = 3;
    project_figure();
    expect_screen(1, 1, 2.0 / 3.0, 0.0);
}

TEST_F(ProjectFigureTest, PictureChangesNoWordOfTheIntegration) {
    set_state(1, 0.3, 1e-12, 0.2, 1.0, 2.0, 3.0);  // singular attitude
    NCC = -1;
    for (int i = 0; i < 9; ++i) orientation_matrix.data()[i] = 0.5 * i;
    force_vector(1) = 1.0;
    moment_vector(3) = 2.0;
    const Mat3 before = orientation_matrix;
    double yp_before[12];
    std::memcpy(yp_before, YP.column(1), sizeof yp_before);
    project_figure();
    EXPECT_EQ(NCC, -1);
    EXPECT_TRUE(orientation_matrix == before);
    EXPECT_EQ(std::memcmp(yp_before, YP.column(1), sizeof yp_before), 0);
    EXPECT_EQ(force_vector(1) + moment_vector(3), 3.0);
}

TEST_F(ProjectFigureTest, TableIndexOutsideTheTableActsAsItsNearestEnd) {
    set_point(1, 7, 0.0, 0.0, 1.0);
    NTIME = 0;
    project_figure();
    EXPECT_NEAR(trace_point_store(1, 1, 3), 1.0, kTol);
    NTIME = 2500;
    project_figure();
    EXPECT_NEAR(trace_point_store(1, kTableSize, 3), 1.0, kTol);
    EXPECT_EQ(NTIME, 2500);
}

TEST_F(ProjectFigureTest, TracesAreRedrawnAboutTheCurrentCentreWithTheCurrentAttitude) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition traces the OM point";
    int_params(ip::NFL) = 0;
    set_point(1, 3, 0.0, 0.0, 1.0);  // the zeta tip
    set_point(1, 7, 1.0, 0.0, 0.0);  // the trace point
    set_state(1, 0, 0, 0);           // zeta up, G at the origin
    project_figure();
    YP(2, 2) = -5.0;  // then 5 nearer the eye, lying down, zeta and xi turned
    set_state(2, M_PI / 2, M_PI / 2, 0);
    NTIME = 2;
    project_figure();
    // Trace 1: the offset (0, 0, 1) of state 1 about the new centre.
    EXPECT_NEAR(trace_screen_right(1, 1), 0.0, kTol);
    EXPECT_NEAR(trace_screen_up(1, 1), 1.0, kTol);
    // Trace 2: the same body point for both states, turned as now.
    for (int n = 1; n <= 2; ++n) {
        EXPECT_NEAR(trace_screen_right(2, n), screen_right(1, 3), kTol);
        EXPECT_NEAR(trace_screen_up(2, n), screen_up(1, 3), kTol);
    }
    // Trace 3: the trace point's offset, (1, 0, 0) then (0, 1, 0).
    EXPECT_NEAR(trace3_screen_right(1), 1.0, kTol);
    EXPECT_NEAR(trace_point_store(1, 2, 2), 1.0, kTol);
    EXPECT_NEAR(trace3_screen_right(2), 0.0, kTol);
    EXPECT_NEAR(trace3_screen_up(2), 0.0, kTol);
    // Top view: space x and y of the zeta tip, (1, -5) at state 2.
    EXPECT_NEAR(trace_top(1, 2), 1.0, kTol);
    EXPECT_NEAR(trace_top(2, 2), -5.0, kTol);
}

TEST_F(ProjectFigureTest, DegenerateGeometryGivesNonFiniteCoordinatesWithoutFailing) {
    set_state(1, 0, 0, 0);  // at rest: OM and K are 0/0
    set_point(1, 1, 1.0, 0.0, 0.0);
    project_figure();
    EXPECT_FALSE(std::isfinite(screen_right(1, 5)));
    EXPECT_TRUE(std::isfinite(screen_right(1, 1)));
    eye_point.fill(0.0);  // the eye at the centre
    project_figure();
    EXPECT_FALSE(std::isfinite(screen_right(1, 1)));
    eye_point(3) = 8.0;  // on the vertical: no up direction
    project_figure();
    EXPECT_FALSE(std::isfinite(axis_screen(2, 3)));
}

TEST_F(ProjectFigureTest, EarlierEditionTopViewAxesLieAcrossTheMomentum) {
    if (kCurrentEdition) GTEST_SKIP() << "the current edition's top view is space x and y";
    inertia_matrix(2, 2) = 2.0;
    inertia_matrix(3, 3) = 4.0;
    set_state(1, 0, 0, 0, 1.0, 1.0, 0.0);
    project_figure();
    EXPECT_NEAR(trace_vector(2, 1, 1), 1.0 / std::sqrt(3.0), kTol);  // the OM point is traced
    EXPECT_EQ(trace_top(1, 1), 0.0);                                 // no axes before the picture of state 2
    set_state(2, 0, 0, 0, 1.0, 1.0, 0.0);
    NTIME = 2;
    project_figure();
    // K x OM = (0, 0, -0.2) gives the second axis, (K x OM) x K the first.
    const double a1[3] = {2.0 / std::sqrt(5.0), -1.0 / std::sqrt(5.0), 0.0}, a2[3] = {0, 0, -1};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(top_axis_1(k), a1[k - 1], kTol);
        EXPECT_NEAR(top_axis_2(k), a2[k - 1], kTol);
    }
    EXPECT_NEAR(trace_top(1, 2), 1.0 / std::sqrt(15.0), kTol);
    // A spin about zeta at state 2: OM along L; the axes become eta and xi.
    clear_plot_extras();
    set_state(2, 0, 0, 0, 0.0, 0.0, 2.0);
    set_point(1, 1, 1.0, 0.0, 0.0);
    set_point(1, 2, 0.0, 1.0, 0.0);
    YP(1, 2) = 3.0;
    YP(2, 2) = 4.0;
    int_params(ip::NFL) = 0;
    project_figure();
    EXPECT_NEAR(top_axis_1(1), 1.0, kTol);
    EXPECT_NEAR(top_axis_2(2), 1.0, kTol);
    EXPECT_NEAR(trace_top(1, 2), 3.0, kTol);
    EXPECT_NEAR(trace_top(2, 2), 4.0, kTol);
    set_state(3, 0, 0, 0, 0.0, 0.0, 2.0);  // later pictures keep the axes
    YP(1, 3) = -1.0;
    NTIME = 3;
    project_figure();
    EXPECT_NEAR(trace_top(1, 3), -1.0, kTol);
}

}  // namespace
