// Tests for main/editor.cpp: the three screens, the (row, screen) question,
// the derived rates, the GO menu and what leaving the editor builds.

#include "main/editor.h"

#include <cmath>
#include <numbers>
#include <string>

#include "common/control.h"
#include "common/edition.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace {

class EditorTest : public KalvoTest {};

constexpr double kPi = std::numbers::pi;
constexpr const char* kGoMenuText = "0=GO,1=PROSegui,2=RICOMincia,3=NOSTOP,111=OUT)";
constexpr const char* kChanges = "CAMBI?  [rig,col] (100,0 = GO / 99,0 = PROVA )  ";

std::string cols(int row, int first, int last) {
    std::string s;
    for (int c = first; c <= last; ++c) s += screen_char(row, c);
    return s;
}

// The value field of a fixed-point cell of screen 1 (columns 16 to 30).
std::string screen1_value(int editor_row) { return cols(editor_row + 1, 16, 30); }

// The editor with the given answers, which must all be read.
void run_editor(std::initializer_list<std::string_view> lines) {
    keyboard_script(lines);
    edit_parameters();
    EXPECT_EQ(keyboard_script_left(), 0);
}

TEST_F(EditorTest, FirstScreenRowsLabelsAndDerivedPeriod) {
    real_params(rp::TZERO) = 1.0;
    real_params(rp::TFIN) = 3.0;
    int_params(ip::ncicmx) = 4;
    view_range(6, 4) = 7.5;
    real_params(rp::FX) = 2.0;
    real_params(rp::MX) = 3.0;
    NFILE = 12;
    // In the earlier edition the second screen starts on column 30, so the
    // cells of the first are read up to column 29.
    // PROVA leaves without clearing, so the screens can be read afterwards.
    run_editor({"99"});
    EXPECT_EQ(run_state, 5);
    EXPECT_EQ(cols(1, 10, 57), kChanges);
    EXPECT_EQ(cols(2, 1, 29), "  1  TZERO   =       1.000000");
    EXPECT_EQ(cols(3, 1, 29), "  2  TFIN    =       3.000000");
    EXPECT_EQ(cols(23, 1, 14), " 22  ncicmx  =");
    EXPECT_EQ(screen_char(23, 25), '4');
    EXPECT_EQ(cols(31, 1, 14), " 30  NFILE   =");
    EXPECT_EQ(cols(31, 24, 25), "12");
    EXPECT_EQ(cols(32, 1, 14), " 31  LASTRIG =");
    EXPECT_EQ(cols(32, 24, 25), "34");
    // periodo is derived when the first screen is shown.
    EXPECT_EQ(cols(33, 1, 29), " 32  periodo =       2.000000");
    EXPECT_EQ(periodo, 2.0);
    const int col2 = kEarlierEdition ? 30 : 32;
    const int col3 = kEarlierEdition ? 60 : 63;
    EXPECT_EQ(cols(22, col2, col2 + 29), " 21    FX    =       2.0000000");
    EXPECT_EQ(cols(30, col2, col2 + 29), " 29    MX    =       3.0000000");
    EXPECT_EQ(cols(25, col2, col2 + 13), " 24  DELPIAN =");
    EXPECT_EQ(cols(13, col3, col3 + 13), " 12     X1M  =");
    EXPECT_EQ(cols(36, col3, col3 + 29), " 35     Y3   =       7.5000000");
    EXPECT_EQ(cols(5, col3, col3 + 13), "  4     A    =");
    EXPECT_EQ(cols(12, col3, col3 + 29), std::string(30, ' '));  // screen 3 row 11 is empty
    if (kEarlierEdition) {
        EXPECT_EQ(cols(34, 1, 29), " 33  DX/KPUN =       0.001000");
        EXPECT_EQ(cols(35, 1, 14), " 34  LINPUN  =");
        EXPECT_EQ(cols(36, 1, 30), std::string(30, ' '));
    } else {
        EXPECT_EQ(cols(34, 1, 14), " 33  PSIPo   =");
        EXPECT_EQ(cols(36, 1, 14), " 35  PHIPo   =");
        EXPECT_EQ(cols(37, 1, 14), " 36  LINPUN  =");
    }
}

TEST_F(EditorTest, EmptyAndBadAnswersAskAgainUntilGo) {
    run_editor({"", "abc", "  1  9", "5 4", "100", "0"});
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(stop_mode, 1);
    EXPECT_EQ(screen_row(1), "");
}

