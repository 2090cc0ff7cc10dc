// Tests for datafiles/output_file.cpp: the output-file dialogue of each
// cycle, the next file opened without asking, and the per-point question.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

namespace fs = std::filesystem;

// Row 1 with the prompt for the stem and number shown (84 characters).
std::string prompt(const std::string& shown) {
    return " FILE OUT? ERA:" + shown + "  (BLNK=GO,1=APND+HD,2=NOWR,3=APND-HD,111=OUT, -: NFILE=NFILE)";
}
// Row 1 once the file line has covered the first 26 columns of the prompt.
std::string file_line(const std::string& shown, const std::string& opened) {
    return " FILE: " + opened + std::string(12, ' ') + prompt(shown).substr(26);
}

class OutputFileTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
        int_params(ip::nciclo) = 1;
    }
    static void cycle(std::initializer_list<std::string_view> answers = {}) {
        reset_window();
        keyboard_script(answers);
        data_file_io(3);
    }
    static void point(int n) {
        NTIME = int16_t(n);
        data_file_io(7);
    }
    static int lines(const std::string& name) {
        const std::string text = read_file(name);
        return int(std::count(text.begin(), text.end(), '\n'));
    }
    // Unit 8 left on the points file of an earlier cycle.
    static void earlier_cycle_file() {
        make_file_name(".TXT");
        ASSERT_TRUE(open_unit(8, file_name.view()));
    }
    static void close_and_count(const std::string& name, int expected) {
        close_unit(8);
        EXPECT_EQ(lines(name), expected) << name;
    }
};

TEST_F(OutputFileTest, BlankZeroAndDashOpenTheNumberedFileFromItsFirstLine) {
    write_file("KALVO12.TXT", "old line\nold line\n");
    cycle({""});
    EXPECT_EQ(screen_row(1), file_line("KALVO10", "KALVO11"));
    EXPECT_TRUE(fs::exists("KALVO11.TXT"));
    EXPECT_TRUE(file_answer.is_blank());
    cycle({"0"});
    cycle({"-"});
    EXPECT_EQ(screen_row(1), file_line("KALVO12", "KALVO12") + "-");
    EXPECT_EQ(header_written, 0);
    data_file_io(5);
    close_and_count("KALVO12.TXT", 40);
}

TEST_F(OutputFileTest, OneAppendsForANewHeaderThreeAppendsWithoutHeaderOrQuestion) {
    write_file("KALVO10.TXT", "old line\n");
    cycle({"1"});
    data_file_io(5);
    close_and_count("KALVO10.TXT", 41);
    header_written = 0;  // as the main program sets it before every cycle
    cycle({"3"});
    EXPECT_EQ(screen_row(1), prompt("KALVO10") + "3");  // no file line
    EXPECT_EQ(header_written, 1);
    data_file_io(5);
    point(4);  // stop_mode is 1, yet no question for this file
    EXPECT_EQ(keyboard_reads(), 1);
    close_and_count("KALVO10.TXT", 43);

    // A last line without its line end keeps its text: the header, or the
    // first record, starts on the next line.
    const std::pair<const char*, std::string> appends[] = {{"1", "old line\nKALVO10.TXT "},
                                                           {"3", "old line\n     4"}};
    for (const auto& [answer, start] : appends) {
        write_file("KALVO10.TXT", "old line");
        header_written = 0;
        cycle({answer});
        data_file_io(5);
        point(4);
        close_and_count("KALVO10.TXT", answer == std::string("1") ? 43 : 3);
        EXPECT_EQ(read_file("KALVO10.TXT").substr(0, start.size()), start);
    }
}

