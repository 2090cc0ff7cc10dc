// Tests for motion/integrate.cpp: the integration driver, its stored
// states, its ends, its warnings on unit 88 and its bounds.
#include "motion/integrate.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "motion/derivs.h"
#include "motion/rrkqc.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/motion/motion_fixture.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Rates that the warnings show; nothing is singular.
void fixed_rates(double&, const State&, State& r) {
    r.fill(0.0);
    r(4) = 0.5, r(5) = -0.25, r(6) = 2.0;
    r(10) = -1.0, r(11) = 0.125, r(12) = 8.0;
}

int singular_calls = 0;
void always_singular(double&, const State&, State&) {
    ++singular_calls;
    NCC = 1;
}

// A step routine under the test's control: every call advances X by the
// step tried and G's first coordinate with it.
struct FakeStep {
    int calls = 0;
    std::vector<double> tried;
    double hnext = 0.0;     // proposed step; 0: the step tried
    int16_t add_nret1 = 0;  // insignificant steps reported by call number nret1_call
    int nret1_call = 0;     // -1: every call
    int quiet_call = 0;     // with nret1_call -1, this call reports none
    int singular_call = 0;  // this call meets the singularity halfway
    int smaller_call = 0;   // this call takes half the step tried
} fake;

void fake_body(int16_t& NRET1, State& y, double& X, const double& h_try, double& h_done, double& HNEXT) {
    ++fake.calls;
    fake.tried.push_back(h_try);
    if (fake.calls == fake.singular_call) {
        X = X + 0.5 * h_try;
        NCC = 1;
        return;
    }
    const double h = fake.calls == fake.smaller_call ? 0.5 * h_try : h_try;
    X = X + h;
    y(1) = y(1) + h;
    h_done = h;
    HNEXT = fake.hnext != 0.0 ? fake.hnext : h_try;
    if (fake.calls == fake.nret1_call || (fake.nret1_call == -1 && fake.calls != fake.quiet_call))
        NRET1 = int16_t(NRET1 + fake.add_nret1);
}

#if KALVO_EARLIER_EDITION
void fake_step(int16_t& NRET1, State& y, State&, double& X, const double& h_try, const double&, const State&,
               double& h_done, double& HNEXT, DerivsRoutine, const Vec3&) {
    fake_body(NRET1, y, X, h_try, h_done, HNEXT);
}
#else
void fake_step(int16_t& IMAX, int16_t& NERR, int16_t& NRET1, State& y, State&, double& X, const double& h_try,
               const double&, const State&, double& h_done, double& HNEXT, DerivsRoutine, const Vec3&) {
    IMAX = 7;
    NERR = 2;
    fake_body(NRET1, y, X, h_try, h_done, HNEXT);
}
#endif

// The stored-state hook: counts, and sets run_state or NCC when told to.
struct Hook {
    int calls = 0;
    int set_run_state_at = 0;
    int16_t run_state_value = 1;
    int set_singular_at = 0;
    std::vector<double> times;
} hook;

void on_stored(Text<120>&) {
    ++hook.calls;
    hook.times.push_back(TIME(NTIME));
    if (hook.calls == hook.set_run_state_at) run_state = hook.run_state_value;
    if (hook.calls == hook.set_singular_at) NCC = 1;
}

// The text row that shows the text, 0 when none does.
int screen_row_containing(const std::string& text) {
    for (int row = 1; row <= 60; ++row)
        if (screen_row(row).find(text) != std::string::npos) return row;
    return 0;
}

class Driver : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        reset();
    }
    // A fresh leg: no records on unit 88, the fakes and the hook cleared.
    void reset() {
        close_all_units();
        std::filesystem::remove("fort.88");
        run_state = 0;
        nok = -5, nbad = -5;
        fake = FakeStep{};
        hook = Hook{};
        singular_calls = 0;
        after_stored_state = on_stored;
        diagonal_body(1.0, 2.0, 3.0);
        NTIME = 1;
        // Dyadic times: steps of 1/8 from 0 to 1, states due every 1/4.
        leg_params(0.0, 1.0, 1e-6, 0.125, 0.25, 0.01);
        start_state(make_state({0, 0, 0, 1.5, 0.75, -3.0, 0, 0, 0, 0.25, -0.5, 4.0}));
        continuation_state.fill(-9.0);
        continuation_recorded = true;  // as an earlier leg left it
    }
    void run(DerivsRoutine derivs = fixed_rates, StepRoutine step = fake_step) {
        NCC = 0;
        integrate_path(continuation_state, nok, nbad, derivs, step, run_state, work_line);
    }
    static std::vector<double> times() {
        std::vector<double> t;
        for (int n = 1; n <= NTIME; ++n) t.push_back(TIME(n));
        return t;
    }
    int16_t nok = -5, nbad = -5;
    Text<120> work_line;
};