TEST_F(EditorTest, RowsWithoutAnEditLeadToTheGoMenu) {
    enum Edition { both, current_only, earlier_only };
    struct Answer {
        const char* line;
        Edition edition;
    };
    const Answer answers[] = {{"  0  1", both},         {"  5  1", current_only},
                              {"  9  1", current_only}, {" 11  1", current_only},
                              {" 33  1", earlier_only}, {" 35  1", earlier_only},
                              {" 37  1", both},         {"  0  2", both},
                              {" 37  2", both},         {"  0  3", both},
                              {" 11  3", both},         {" 36  3", both},
                              {"100  7", both},         {"100", both}};
    for (const Answer& a : answers) {
        if (a.edition == current_only && kEarlierEdition) continue;
        if (a.edition == earlier_only && kCurrentEdition) continue;
        reset_window();
        keyboard_script({a.line, "5"});  // 5 is no GO menu code: the menu is read again
        keyboard_script({"111"});
        edit_parameters();
        EXPECT_EQ(run_state, 1) << a.line;
        EXPECT_EQ(keyboard_script_left(), 0) << a.line;
    }
}

TEST_F(EditorTest, GoMenuCodesSetRunState) {
    run_editor({"100", "1"});
    EXPECT_EQ(run_state, 3);
    run_editor({"100", "111"});
    EXPECT_EQ(run_state, 1);
    stop_mode = 1;
    run_editor({"100", "3"});
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(stop_mode, 0);
    // A GO menu answer that cannot be read returns to the (row, screen) question.
    run_editor({"100", "x", " 16  1", "3", "100", "0"});
    EXPECT_EQ(int_params(ip::NPROL), 3);
    EXPECT_EQ(run_state, 0);
}

TEST_F(EditorTest, GoMenuTextStandsAtRowOne) {
    // RICOMincia shows every screen again, with the prompt of the question.
    keyboard_script({"100", "2", "99"});
    edit_parameters();
    EXPECT_EQ(cols(1, 10, 57), kChanges);
    keyboard_script({"100"});
    keyboard_script({"9"});   // not a code: shown and read again
    keyboard_script({"99"});  // not a code either
    keyboard_script({"abc", "99"});
    edit_parameters();
    // After the unreadable GO answer the question is asked again; the menu text stays.
    EXPECT_EQ(cols(1, 10, 55), kGoMenuText);
    EXPECT_EQ(run_state, 5);
}

TEST_F(EditorTest, EditsStoreIntoTheirTables) {
    run_editor({" 30  1", "15", " 31  1", "20", " 15  1", "7", "  1  2", "1.5D-4", " 29  2", "2.25", " 12  3",
                "-4.", " 35  3", "9.", "  4  3", "2.", "100", "0"});
    EXPECT_EQ(NFILE, 15);
    EXPECT_EQ(LASTRIG, 20);
    EXPECT_EQ(int_params(ip::nciclo), 7);
    EXPECT_DOUBLE_EQ(real_params(rp::EPS), 1.5e-4);
    EXPECT_EQ(real_params(rp::MX), 2.25);
    EXPECT_EQ(view_range(1, 1), -4.0);
    EXPECT_EQ(view_range(6, 4), 9.0);
    EXPECT_EQ(real_params(rp::A), 2.0);  // a comma ends the row's field early
}

TEST_F(EditorTest, ControlWordsEditedOnFirstScreen) {
    const char* linpun_row = kEarlierEdition ? " 34  1" : " 36  1";
    run_editor({linpun_row, "1", "100", "0"});
    EXPECT_EQ(LINPUN, 1);
}

TEST_F(EditorTest, SpanEditShowsPeriodWithItsSign) {
    real_params(rp::TZERO) = 5.0;
    real_params(rp::TFIN) = 6.0;
    run_editor({"  2  1", "2.", "99"});
    EXPECT_EQ(periodo, -3.0);
    EXPECT_EQ(cols(33, 1, 30), " 32  PERIODO =      -3.0000000");
    if (kEarlierEdition) {
        EXPECT_EQ(cols(34, 1, 30), " 33  DT/KPUN =      -0.0015000");
    }
}

TEST_F(EditorTest, TypedPeriodHoldsUntilTheSpanIsEdited) {
    real_params(rp::TFIN) = 4.0;
    run_editor({" 32  1", "1.5", "100", "0"});
    EXPECT_EQ(periodo, 1.5);
    run_editor({"99"});
    EXPECT_EQ(periodo, 4.0);  // every call derives it again
}