TEST_F(OutputFileTest, AnyOtherAnswerIsAStemAndNumberForEveryLaterFile) {
    cycle({"ABC"});
    EXPECT_EQ(file_prefix.str(), "ABC  ");
    EXPECT_EQ(NFILE, 0);
    cycle({""});
    cycle({"ABC12"});
    cycle({"KALVOAB", "XYZ1213.TXT, longer than twelve"});  // no number in columns 6-7: asked again
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(file_answer.str(), "XYZ1213.TXT,");
    cycle({" 111"});  // a leading blank makes it a name
    for (const char* name : {"ABC   0.TXT", "ABC   1.TXT", "ABC12 0.TXT", "XYZ1213.TXT", "111  0.TXT"})
        EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_F(OutputFileTest, FailedOpenAsksAgainWithTheNumberItLeft) {
    fs::create_directory("KALVO11.TXT");
    cycle({"", "111"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(screen_row(1), prompt("KALVO11") + "111");
    NFILE = 11;
    cycle({"3", "111"});  // an append that cannot open asks again too
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(header_written, 0);
    EXPECT_FALSE(unit_is_open(8));

    // A file that can only be read fails the open for every answer.
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    write_file("KALVO12.TXT", "kept\n");
    ASSERT_EQ(chmod("KALVO12.TXT", 0444), 0);
    NFILE = 12;
    header_written = 0;
    cycle({"-", "1", "KALVO12", ""});
    EXPECT_EQ(keyboard_reads(), 4);
    EXPECT_EQ(screen_row(1), file_line("KALVO12", "KALVO13"));
    NFILE = 12;
    header_written = 0;
    cycle({"3", "111"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_EQ(read_file("KALVO12.TXT"), "kept\n");
}

TEST_F(OutputFileTest, DeclinedFileGetsNothingForTheWholeCycleWhateverRunStateBecomes) {
    stop_mode = 0;
    earlier_cycle_file();
    cycle({"2"});
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_EQ(run_state, 2);
    for (int16_t rs : {2, 3, 0}) {  // the graphics menu's "pros", the table-full branch, MORE
        run_state = rs;
        data_file_io(5);
        point(2);
    }
    EXPECT_EQ(lines("KALVO10.TXT"), 0);
    EXPECT_FALSE(fs::exists("fort.8"));
    // OUT lets the earlier cycle's file go as well, but declines no file:
    // a continuation of the run asks for one again.
    earlier_cycle_file();
    cycle({"111"});
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_EQ(output_declined, 0);
    EXPECT_EQ(file_answer.str(), "111         ");
    cycle({""});  // the next cycle's file takes the records again
    point(5);
    close_and_count("KALVO11.TXT", 2);
}

TEST_F(OutputFileTest, RepeatedRunsAndPointsFilesGoOnToTheNextNumberWithoutAsking) {
    earlier_cycle_file();
    run_phase = 3;
    header_written = 1;
    file_answer = "111";  // typed for an earlier cycle: it ends no later one
    cycle();
    EXPECT_EQ(NFILE, 11);
    EXPECT_TRUE(file_answer.is_blank());
    run_phase = 1;
    header_written = 0;
    load_kind = 1;
    cycle();
    EXPECT_EQ(NFILE, 12);
    EXPECT_TRUE(fs::exists("KALVO12.TXT"));
    EXPECT_EQ(screen_row(1), "");
    header_written = 1;  // nothing to do: the file has its header
    cycle();
    header_written = 0;
    load_kind = 2;
    cycle();
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(NFILE, 12);
}

TEST_F(OutputFileTest, NextNumberWithoutAskingSkipsWhatItCannotOpenAndGivesUpAfterItsLastTry) {
    run_phase = 3;
    NFILE = 98;
    fs::create_directory("KALVO99.TXT");
    cycle({"KALVO20"});  // 99 cannot be opened and 100 has no name
    EXPECT_EQ(NFILE, 20);
    EXPECT_FALSE(fs::exists("KALVO**.TXT"));
    run_phase = 1;
    load_kind = 1;
    NFILE = -130;  // no name for the next hundred numbers
    cycle({"111"});
    EXPECT_EQ(NFILE, -30);
    EXPECT_EQ(screen_row(1), prompt("KALVO**") + "111");

    // Files that can only be read are passed over.
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    for (const char* name : {"KALVO31.TXT", "KALVO32.TXT"}) {
        write_file(name, "kept\n");
        ASSERT_EQ(chmod(name, 0444), 0);
    }
    run_phase = 3;
    NFILE = 30;
    cycle();
    EXPECT_EQ(NFILE, 33);
    run_phase = 1;
    NFILE = 31;
    cycle();
    EXPECT_EQ(NFILE, 33);
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(read_file("KALVO31.TXT") + read_file("KALVO32.TXT"), "kept\nkept\n");
    close_and_count("KALVO33.TXT", 0);
}

//---- the per-point question ----

const std::string kQuestion = std::string(63, ' ') + "CICLO      1 , 0=MEM,1=NOMEM,3=MEMNOSTOP,4=NOMEMNOSTOP";

TEST_F(OutputFileTest, QuestionEightRowsBelowLastrigDecidesWhichStatesAreWritten) {
    earlier_cycle_file();
    keyboard_script({"", "1", "7", "x", "-1", "2", "4", "3"});
    point(1);  // MEM
    EXPECT_EQ(screen_row(42), kQuestion);
    EXPECT_EQ(header_written, 1);
    point(2);  // not asked again
    EXPECT_EQ(keyboard_reads(), 1);
    header_written = 0;
    LASTRIG = 20;
    point(3);  // NOMEM
    EXPECT_EQ(screen_row(28), kQuestion + " 1");
    EXPECT_EQ(header_written, 0);
    point(4);  // asked again until 2, which is MEM
    EXPECT_EQ(keyboard_reads(), 6);
    header_written = 0;
    point(5);  // NOMEMNOSTOP
    EXPECT_EQ(stop_mode, 0);
    point(6);  // written without asking
    EXPECT_EQ(keyboard_reads(), 7);
    stop_mode = 1;
    header_written = 0;
    point(7);  // MEMNOSTOP
    EXPECT_EQ(stop_mode, 0);
    EXPECT_EQ(header_written, 1);
    run_state = 1;
    point(8);
    run_state = 2;
    point(9);
    EXPECT_EQ(keyboard_script_left(), 0);
    close_and_count("KALVO10.TXT", 2 * 5);  // states 1, 2, 4, 6 and 7
}

}  // namespace
