// Tests for motion/rrkqc.cpp: the Runge-Kutta step and the quality-controlled step.
#include "motion/rrkqc.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "motion/leg_limits.h"
#include "platform/units.h"
#include "tests/motion/motion_fixture.h"

namespace {

// Rate of component 1 is 1 from x = 4.5 on (0 before), all others 0. With
// H = 6 from x = 0 every stage lands on a multiple of 1.5 and the sums are
// exact: two half steps give 0.5 ((0 + 1) + 2 (1 + 1)) = 2.5, the full step
// 1 ((0 + 1) + 2 (0 + 0)) = 1, so their difference is 1.5.
void late_push(double& x, const State&, State& r) {
    r.fill(0.0);
    r(1) = x >= 4.5 ? 1.0 : 0.0;
}
// The mirror image for a step of -6.
void late_push_back(double& x, const State&, State& r) {
    r.fill(0.0);
    r(1) = x <= -4.5 ? 1.0 : 0.0;
}
void still(double&, const State&, State& r) { r.fill(0.0); }
void rate_is_time(double& x, const State&, State& r) {
    r.fill(0.0);
    r(1) = x;
}
void exponential(double&, const State& y, State& r) {
    r.fill(0.0);
    r(1) = y(1);
}
void not_a_number(double&, const State&, State& r) { r.fill(std::nan("")); }
void jump_after_1e10(double& x, const State&, State& r) {
    r.fill(0.0);
    r(1) = x > 1e10 ? 1.0 : 0.0;
}

int calls = 0;
int singular_at = 0;
// Counts its calls and meets the singularity at call number singular_at.
void counting(double& x, const State&, State& r) {
    if (++calls == singular_at) {
        NCC = 1;
        return;
    }
    r.fill(0.0);
    r(1) = 1.0 + x;
}

class Rrkqc : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        reset();
    }
    // Fresh arguments, and no records on unit 88.
    void reset() {
        close_all_units();
        std::filesystem::remove("fort.88");
        x = 0.0, h_done = -7.0, hnext = -7.0;
        imax = -1, nerr = -1, nret1 = 0;
        NCC = 0;
        y.fill(0.0);
        dydx.fill(0.0);
        scale.fill(1.0);
        factors = Vec3{{10.0, 1.0, 1.0}};
        calls = 0;
        singular_at = 0;
        start_leg_limits();
    }
    void step(DerivsRoutine f, double h_try, double eps) {
#if KALVO_EARLIER_EDITION
        RRKQC(nret1, y, dydx, x, h_try, eps, scale, h_done, hnext, f, factors);
#else
        RRKQC(imax, nerr, nret1, y, dydx, x, h_try, eps, scale, h_done, hnext, f, factors);
#endif
    }
    State y, dydx, scale;
    Vec3 factors;
    double x = 0.0, h_done = -7.0, hnext = -7.0;
    int16_t imax = -1, nerr = -1, nret1 = 0;
};

TEST_F(Rrkqc, ErrmaxOfExactlyOneIsAcceptedWithTheCorrection) {
    scale(1) = 1.5;  // scaled error 1.5 / 1.5 = 1
    step(late_push, 6.0, 1.0);
    EXPECT_EQ(x, 6.0);
    EXPECT_EQ(h_done, 6.0);
    EXPECT_EQ(hnext, (0.9 * 6.0) * std::pow(1.0, -0.2));
    EXPECT_EQ(y(1), 2.5 + 0.666666667 * 1.5);
    for (int k = 2; k <= 12; ++k) EXPECT_EQ(y(k), 0.0);
    if (kCurrentEdition) {
        EXPECT_EQ(imax, 1);
        EXPECT_EQ(nerr, 0);
    }
    // A negative step mirrors it.
    reset();
    scale(1) = 1.5;
    step(late_push_back, -6.0, 1.0);
    EXPECT_EQ(x, -6.0);
    EXPECT_EQ(h_done, -6.0);
    EXPECT_EQ(hnext, -(0.9 * 6.0));
    EXPECT_EQ(y(1), -(2.5 + 0.666666667 * 1.5));
}