using Times = std::vector<double>;

//---- stored states and the normal end ----

TEST_F(Driver, ForwardLegStoresDueStatesAndReplacesTheNewestWithTheEnd) {
    continuation_recorded = false;
    run();
    // Stored at 0.25, 0.5 and 0.75; the end at 1 replaces the newest.
    EXPECT_EQ(hook.times, (Times{0.25, 0.5, 0.75}));
    EXPECT_EQ(times(), (Times{0.0, 0.25, 0.5, 1.0}));
    EXPECT_EQ(YP(1, 4), 1.0);
    EXPECT_EQ(YP(1, 3), 0.5);
    EXPECT_EQ(fake.calls, 8);
    EXPECT_EQ(nok, 8);
    EXPECT_EQ(nbad, 0);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(real_params(rp::DXSAV), 0.01);
    // periodo = TFIN - TZERO: the continuation state is the end state.
    EXPECT_EQ(continuation_state(1), 1.0);
    EXPECT_EQ(continuation_state(2), 2.0);
    EXPECT_EQ(continuation_state(3), 1.0);
    EXPECT_EQ(continuation_state(6), 1.5);
    EXPECT_TRUE(continuation_recorded);
}

TEST_F(Driver, BackwardLegStepsAndStoresBackwards) {
    leg_params(1.0, 0.0, 1e-6, 0.125, 0.25, 0.01);
    real_params(rp::TPRINT) = -0.25;
    real_params(rp::DXSAV) = -0.01;
    start_state(make_state({1.0, 0, 0, 1.5, 0.75, -3.0}));
    run();
    for (double h : fake.tried) EXPECT_EQ(h, -0.125);
    EXPECT_EQ(hook.times, (Times{0.75, 0.5, 0.25}));
    EXPECT_EQ(times(), (Times{1.0, 0.75, 0.5, 0.0}));
    // periodo = -1 holds from the first pass: the state at the top of the last pass.
    EXPECT_EQ(continuation_state(1), 0.125);
    EXPECT_EQ(continuation_state(2), -1.0);
    EXPECT_EQ(continuation_state(3), 1.0 - 0.875);
    // The normal end writes nothing back.
    EXPECT_EQ(real_params(rp::TPRINT), -0.25);
}

TEST_F(Driver, PeriodoZeroRecordsTheContinuationFromTheFirstPass) {
    periodo = 0.0;
    run();
    EXPECT_EQ(continuation_state(1), 0.875);
    EXPECT_EQ(continuation_state(2), 1.0);
    EXPECT_EQ(continuation_state(3), 0.875);
}

TEST_F(Driver, FirstPassStoresOnlyWithHalfTheFirstStepPastTprintAndDxsavNotZero) {
    leg_params(0.0, 1.0, 1e-6, 0.5, 0.25, 0.01);
    run();
    ASSERT_GE(hook.times.size(), 1u);
    EXPECT_EQ(hook.times[0], 0.0);
    EXPECT_EQ(TIME(2), 0.0);
    reset();
    leg_params(0.0, 1.0, 1e-6, 0.5, 0.25, 0.0);
    run();
    ASSERT_GE(hook.times.size(), 1u);
    EXPECT_EQ(hook.times[0], 0.5);
    reset();
    leg_params(0.0, 1.0, 1e-6, 0.25, 0.25, 0.01);  // 0.125 < 0.25: not due
    run();
    ASSERT_GE(hook.times.size(), 1u);
    EXPECT_EQ(hook.times[0], 0.25);
}

