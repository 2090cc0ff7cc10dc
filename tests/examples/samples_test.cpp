// Tests for the sample data in examples/: each sample loads with the keys
// the user's guide gives, runs to its TFIN without the step-size pause, and
// the states in its points file keep what the mechanics of the body conserve.

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "common/edition.h"
#include "tests/main/headless_session.h"
#include "tests/support/test_env.h"

namespace {

using V3 = std::array<double, 3>;

double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const V3& a) { return std::sqrt(dot(a, a)); }

// The body and the run as the header of the points file gives them.
struct Body {
    double J[3][3];  // inertia: A, B, C on the diagonal, -D, -E, -F off it
    V3 force;        // (FX, FY, FZ): the weight, with the mass folded in
    double zeta_g;   // where the force acts on the zeta axis
    double eps, tprint, tfin;
    double start[12];  // the initial state, in the order of a stored state
};

struct Stored {
    double t;
    double y[12];  // XG YG ZG PSI THETA PHI, XPG YPG ZPG, omega on xi eta zeta
};

Body body_of(const std::vector<std::string>& h) {
    Body b{};
    const double A = header_real(h, 10, 3), B = header_real(h, 11, 0), C = header_real(h, 11, 1);
    const double D = header_real(h, 11, 2), E = header_real(h, 11, 3), F = header_real(h, 12, 0);
    const double J[3][3] = {{A, -D, -F}, {-D, B, -E}, {-F, -E, C}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) b.J[i][j] = J[i][j];
    b.force = {header_real(h, 13, 0), header_real(h, 13, 1), header_real(h, 13, 2)};
    b.zeta_g = header_real(h, 15, 3);
    b.eps = header_real(h, 5, 0);
    b.tprint = header_real(h, 5, 3);
    b.tfin = header_real(h, 17, 1);
    for (int k = 0; k < 6; ++k) {  // lines 18 to 23: XGo with XPGo, ..., PHIo with OMZETAo
        b.start[k] = header_real(h, 18 + k, 0);
        b.start[6 + k] = header_real(h, 18 + k, 1);
    }
    return b;
}

std::vector<Stored> stored_states(const std::vector<std::string>& lines) {
    const auto recs = point_records(lines);
    std::vector<Stored> out;
    for (size_t i = 0; i + 1 < recs.size(); i += 2) {
        Stored s{recs[i].time, {}};
        for (int k = 0; k < 6; ++k) {
            s.y[k] = recs[i].v[k];
            s.y[6 + k] = recs[i + 1].v[k];
        }
        out.push_back(s);
    }
    return out;
}

// What the mechanics of one state give: body axis zeta and the angular
// momentum in space, the body's angular momentum, the energy.
struct Mechanics {
    V3 zeta;        // body axis zeta in space
    V3 K;           // angular momentum in space
    V3 L;           // angular momentum on the body axes
    double energy;  // kinetic, plus the potential -zeta_g zeta.F of the force on the zeta axis
};

Mechanics mechanics(const Body& b, const double* y) {
    // z-x-z Euler angles: column j of R is body axis j in space.
    const double cP = std::cos(y[3]), sP = std::sin(y[3]);
    const double cT = std::cos(y[4]), sT = std::sin(y[4]);
    const double cF = std::cos(y[5]), sF = std::sin(y[5]);
    const double R[3][3] = {{cP * cF - sP * cT * sF, -cP * sF - sP * cT * cF, sP * sT},
                            {sP * cF + cP * cT * sF, -sP * sF + cP * cT * cF, -cP * sT},
                            {sT * sF, sT * cF, cT}};
    const V3 w = {y[9], y[10], y[11]};
    Mechanics m{};
    for (int i = 0; i < 3; ++i) m.L[i] = b.J[i][0] * w[0] + b.J[i][1] * w[1] + b.J[i][2] * w[2];
    for (int i = 0; i < 3; ++i) {
        m.zeta[i] = R[i][2];
        m.K[i] = R[i][0] * m.L[0] + R[i][1] * m.L[1] + R[i][2] * m.L[2];
    }
    m.energy = 0.5 * dot(w, m.L) - b.zeta_g * dot(m.zeta, b.force);
    return m;
}

// A run of a sample: its body, the start and every stored state.
struct SampleRun {
    Body body;
    std::vector<Stored> states;
};

