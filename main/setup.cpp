// The set-up of the body at GO: the copies that stay fixed for the run, the
// inertia matrix and its inverse, and the wire figure in body axes.
#include "main/setup.h"

#include <cmath>

#include "common/control.h"
#include "common/edition.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/window.h"
#include "plot/plot_extras.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;
constexpr double kTwoPiCurrent = 6.283185307179586;

// The copies go_setup takes for body_setup, kept until the next GO.
struct GoCopies {
    double xtr, ytr, ztr;
    double a, b, c, d, e, f;
    int16_t nba;
};
GoCopies go_copies;

// The earlier edition computes pi once, as 4 atan(1), and doubles it.
double two_pi() {
    if constexpr (kEarlierEdition) {
        static const double pi = 4.0 * std::atan(1.0);
        return 2.0 * pi;
    } else {
        return kTwoPiCurrent;
    }
}

// A symmetric 3 by 3 entry pair.
void set_pair(Mat3& m, int i, int j, double v) {
    m(i, j) = v;
    m(j, i) = v;
}

void build_inertia() {
    const GoCopies& g = go_copies;
    inertia_matrix.fill(0.0);
    inertia_matrix(1, 1) = g.a;
    inertia_matrix(2, 2) = g.b;
    inertia_matrix(3, 3) = g.c;
    set_pair(inertia_matrix, 1, 2, -g.d);
    set_pair(inertia_matrix, 1, 3, -g.f);
    set_pair(inertia_matrix, 2, 3, -g.e);

    // Cofactors over the determinant; a singular tensor gives infinite or
    // not-a-number entries and the run goes on with them.
    const double det =
        g.a * (g.b * g.c - g.e * g.e) - g.d * (g.c * g.d + g.e * g.f) - g.f * (g.b * g.f + g.d * g.e);
    inertia_inverse(1, 1) = (g.b * g.c - g.e * g.e) / det;
    inertia_inverse(2, 2) = (g.c * g.a - g.f * g.f) / det;
    inertia_inverse(3, 3) = (g.a * g.b - g.d * g.d) / det;
    set_pair(inertia_inverse, 1, 2, (g.c * g.d + g.e * g.f) / det);
    set_pair(inertia_inverse, 1, 3, (g.b * g.f + g.d * g.e) / det);
    set_pair(inertia_inverse, 2, 3, (g.a * g.e + g.d * g.f) / det);
}

void set_point(int k, int i, double x, double y, double z) {
    figure_x(k, i) = x;
    figure_y(k, i) = y;
    figure_z(k, i) = z;
}

// Sections of the inertia ellipsoid A x^2 + B y^2 + C z^2 = 1 and the circle
// about the zeta axis; each element closes on itself at t = 2 pi. The
// coordinate an element does not write keeps what it held.
void build_wire_elements(double a, double b, double c) {
    const GoCopies& g = go_copies;
    const double s = std::sqrt(1.0 / (g.a + g.b));
    const double radius = kEarlierEdition ? 0.0 : real_params(rp::circle_radius);
    const double zeta_g = real_params(rp::ZETA_G);
    for (int k = 2; k <= kFigureElements; ++k) {
        figure_span(k) = two_pi();
        const int n = figure_npoints(k);
        const double step = figure_span(k) / (n - 1);
        for (int j = 1; j <= n; ++j) {
            const double t = (j - 1) * step;
            const double ct = std::cos(t);
            const double st = std::sin(t);
            switch (k) {
                case 2:
                    figure_x(k, j) = a * ct;
                    figure_y(k, j) = b * st;
                    break;
                case 3:
                    figure_y(k, j) = b * ct;
                    figure_z(k, j) = c * st;
                    break;
                case 4:
                    figure_x(k, j) = a * ct;
                    figure_z(k, j) = c * st;
                    break;
                case 5:
                    set_point(k, j, s * ct, s * ct, c * st);
                    break;
                case 6:
                    set_point(k, j, s * ct, -(s * ct), c * st);
                    break;
                default:
                    set_point(k, j, radius * ct, radius * st, zeta_g);
                    break;
            }
        }
    }
}

}  // namespace

// Takes the values that stay fixed for the whole run at GO.
void go_setup() {
    go_copies.xtr = real_params(rp::Xtr);
    go_copies.ytr = real_params(rp::Ytr);
    go_copies.ztr = real_params(rp::Ztr);
    go_copies.nba = int_params(ip::NBA);
    go_copies.a = real_params(rp::A);
    go_copies.b = real_params(rp::B);
    go_copies.c = real_params(rp::C);
    go_copies.d = real_params(rp::D);
    go_copies.e = real_params(rp::E);
    go_copies.f = real_params(rp::F);

    for (int k = 1; k <= 3; ++k) eye_point(k) = real_params(rp::VISTA_X + k - 1);
    TIME(1) = real_params(rp::TZERO);
    run_phase = int_params(ip::nrip);
    NTIME = int_params(ip::NTIME);
    step_count_ok = int_params(ip::nok);
    step_count_bad = int_params(ip::nbad);
}

// Builds the inertia, the copies the motion reads and the wire figure.
void body_setup() {
    win_back_colour(kWhite);
    win_text_colour(kBlack);

    build_inertia();

    zeta_g_copy = real_params(rp::ZETA_G);
    force_vector(1) = real_params(rp::FX);
    force_vector(2) = real_params(rp::FY);
    force_vector(3) = real_params(rp::FZ);
    moment_vector(1) = real_params(rp::MX);
    moment_vector(2) = real_params(rp::MY);
    moment_vector(3) = real_params(rp::MZ);
    delpian_copy = real_params(rp::DELPIAN);

    // Element 1: the axis tips on the ellipsoid, the centre, OM and K (set by
    // each picture) and the traced body point. A tensor that is not positive
    // gives non-finite tips; the picture leaves such points out.
    const double a = std::sqrt(1.0 / go_copies.a);
    const double b = std::sqrt(1.0 / go_copies.b);
    const double c = std::sqrt(1.0 / go_copies.c);
    set_point(1, 1, a, 0.0, 0.0);
    set_point(1, 2, 0.0, b, 0.0);
    set_point(1, 3, 0.0, 0.0, c);
    for (int i = 4; i <= figure_npoints(1); ++i) set_point(1, i, 0.0, 0.0, 0.0);
    set_point(1, 7, go_copies.xtr, go_copies.ytr, go_copies.ztr);

    const int nba = bounded_nba(go_copies.nba);
    for (int k = 2; k <= nba + 1; ++k)
        for (int i = 1; i <= figure_npoints(k); ++i) set_point(k, i, 0.0, 0.0, 0.0);

    build_wire_elements(a, b, c);
}
