// Tests for datafiles/output_file.cpp: the output-file dialogue of each
// cycle, the next file opened without asking, and the per-point question.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

std::string blanks(int n) { return std::string(std::size_t(n), ' '); }

// The prompt as it stands on row 1 for the stem and number shown (84 characters).
std::string prompt(const std::string& stem_and_number) {
    return " FILE OUT? ERA:" + stem_and_number +
           "  (BLNK=GO,1=APND+HD,2=NOWR,3=APND-HD,111=OUT, -: NFILE=NFILE)";
}

// Row 1 once the file line has covered the first 26 columns of the prompt.
std::string file_line_over_prompt(const std::string& shown, const std::string& opened) {
    return " FILE: " + opened + blanks(12) + prompt(shown).substr(26);
}

int line_count(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

class OutputFileTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
        int_params(ip::nciclo) = 1;
    }

    static void cycle() { data_file_io(3); }
    static void header() { data_file_io(5); }
    static void point(int n) {
        NTIME = int16_t(n);
        TIME(n) = n;
        data_file_io(7);
    }
    // Unit 8 left on the points file of an earlier cycle.
    static void earlier_cycle_file() {
        make_file_name(".TXT");
        ASSERT_TRUE(open_unit(8, file_name.view()));
    }
};

//---- the dialogue ----

TEST_F(OutputFileTest, BlankAnswerOpensTheNextNumberAndShowsTheFileLine) {
    keyboard_script({""});
    cycle();
    EXPECT_EQ(NFILE, 11);
    EXPECT_TRUE(std::filesystem::exists("KALVO11.TXT"));
    EXPECT_TRUE(unit_is_open(8));
    EXPECT_EQ(screen_row(1), file_line_over_prompt("KALVO10", "KALVO11"));
    EXPECT_TRUE(file_answer.is_blank());
    EXPECT_EQ(header_written, 0);
    header();
    point(1);
    close_unit(8);
    EXPECT_EQ(line_count(read_file("KALVO11.TXT")), 42);
}

TEST_F(OutputFileTest, ZeroAndBlanksAreTheBlankAnswer) {
    keyboard_script({"0"});
    cycle();
    EXPECT_EQ(NFILE, 11);
    keyboard_script({"   "});
    cycle();
    EXPECT_EQ(NFILE, 12);
    EXPECT_TRUE(std::filesystem::exists("KALVO12.TXT"));
}

TEST_F(OutputFileTest, DashWritesTheSameNumberFromItsFirstLine) {
    write_file("KALVO10.TXT", "old line\nold line\n");
    keyboard_script({"-"});
    cycle();
    EXPECT_EQ(NFILE, 10);
    EXPECT_EQ(screen_row(1), file_line_over_prompt("KALVO10", "KALVO10") + "-");
    header();
    close_unit(8);
    const std::string text = read_file("KALVO10.TXT");
    EXPECT_EQ(line_count(text), 40);
    EXPECT_EQ(text.substr(0, 11), "KALVO10.TXT");
}

TEST_F(OutputFileTest, OneAppendsAndTheHeaderFollowsTheOldLines) {
    write_file("KALVO10.TXT", "old line\n");
    keyboard_script({"1"});
    cycle();
    EXPECT_EQ(header_written, 0);
    header();
    close_unit(8);
    const std::string text = read_file("KALVO10.TXT");
    EXPECT_EQ(line_count(text), 41);
    EXPECT_EQ(text.substr(0, 20), "old line\nKALVO10.TXT");
}

TEST_F(OutputFileTest, ThreeAppendsWithoutHeaderQuestionOrFileLine) {
    write_file("KALVO10.TXT", "old line\n");
    keyboard_script({"3"});
    cycle();
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(screen_row(1), prompt("KALVO10") + "3");
    header();
    point(4);  // stop_mode is 1, but the file wants no question
    close_unit(8);
    EXPECT_EQ(keyboard_reads(), 1);
    const std::string text = read_file("KALVO10.TXT");
    EXPECT_EQ(line_count(text), 3);
    EXPECT_EQ(text.substr(0, 15), "old line\n     4");
}

