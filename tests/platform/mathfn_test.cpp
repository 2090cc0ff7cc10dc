// Tests for platform/mathfn.cpp: the mathematical functions of each
// edition and the end of the program on a math error.
#include "platform/mathfn.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

using MathTest = KalvoTest;

TEST_F(MathTest, OrdinaryArgumentsGiveTheUsualValues) {
    EXPECT_EQ(k_sqrt(4.0), 2.0);
    EXPECT_EQ(k_sqrt(0.0), 0.0);
    EXPECT_EQ(k_acos(1.0), 0.0);
    EXPECT_DOUBLE_EQ(k_asin(-1.0), -std::acos(0.0));
    EXPECT_DOUBLE_EQ(4.0 * k_atan(1.0), std::acos(-1.0));
    EXPECT_DOUBLE_EQ(k_atan2(1.0, -1.0), 0.75 * std::acos(-1.0));
    EXPECT_EQ(k_pow(-2.0, 3.0), -8.0);
    EXPECT_EQ(k_pow(0.0, 0.0), 1.0);
    EXPECT_EQ(k_pow(2.0, -2.0), 0.25);
    EXPECT_EQ(k_sin(0.0), 0.0);
    EXPECT_EQ(k_cos(0.0), 1.0);
    EXPECT_LE(std::fabs(k_sin(1e18)), 1.0);
}

#if KALVO_EARLIER_EDITION

TEST_F(MathTest, DomainErrorsEndTheProgramNamingFunctionAndError) {
    EXPECT_DEATH(k_sqrt(-1e-300), "SQRT: DOMAIN error");
    EXPECT_DEATH(k_acos(1.0000001), "ACOS: DOMAIN error");
    EXPECT_DEATH(k_acos(-2.0), "ACOS: DOMAIN error");
    EXPECT_DEATH(k_asin(1.5), "ASIN: DOMAIN error");
    EXPECT_DEATH(k_pow(-8.0, 1.0 / 3.0), "POW: DOMAIN error");
    EXPECT_DEATH(k_pow(0.0, -1.0), "POW: DOMAIN error");
}

TEST_F(MathTest, OverflowAndTotalLossEndTheProgram) {
    EXPECT_DEATH(k_pow(10.0, 400.0), "POW: OVERFLOW error");
    EXPECT_DEATH(k_pow(-10.0, 401.0), "POW: OVERFLOW error");
    EXPECT_DEATH(k_sin(1e19), "SIN: TLOSS error");
    EXPECT_DEATH(k_cos(-1e19), "COS: TLOSS error");
}

#else

TEST_F(MathTest, ArcOutsideTheUnitIntervalGivesNaNAndTheDomainErrorNumber) {
    errno = 0;
    EXPECT_TRUE(std::isnan(k_acos(1.0000001)));
    EXPECT_EQ(errno, EDOM);
    errno = 0;
    EXPECT_TRUE(std::isnan(k_asin(-2.0)));
    EXPECT_EQ(errno, EDOM);
}

#endif

TEST_F(MathTest, MathErrorClosesTheUnitsBeforeTheProgramEnds) {
    static const FieldFormat a("(A)");
    EXPECT_DEATH(
        {
            open_unit(8, "points.txt");
            write_unit(8, a, "LAST RECORD");
            math_error("POW", "OVERFLOW error");
        },
        "POW: OVERFLOW error");
    EXPECT_EQ(read_file("points.txt"), "LAST RECORD\n");
}

}  // namespace