class SamplesTest : public KalvoTest {
protected:
    // Copies the sample into the test's directory, types the keys and reads
    // back the points file the run wrote.
    SampleRun run_sample(const std::string& sample, const std::vector<std::string>& keys,
                         const std::string& points) {
        std::filesystem::copy_file(std::string(KALVO_SOURCE_DIR) + "/examples/" + sample, sample);
        const Session s = run_program(keys);
        EXPECT_FALSE(s.timed_out) << sample;
        EXPECT_TRUE(s.finished) << sample;
        EXPECT_FALSE(s.input_ended) << sample;  // a sample that does not load asks again
        EXPECT_EQ(s.transcript.find("tfin non raggiunto"), std::string::npos) << sample;
        const auto lines = file_lines(points);
        EXPECT_GT(lines.size(), 40u) << points;
        SampleRun r;
        if (lines.size() <= 40) return r;
        r.body = body_of(lines);
        r.states = stored_states(lines);
        // A few hundred states, in one file, up to the end of the span.
        EXPECT_GE(r.states.size(), 200u) << sample;
        EXPECT_LE(r.states.size(), 1000u) << sample;
        if (!r.states.empty()) {
            EXPECT_GT(r.states.back().t, r.body.tfin - 2 * r.body.tprint) << sample;
            EXPECT_LE(r.states.back().t, r.body.tfin) << sample;
        }
        return r;
    }
};

// The keys of a run: load, (edits), NOSTOP, the next points file, OUT after
// the leg, OUT of the program.
std::vector<std::string> run_keys(std::vector<std::string> load) {
    for (const char* k : {"100", "3", "", "6", "6"}) load.push_back(k);
    return load;
}

// Each step keeps its local error within EPS of the size of every value, a
// sample's run takes 500 to 1500 steps, and the points file keeps seven
// significant digits of the angles (up to about 100 rad here), so the
// quantities conserved stay within this many EPS of their start values.
constexpr double kDriftInEps = 2000.0;

// Largest departure of the energy and of the components of K along the
// unit vectors given, over every stored state, from their start values.
struct Departures {
    double energy = 0.0;
    std::vector<double> momentum;
};

Departures departures(const SampleRun& r, const std::vector<V3>& along, bool body_zeta) {
    const Mechanics m0 = mechanics(r.body, r.body.start);
    Departures d;
    d.momentum.assign(along.size() + (body_zeta ? 1 : 0), 0.0);
    for (const Stored& s : r.states) {
        const Mechanics m = mechanics(r.body, s.y);
        d.energy = std::max(d.energy, std::abs(m.energy - m0.energy) / std::abs(m0.energy));
        for (size_t k = 0; k < along.size(); ++k)
            d.momentum[k] =
                std::max(d.momentum[k], std::abs(dot(m.K, along[k]) - dot(m0.K, along[k])) / norm(m0.K));
        if (body_zeta)
            d.momentum.back() = std::max(d.momentum.back(), std::abs(m.L[2] - m0.L[2]) / norm(m0.K));
    }
    return d;
}

const std::vector<V3> kSpaceAxes = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

//---- torque-free body spun near its intermediate axis ----