TEST_F(OutputFileTest, TypedNameGivesStemAndNumberForEveryLaterFile) {
    keyboard_script({"ABC"});
    cycle();
    EXPECT_EQ(file_prefix.str(), "ABC  ");
    EXPECT_EQ(NFILE, 0);
    EXPECT_TRUE(std::filesystem::exists("ABC   0.TXT"));
    keyboard_script({""});
    cycle();
    EXPECT_TRUE(std::filesystem::exists("ABC   1.TXT"));
    keyboard_script({"KALVO12"});
    cycle();
    EXPECT_TRUE(std::filesystem::exists("KALVO12.TXT"));
    keyboard_script({"ABC12"});
    cycle();
    EXPECT_TRUE(std::filesystem::exists("ABC12 0.TXT"));
    keyboard_script({"XYZ1213.TXT, longer than twelve"});
    cycle();
    EXPECT_TRUE(std::filesystem::exists("XYZ1213.TXT"));
    EXPECT_EQ(file_answer.str(), "XYZ1213.TXT,");
}

TEST_F(OutputFileTest, AnswerWithALeadingBlankIsAName) {
    keyboard_script({" 111"});
    cycle();
    EXPECT_EQ(file_answer.str(), " 111        ");
    EXPECT_EQ(file_prefix.str(), " 111 ");
    EXPECT_EQ(NFILE, 0);
    EXPECT_TRUE(std::filesystem::exists("111  0.TXT"));
    EXPECT_EQ(output_declined, 0);
}

TEST_F(OutputFileTest, NumberColumnsThatAreNotANumberShowThePromptAgain) {
    keyboard_script({"KALVOAB", "-"});
    cycle();
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(NFILE, 10);
    EXPECT_TRUE(std::filesystem::exists("KALVO10.TXT"));
}

TEST_F(OutputFileTest, FailedOpenShowsThePromptAgainWithTheNumberItLeft) {
    std::filesystem::create_directory("KALVO11.TXT");
    keyboard_script({"", "111"});
    cycle();
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(screen_row(1), prompt("KALVO11") + "111");
}

TEST_F(OutputFileTest, FailedOpenAfterThreeReturnsWithoutAFile) {
    std::filesystem::create_directory("KALVO10.TXT");
    keyboard_script({"3"});
    cycle();
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(header_written, 1);
    EXPECT_FALSE(unit_is_open(8));
}

//---- declining the file ----

TEST_F(OutputFileTest, OneOneOneOpensNothingAndLetsTheEarlierFileGo) {
    earlier_cycle_file();
    keyboard_script({"111"});
    cycle();
    EXPECT_EQ(file_answer.str(), "111         ");
    EXPECT_FALSE(unit_is_open(8));
    point(3);
    EXPECT_EQ(read_file("KALVO10.TXT"), "");
    EXPECT_FALSE(std::filesystem::exists("fort.8"));
}

TEST_F(OutputFileTest, NoWriteHoldsForTheWholeCycleWhateverRunStateBecomes) {
    earlier_cycle_file();
    stop_mode = 0;
    keyboard_script({"2"});
    cycle();
    EXPECT_EQ(run_state, 2);
    EXPECT_EQ(header_written, 0);
    EXPECT_FALSE(unit_is_open(8));
    header();
    point(2);
    run_state = 3;  // the graphics menu's "pros", a stop, the table-full branch
    header();
    point(3);
    run_state = 0;  // MORE
    point(4);
    EXPECT_EQ(read_file("KALVO10.TXT"), "");
    EXPECT_FALSE(std::filesystem::exists("fort.8"));
    EXPECT_EQ(points_in_file, 0);

    // The next cycle's file takes the records again.
    keyboard_script({""});
    cycle();
    point(5);
    close_unit(8);
    EXPECT_EQ(line_count(read_file("KALVO11.TXT")), 2);
}

//---- the next file without asking ----

TEST_F(OutputFileTest, RepeatedRunsOpenTheNextNumberWithoutAskingAndForgetAnEarlier111) {
    earlier_cycle_file();
    run_phase = 3;
    file_answer = "111";
    header_written = 1;
    cycle();
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(NFILE, 11);
    EXPECT_TRUE(std::filesystem::exists("KALVO11.TXT"));
    EXPECT_TRUE(unit_is_open(8));
    EXPECT_TRUE(file_answer.is_blank());
    EXPECT_EQ(screen_row(1), "");
}