TEST_F(EditorTest, LeavingBuildsIdentityAndZGoFromZeroAngles) {
    real_params(rp::ZETA_G) = 0.75;
    real_params(rp::circle_radius) = 2.0;
    orientation_matrix.fill(9.0);
    run_editor({"99"});
    EXPECT_EQ(run_state, 5);
    if (kEarlierEdition) {
        EXPECT_EQ(real_params(rp::ZGo), 0.0);
        EXPECT_EQ(orientation_matrix(1, 1), 9.0);
        return;
    }
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(orientation_matrix(i, j), i == j ? 1.0 : 0.0) << i << j;
    EXPECT_EQ(real_params(rp::ZGo), -0.75);
    // The new ZGo shows at the next call.
    run_editor({"99"});
    EXPECT_EQ(cols(6, 1, 30), "  5  ZGo     =      -0.7500000");
}

TEST_F(EditorTest, OrientationColumnsAreBodyAxesInSpace) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition builds no orientation";
    real_params(rp::PSIo) = kPi / 2;
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::circle_radius) = 2.0;
    real_params(rp::ZETA_G) = 3.0;
    run_editor({"100", "0"});
    // psi = theta = 90 degrees, phi = 0: xi along y, eta along z, zeta along x.
    const double expected[3][3] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(orientation_matrix(i, j), expected[i - 1][j - 1], 1e-15);
    EXPECT_NEAR(real_params(rp::ZGo), 2.0, 1e-15);
}

TEST_F(EditorTest, AngularVelocityEditShowsNewRatesAtOnce) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition shows no rates";
    // theta = 90 degrees, phi = 0: psi' = w2, theta' = w1, phi' = w3.
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::OMETAo) = 0.5;
    real_params(rp::OMZETAo) = 0.25;
    run_editor({" 12  1", "2.", "99"});
    EXPECT_EQ(real_params(rp::OMCSIo), 2.0);
    EXPECT_DOUBLE_EQ(real_params(rp::PSIPo), 0.5);
    EXPECT_DOUBLE_EQ(real_params(rp::THETAPo), 2.0);
    EXPECT_NEAR(real_params(rp::PHIPo), 0.25, 1e-15);
    EXPECT_EQ(screen1_value(34), "      2.0000000");
    EXPECT_EQ(screen1_value(33), "      0.5000000");
    EXPECT_EQ(screen1_value(35), "      0.2500000");
}

TEST_F(EditorTest, RateEditSetsAngularVelocityAndKeepsOtherRates) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no rate rows";
    // theta = 90 degrees, phi = 90 degrees: w1 = psi', w2 = -theta', w3 = phi' (up to cos 90).
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::PHIo) = kPi / 2;
    real_params(rp::OMCSIo) = 1.0;
    real_params(rp::OMETAo) = -2.0;
    real_params(rp::OMZETAo) = 3.0;
    run_editor({" 33  1", "4.", "99"});
    EXPECT_EQ(real_params(rp::PSIPo), 4.0);
    EXPECT_NEAR(real_params(rp::THETAPo), 2.0, 1e-15);
    EXPECT_NEAR(real_params(rp::PHIPo), 3.0, 1e-15);
    EXPECT_NEAR(real_params(rp::OMCSIo), 4.0, 1e-15);
    EXPECT_NEAR(real_params(rp::OMETAo), -2.0, 1e-15);
    EXPECT_NEAR(real_params(rp::OMZETAo), 3.0, 1e-15);
    EXPECT_EQ(screen1_value(12), "      4.0000000");
    EXPECT_EQ(screen1_value(33), "      4.0000000");
    // THETAPo changes w1 and w2 only; PHIPo changes w3 only.
    run_editor({" 34  1", "1.", " 35  1", "-1.", "99"});
    EXPECT_NEAR(real_params(rp::OMETAo), -1.0, 1e-15);
    EXPECT_NEAR(real_params(rp::OMCSIo), 4.0, 1e-15);
    EXPECT_NEAR(real_params(rp::OMZETAo), -1.0, 1e-15);
}

TEST_F(EditorTest, AngleEditLeavesShownRatesAndFeedsTheNextRateEdit) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no rate rows";
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::OMCSIo) = 1.0;  // phi = 0: theta' = w1 = 1, psi' = w2 = 0, phi' = w3 = 0
    // THETAo to 30 degrees: the shown rates stay; then psi' = 2 with the new theta:
    // w1 = sin30 * 0 * 2 + 1 * 1 = 1, w2 = sin30 * 1 * 2 - 0 = 1, w3 = cos30 * 2 + 0.
    run_editor({"  7  1", "0.5235987755982988", " 33  1", "2.", "99"});
    EXPECT_NEAR(real_params(rp::OMCSIo), 1.0, 1e-12);
    EXPECT_NEAR(real_params(rp::OMETAo), 1.0, 1e-9);
    EXPECT_NEAR(real_params(rp::OMZETAo), std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(real_params(rp::THETAPo), 1.0, 1e-12);
    EXPECT_EQ(screen1_value(34), "      1.0000000");
}

