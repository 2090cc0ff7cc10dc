#include "motion/rrkqc.h"

#include <cmath>

#include "motion/leg_limits.h"
#include "platform/format.h"
#include "platform/mathfn.h"
#include "platform/units.h"

namespace {

constexpr double kHalf = 0.5;
constexpr double kSixth = 6.0;               // h/6 = h / 6.0
constexpr double kMiddleWeight = 2.0;        // weight of the summed middle stages
constexpr double kAccept = 1.0;              // largest accepted ERRMAX
constexpr double kSafety = 0.9;              // safety factor of both step-size rules
constexpr double kShrinkPower = -0.25;       // exponent after a rejected trial
constexpr double kGrowPower = -0.2;          // exponent after an accepted trial
constexpr double kFullGrowth = 6e-4;         // ERRMAX at or below this: growth by kMaxGrowth
constexpr double kMaxGrowth = 4.0;           // largest growth factor
constexpr double kCorrection = 0.666666667;  // weight of the step-doubling correction
constexpr int kDiagnosticsUnit = 88;
// Rejections in one call that shrink the step back below what moves the
// time, after which the call gives up: EPS then asks for a step finer than
// the time can resolve, and every step that moves it may be rejected forever.
constexpr int kMaxFallsBack = 1000;

const FieldFormat kInsignificantFormat("(1X,A,I3,6D14.6)");
// The records of a call that gives up. Its count of trials is at most the
// leg's allowance, which the seven columns of I7 hold; the retries a step
// would still need can pass any integer field and are written as a real.
const FieldFormat kGiveUpFormat("(1X,A,1X,I7,3D14.6)");
const FieldFormat kLimitFormat("(1X,A,4D14.6)");
static_assert(kLegTrials <= 9999999, "a count of trials must fit the seven columns of its record");

// Work areas shared by rk4_step and RRKQC.
double saved_x;     // step_saved: time on entry
State saved_y;      // step_saved: state on entry
State saved_rates;  // step_saved: rates on entry
State step_result;  // first half step, then full step, then the difference
State stage_state;  // state at which a stage derivative is evaluated
State stage_a;      // stage_rates A
State stage_b;      // stage_rates B, ends up holding the sum of the middle stages

// The classic fourth-order Runge-Kutta step, y_out written only when every
// stage derivative was obtained. Returns false when a derivative call met
// the Euler-angle singularity.
inline bool rk4(const State& y, const State& r, const double& x, const double& h, State& y_out,
                DerivsRoutine f) {
    const double hh = kHalf * h;
    const double h6 = h / kSixth;
    double xh = x + hh;
    for (int i = 1; i <= 12; ++i) stage_state(i) = r(i) * hh + y(i);
    f(xh, stage_state, stage_a);
    if (NCC == 1) return false;
    for (int i = 1; i <= 12; ++i) stage_state(i) = stage_a(i) * hh + y(i);
    f(xh, stage_state, stage_b);
    if (NCC == 1) return false;
    for (int i = 1; i <= 12; ++i) {
        stage_state(i) = y(i) + h * stage_b(i);
        stage_b(i) = stage_a(i) + stage_b(i);
    }
    double xf = x + h;
    f(xf, stage_state, stage_a);
    if (NCC == 1) return false;
    for (int i = 1; i <= 12; ++i) y_out(i) = y(i) + h6 * ((r(i) + stage_a(i)) + kMiddleWeight * stage_b(i));
    return true;
}

inline int16_t plus_one(int16_t n) { return int16_t(uint16_t(n) + 1u); }

// The steps found too small to move the time in one call: x + h rounds to x
// for every h between the most negative and the most positive of them,
// since rounding is monotonic in h.
struct Insignificant {
    double below = 0.0;     // the most negative such step
    double above = 0.0;     // the most positive such step
    bool rejected = false;  // a trial that moved the time was rejected since the last such step
    int falls_back = 0;     // such steps that followed a rejection
    void add(double h) {
        if (h < below) below = h;
        if (h > above) above = h;
        if (rejected) ++falls_back;
        rejected = false;
    }
    bool holds(double h) const { return h >= below && h <= above; }
};

// Whether the retries after a step too small to move the time x stop here,
// with h the next step to try. They can never move it when x is infinite (it
// absorbs every finite step), when h is zero (it stays zero) or not finite,
// and when |DELH1| is at most 1 and h lies among the steps already found too
// small: the steps then never grow, so every later one lies among them too
// (with a negative DELH1 the signs alternate and each sign shrinks on its
// own). With |DELH1| above 1 the step grows until it moves the time; the
// retries then stop only once rejections keep shrinking it back.
bool stop_retries(double x, double h, double delh1, const Insignificant& found) {
    if (!std::isfinite(x) || h == 0.0 || !std::isfinite(h)) return true;
    if (found.falls_back > kMaxFallsBack) return true;
    return std::fabs(delh1) <= 1.0 && found.holds(h);
}

// How many times at least a step h that does not move the finite time x must
// be multiplied by g, of magnitude above 1, before it does: x + h differs
// from x only once |h| reaches half the spacing of doubles at x, on the
// closer side of x.
double growths_to_move(double x, double h, double g) {
    const double above = std::nextafter(x, INFINITY) - x;
    const double below = x - std::nextafter(x, -INFINITY);
    const double needed = 0.5 * std::fmin(above, below);
    const double n = std::log(needed / std::fabs(h)) / std::log(std::fabs(g));
    return n > 0.0 ? std::floor(n) : 0.0;
}

// A call that cannot finish ends where it began.
void end_where_it_began(State& y, State& dydx, double& X) {
    X = saved_x;
    y = saved_y;
    dydx = saved_rates;
}

// One call of the quality-controlled step, for both editions.
void quality_step(int16_t& IMAX, int16_t& NERR, int16_t& NRET1, State& y, State& dydx, double& X,
                  const double& h_try, const double& EPS, const State& scale, double& h_done, double& HNEXT,
                  DerivsRoutine derivs, const Vec3& factors) {
    saved_x = X;
    saved_y = y;
    saved_rates = dydx;
    double ERRMAX = 0.0;
    NERR = 0;
    double H = h_try;
    int retries = 0;
    Insignificant found;
    for (;;) {
        // Every trial comes out of the leg's allowance, so that no leg can
        // keep retrying for ever.
        if (trials_left <= 0) {
            write_unit(kDiagnosticsUnit, kGiveUpFormat,
                       "RRKQC: the leg's trials are used up, step given up. N,X,H,DELH1", kLegTrials, saved_x,
                       H, factors(1));
            end_where_it_began(y, dydx, X);
            return;
        }
        --trials_left;
        const double hh = kHalf * H;
        if (!rk4(saved_y, saved_rates, saved_x, hh, step_result, derivs)) return;
        X = saved_x + hh;
        derivs(X, step_result, dydx);
        if (NCC == 1) return;
        if (!rk4(step_result, dydx, X, hh, y, derivs)) return;
        X = saved_x + H;
        if (X == saved_x || (kEarlierEdition && std::isnan(X))) {
            // The step is too small to move the time: grow it and try again.
            if (keep_records_of(Repeated::insignificant_step)) {
                write_unit(kDiagnosticsUnit, kInsignificantFormat, "Stepsize not significant in RRKQC.");
                write_unit(kDiagnosticsUnit, kInsignificantFormat, "NRET1,X,ERRMAX,H,YK(1),YK(2)", NRET1, X,
                           ERRMAX, H, y(1), y(2));
            }
            NRET1 = plus_one(NRET1);
            found.add(H);
            H = H * factors(1);
            ++retries;
            if (stop_retries(saved_x, H, factors(1), found)) {
                // The time cannot be moved: the call ends where it began.
                write_unit(kDiagnosticsUnit, kGiveUpFormat,
                           "RRKQC: stepsize never significant, retries stopped. N,X,H,DELH1",
                           int32_t(retries), saved_x, H, factors(1));
                end_where_it_began(y, dydx, X);
                return;
            }
            // A step that grows too slowly to move the time within the
            // leg's allowance is given up before the retries begin.
            if (std::fabs(factors(1)) > 1.0) {
                const double n = growths_to_move(saved_x, H, factors(1));
                if (n > double(trials_left)) {
                    write_unit(kDiagnosticsUnit, kLimitFormat,
                               "RRKQC: stepsize significant only after N retries, step given up. N,X,H,DELH1",
                               n, saved_x, H, factors(1));
                    end_where_it_began(y, dydx, X);
                    return;
                }
            }
            continue;
        }
        if (!rk4(saved_y, saved_rates, saved_x, H, step_result, derivs)) return;

        // Error of the two half steps, estimated from their difference to the full step.
        ERRMAX = 0.0;
        int16_t index = 0;
        for (int i = 1; i <= 12; ++i) {
            step_result(i) = y(i) - step_result(i);
            const double e = std::fabs(step_result(i) / scale(i));
            if (e >= ERRMAX) {
                index = int16_t(i);
                ERRMAX = e;
            }
        }
        IMAX = index;
        ERRMAX = ERRMAX / EPS;
        if (!(ERRMAX > kAccept)) {
            h_done = H;
            HNEXT = ERRMAX > kFullGrowth ? (kSafety * H) * k_pow(ERRMAX, kGrowPower) : kMaxGrowth * H;
            for (int i = 1; i <= 12; ++i) y(i) = y(i) + kCorrection * step_result(i);
            return;
        }
        H = (kSafety * H) * k_pow(ERRMAX, kShrinkPower);
        NERR = plus_one(NERR);
        found.rejected = true;
    }
}

}  // namespace

void rk4_step(const State& y, const State& r, const double& x, const double& h, State& y_out,
              DerivsRoutine rates_routine) {
    rk4(y, r, x, h, y_out, rates_routine);
}

#if KALVO_EARLIER_EDITION
void RRKQC(int16_t& NRET1, State& y, State& dydx, double& X, const double& h_try, const double& EPS,
           const State& scale, double& h_done, double& HNEXT, DerivsRoutine derivs, const Vec3& factors) {
    static int16_t index;     // the largest error's index: nobody reads it here
    static int16_t rejected;  // rejected trials of the last call: nobody reads them
    quality_step(index, rejected, NRET1, y, dydx, X, h_try, EPS, scale, h_done, HNEXT, derivs, factors);
}
#else
void RRKQC(int16_t& IMAX, int16_t& NERR, int16_t& NRET1, State& y, State& dydx, double& X,
           const double& h_try, const double& EPS, const State& scale, double& h_done, double& HNEXT,
           DerivsRoutine derivs, const Vec3& factors) {
    quality_step(IMAX, NERR, NRET1, y, dydx, X, h_try, EPS, scale, h_done, HNEXT, derivs, factors);
}
#endif