TEST_F(Driver, WithTprintZeroEveryStepFartherThanDxsavIsStored) {
    leg_params(0.0, 1.0, 1e-6, 0.125, 0.0, 0.2);
    run();
    EXPECT_EQ(hook.times, (Times{0.0, 0.25, 0.5, 0.75}));
    EXPECT_EQ(times(), (Times{0.0, 0.0, 0.25, 0.5, 1.0}));
}

TEST_F(Driver, StepsLongerThanTprintLeaveXnextBehind) {
    // XNEXT advances by 0.25 per stored state while X advances by 0.5.
    leg_params(0.0, 4.0, 1e-6, 0.5, 0.25, 0.01);
    run();
    EXPECT_EQ(hook.times, (Times{0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5}));
}

//---- the table of stored states ----

TEST_F(Driver, LegFromNtime1998StoresOneStateThenTakesOneMoreStep) {
    NTIME = 1998;
    leg_params(0.0, 1.0, 1e-6, 0.125, 0.125, 0.01);
    real_params(rp::TPRINT) = -0.125;
    run();
    EXPECT_EQ(hook.times, (Times{0.125}));
    EXPECT_EQ(NTIME, 1999);
    EXPECT_EQ(TIME(1999), 0.125);
    EXPECT_EQ(YP(1, 1999), 0.125);
    EXPECT_EQ(fake.calls, 2);
    EXPECT_EQ(run_state, 1);
    EXPECT_EQ(real_params(rp::TPRINT), 0.125);
    // The state after that step is recorded only as the continuation state.
    EXPECT_EQ(continuation_state(1), 0.25);
    EXPECT_EQ(continuation_state(3), 0.25);
}

TEST_F(Driver, LegFromNtime1998ThatReachesTfinReplacesRecord1999) {
    NTIME = 1998;
    leg_params(0.0, 0.25, 1e-6, 0.125, 0.125, 0.01);
    run();
    EXPECT_EQ(NTIME, 1999);
    EXPECT_EQ(TIME(1999), 0.25);
    EXPECT_EQ(YP(1, 1999), 0.25);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(continuation_state(1), -9.0);
    EXPECT_FALSE(continuation_recorded);
}

TEST_F(Driver, LegFromAFullTableTakesNoStepAndEndsWithTheWriteBack) {
    for (int16_t start : {int16_t(1999), int16_t(2000)}) {
        reset();
        NTIME = start;
        leg_params(0.0, 1.0, 1e-6, 0.5, 0.25, 0.01);
        real_params(rp::DXSAV) = -0.01;
        run();
        EXPECT_EQ(fake.calls, 0) << start;
        EXPECT_EQ(hook.calls, 0);
        EXPECT_EQ(NTIME, start);
        EXPECT_EQ(run_state, 1);
        EXPECT_EQ(real_params(rp::DXSAV), 0.01);
        EXPECT_EQ(TIME(start), 0.0);
        EXPECT_EQ(continuation_state(1), 0.0);
        EXPECT_EQ(continuation_state(2), 2.0);
    }
}

TEST_F(Driver, NtimeOutsideTheTableActsAsItsNearestEnd) {
    NTIME = 0;
    TIME(1) = 55.0;
    run();
    EXPECT_EQ(times(), (Times{0.0, 0.25, 0.5, 1.0}));
    reset();
    NTIME = 2500;
    run();
    EXPECT_EQ(NTIME, 2000);
    EXPECT_EQ(run_state, 1);
    EXPECT_EQ(YP(6, 2000), -3.0);
}

TEST_F(Driver, StartRecordTakesTheStartTime) {
    NTIME = 5;
    TIME(5) = 99.0;
    real_params(rp::Y1MAX) = -1.0;
    keyboard_script({""});
    run();
    EXPECT_EQ(NTIME, 5);
    EXPECT_EQ(TIME(5), 0.0);
    EXPECT_EQ(YP(4, 5), 1.5);
}

//---- what the stored-state calls may do ----