TEST_F(OutputFileTest, AfterAPointsFileTheNextNumberIsOpenedWithoutAsking) {
    load_kind = 1;
    file_answer = "111";
    cycle();
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(NFILE, 11);
    EXPECT_TRUE(unit_is_open(8));
    EXPECT_TRUE(file_answer.is_blank());
}

TEST_F(OutputFileTest, HeaderAlreadyThereOrAnOddLoadKindOpensNothing) {
    header_written = 1;
    load_kind = 1;
    cycle();
    load_kind = 2;
    header_written = 0;
    cycle();
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(NFILE, 10);
    EXPECT_FALSE(unit_is_open(8));
}

TEST_F(OutputFileTest, AutomaticOpeningStopsWhenNoNumberIsLeftAndAsks) {
    run_phase = 3;
    NFILE = 98;
    std::filesystem::create_directory("KALVO99.TXT");
    keyboard_script({"KALVO20"});
    cycle();
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(NFILE, 20);
    EXPECT_TRUE(std::filesystem::exists("KALVO20.TXT"));
    EXPECT_FALSE(std::filesystem::exists("KALVO**.TXT"));
}

TEST_F(OutputFileTest, AutomaticOpeningTriesABoundedNumberOfNumbers) {
    load_kind = 1;
    NFILE = -130;  // no name for the next hundred numbers
    keyboard_script({"111"});
    cycle();
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(NFILE, -30);
    EXPECT_EQ(screen_row(1), prompt("KALVO**") + "111");
}

//---- the per-point question ----

const std::string kQuestion = "CICLO      1 , 0=MEM,1=NOMEM,3=MEMNOSTOP,4=NOMEMNOSTOP";

class PerPointTest : public OutputFileTest {
protected:
    void SetUp() override {
        OutputFileTest::SetUp();
        earlier_cycle_file();
        stop_mode = 1;
    }
    static int pairs_written() {
        close_unit(8);
        const int n = line_count(read_file("KALVO10.TXT")) / 2;
        EXPECT_TRUE(open_unit(8, "KALVO10.TXT", OpenStatus::unknown, OpenAccess::append));
        return n;
    }
};

TEST_F(PerPointTest, QuestionStandsEightRowsBelowLastrigAndAnEmptyAnswerKeepsEveryState) {
    keyboard_script({""});
    point(1);
    EXPECT_EQ(screen_row(42), blanks(63) + kQuestion);
    EXPECT_EQ(header_written, 1);
    point(2);
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(pairs_written(), 2);
    EXPECT_EQ(stop_mode, 1);
}

TEST_F(PerPointTest, AnswerOneSkipsThisStateOnly) {
    LASTRIG = 20;
    keyboard_script({"1", "2"});
    point(1);
    EXPECT_EQ(screen_row(28), blanks(63) + kQuestion + " 1");
    EXPECT_EQ(pairs_written(), 0);
    EXPECT_EQ(header_written, 0);
    point(2);
    EXPECT_EQ(pairs_written(), 1);
    EXPECT_EQ(header_written, 1);
}

TEST_F(PerPointTest, AnswerFourSkipsThisStateAndWritesTheRestWithoutAsking) {
    keyboard_script({"4"});
    point(1);
    EXPECT_EQ(stop_mode, 0);
    EXPECT_EQ(pairs_written(), 0);
    point(2);
    point(3);
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(pairs_written(), 2);
}

TEST_F(PerPointTest, AnswerThreeKeepsTheStateAndStopsStopping) {
    keyboard_script({"3"});
    point(1);
    EXPECT_EQ(stop_mode, 0);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(pairs_written(), 1);
}

TEST_F(PerPointTest, AnswersOutsideTheMenuAskAgain) {
    keyboard_script({"7", "x", "-1", "5", "0"});
    point(1);
    EXPECT_EQ(keyboard_reads(), 5);
    EXPECT_EQ(pairs_written(), 1);
}

TEST_F(PerPointTest, NoQuestionWhileRunningOnOrWhileNothingIsWritten) {
    run_state = 1;
    point(1);
    run_state = 2;
    point(2);
    EXPECT_EQ(pairs_written(), 0);
    run_state = 0;
    stop_mode = 0;
    point(3);
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(pairs_written(), 1);
}

}  // namespace