TEST_F(Rrkqc, ErrmaxOfExactlySixTenThousandthsGrowsTheStepFourTimes) {
    scale(1) = 1.5 / 6e-4;
    ASSERT_EQ(1.5 / scale(1), 6e-4);
    step(late_push, 6.0, 1.0);
    EXPECT_EQ(hnext, 24.0);
    // Just above it the growth rule applies.
    reset();
    scale(1) = std::nextafter(1.5 / 6e-4, 0.0);
    ASSERT_GT(1.5 / scale(1), 6e-4);
    step(late_push, 6.0, 1.0);
    EXPECT_EQ(hnext, (0.9 * 6.0) * std::pow(1.5 / scale(1), -0.2));
    EXPECT_LT(hnext, 24.0);
}

TEST_F(Rrkqc, ErrorAboveOneRejectsAndShrinksTheStep) {
    scale(1) = 1.0;  // scaled error 1.5
    step(late_push, 6.0, 1.0);
    // The retry with (0.9 * 6) 1.5^-0.25 = 4.879 puts every stage before
    // x = 4.5 but the last: half steps 4.879 / 12 ((0 + 1) + 0), full step 0.
    const double h2 = (0.9 * 6.0) * std::pow(1.5, -0.25);
    EXPECT_EQ(h_done, h2);
    EXPECT_EQ(x, h2);
    if (kCurrentEdition) {
        EXPECT_EQ(nerr, 1);
    }
    EXPECT_LT(h_done, 6.0);
}

TEST_F(Rrkqc, AllErrorsZeroGiveTheLastIndexAndFourTimesTheStep) {
    y(3) = 2.0;
    step(still, 0.5, 1e-8);
    EXPECT_EQ(h_done, 0.5);
    EXPECT_EQ(hnext, 2.0);
    EXPECT_EQ(y(3), 2.0);
    if (kCurrentEdition) {
        EXPECT_EQ(imax, 12);
    }
}

TEST_F(Rrkqc, ErrorsThatAreNotNumbersAreSkippedAndTheTrialAccepted) {
    step(not_a_number, 0.5, 1e-8);
    EXPECT_EQ(h_done, 0.5);
    EXPECT_EQ(hnext, 2.0);
    EXPECT_TRUE(std::isnan(y(1)));
    if (kCurrentEdition) {
        EXPECT_EQ(imax, 0);
    }
}

TEST_F(Rrkqc, AcceptedResultIsTheHalfStepsPlusTheirCorrection) {
    // y' = y: one Runge-Kutta step multiplies by P(z) = 1 + z + z^2/2 + z^3/6 + z^4/24.
    auto P = [](double z) { return 1.0 + z + z * z / 2.0 + z * z * z / 6.0 + z * z * z * z / 24.0; };
    y(1) = 1.0;
    dydx(1) = 1.0;
    scale(1) = 1.0;
    step(exponential, 0.2, 1e-3);
    const double halves = P(0.1) * P(0.1);
    const double full = P(0.2);
    EXPECT_EQ(h_done, 0.2);
    EXPECT_NEAR(y(1), halves + 0.666666667 * (halves - full), 1e-15);
    // The correction is not 1/15: the result differs from that of 1/15.
    EXPECT_GT(std::fabs(y(1) - (halves + (halves - full) / 15.0)), 1e-9);
}

TEST_F(Rrkqc, RatesOnReturnAreThoseOfTheMiddleOfTheStep) {
    step(rate_is_time, 2.0, 1.0);
    EXPECT_EQ(h_done, 2.0);
    EXPECT_EQ(dydx(1), 1.0);
    // Simpson's rule is exact for y' = x: y(2) = 2.
    EXPECT_NEAR(y(1), 2.0, 1e-15);
}