TEST_F(SamplesTest, IntermediateAxisFlipKeepsEnergyAndAngularMomentum) {
    struct Case {
        std::string sample, points;
        std::vector<std::string> load;
    };
    const Case cases[] = {
        {"KALVO10", "KALVO11.TXT", {"", "  2  1", "26."}},  // the bare file, TFIN typed
        {"KALVO30.MXT", "KALVO31.TXT", {"3", "KALVO30"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        const SampleRun r = run_sample(c.sample, run_keys(c.load), c.points);
        ASSERT_FALSE(r.states.empty());
        // zeta is the intermediate axis.
        ASSERT_LT(r.body.J[0][0], r.body.J[2][2]);
        ASSERT_LT(r.body.J[2][2], r.body.J[1][1]);
        const Departures d = departures(r, kSpaceAxes, false);
        EXPECT_LT(d.energy, kDriftInEps * r.body.eps);
        for (double m : d.momentum) EXPECT_LT(m, kDriftInEps * r.body.eps);

        // The spin axis zeta starts along K and turns over: it points
        // against K, and back along it, in turn.
        const Mechanics m0 = mechanics(r.body, r.body.start);
        const V3 k = {m0.K[0] / norm(m0.K), m0.K[1] / norm(m0.K), m0.K[2] / norm(m0.K)};
        ASSERT_GT(dot(m0.zeta, k), 0.99);
        int flips = 0;
        double side = 1.0;
        for (const Stored& s : r.states) {
            const double along = dot(mechanics(r.body, s.y).zeta, k);
            if (along * side < -0.95) {
                ++flips;
                side = -side;
            }
        }
        EXPECT_GE(flips, 3);
    }
}

//---- heavy symmetric top ----

// The nutation of a heavy symmetric top (A = B, weight M g acting at l on the
// zeta axis, so M g l = -zeta_g FZ): with u = cos THETA, energy and the two
// conserved momenta K.ez and C w3 give
//   (du/dt)^2 = f(u) = (1 - u^2)(alpha - beta u) - (b - a u)^2,
// alpha = (2 E - C w3^2) / A, beta = 2 M g l / A, a = C w3 / A, b = K.ez / A.
// f is a cubic with roots u1 <= u2 in [-1, 1] and u3 > 1; THETA stays between
// acos(u2) and acos(u1), and goes from one to the other and back in
//   T = 4 K(m) / sqrt(beta (u3 - u1)),   m = (u2 - u1) / (u3 - u1),
// with K the complete elliptic integral of the first kind.
struct Nutation {
    double theta_min, theta_max, period;
};

double complete_elliptic_k(double m) {
    double a = 1.0, g = std::sqrt(1.0 - m);
    while (std::abs(a - g) > 1e-15 * a) {
        const double an = 0.5 * (a + g);
        g = std::sqrt(a * g);
        a = an;
    }
    return std::numbers::pi / (2.0 * a);
}

Nutation nutation(const Body& b) {
    const Mechanics m = mechanics(b, b.start);
    const double A = b.J[0][0], C = b.J[2][2], w3 = b.start[11];
    const double mgl = -b.zeta_g * b.force[2];
    const double alpha = (2.0 * m.energy - C * w3 * w3) / A, beta = 2.0 * mgl / A;
    const double a = C * w3 / A, bb = m.K[2] / A;
    auto f = [&](double u) { return (1.0 - u * u) * (alpha - beta * u) - (bb - a * u) * (bb - a * u); };
    // A root in [lo, hi] where f changes sign, by bisection.
    auto root = [&](double lo, double hi) {
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            if ((f(mid) > 0) == (f(lo) > 0))
                lo = mid;
            else
                hi = mid;
        }
        return 0.5 * (lo + hi);
    };
    // f is 0 at the start (the top is let go with THETA at rest), positive
    // between the roots; find where it is largest on a grid, then the roots
    // on either side.
    double top = -1.0, best = -1e300;
    for (int i = 1; i < 20000; ++i) {
        const double u = -1.0 + i / 10000.0;
        if (f(u) > best) best = f(u), top = u;
    }
    const double u1 = root(-1.0, top), u2 = root(top, 1.0);
    const double u3 = (alpha + a * a) / beta - u1 - u2;  // the roots add up to -(x^2 coefficient) / beta
    const double mk = (u2 - u1) / (u3 - u1);
    return {std::acos(u2), std::acos(u1), 4.0 * complete_elliptic_k(mk) / std::sqrt(beta * (u3 - u1))};
}

TEST_F(SamplesTest, HeavyTopNutatesBetweenTheBoundsOfItsEnergyCubic) {
    if constexpr (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no torque of the force";
    const SampleRun r = run_sample("KALVO20.MXT", run_keys({"3", "KALVO20"}), "KALVO21.TXT");
    ASSERT_FALSE(r.states.empty());
    ASSERT_EQ(r.body.J[0][0], r.body.J[1][1]);
    ASSERT_EQ(r.body.force[0], 0.0);
    ASSERT_EQ(r.body.force[1], 0.0);
    ASSERT_LT(r.body.force[2] * r.body.zeta_g, 0.0);  // weight down, acting above the pivot

    // Energy with the potential of the weight, K along the vertical, and the
    // momentum about the figure axis.
    const Departures d = departures(r, {{0, 0, 1}}, true);
    EXPECT_LT(d.energy, kDriftInEps * r.body.eps);
    for (double m : d.momentum) EXPECT_LT(m, kDriftInEps * r.body.eps);

    // THETA stays within the bounds and reaches both. Stored every TPRINT,
    // the states catch a turning point within about w^2 dTHETA TPRINT^2 / 8,
    // w the nutation frequency; 1e-3 is above that for this top.
    const Nutation n = nutation(r.body);
    double lo = 10.0, hi = -10.0;
    for (const Stored& s : r.states) lo = std::min(lo, s.y[4]), hi = std::max(hi, s.y[4]);
    EXPECT_NEAR(lo, n.theta_min, 1e-3);
    EXPECT_NEAR(hi, n.theta_max, 1e-3);
    EXPECT_GE(lo, n.theta_min - 1e-6);
    EXPECT_LE(hi, n.theta_max + 1e-6);

    // The deepest points of the nutation follow each other after T.
    std::vector<double> deepest;
    for (size_t i = 1; i + 1 < r.states.size(); ++i)
        if (r.states[i].y[4] > r.states[i - 1].y[4] && r.states[i].y[4] >= r.states[i + 1].y[4])
            deepest.push_back(r.states[i].t);
    ASSERT_GE(deepest.size(), 3u);
    const double mean = (deepest.back() - deepest.front()) / double(deepest.size() - 1);
    EXPECT_NEAR(mean, n.period, r.body.tprint);
}

//---- body started at THETA = 0 ----

TEST_F(SamplesTest, BodyStartedAtThetaZeroPassesTheSingularityOnItsPrecessionCone) {
    const SampleRun r = run_sample("KALVO40.MXT", run_keys({"3", "KALVO40"}), "KALVO41.TXT");
    ASSERT_FALSE(r.states.empty());
    ASSERT_EQ(r.body.start[4], 0.0);
    ASSERT_EQ(r.body.J[0][0], r.body.J[1][1]);
    const Departures d = departures(r, kSpaceAxes, true);
    EXPECT_LT(d.energy, kDriftInEps * r.body.eps);
    for (double m : d.momentum) EXPECT_LT(m, kDriftInEps * r.body.eps);

    // Free and symmetric, the figure axis keeps its angle to K while it turns
    // about it, and so comes back to the vertical it started from.
    const Mechanics m0 = mechanics(r.body, r.body.start);
    const double cone = m0.L[2] / norm(m0.K);
    double highest = -1.0;
    for (const Stored& s : r.states) {
        const Mechanics m = mechanics(r.body, s.y);
        EXPECT_NEAR(dot(m.zeta, m.K) / norm(m.K), cone, kDriftInEps * r.body.eps) << s.t;
        if (s.t > r.body.tfin / 2) highest = std::max(highest, m.zeta[2]);
    }
    EXPECT_GT(highest, 0.999);
}

//---- parameters with which no leg can reach its end ----

TEST_F(SamplesTest, LegsThatCannotReachTfinStopSoonWithTheirDiagnosticsKeptSmall) {
    // NOSTOP, the next points file, (a leg that ends, MORE), an empty line
    // at the pause, OUT at the leg prompt and at the main menu.
    const std::vector<std::string> stop = {"100", "3", "", "", "6", "6"};
    const std::vector<std::string> more_then_stop = {"100", "3", "", "", "", "6", "6"};
    struct Case {
        std::vector<std::string> edits, rest;
    };
    const Case cases[] = {
        // A first step of 1e-26 that grows by 1 + 1e-13 a retry.
        {{"1,1", "1.", "2,1", "2.", "2,2", "1D-20", "10,2", "1.0000000000001"}, stop},
        // EPS 1e-17: step-too-small warnings keep starting the pass limit again.
        {{"1,1", "1.", "2,1", "2.", "1,2", "1.D-17"}, stop},
        // Steps cut to 1e-30 times themselves at every such warning, from the
        // continuation on.
        {{"12,2", "1.E-30", "2,2", "1.E-30"}, more_then_stop},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("fort.88");
        std::filesystem::remove("KALVO30.MXT");
        std::filesystem::copy_file(std::string(KALVO_SOURCE_DIR) + "/examples/KALVO30.MXT", "KALVO30.MXT");
        std::vector<std::string> keys = {"3", "KALVO30"};
        keys.insert(keys.end(), c.edits.begin(), c.edits.end());
        keys.insert(keys.end(), c.rest.begin(), c.rest.end());
        const Session s = run_program(keys, 60);
        const std::string& name = c.edits.back();
        EXPECT_FALSE(s.timed_out) << name;
        EXPECT_TRUE(s.finished) << name;
        EXPECT_FALSE(s.input_ended) << name;
        ASSERT_GE(s.reads.size(), 3u);
        EXPECT_TRUE(s.reads[s.reads.size() - 3].contains("tfin non raggiunto. KPUNTM piccolo.")) << name;
        EXPECT_TRUE(s.last().contains("6=OUT")) << name;
        const auto size = std::filesystem::file_size("fort.88");
        EXPECT_GT(size, 0u) << name;
        EXPECT_LT(size, 2000000u) << name;
    }
}

}  // namespace
