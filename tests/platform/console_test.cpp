// Tests for platform/console.cpp: records at the text cursor, keyboard
// answers echoed where they are typed, and the pause.
#include "platform/console.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "platform/surface.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "tests/support/test_env.h"

namespace {

using ConsoleTest = KalvoTest;

std::string blanks(int n) { return std::string(size_t(n), ' '); }

TEST_F(ConsoleTest, RecordIsWrittenAtTheCursorAndEndsTheLine) {
    static const FieldFormat f("(A)");
    win_text_pos(5, 10);
    write_console(f, "HELLO");
    EXPECT_EQ(screen_row(5), blanks(9) + "HELLO");
    const TextPosition p = win_text_pos(1, 1);
    EXPECT_EQ(p.row, 6);
    EXPECT_EQ(p.col, 1);
}

TEST_F(ConsoleTest, DollarPromptIsFollowedByItsAnswerOnTheSameRow) {
    // The per-point question: 55 characters from column 64, answer from 119.
    static const FieldFormat question("('CICLO ',I6,1X,', ','0=MEM,1=NOMEM,3=MEMNOSTOP,4=NOMEMNOSTOP ',$)");
    static const FieldFormat i2("(I2)");
    win_text_pos(42, 64);
    write_console(question, int16_t(1));
    keyboard_script({"3"});
    int16_t answer = -1;
    EXPECT_EQ(read_keyboard(i2, answer), IoStatus::ok);
    EXPECT_EQ(answer, 3);
    EXPECT_EQ(screen_row(42), blanks(63) + "CICLO      1 , 0=MEM,1=NOMEM,3=MEMNOSTOP,4=NOMEMNOSTOP 3");
    EXPECT_EQ(screen_char(42, 119), '3');
    EXPECT_EQ(screen_row(43), "");
}

TEST_F(ConsoleTest, AnswerIsEchoedAfterPlacedTextAndTheCursorGoesBelowIt) {
    static const FieldFormat a("(A)");
    win_text_pos(2, 1);
    win_text(std::string(63, 'P') + blanks(13));
    keyboard_script({"KALVO11"});
    Text<12> answer;
    EXPECT_EQ(read_keyboard(a, answer), IoStatus::ok);
    EXPECT_EQ(answer, "KALVO11");
    EXPECT_EQ(screen_row(2).substr(76), "KALVO11");
    EXPECT_EQ(screen_char(2, 77), 'K');
    // The next text starts at the start of the line below the answer.
    win_text("NEXT");
    EXPECT_EQ(screen_row(3), "NEXT");
}

TEST_F(ConsoleTest, EchoUsesTheCurrentColoursAndIsCutAtTheRightEdge) {
    static const FieldFormat a("(A)");
    win_back_colour(0x00FFFFFF);
    win_text_colour(0x000000FF);
    win_text_pos(7, kTextColumns - 2);
    keyboard_script({"ABCDEF"});
    char buf[6];
    EXPECT_EQ(read_keyboard_items(a, std::array<InItem, 1>{InItem(buf, 6)}), IoStatus::ok);
    EXPECT_EQ(std::string(buf, 6), "ABCDEF");
    EXPECT_EQ(screen_row(7), blanks(kTextColumns - 3) + "ABC");
    EXPECT_EQ(screen_back_colour_at(7, kTextColumns), 0x00FFFFFF);
    EXPECT_EQ(screen_text_colour_at(7, kTextColumns), 0x000000FF);
    EXPECT_EQ(screen_row(8), "");
    EXPECT_EQ(win_text_pos(1, 1).row, 8);
}

TEST_F(ConsoleTest, ReadWithMoreItemsThanFieldsTakesFurtherLinesEachEchoed) {
    static const FieldFormat i3("(I3)");
    win_text_pos(10, 5);
    keyboard_script({"12", "345"});
    int16_t a = 0, b = 0;
    EXPECT_EQ(read_keyboard(i3, a, b), IoStatus::ok);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 345);
    EXPECT_EQ(screen_row(10), blanks(4) + "12");
    EXPECT_EQ(screen_row(11), "345");
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(win_text_pos(1, 1).row, 12);
}

TEST_F(ConsoleTest, TextOperationEndsARecordLeftOpen) {
    static const FieldFormat open("(A,$)");
    win_text_pos(4, 1);
    write_console(open, "ABC");
    win_text("DEF");
    EXPECT_EQ(screen_row(4), "ABC");
    EXPECT_EQ(screen_row(5), "DEF");
    write_console(open, "GHI");
    const TextPosition p = win_text_pos(9, 9);
    EXPECT_EQ(p.row, 6);
    EXPECT_EQ(p.col, 1);
    EXPECT_EQ(screen_row(5), "DEFGHI");
}

TEST_F(ConsoleTest, PauseShowsItsMessageOnARowOfItsOwnAndWaitsForAnEmptyLine) {
    win_text_pos(30, 1);
    win_text("PICTURE");
    keyboard_script({"x", "  ", "after"});
    pause_prompt(" tfin non raggiunto. KPUNTM piccolo. ");
    EXPECT_EQ(screen_row(30), "PICTURE");
    EXPECT_EQ(screen_row(31), " tfin non raggiunto. KPUNTM piccolo.");
    EXPECT_EQ(screen_row(32), "x");
    EXPECT_EQ(keyboard_script_left(), 1);
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(win_text_pos(1, 1).row, 34);
}

TEST_F(ConsoleTest, PauseAtColumnOneStaysOnThatRow) {
    win_text_pos(12, 1);
    keyboard_script({""});
    pause_prompt("STOP");
    EXPECT_EQ(screen_row(12), "STOP");
    EXPECT_EQ(keyboard_script_left(), 0);
    EXPECT_EQ(win_text_pos(1, 1).row, 14);
}

TEST_F(ConsoleTest, PauseAfterAnOpenRecordStartsOnTheNextRow) {
    static const FieldFormat open("(A,$)");
    win_text_pos(5, 1);
    write_console(open, "PROMPT ");
    keyboard_script({""});
    pause_prompt("WAIT");
    EXPECT_EQ(screen_row(5), "PROMPT");
    EXPECT_EQ(screen_row(6), "WAIT");
}

TEST_F(ConsoleTest, ReadWithTheScriptExhaustedEndsTheTestProgram) {
    static const FieldFormat i2("(I2)");
    int16_t answer = 0;
    EXPECT_DEATH(read_keyboard(i2, answer), "keyboard script exhausted");
}

}  // namespace
