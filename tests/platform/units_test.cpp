// Tests for platform/units.cpp: numbered units on text files.
#include "platform/units.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_env.h"

namespace {

class Units : public KalvoTest {
protected:
    const FieldFormat line_{"(A)"};
    const FieldFormat number_{"(I3)"};
};

TEST_F(Units, OpenUnknownCreatesAMissingFileAndOldDoesNot) {
    EXPECT_TRUE(open_unit(8, "new.txt", OpenStatus::unknown));
    EXPECT_TRUE(unit_is_open(8));
    EXPECT_TRUE(std::filesystem::exists("new.txt"));
    close_unit(8);
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_FALSE(open_unit(6, "missing.txt", OpenStatus::old));
    EXPECT_FALSE(unit_is_open(6));
    EXPECT_FALSE(std::filesystem::exists("missing.txt"));
}

TEST_F(Units, NamesThatCannotBeOpenedAreRefused) {
    std::filesystem::create_directory("adir");
    EXPECT_FALSE(open_unit(8, "adir"));
    EXPECT_FALSE(open_unit(8, ""));
    EXPECT_FALSE(open_unit(8, "      "));
    EXPECT_FALSE(open_unit(8, "nodir/file.txt"));
    EXPECT_FALSE(open_unit(8, std::string_view("a\0b", 3)));
    EXPECT_FALSE(unit_is_open(8));
}

TEST_F(Units, BlanksAroundANameAreNotPartOfIt) {
    ASSERT_TRUE(open_unit(8, "  KALVO10.TXT    "));
    EXPECT_EQ(write_unit(8, line_, "x"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("KALVO10.TXT"), "x\n");
    // A blank inside a name is kept.
    ASSERT_TRUE(open_unit(8, "KALVO 7.TXT"));
    close_unit(8);
    EXPECT_TRUE(std::filesystem::exists("KALVO 7.TXT"));
}

TEST_F(Units, WithoutAppendTheFileIsWrittenAgainFromItsFirstRecord) {
    write_file("f.txt", "old 1\nold 2\nold 3\n");
    ASSERT_TRUE(open_unit(8, "f.txt"));
    EXPECT_EQ(write_unit(8, line_, "new"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("f.txt"), "new\n");
}

TEST_F(Units, WithAppendNewRecordsFollowTheOldOnes) {
    write_file("f.txt", "old 1\n");
    ASSERT_TRUE(open_unit(8, "f.txt", OpenStatus::unknown, OpenAccess::append));
    EXPECT_EQ(write_unit(8, line_, "new"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("f.txt"), "old 1\nnew\n");
}

TEST_F(Units, OpeningAConnectedUnitClosesItFirstAlsoForTheSameFile) {
    ASSERT_TRUE(open_unit(8, "a.txt"));
    EXPECT_EQ(write_unit(8, line_, "a1"), IoStatus::ok);
    ASSERT_TRUE(open_unit(8, "b.txt"));
    EXPECT_EQ(write_unit(8, line_, "b1"), IoStatus::ok);
    EXPECT_EQ(read_file("a.txt"), "a1\n");
    // The same file again: written again from its start, or appended to as asked.
    ASSERT_TRUE(open_unit(8, "b.txt"));
    EXPECT_EQ(write_unit(8, line_, "b2"), IoStatus::ok);
    EXPECT_EQ(read_file("b.txt"), "b2\n");
    ASSERT_TRUE(open_unit(8, "b.txt", OpenStatus::unknown, OpenAccess::append));
    EXPECT_EQ(write_unit(8, line_, "b3"), IoStatus::ok);
    EXPECT_EQ(read_file("b.txt"), "b2\nb3\n");
    // A failed open leaves the unit unconnected.
    EXPECT_FALSE(open_unit(8, "missing", OpenStatus::old));
    EXPECT_FALSE(unit_is_open(8));
}

TEST_F(Units, ClosingAUnitThatIsNotOpenDoesNothing) {
    close_unit(8);
    close_unit(-3);
    close_unit(100000);
    EXPECT_FALSE(unit_is_open(8));
}

TEST_F(Units, ARecordIsInItsFileWhenTheWriteReturns) {
    ASSERT_TRUE(open_unit(8, "p.txt"));
    EXPECT_EQ(write_unit(8, FieldFormat("(I6,3X,D15.7)"), 1, 1.0), IoStatus::ok);
    EXPECT_EQ(read_file("p.txt"), "     1     0.1000000D+01\n");
    // A child that writes and is killed at once loses nothing.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        write_unit(8, line_, "before kill");
        ::kill(::getpid(), SIGKILL);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(read_file("p.txt"), "     1     0.1000000D+01\nbefore kill\n");
}

TEST_F(Units, DollarKeepsTheLineOpen) {
    ASSERT_TRUE(open_unit(8, "d.txt"));
    EXPECT_EQ(write_unit(8, FieldFormat("('a',$)")), IoStatus::ok);
    EXPECT_EQ(write_unit(8, line_, "b"), IoStatus::ok);
    EXPECT_EQ(write_unit(8, FieldFormat("(I2)"), 1, 2), IoStatus::ok);  // two records
    close_unit(8);
    EXPECT_EQ(read_file("d.txt"), "ab\n 1\n 2\n");
}

TEST_F(Units, AUnitWrittenBeforeAnyOpenGoesToFortFile) {
    EXPECT_EQ(write_unit(88, line_, "warning 1"), IoStatus::ok);
    EXPECT_EQ(write_unit(88, line_, "warning 2"), IoStatus::ok);
    EXPECT_TRUE(unit_is_open(88));
    EXPECT_EQ(read_file("fort.88"), "warning 1\nwarning 2\n");
}

TEST_F(Units, AUnitWrittenBeforeAnyOpenGoesToTheFileOfItsEnvironmentVariable) {
    write_file("diag.txt", "stale\n");
    setenv("FORT88", "diag.txt", 1);
    EXPECT_EQ(write_unit(88, line_, "fresh"), IoStatus::ok);
    unsetenv("FORT88");
    EXPECT_EQ(read_file("diag.txt"), "fresh\n");  // created or written again at the first write
    EXPECT_FALSE(std::filesystem::exists("fort.88"));
}

TEST_F(Units, AFailedWriteIsReported) {
    ASSERT_TRUE(open_unit(8, "/dev/full"));
    EXPECT_EQ(write_unit(8, line_, "x"), IoStatus::error);
    // A file that can only be read is opened for reading; writing it fails.
    write_file("ro.txt", "keep\n");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
    if (geteuid() != 0) {
        ASSERT_TRUE(open_unit(6, "ro.txt", OpenStatus::old));
        Text<8> t;
        EXPECT_EQ(read_unit(6, line_, t), IoStatus::ok);
        EXPECT_EQ(t, "keep");
        EXPECT_EQ(write_unit(6, line_, "lost"), IoStatus::error);
        close_unit(6);
        EXPECT_EQ(read_file("ro.txt"), "keep\n");
    }
}

TEST_F(Units, ReadingGoesLineByLineToTheEndOfFile) {
    const std::string long_line(100000, 'z');
    static const char tail[] =
        "\nab\0\x01"
        "cd\nlast";
    write_file("r.txt", "  1\r\n  2\n\n" + long_line + std::string(tail, sizeof tail - 1));
    ASSERT_TRUE(open_unit(6, "r.txt", OpenStatus::old));
    int16_t a = 0, b = 0;
    EXPECT_EQ(read_unit(6, number_, a), IoStatus::ok);  // the '\r' is dropped
    EXPECT_EQ(a, 1);
    EXPECT_EQ(read_unit(6, FieldFormat("(A3)"), a), IoStatus::error);  // wrong item for A
    EXPECT_EQ(read_unit(6, number_, b), IoStatus::ok);                 // the empty line reads 0
    EXPECT_EQ(b, 0);
    Text<5> t;
    EXPECT_EQ(read_unit(6, FieldFormat("(A)"), t), IoStatus::ok);
    EXPECT_EQ(t.str(), "zzzzz");
    EXPECT_EQ(read_unit(6, FieldFormat("(A)"), t), IoStatus::ok);
    EXPECT_EQ(t.str(), std::string("ab\0\x01"
                                   "c",
                                   5));
    EXPECT_EQ(read_unit(6, FieldFormat("(A)"), t), IoStatus::ok);  // a last line without its newline
    EXPECT_EQ(t, "last");
    EXPECT_EQ(read_unit(6, FieldFormat("(A)"), t), IoStatus::end_of_file);
    EXPECT_EQ(read_unit(6, FieldFormat("(A)"), t), IoStatus::end_of_file);
}

TEST_F(Units, AReadWithMoreItemsThanFieldsGoesOnInTheNextLine) {
    write_file("v.txt", "  1.5  2.5\n  3.5\n");
    ASSERT_TRUE(open_unit(6, "v.txt", OpenStatus::old));
    double x = 0, y = 0, z = 0, w = 7;
    EXPECT_EQ(read_unit(6, FieldFormat("(2F5.1)"), x, y, z), IoStatus::ok);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2.5);
    EXPECT_EQ(z, 3.5);
    EXPECT_EQ(read_unit(6, FieldFormat("(F5.1)"), w), IoStatus::end_of_file);
    EXPECT_EQ(w, 7.0);
}

TEST_F(Units, WritingAfterReadingMakesThatRecordTheLast) {
    write_file("w.txt", "one\ntwo\nthree\n");
    ASSERT_TRUE(open_unit(6, "w.txt", OpenStatus::old));
    Text<5> t;
    EXPECT_EQ(read_unit(6, line_, t), IoStatus::ok);
    EXPECT_EQ(write_unit(6, line_, "TWO"), IoStatus::ok);
    close_unit(6);
    EXPECT_EQ(read_file("w.txt"), "one\nTWO\n");
    // Opened and closed without a write, a file keeps its records.
    ASSERT_TRUE(open_unit(6, "w.txt"));
    close_unit(6);
    EXPECT_EQ(read_file("w.txt"), "one\nTWO\n");
}

TEST_F(Units, AUnitReadBeforeAnyOpenNeedsItsFile) {
    int16_t a = 0;
    EXPECT_EQ(read_unit(5, number_, a), IoStatus::error);
    EXPECT_FALSE(std::filesystem::exists("fort.5"));
    write_file("fort.5", " 42\n");
    EXPECT_EQ(read_unit(5, number_, a), IoStatus::ok);
    EXPECT_EQ(a, 42);
}

TEST_F(Units, ManyUnitsAtOnceAndAnyUnitNumber) {
    for (int u = 1; u <= 12; ++u) ASSERT_TRUE(open_unit(u * 1000, "u" + std::to_string(u))) << u;
    for (int u = 1; u <= 12; ++u) EXPECT_EQ(write_unit(u * 1000, number_, u), IoStatus::ok);
    close_all_units();
    for (int u = 1; u <= 12; ++u)
        EXPECT_EQ(read_file("u" + std::to_string(u)), (u < 10 ? "  " : " ") + std::to_string(u) + "\n");
    for (int u = 1; u <= 12; ++u) EXPECT_FALSE(unit_is_open(u * 1000));
}

}  // namespace