TEST_F(Driver, LeaveSetForAStoredStateReturnsAtOnce) {
    hook.set_run_state_at = 2;
    real_params(rp::TPRINT) = -0.25;
    run();
    EXPECT_EQ(hook.calls, 2);
    EXPECT_EQ(run_state, 1);
    EXPECT_EQ(times(), (Times{0.0, 0.25, 0.5}));
    EXPECT_EQ(YP(1, 3), 0.5);
    EXPECT_EQ(real_params(rp::TPRINT), -0.25);
    EXPECT_EQ(continuation_state(1), -9.0);
    EXPECT_FALSE(continuation_recorded);
}

TEST_F(Driver, NoFileOrContinueSetForAStoredStateDoesNotStopTheLeg) {
    for (int16_t value : {int16_t(2), int16_t(3)}) {
        reset();
        hook.set_run_state_at = 1;
        hook.run_state_value = value;
        run();
        EXPECT_EQ(hook.calls, 3);
        EXPECT_EQ(TIME(NTIME), 1.0);
        EXPECT_EQ(run_state, value);
    }
}

TEST_F(Driver, LeaveSetWithTheSingularityIsSeenAtTheNextStoredState) {
    hook.set_run_state_at = 1;
    hook.set_singular_at = 1;
    run();
    EXPECT_EQ(hook.calls, 2);
    EXPECT_EQ(run_state, 1);
    EXPECT_EQ(NCC, 0);
}

//---- step-size adaptation and its warnings ----

TEST_F(Driver, HminWarningComesWithTheProposedStepAfterTheLimit) {
    const int limit = kEarlierEdition ? 30 : 50;
    // Every proposed step (1/8) is below HMIN = 1; TPRINT keeps the table empty.
    leg_params(0.0, 0.125 * (limit + 1), 1e-6, 0.125, 1e9, 1.0);
    real_params(rp::HMIN) = 1.0;
    fake.hnext = 0.125;
    run();
    EXPECT_TRUE(unit88().empty()) << "the last counted step ends the leg";
    EXPECT_EQ(TIME(NTIME), 0.125 * (limit + 1));
    EXPECT_EQ(real_params(rp::DXSAV), 1.0);

    reset();
    leg_params(0.0, 0.125 * (limit + 2), 1e-6, 0.125, 1e9, 1.0);
    real_params(rp::HMIN) = 1.0;
    fake.hnext = 0.125;
    run();
    const auto lines = unit88();
    if (kCurrentEdition) {
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], " Hmin troppo grande:picco aspro");
        EXPECT_EQ(lines[1],
                  " NTIME,NRET,NRET1,IMAX,NERR,NSTP,X,HMIN,H,HNEXT    1   51    0     7    2   50 "
                  "  0.637500D+01  0.100000D+01  0.125000D+00  0.125000D+00");
        EXPECT_EQ(lines[2],
                  " \\Theta,\\dot\\Theta     0.150000D+01  0.750000D+00 -0.300000D+01  0.500000D+00 "
                  "-0.250000D+00  0.200000D+01");
        EXPECT_EQ(lines[3],
                  " \\omega,\\dot\\omega     0.250000D+00 -0.500000D+00  0.400000D+01 -0.100000D+01  "
                  "0.125000D+00  0.800000D+01");
    } else {
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], " Hmin troppo grande:picco aspro");
        // DXS has shrunk by 1/8 at each of the 31 steps: 2^-93.
        EXPECT_EQ(lines[1],
                  " NTIME,NRET,NRET1,X,HMIN,H,HNEXT,DXSAV     1    31     0  0.387500D+01  0.100000D+01  "
                  "0.125000D+00  0.125000D+00  0.100974D-27");
    }
}

TEST_F(Driver, HminIsScaledByDelh2AtEachWarningAndNotUsedWhenNotPositive) {
    // With HMIN 1 then 0.5 then 0.25, a step of 0.375 is below it 51 (31)
    // times, then no longer: one warning only.
    const int limit = kEarlierEdition ? 30 : 50;
    leg_params(0.0, 0.375 * (2 * limit + 10), 1e-6, 0.375, 1e9, 1.0);
    real_params(rp::HMIN) = 1.0;
    real_params(rp::DELH2) = 0.25;
    fake.hnext = 0.375;
    run();
    EXPECT_EQ(unit88().size(), kCurrentEdition ? 4u : 2u);
    // DXS shrinks only while the step is below HMIN.
    EXPECT_EQ(TIME(NTIME), 0.375 * (2 * limit + 10));
    // HMIN 0 or negative: no step is below it.
    for (double hmin : {0.0, -1.0}) {
        reset();
        leg_params(0.0, 10.0, 1e-6, 0.125, 1e9, 1.0);
        real_params(rp::HMIN) = hmin;
        fake.hnext = 0.125;
        run();
        EXPECT_TRUE(unit88().empty());
    }
}

