// Tests for main/cells.cpp: the cell texts at their places and the values
// that answers typed into a cell store.

#include <cmath>
#include <string>

#include "common/edition.h"
#include "main/editor.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace {

class CellsTest : public KalvoTest {};

constexpr int16_t kReal = 1;
constexpr int16_t kInteger = 2;

std::string blanks(int n) { return std::string(size_t(n), ' '); }

// Characters first..last (1-based, inclusive) of a text row.
std::string cols(int row, int first, int last) {
    std::string s;
    for (int c = first; c <= last; ++c) s += screen_char(row, c);
    return s;
}

void show_real(const char* label, int16_t row, int16_t screen, double value) {
    int16_t spare = 0;
    show_parameter(Name(label), row, screen, spare, value, kReal);
}

void show_integer(const char* label, int16_t row, int16_t screen, int16_t value) {
    double spare = 1.0;
    show_parameter(Name(label), row, screen, value, spare, kInteger);
}

double edit_real(const char* label, int16_t row, int16_t screen, double value, const char* typed) {
    keyboard_script({typed});
    int16_t spare = 0;
    edit_parameter(Name(label), row, screen, spare, value, kReal);
    return value;
}

int16_t edit_integer(const char* label, int16_t row, int16_t screen, int16_t value, const char* typed) {
    keyboard_script({typed});
    double spare = 1.0;
    edit_parameter(Name(label), row, screen, value, spare, kInteger);
    return value;
}

TEST_F(CellsTest, IntegerCellHoldsRowLabelAndValueInItsColumns) {
    show_integer("NFILE   ", 30, 1, 10);
    // Row 30 of the editor stands on text row 31.
    EXPECT_EQ(cols(31, 1, 30), " 30  NFILE   =" + blanks(9) + "10" + blanks(5));
    EXPECT_EQ(screen_row(30), "");
    // The row number is the editor's row: screen 1 row 15 shows integer slot 1 under 15.
    show_integer("nciclo  ", 15, 1, 1);
    EXPECT_EQ(screen_row(16), " 15  nciclo  =" + blanks(10) + "1");
}

TEST_F(CellsTest, ScreenTwoSettingsShowInExponentFormTheRestInFixedPoint) {
    const int col2 = kEarlierEdition ? 30 : 32;
    const int col3 = kEarlierEdition ? 60 : 63;
    show_real("EPS     ", 1, 2, 1.0e-6);
    EXPECT_EQ(cols(2, col2, col2 + 29), "  1  EPS     =   0.1000000D-05");
    show_real("  Ztr   ", 8, 2, -2.0);
    EXPECT_EQ(cols(9, col2, col2 + 29), "  8    Ztr   =  -0.2000000D+01");
    // Row 9 of screen 2 is past the exponent rows.
    show_real("DELXP   ", 9, 2, 0.5);
    EXPECT_EQ(cols(10, col2, col2 + 29), "  9  DELXP   =       0.5000000");
    show_real("   A    ", 4, 3, 2.5);
    EXPECT_EQ(cols(5, col3, col3 + 29), "  4     A    =       2.5000000");
    show_real("TZERO   ", 1, 1, -3.25);
    EXPECT_EQ(cols(2, 1, 30), "  1  TZERO   =      -3.2500000");
}

TEST_F(CellsTest, TooWideValuesShowAsAsterisks) {
    show_real("TFIN    ", 2, 1, 1.0e7);
    EXPECT_EQ(cols(3, 16, 30), std::string(15, '*'));
    show_real("TFIN    ", 2, 1, 9999999.0);
    EXPECT_EQ(cols(3, 16, 30), "9999999.0000000");
    show_real("TFIN    ", 2, 1, -1.0e6);
    EXPECT_EQ(cols(3, 16, 30), std::string(15, '*'));
    // The value shown after an edit has one column more.
    EXPECT_EQ(edit_real("TFIN    ", 2, 1, 0.0, "1.e7"), 1.0e7);
    EXPECT_EQ(cols(3, 12, 28), " 10000000.0000000");
    EXPECT_EQ(edit_real("TFIN    ", 2, 1, 0.0, "1.e8"), 1.0e8);
    EXPECT_EQ(cols(3, 13, 28), std::string(16, '*'));
}