TEST_F(EditorTest, UnreadableCellAnswerChangesNothingElse) {
    // theta = 90 degrees, phi = 0, w = (1, 2, 3): psi' = 2, theta' = 1, phi' = 3
    // (up to cos 90). THETAo to 0.8 leaves the rates as they are; an answer
    // that cannot be read on a rate or angular-velocity row derives nothing.
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::OMCSIo) = 1.0;
    real_params(rp::OMETAo) = 2.0;
    real_params(rp::OMZETAo) = 3.0;
    if (kCurrentEdition) {
        run_editor({"  7  1", "0.8", " 33  1", "abc", " 35  1", "abc", " 12  1", "abc", "99"});
        EXPECT_EQ(real_params(rp::OMCSIo), 1.0);
        EXPECT_EQ(real_params(rp::OMETAo), 2.0);
        EXPECT_EQ(real_params(rp::OMZETAo), 3.0);
        EXPECT_EQ(real_params(rp::PSIPo), 2.0);
        EXPECT_EQ(real_params(rp::THETAPo), 1.0);
        EXPECT_EQ(screen1_value(33), "      2.0000000");
    }
    // On TZERO or TFIN it keeps the period just typed, and its cell.
    run_editor({" 32  1", "7.5", "  1  1", "abc", "  2  1", "x", "99"});
    EXPECT_EQ(periodo, 7.5);
    EXPECT_EQ(cols(33, 4, 28), "PERIODO " + std::string(8, ' ') + "7.5000000");
    if (kEarlierEdition) {
        EXPECT_EQ(cols(34, 1, 14), " 33  DX/KPUN =");
    }
}

TEST_F(EditorTest, ZeroSineOfThetaShowsNonFiniteRatesAndRefusesRateEdits) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no rate rows";
    real_params(rp::OMCSIo) = 1.0;  // theta = 0: psi' = 0 / 0, phi' = w3 - 0 / 0
    run_editor({" 34  1", "5.", " 35  1", "1.", "99"});
    EXPECT_TRUE(std::isnan(real_params(rp::PSIPo)));
    EXPECT_EQ(screen1_value(33), "            NaN");
    // The angular velocity keeps its values, and so do the rates.
    EXPECT_EQ(real_params(rp::OMCSIo), 1.0);
    EXPECT_EQ(real_params(rp::OMETAo), 0.0);
    EXPECT_EQ(real_params(rp::OMZETAo), 0.0);
    EXPECT_EQ(real_params(rp::THETAPo), 1.0);
    EXPECT_EQ(screen1_value(34), "      1.0000000");
}

TEST_F(EditorTest, RecomputeShowsRatesDerivedAnew) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no rate rows";
    // theta = 90 degrees, phi = 0, w = (0, 1, 0): psi' = 1, theta' = 0, phi' = 0.
    real_params(rp::THETAo) = kPi / 2;
    real_params(rp::OMETAo) = 1.0;
    // THETAo to 30 degrees leaves the rates; RICOMincia derives them anew:
    // psi' = 1 / sin 30 = 2, phi' = -cos 30 / sin 30 = -sqrt 3.
    run_editor({"  7  1", "0.5235987755982988", "99"});
    EXPECT_EQ(screen1_value(33), "      1.0000000");
    run_editor({"  7  1", "0.5235987755982988", "100", "2", "99"});
    EXPECT_EQ(screen1_value(33), "      2.0000000");
    EXPECT_EQ(screen1_value(35), "     -1.7320508");
}

TEST_F(EditorTest, EarlierEditionEditsWholeInitialState) {
    if (kCurrentEdition) GTEST_SKIP() << "the current edition leaves these rows to the GO menu";
    run_editor({"  5  1", "1.5", "  9  1", "2.5", " 33  1", "111"});
    EXPECT_EQ(real_params(rp::ZGo), 1.5);
    EXPECT_EQ(real_params(rp::XPGo), 2.5);
    EXPECT_EQ(run_state, 1);
}

TEST_F(EditorTest, ForceBlockFollowsTheEditionsSlots) {
    run_editor({" 22  2", "1.", " 32  2", "2.", " 25  2", "3.", "100", "0"});
    EXPECT_EQ(real_params(rp::FY), 1.0);
    EXPECT_EQ(real_params(rp::ZETA_G), 2.0);
    EXPECT_EQ(real_params(rp::FULLX), 3.0);
    if (kCurrentEdition) {
        run_editor({" 26  2", "4.", "100", "0"});
        EXPECT_EQ(real_params(rp::circle_radius), 4.0);
    }
}

}  // namespace