TEST_F(Driver, StepTooSmallWarningOnceAfterTheCallThatPassesTheLimit) {
    leg_params(0.0, 2.0, 1e-6, 0.125, 1e9, 1.0);
    real_params(rp::DELH3) = 2.0;
    fake.nret1_call = 3;
    fake.add_nret1 = 60;
    run();
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], " H troppo piccolo");
    if (kCurrentEdition) {
        EXPECT_EQ(lines[1],
                  " NTIME,NRET,NRET1,IMAX,NERR,NSTP,X,HMIN,H,HNEXT,DXSAV    1    0   60     7    2    2 "
                  "  0.375000D+00  0.000000D+00  0.125000D+00  0.125000D+00  0.100000D+01");
    } else {
        EXPECT_EQ(lines[1],
                  " NTIME,NRET,NRET1,X,HMIN,H,HNEXT,DXSAV     1     0    60  0.375000D+00  0.000000D+00  "
                  "0.125000D+00  0.125000D+00  0.100000D+01");
    }
    // The next step tried is HNEXT times DELH3.
    ASSERT_GE(fake.tried.size(), 4u);
    EXPECT_EQ(fake.tried[3], 0.25);
    if (kCurrentEdition) {
        // NSTP shows in I4: after 10000 passes its field is asterisks.
        reset();
        leg_params(0.0, 0.125 * 10010, 1e-6, 0.125, 1e9, 1.0);
        fake.nret1_call = 10001;
        fake.add_nret1 = 50;
        run();
        const auto late = unit88();
        ASSERT_EQ(late.size(), 2u);
        EXPECT_EQ(late[1].substr(0, 85),
                  " NTIME,NRET,NRET1,IMAX,NERR,NSTP,X,HMIN,H,HNEXT,DXSAV    1    0   50     7    2 **** ");
    }
}

TEST_F(Driver, PassesThatWarnEveryTimeEndTheLegAtThePassLimit) {
    // Every call but the second reports 50 insignificant steps; DELH3 = 1
    // does not help, and the end is out of reach.
    leg_params(0.0, 1e9, 1e-6, 0.125, 1e9, 1.0);
    real_params(rp::DELH3) = 1.0;
    fake.nret1_call = -1;
    fake.quiet_call = 2;
    fake.add_nret1 = 50;
    keyboard_script({""});
    run();
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(keyboard_script_left(), 0);
    const auto lines = unit88();
    // The first thousand warnings are written as ever, then one record counts
    // the ones left out.
    ASSERT_GE(lines.size(), 2001u);
    EXPECT_EQ(lines[0], " H troppo piccolo");
    EXPECT_EQ(lines[1998], " H troppo piccolo");
    if (kCurrentEdition) {
        // Each warning starts the pass limit again: the leg's own count of
        // passes ends it.
        EXPECT_EQ(fake.calls, 1000001);
        ASSERT_EQ(lines.size(), 2002u);
        EXPECT_EQ(lines[2000].substr(0, 55), " Passi della tratta oltre il limite:N,X,H,HNEXT 1000001");
        EXPECT_EQ(lines[2001],
                  " Avvisi oltre il limite, non scritti:RRKQC,Hmin,H piccolo       0       0  999000");
    } else {
        // The pass limit counts from the start of the leg.
        EXPECT_EQ(fake.calls, 50001);
        ASSERT_EQ(lines.size(), 2001u);
        EXPECT_EQ(lines[1999].substr(0, 38), " NTIME,NRET,NRET1,X,HMIN,H,HNEXT,DXSAV");
        EXPECT_EQ(lines[2000],
                  " Avvisi oltre il limite, non scritti:RRKQC,Hmin,H piccolo       0       0   49000");
    }
}