TEST_F(CellsTest, LabelShowsSevenCharactersInTheCellAndEightWhenEdited) {
    show_real("DX/KPUNT", 33, 1, 0.0);
    EXPECT_EQ(cols(34, 1, 14), " 33  DX/KPUN =");
    edit_real("DX/KPUNT", 33, 1, 0.0, "");
    EXPECT_EQ(cols(34, 4, 11), "DX/KPUNT");
}

TEST_F(CellsTest, EditShowsLabelAtEditColumnAndValueEightColumnsOn) {
    // Screen 2: the label from column 33, the value from 41; the cell's
    // own first column and its last columns stay as they were.
    const int col2 = kEarlierEdition ? 30 : 32;
    show_real("H1      ", 2, 2, 1.0);
    const std::string before = cols(3, col2, col2 + 29);
    const double v = edit_real("H1      ", 2, 2, 1.0, "2.5");
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(cols(3, 33, 40), "H1      ");
    EXPECT_EQ(cols(3, 41, 59), "    0.2500000D+01  ");
    EXPECT_EQ(screen_char(3, col2), before[0]);
    // Screen 3 edits from column 63.
    edit_integer("NBA     ", 5, 3, 0, "7");
    EXPECT_EQ(cols(6, 63, 89), "NBA     " + blanks(8) + "7" + blanks(10));
}

TEST_F(CellsTest, EmptyAnswerStoresZero) {
    EXPECT_EQ(edit_real("TFIN    ", 2, 1, 12.5, ""), 0.0);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, ""), 0);
    EXPECT_EQ(cols(19, 12, 30), blanks(8) + "0" + blanks(10));
}

TEST_F(CellsTest, RealWithoutPointTakesSixDecimals) {
    EXPECT_DOUBLE_EQ(edit_real("TFIN    ", 2, 1, 0.0, "15"), 1.5e-5);
    EXPECT_DOUBLE_EQ(edit_real("TFIN    ", 2, 1, 0.0, "15."), 15.0);
    EXPECT_DOUBLE_EQ(edit_real("EPS     ", 1, 2, 0.0, "15"), 1.5e-5);
    EXPECT_DOUBLE_EQ(edit_real("EPS     ", 1, 2, 0.0, "1.5D-3"), 1.5e-3);
    // Only the first fifteen characters are read.
    EXPECT_DOUBLE_EQ(edit_real("TFIN    ", 2, 1, 0.0, "            1.5999"), 1.5);
}

TEST_F(CellsTest, IntegerAnswerReadsFiveCharacters) {
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 0, "123456"), 12345);
    EXPECT_EQ(cols(19, 12, 20), "    12345");
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 0, "-32768"), -3276);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 0, "32767"), 32767);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 0, "-3276"), -3276);
}

TEST_F(CellsTest, IntegerAnswerOutsideSixteenBitsLeavesTheCell) {
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, "99999"), 4);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, "32768"), 4);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, "40000"), 4);
    // The label and the typed text stay; no value is shown over them.
    EXPECT_EQ(cols(19, 4, 16), "NBA     40000");
}

TEST_F(CellsTest, UnreadableAnswerLeavesValueAndScreen) {
    show_real("TFIN    ", 2, 1, 3.0);
    EXPECT_EQ(edit_real("TFIN    ", 2, 1, 3.0, "abc"), 3.0);
    EXPECT_EQ(cols(3, 1, 14), "  2TFIN    abc");
    EXPECT_EQ(edit_real("TFIN    ", 2, 1, 3.0, "1.2.3"), 3.0);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, "x"), 4);
    EXPECT_EQ(edit_integer("NBA     ", 18, 1, 4, "-"), 4);
}

TEST_F(CellsTest, ShownCellColumnsFollowTheEdition) {
    show_integer("NBA     ", 3, 2, 1);
    show_integer("NBA     ", 3, 3, 2);
    const int col2 = kEarlierEdition ? 30 : 32;
    const int col3 = kEarlierEdition ? 60 : 63;
    EXPECT_EQ(cols(4, col2, col2 + 4), "  3  ");
    EXPECT_EQ(cols(4, col2 + 5, col2 + 7), "NBA");
    EXPECT_EQ(cols(4, col3 + 5, col3 + 7), "NBA");
    EXPECT_EQ(screen_char(4, col3 + 24), '2');
}

}  // namespace