TEST_F(Rrkqc, InsignificantStepWritesTwoRecordsAndGrowsTheStep) {
    // At 1e20 (half a last place is 8192) steps of 1, 10, 100 and 1000 do
    // not move the time; 10000 does.
    x = 1e20;
    y(1) = 2.5;
    y(2) = -0.125;
    step(still, 1.0, 1e-6);
    EXPECT_EQ(nret1, 4);
    EXPECT_EQ(h_done, 1e4);
    EXPECT_EQ(x, 1e20 + 1e4);
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], " Stepsize not significant in RRKQC.");
    EXPECT_EQ(lines[1],
              " NRET1,X,ERRMAX,H,YK(1),YK(2)  0  0.100000D+21  0.000000D+00  0.100000D+01  0.250000D+01 "
              "-0.125000D+00");
    EXPECT_EQ(lines[6], " Stepsize not significant in RRKQC.");
    EXPECT_EQ(lines[7],
              " NRET1,X,ERRMAX,H,YK(1),YK(2)  3  0.100000D+21  0.000000D+00  0.100000D+04  0.250000D+01 "
              "-0.125000D+00");
    // The counter wraps at 16 bits; I3 cannot show it.
    reset();
    x = 1e20;
    nret1 = 32767;
    step(still, 1.0, 1e-6);
    EXPECT_EQ(nret1, -32765);
    EXPECT_EQ(unit88()[1].substr(0, 32), " NRET1,X,ERRMAX,H,YK(1),YK(2)***");
    // A slow growth retries as long as it takes: at 1e10 half a last place
    // is 2^-20, and 1e-7 times 1.001^k passes it first for k = 2257.
    reset();
    factors(1) = 1.001;
    x = 1e10;
    step(still, 1e-7, 1e-6);
    EXPECT_EQ(nret1, 2257);
    EXPECT_EQ(x, 1e10 + 0x1p-19);
    EXPECT_GT(h_done, 0x1p-20);
    EXPECT_LT(h_done, 1.001 * 0x1p-20);
    EXPECT_EQ(unit88().size(), 2u * 2257u);
    // Only the first 5000 such steps of a leg are written; the leg's last
    // record counts the others.
    reset();
    factors(1) = 1.0001;
    x = 1e10;
    step(still, 1e-7, 1e-6);
    EXPECT_EQ(nret1, 22553);
    EXPECT_EQ(x, 1e10 + 0x1p-19);
    EXPECT_EQ(unit88().size(), 2u * 5000u);
    write_records_left_out();
    EXPECT_EQ(unit88().back(),
              " Avvisi oltre il limite, non scritti:RRKQC,Hmin,H piccolo   17553       0       0");
    // A step that does not grow may still move the time when its sign turns:
    // below 1 the last place is half as wide, so -1e-16 moves x = 1 down.
    reset();
    factors(1) = -1.0;
    x = 1.0;
    step(still, 1e-16, 1e-6);
    EXPECT_EQ(nret1, 1);
    EXPECT_EQ(x, 1.0 - 0x1p-53);
    EXPECT_EQ(h_done, -1e-16);
}

// A D14.6 field read back.
double field(const std::string& line, int first_column) {
    std::string f = line.substr(first_column - 1, 14);
    for (char& c : f)
        if (c == 'D') c = 'E';
    return std::stod(f);
}

TEST_F(Rrkqc, InsignificantStepAfterARejectionShowsThatTrialsError) {
    // y' = y with z = 1e5 is rejected; the shrunk step, about 31, does not
    // move x = 2^60 (half a last place is 128); ten times it does and is accepted.
    auto P = [](double z) { return 1.0 + z + z * z / 2.0 + z * z * z / 6.0 + z * z * z * z / 24.0; };
    x = 1152921504606846976.0;
    y(1) = 1.0;
    dydx(1) = 1.0;
    scale(1) = 1e21;
    step(exponential, 1e5, 1.0);
    const double errmax = std::fabs(P(5e4) * P(5e4) - P(1e5)) / 1e21;
    const double h2 = (0.9 * 1e5) * std::pow(errmax, -0.25);
    ASSERT_LT(h2, 128.0);
    ASSERT_GT(10.0 * h2, 128.0);
    EXPECT_EQ(nret1, 1);
    EXPECT_NEAR(h_done / (10.0 * h2), 1.0, 1e-12);
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 32), " NRET1,X,ERRMAX,H,YK(1),YK(2)  0");
    EXPECT_NEAR(field(lines[1], 33) / 1152921504606846976.0, 1.0, 5e-6);
    EXPECT_NEAR(field(lines[1], 47) / errmax, 1.0, 5e-6);
    EXPECT_NEAR(field(lines[1], 61) / h2, 1.0, 5e-6);
    EXPECT_NEAR(field(lines[1], 75) / (P(h2 / 2) * P(h2 / 2)), 1.0, 5e-6);
}