TEST_F(Driver, LegsWhoseStepsKeepBeingTooSmallStillReachTfin) {
    // Every step has to grow from about 1e-35 to a last place of 1 (2^-52)
    // by doublings, more than 50 of them: every pass warns, and the steps of
    // one or two last places reach 1 + 1e-13 after some hundreds of passes.
    diagonal_body(1.0, 2.0, 3.0);
    leg_params(1.0, 1.0000000000001, 1e-6, 1e-32, 1e9, 0.0);
    real_params(rp::DELH1) = 2.0;
    real_params(rp::DELH3) = 1e-20;
    run(rigid_body_derivs, RRKQC);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(TIME(NTIME), 1.0000000000001);
    // The records of the first 5000 insignificant steps, and of every
    // warning, are kept; the last record counts the steps left out.
    const auto many = unit88();
    EXPECT_GT(std::count(many.begin(), many.end(), " H troppo piccolo"), 200);
    EXPECT_EQ(std::count(many.begin(), many.end(), " Stepsize not significant in RRKQC."), 5000);
    EXPECT_EQ(many.back().substr(0, 57), " Avvisi oltre il limite, non scritti:RRKQC,Hmin,H piccolo");
    EXPECT_GT(std::stol(many.back().substr(57, 8)), 200 * 50 - 5000);
    EXPECT_LT(std::filesystem::file_size("fort.88"), 2000000u);
    // At 1e10 the first step grows by 1.001 from 1e-7 for 2257 retries
    // before it moves the time; then the steps grow and reach 1e10 + 1.
    reset();
    leg_params(1e10, 1e10 + 1.0, 1e-6, 1e-7, 1e9, 0.0);
    real_params(rp::DELH1) = 1.001;
    real_params(rp::DELH3) = 1.0;
    run(rigid_body_derivs, RRKQC);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(TIME(NTIME), 1e10 + 1.0);
    const auto lines = unit88();
    ASSERT_GE(lines.size(), 2u * 2257u);
    EXPECT_EQ(lines[2 * 2257 - 1].substr(0, 32), " NRET1,X,ERRMAX,H,YK(1),YK(2)***");
}

TEST_F(Driver, StepDoneWithASmallerStepCountsAsBad) {
    fake.smaller_call = 2;
    run();
    EXPECT_EQ(nbad, 1);
    EXPECT_EQ(nok, int16_t(fake.calls - 1));
}

TEST_F(Driver, FirstWriteOfARunStartsTheDiagnosticsFileAfresh) {
    write_file("fort.88", "left by an earlier run\nsecond line\n");
    fake.nret1_call = 1;
    fake.add_nret1 = 50;
    run();
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], " H troppo piccolo");
}

//---- the frame switch ----

TEST_F(Driver, StepCutShortByTheSingularityIsTakenAgainAndNotCounted) {
    fake.singular_call = 3;
    force_vector = Vec3{{1.0, 2.0, 3.0}};
    run();
    // The leg ends in the original frame.
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    EXPECT_EQ(fake.calls, 9);
    EXPECT_EQ(nok, 8);
    // The step is taken again from where it began, not from halfway.
    EXPECT_EQ(fake.tried[3], 0.125);
    EXPECT_EQ(TIME(NTIME), 1.0);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(times(), (Times{0.0, 0.25, 0.5, 1.0}));
}

TEST_F(Driver, SwitchRequestedOverAndOverEndsWithTheStop) {
    force_vector = Vec3{{1.0, 2.0, 3.0}};
    real_params(rp::TPRINT) = -0.25;
    keyboard_script({""});
    run(always_singular);
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(keyboard_script_left(), 0);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(force_vector, (Vec3{{1.0, 2.0, 3.0}}));
    EXPECT_EQ(real_params(rp::TPRINT), 0.25);
    EXPECT_EQ(continuation_state(1), 0.0);
    EXPECT_NEAR(continuation_state(6), 1.5, 1e-15);
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 43), " Cambio di riferimento ripetuto senza passo");
    EXPECT_LT(singular_calls, 20);
}

//---- bounds and stops ----

