// The perspective projection of one picture: the body figure, the space axes
// and the traces of the motion, in plane coordinates.
//
// The eye V looks at the centre G along d = V - G. A space point X, with
// t = X - V, lies on the ray V + s t; the ray meets the plane through G
// perpendicular to d where d.(V + s t - G) = 0, i.e. s = -|d|^2 / (d.t),
// and relative to G that point is d + s t = d - t |d|^2 / (d.t). Scaled by
// m = 1 - DELPIAN it is the picture-plane vector P, and the plane
// coordinates are its components along the screen's right and up directions.
// The up direction is the image of the vertical through G, the right
// direction is up x d. Nothing here is guarded: degenerate geometry gives
// non-finite coordinates, which the picture leaves out.
//
// The attitude comes from the stored angles of the newest state; the picture
// reads the integration's data and writes none of it.
#include <cmath>

#include "common/edition.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "motion/switch_frame.h"
#include "plot/picture.h"
#include "plot/plot_extras.h"

namespace {

constexpr double kUpHeight = 5.0;        // the up direction aims at the point this far above G
constexpr double kParallelLimit = 1e-7;  // |K x OM|^2 below this: OM along the angular momentum

struct V3 {
    double x[3];
    double operator[](int i) const { return x[i]; }
    double& operator[](int i) { return x[i]; }
};

double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

V3 cross(const V3& a, const V3& b) {
    return {{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}};
}

V3 scaled_to_unit(const V3& a) {
    const double n = std::sqrt(dot(a, a));
    return {{a[0] / n, a[1] / n, a[2] / n}};
}

bool usable(const V3& a) {
    const double n2 = dot(a, a);
    return std::isfinite(n2) && n2 >= kParallelLimit;
}

// C p for the attitude C (column j: body axis j in space axes).
V3 turn(const Mat3& c, const V3& p) {
    V3 r;
    for (int i = 1; i <= 3; ++i) r[i - 1] = c(i, 1) * p[0] + c(i, 2) * p[1] + c(i, 3) * p[2];
    return r;
}

V3 figure_point(int k, int i) { return {{figure_x(k, i), figure_y(k, i), figure_z(k, i)}}; }

void set_figure_point(int k, int i, const V3& p) {
    figure_x(k, i) = p[0];
    figure_y(k, i) = p[1];
    figure_z(k, i) = p[2];
}

struct Camera {
    V3 eye;     // V
    V3 d;       // V - G
    double dd;  // |d|^2
    double m;   // 1 - DELPIAN
    V3 up;      // U
    V3 right;   // Rh
};

// The picture-plane vector of X seen from the eye, relative to the centre.
V3 plane_vector(const Camera& cam, const V3& x) {
    V3 t;
    for (int k = 0; k < 3; ++k) t[k] = x[k] - cam.eye[k];
    const double dt = dot(cam.d, t);
    V3 p;
    for (int k = 0; k < 3; ++k) p[k] = (cam.d[k] - (t[k] * cam.dd) / dt) * cam.m;
    return p;
}

void project(const Camera& cam, const V3& x, double& right, double& up) {
    const V3 p = plane_vector(cam, x);
    right = dot(cam.right, p);
    up = dot(cam.up, p);
}

Camera make_camera(const V3& g) {
    Camera cam;
    cam.m = 1.0 - delpian_copy;
    for (int k = 0; k < 3; ++k) cam.eye[k] = eye_point(k + 1);
    for (int k = 0; k < 3; ++k) cam.d[k] = cam.eye[k] - g[k];
    cam.dd = dot(cam.d, cam.d);
    // The point above the centre, seen in the plane, gives the up direction.
    const V3 above{{g[0], g[1], g[2] + kUpHeight}};
    V3 e;
    for (int k = 0; k < 3; ++k) e[k] = above[k] - cam.eye[k];
    const double de = dot(cam.d, e);
    V3 u;
    for (int k = 0; k < 3; ++k) u[k] = (cam.d[k] - (e[k] * cam.dd) / de) * cam.m;
    cam.up = scaled_to_unit(u);
    cam.right = scaled_to_unit(cross(cam.up, cam.d));
    return cam;
}

struct BodyPoints {
    V3 om;  // where the angular velocity meets the inertia ellipsoid
    V3 k;   // foot of the perpendicular from the centre on the plane through OM normal to L
    V3 l;   // angular momentum, body coordinates
};

// OM = w / sqrt(w.(J w)); K is OM's component along L = J w.
BodyPoints body_points(const State& s) {
    const V3 w{{s(10), s(11), s(12)}};
    V3 jw;
    for (int i = 1; i <= 3; ++i)
        jw[i - 1] = inertia_matrix(i, 1) * w[0] + inertia_matrix(i, 2) * w[1] + inertia_matrix(i, 3) * w[2];
    const double ww = dot(w, w);
    const double r = std::sqrt(ww / dot(w, jw));
    const double wn = std::sqrt(ww);
    BodyPoints b;
    for (int k = 0; k < 3; ++k) b.om[k] = (w[k] * r) / wn;
    b.l = jw;
    const double ln = std::sqrt(dot(jw, jw));
    V3 lh;
    for (int k = 0; k < 3; ++k) lh[k] = jw[k] / ln;
    const double h = dot(lh, b.om);
    for (int k = 0; k < 3; ++k) b.k[k] = h * lh[k];
    return b;
}

// C v / |v|: v turned into space axes, then divided by its length.
V3 turned_over_length(const Mat3& c, const V3& v) {
    const double n = std::sqrt(dot(v, v));
    const V3 cv = turn(c, v);
    return {{cv[0] / n, cv[1] / n, cv[2] / n}};
}

// Earlier edition: the top view shows the OM point along two axes fixed at
// the picture of stored state 2, both across the angular momentum. When OM
// lies along L the cross products vanish: the second axis then takes the ETA
// axis, and the first, when (K x OM) x K is zero, the direction across the
// second axis and L, or the XI axis when that too is degenerate.
void set_top_axes(const Mat3& c, const BodyPoints& b) {
    V3 kc = cross(b.k, b.om);
    const bool along_l = !usable(kc);
    const V3 u = cross(kc, b.k);
    if (along_l) kc = figure_point(1, 2);
    const V3 a2 = turned_over_length(c, kc);

    V3 a1;
    const double un = std::sqrt(dot(u, u));
    if (std::isfinite(un) && un > 0.0) {
        a1 = turned_over_length(c, u);
    } else {
        const V3 across = cross(a2, turn(c, scaled_to_unit(b.l)));
        a1 = usable(across) ? scaled_to_unit(across) : turn(c, scaled_to_unit(figure_point(1, 1)));
    }
    for (int k = 0; k < 3; ++k) {
        top_axis_1(k + 1) = a1[k];
        top_axis_2(k + 1) = a2[k];
    }
}

V3 sum(const V3& a, const V3& b) { return {{a[0] + b[0], a[1] + b[1], a[2] + b[2]}}; }

}  // namespace