TEST_F(Rrkqc, StepThatCanNeverMoveTheTimeEndsWhereItBeganInsteadOfLoopingForever) {
    for (double delh1 : {1.0, 0.0, -0.5}) {
        reset();
        factors(1) = delh1;
        x = 1e20;
        y(4) = 0.5;
        dydx(4) = 0.25;
        step(still, 1.0, 1e-6);
        EXPECT_EQ(x, 1e20) << delh1;
        EXPECT_EQ(y(4), 0.5);
        EXPECT_EQ(dydx(4), 0.25);
        EXPECT_EQ(h_done, -7.0);
        EXPECT_EQ(hnext, -7.0);
        const auto lines = unit88();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().substr(0, 52), " RRKQC: stepsize never significant, retries stopped.");
    }
    // With DELH1 -0.5 the steps 1 and -0.5 are found too small, and 0.25 lies
    // between them.
    EXPECT_EQ(unit88().back(),
              " RRKQC: stepsize never significant, retries stopped. N,X,H,DELH1       2  0.100000D+21 "
              " 0.250000D+00 -0.500000D+00");
    // An infinite time absorbs every finite step, however it grows.
    reset();
    x = std::numeric_limits<double>::infinity();
    step(still, 1.0, 1e-6);
    EXPECT_EQ(nret1, 1);
    EXPECT_EQ(unit88().size(), 3u);
    // A rate that jumps just after x = 1e10 puts an error of about H / 6
    // into every step that moves the time, far above EPS 1e-12: each
    // rejection shrinks the step below the last place of x, and the retries
    // grow it back into the next rejection.
    reset();
    x = 1e10;
    step(jump_after_1e10, 1e-5, 1e-12);
    EXPECT_EQ(x, 1e10);
    EXPECT_EQ(y(1), 0.0);
    EXPECT_EQ(h_done, -7.0);
    const auto lines = unit88();
    EXPECT_GT(lines.size(), 2u * 1000u);
    EXPECT_EQ(lines.back().substr(0, 52), " RRKQC: stepsize never significant, retries stopped.");
    // With EPS 1e-300 each of the thousand rejections shrinks the step some
    // 73 decades below the last place, and doubling it back takes some 240
    // retries: their count, every trial of the call but the rejected ones,
    // passes five columns and still shows.
    reset();
    factors(1) = 2.0;
    x = 1e10;
    step(jump_after_1e10, 1e-5, 1e-300);
    EXPECT_EQ(x, 1e10);
    const std::string last = unit88().back();
    ASSERT_EQ(last.size(), 114u);
    EXPECT_EQ(last.substr(0, 65), " RRKQC: stepsize never significant, retries stopped. N,X,H,DELH1 ");
    const long retries = std::stol(last.substr(65, 7));
    EXPECT_GT(retries, 99999);
    EXPECT_EQ(retries, repeated_events(1));
    if (kCurrentEdition) {
        EXPECT_EQ(retries, kLegTrials - trials_left - nerr);
    }
    EXPECT_EQ(last.substr(72, 14), "  0.100000D+11");
    EXPECT_EQ(last.substr(100), "  0.200000D+01");
    // A step that would need more retries than the leg has left gives up at
    // once: from 1e-20 at x = 1, growing by 1 + 1e-13 a retry (or turning
    // its sign too), it would take some 1e14 of them.
    for (double delh1 : {1.0000000000001, -1.0000000000001}) {
        reset();
        factors(1) = delh1;
        x = 1.0;
        step(still, 1e-20, 1e-6);
        EXPECT_EQ(x, 1.0);
        EXPECT_EQ(nret1, 1);
        const auto slow = unit88();
        ASSERT_EQ(slow.size(), 3u);
        EXPECT_EQ(slow[2].substr(0, 65), " RRKQC: stepsize significant only after N retries, step given up.");
        EXPECT_GT(field(slow[2], 78), 1e13);
        EXPECT_LT(field(slow[2], 78), 1e15);
    }
    // The leg's trials bound every call: with three left, the fourth trial
    // is not made.
    reset();
    trials_left = 3;
    x = 1e20;
    step(still, 1.0, 1e-6);
    EXPECT_EQ(x, 1e20);
    EXPECT_EQ(nret1, 3);
    EXPECT_EQ(unit88().back(),
              " RRKQC: the leg's trials are used up, step given up. N,X,H,DELH1 1000000  0.100000D+21 "
              " 0.100000D+04  0.100000D+02");
    // A zero step gives up at once.
    reset();
    step(still, 0.0, 1e-6);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(nret1, 1);
    EXPECT_EQ(unit88().size(), 3u);
    // With EPS 0 a non-zero error is infinitely large: the step shrinks to 0.
    reset();
    step(late_push, 6.0, 0.0);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(unit88().size(), 3u);
}

