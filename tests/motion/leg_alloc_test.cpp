// Tests for motion/integrate.cpp, motion/rrkqc.cpp, motion/derivs.cpp and
// motion/switch_frame.cpp together: a leg of integration allocates nothing.
#include "motion/derivs.h"
#include "motion/rrkqc.h"
#include "tests/motion/motion_fixture.h"
#include "tests/support/allocation_counter.h"

namespace {

int stored = 0;
void count_stored(Text<120>&) { ++stored; }

class LegAllocation : public MotionTest {};

TEST_F(LegAllocation, LegThroughTheFrameSwitchAllocatesNothing) {
    diagonal_body(1.0, 2.0, 3.0);
    force_vector = Vec3{{0.0, 0.0, -9.81}};
    zeta_g_copy = 0.2;
    leg_params(0.0, 10.0, 1e-8, 0.01, 0.05, 0.0);
    start_state(make_state({0, 0, 0, 0.3, 0.0, 0.2, 0, 0, 0, 1.0, 2.0, 3.0}));
    NTIME = 1;
    stored = 0;
    after_stored_state = count_stored;
    int16_t nok = 0, nbad = 0;
    Text<120> line;
    allocation_counting = true;
    integrate_path(continuation_state, nok, nbad, rigid_body_derivs, RRKQC, run_state, line);
    allocation_counting = false;
    EXPECT_EQ(allocation_count.load(), 0);
    EXPECT_EQ(TIME(NTIME), 10.0);
    EXPECT_GT(stored, 150);
    EXPECT_GT(nok, 100);
}

}  // namespace