TEST_F(Driver, StartAboveABoundStopsBeforeAnyStep) {
    real_params(rp::Y3MAX) = -0.5;
    real_params(rp::TPRINT) = -0.25;
    real_params(rp::DXSAV) = -0.01;
    periodo = 3.0;
    keyboard_script({""});
    run();
    EXPECT_EQ(fake.calls, 0);
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(keyboard_script_left(), 0);
    EXPECT_NE(screen_row_containing(" tfin non raggiunto. KPUNTM piccolo."), 0);
    EXPECT_EQ(real_params(rp::TPRINT), 0.25);
    EXPECT_EQ(real_params(rp::DXSAV), 0.01);
    EXPECT_EQ(continuation_state(1), 0.0);
    EXPECT_EQ(continuation_state(2), 4.0);
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(continuation_state(k + 2), real_params(rp::XGo + k - 1));
}

TEST_F(Driver, PositionPastABoundDuringTheLegStops) {
    real_params(rp::Y1MAX) = 0.6;
    keyboard_script({""});
    run();
    EXPECT_EQ(run_state, 3);
    // Stopped at the top of the pass after the step that passed 0.6.
    EXPECT_EQ(continuation_state(1), 0.625);
    EXPECT_EQ(real_params(rp::DXSAV), 0.01);
}

TEST_F(Driver, LegWithTfinEqualToTzeroEndsAtOnceWithoutAStep) {
    leg_params(2.0, 2.0, 1e-6, 0.125, 0.25, 0.01);
    start_state(make_state({5.0, 0, 0, 1.5, 0.75, -3.0}));
    run(rigid_body_derivs, RRKQC);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(NTIME, 1);
    EXPECT_EQ(TIME(1), 2.0);
    EXPECT_EQ(YP(1, 1), 5.0);
    EXPECT_EQ(continuation_state(1), 2.0);
    EXPECT_EQ(continuation_state(2), 2.0);
    EXPECT_TRUE(unit88().empty());
    run();
    EXPECT_EQ(fake.calls, 0);
}

TEST_F(Driver, ZeroStepEndsWithTheStopAndSaysSo) {
    real_params(rp::H1) = 0.0;
    keyboard_script({""});
    run();
    EXPECT_EQ(fake.calls, 0);
    EXPECT_EQ(run_state, 3);
    const auto lines = unit88();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 21), " H nullo o non finito");
    // DELH3 = 0 makes the step after a step-too-small warning zero.
    reset();
    real_params(rp::DELH3) = 0.0;
    fake.nret1_call = 2;
    fake.add_nret1 = 50;
    keyboard_script({""});
    run();
    EXPECT_EQ(fake.calls, 2);
    EXPECT_EQ(run_state, 3);
    const auto more = unit88();
    ASSERT_EQ(more.size(), 3u);
    EXPECT_EQ(more[2].substr(0, 21), " H nullo o non finito");
}

TEST_F(Driver, RrkqcThatCannotMoveTheTimeEndsTheLegWithTheStop) {
    leg_params(1e20, 2e20, 1e-6, 1.0, 1e30, 0.0);
    real_params(rp::DELH1) = 1.0;
    keyboard_script({""});
    run(rigid_body_derivs, RRKQC);
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(continuation_state(1), 1e20);
    const auto lines = unit88();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().substr(0, 52), " RRKQC: stepsize never significant, retries stopped.");
}

TEST_F(Driver, StateThatIsNotANumberIsNeverStored) {
    // A body without inertia, as at start-up: its inverse is not a number.
    inertia_matrix.fill(0.0);
    inertia_inverse.fill(kNaN);
    leg_params(0.0, 1.0, 1e-6, 0.125, 0.0, 0.0);
    keyboard_script({""});
    run(rigid_body_derivs, RRKQC);
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(keyboard_script_left(), 0);
    for (int n = 1; n <= NTIME; ++n) {
        EXPECT_TRUE(std::isfinite(TIME(n)));
        for (int k = 1; k <= 12; ++k) EXPECT_TRUE(std::isfinite(YP(k, n))) << n << " " << k;
    }
    for (int k = 1; k <= 14; ++k) EXPECT_TRUE(std::isfinite(continuation_state(k))) << k;
    EXPECT_EQ(continuation_state(1), 0.0);
    EXPECT_EQ(NCC, 0);
    EXPECT_FALSE(unit88().empty());
}

}  // namespace
