// Tests for common/start_values.cpp: every table starts as the program expects.

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "tests/support/test_env.h"

namespace {

class StartValuesTest : public KalvoTest {};

TEST_F(StartValuesTest, EveryValueStartsAtZero) {
    for (int k = 1; k <= kRealSlots; ++k) EXPECT_EQ(real_params(k), 0.0) << k;
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), 0) << k;
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), 0.0);
    EXPECT_EQ(periodo, 0.0);
    EXPECT_EQ(NTIME, kEarlierEdition ? 0 : 1);
    EXPECT_EQ(NCC, 0);
    EXPECT_EQ(run_state, 0);
}

TEST_F(StartValuesTest, NamesAreStoredWithTheirBlanks) {
    EXPECT_EQ(real_param_names(rp::EPS).view(), "EPS     ");
    EXPECT_EQ(real_param_names(rp::A).view(), "   A    ");
    EXPECT_EQ(real_param_names(rp::FX).view(), "  FX    ");
    EXPECT_EQ(real_param_names(rp::MZ).view(), "  MZ    ");
    EXPECT_EQ(real_param_names(rp::ZETA_G).view(), "\\zeta G ");
    EXPECT_EQ(real_param_names(rp::FULLX).view(), " FULLX  ");
    EXPECT_EQ(real_param_names(rp::FULLY).view(), " FULLY  ");
    EXPECT_EQ(real_param_names(rp::OMZETAo).view(), "OMZETAo ");
    EXPECT_EQ(int_param_names(7).view(), "        ");
    EXPECT_EQ(int_param_names(ip::SCREEN).view(), "SCREEN  ");
    EXPECT_EQ(view_range_names(5, 1).view(), "   X0   ");
    EXPECT_EQ(view_range_names(6, 4).view(), "   Y3   ");
    EXPECT_EQ(view_range_names(1, 2).view(), "   X1P  ");
}

TEST_F(StartValuesTest, SlotsWithoutNameAreBlank) {
    const int blank_current[] = {16, 17, 30, 45, 59, 60, 61, 62, 63, 64};
    const int blank_earlier[] = {16, 17, 30, 55, 56, 57, 58, 59, 60};
    if constexpr (kEarlierEdition) {
        for (int k : blank_earlier) EXPECT_TRUE(real_param_names(k).is_blank()) << k;
        EXPECT_EQ(rp::FX, 45);
        EXPECT_EQ(rp::FULLY, 54);
    } else {
        for (int k : blank_current) EXPECT_TRUE(real_param_names(k).is_blank()) << k;
        EXPECT_EQ(real_param_names(rp::PSIPo).view(), "PSIPo   ");
        EXPECT_EQ(rp::FX, 49);
        EXPECT_EQ(rp::FULLY, 58);
    }
}

TEST_F(StartValuesTest, FileWordsAndFigureCounts) {
    EXPECT_EQ(NFILE, 10);
    EXPECT_EQ(file_prefix.view(), "KALVO");
    EXPECT_EQ(data_stem.view(), "KALVO       ");
    EXPECT_TRUE(title_line.is_blank());
    EXPECT_EQ(LASTRIG, 34);
    EXPECT_EQ(figure_npoints(1), 6);
    for (int k = 2; k <= kFigureElements; ++k) EXPECT_EQ(figure_npoints(k), 20);
    EXPECT_EQ(colour_table(6), 0x00CC0099);
    EXPECT_EQ(colour_name(25).view(), "AZZURRO ");
    EXPECT_EQ(label_table(3).view(), "ZETA");
}

}  // namespace