TEST_F(Rrkqc, EverySingularDerivativeCallEndsTheStepAtOnce) {
    const double H = 2.0;
    for (int k = 1; k <= 10; ++k) {
        reset();
        singular_at = k;
        x = 1.0;
        y(1) = 5.0;
        dydx(1) = 2.0;  // the rate 1 + x at x = 1
        step(counting, H, 1.0);
        EXPECT_EQ(calls, k);
        EXPECT_EQ(NCC, 1);
        EXPECT_EQ(h_done, -7.0);
        EXPECT_EQ(hnext, -7.0);
        if (k <= 3) {  // first half step
            EXPECT_EQ(x, 1.0) << k;
            EXPECT_EQ(y(1), 5.0) << k;
            EXPECT_EQ(dydx(1), 2.0) << k;
        } else if (k == 4) {  // the call at the middle
            EXPECT_EQ(x, 2.0) << k;
            EXPECT_EQ(y(1), 5.0) << k;
            EXPECT_EQ(dydx(1), 2.0) << k;
        } else if (k <= 7) {  // second half step
            EXPECT_EQ(x, 2.0) << k;
            EXPECT_EQ(y(1), 5.0) << k;
            EXPECT_EQ(dydx(1), 3.0) << k;
        } else {  // full step: the two half steps, uncorrected (y' = 1 + x from 1 to 3)
            EXPECT_EQ(x, 3.0) << k;
            EXPECT_NEAR(y(1), 5.0 + 2.0 + 4.0, 1e-14) << k;
            EXPECT_EQ(dydx(1), 3.0) << k;
        }
        NCC = 0;
    }
    // Without the singularity the trial needs exactly ten calls.
    reset();
    step(counting, H, 1.0);
    EXPECT_EQ(calls, 10);
}

TEST_F(Rrkqc, RungeKuttaStepIsExactForACubicRateAndStopsOnTheSingularity) {
    auto cubic = [](double& x, const State&, State& r) {
        r.fill(0.0);
        r(2) = x * x * x;
    };
    State y0 = make_state({0, 1.0});
    State r0;
    double x0 = 1.0;
    cubic(x0, y0, r0);
    State out;
    out.fill(-1.0);
    rk4_step(y0, r0, x0, 1.0, out, cubic);
    EXPECT_NEAR(out(2), 1.0 + (16.0 - 1.0) / 4.0, 4e-15);  // 1 + (x^4 / 4) from 1 to 2
    for (int k = 1; k <= 3; ++k) {
        calls = 0;
        singular_at = k;
        out.fill(-1.0);
        rk4_step(y0, r0, x0, 1.0, out, counting);
        EXPECT_EQ(calls, k);
        for (int i = 1; i <= 12; ++i) EXPECT_EQ(out(i), -1.0);
        NCC = 0;
    }
}

}  // namespace