void clear_plot_extras() {
    trace3_screen_right.fill(0.0);
    trace3_screen_up.fill(0.0);
    top_axis_1.fill(0.0);
    top_axis_2.fill(0.0);
}

// Plane coordinates of the figure, the space axes and the traces for the
// picture of the newest stored state.
void project_figure() {
    const int n = table_index(NTIME);
    State s;
    for (int k = 1; k <= 12; ++k) s(k) = YP(k, n);
    Mat3 c;
    attitude_matrix(s(4), s(5), s(6), c);

    const bool about_origin = int_params(ip::NFL) != 0;
    const V3 g = about_origin ? V3{{0.0, 0.0, 0.0}} : V3{{s(1), s(2), s(3)}};
    const Camera cam = make_camera(g);

    // OM, K and the entries of the traces for the newest state.
    const BodyPoints b = body_points(s);
    set_figure_point(1, 5, b.om);
    set_figure_point(1, 6, b.k);
    const V3 traced = kEarlierEdition ? b.om : figure_point(1, 3);
    for (int k = 1; k <= 3; ++k) trace_vector(2, n, k) = traced[k - 1];
    const V3 traced_space = sum(g, turn(c, traced));
    if constexpr (kEarlierEdition) {
        if (NTIME == 2) set_top_axes(c, b);
        V3 a1, a2;
        for (int k = 0; k < 3; ++k) {
            a1[k] = top_axis_1(k + 1);
            a2[k] = top_axis_2(k + 1);
        }
        trace_top(1, n) = dot(a1, traced_space);
        trace_top(2, n) = dot(a2, traced_space);
    } else {
        trace_top(1, n) = traced_space[0];
        trace_top(2, n) = traced_space[1];
    }

    // The figure: object 1 and the wire objects 2 to NBA + 1.
    const int nba = bounded_nba(int_params(ip::NBA));
    for (int e = 1; e <= nba + 1; ++e)
        for (int i = 1; i <= figure_npoints(e); ++i)
            project(cam, sum(g, turn(c, figure_point(e, i))), screen_right(e, i), screen_up(e, i));

    for (int k = 1; k <= 3; ++k) {
        axis_screen(1, k) = cam.right[k - 1];
        axis_screen(2, k) = cam.up[k - 1];
    }

    // The traced body point: its body coordinates and its offset from the centre.
    const V3 marker = figure_point(1, 7);
    const V3 marker_offset = turn(c, marker);
    for (int k = 1; k <= 3; ++k) {
        trace_point_store(2, n, k) = marker[k - 1];
        trace_point_store(1, n, k) = marker_offset[k - 1];
    }
    V3 body;
    for (int k = 1; k <= 3; ++k) body[k - 1] = trace_vector(2, n, k);
    const V3 offset = turn(c, body);
    for (int k = 1; k <= 3; ++k) trace_vector(1, n, k) = offset[k - 1];

    // Every trace again, about this picture's centre and with its attitude.
    for (int j = 1; j <= n; ++j) {
        const V3 off1{{trace_vector(1, j, 1), trace_vector(1, j, 2), trace_vector(1, j, 3)}};
        project(cam, sum(g, off1), trace_screen_right(1, j), trace_screen_up(1, j));
        const V3 body2{{trace_vector(2, j, 1), trace_vector(2, j, 2), trace_vector(2, j, 3)}};
        project(cam, sum(g, turn(c, body2)), trace_screen_right(2, j), trace_screen_up(2, j));
        const V3 off3{{trace_point_store(1, j, 1), trace_point_store(1, j, 2), trace_point_store(1, j, 3)}};
        project(cam, sum(g, off3), trace3_screen_right(j), trace3_screen_up(j));
    }
}
