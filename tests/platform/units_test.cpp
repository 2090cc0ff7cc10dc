// Tests for platform/units.cpp: numbered units on text files.
#include "platform/units.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace {

std::vector<ino_t> synced_folders;  // every folder fsync was called on

ino_t inode_of(const char* name) {
    struct stat st {};
    stat(name, &st);
    return st.st_ino;
}

}  // namespace

// Every fsync of this test program passes here.
extern "C" int fsync(int fd) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) synced_folders.push_back(st.st_ino);
    return int(syscall(SYS_fsync, fd));
}

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

TEST_F(Units, WithAppendNewRecordsFollowTheOldOnesOnALineOfTheirOwn) {
    write_file("f.txt", "old 1\n");
    ASSERT_TRUE(open_unit(8, "f.txt", OpenStatus::unknown, OpenAccess::append));
    EXPECT_EQ(write_unit(8, line_, "new"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("f.txt"), "old 1\nnew\n");
    // A last line without its line end gets one before the first new record.
    write_file("g.txt", "old 1\nold 2");
    ASSERT_TRUE(open_unit(8, "g.txt", OpenStatus::unknown, OpenAccess::append));
    close_unit(8);
    EXPECT_EQ(read_file("g.txt"), "old 1\nold 2");  // nothing written, nothing changed
    ASSERT_TRUE(open_unit(8, "g.txt", OpenStatus::unknown, OpenAccess::append));
    EXPECT_EQ(write_unit(8, FieldFormat("('a',$)")), IoStatus::ok);
    EXPECT_EQ(write_unit(8, line_, "b"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("g.txt"), "old 1\nold 2\nab\n");
    // An empty file gets the new records alone.
    write_file("e.txt", "");
    ASSERT_TRUE(open_unit(8, "e.txt", OpenStatus::unknown, OpenAccess::append));
    EXPECT_EQ(write_unit(8, line_, "new"), IoStatus::ok);
    close_unit(8);
    EXPECT_EQ(read_file("e.txt"), "new\n");
}

TEST_F(Units, AReplacingUnitTakesTheFilesPlaceOnlyWhenCommitted) {
    const auto names = [] {
        std::set<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(".")) found.insert(e.path().filename());
        return found;
    };
    write_file("r.txt", "old 1\nold 2\n");
    ASSERT_EQ(chmod("r.txt", 0640), 0);
    ASSERT_TRUE(open_unit(6, "r.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    EXPECT_EQ(read_file("r.txt"), "old 1\nold 2\n");
    close_unit(6);  // not committed: the new file is gone
    EXPECT_EQ(read_file("r.txt"), "old 1\nold 2\n");
    EXPECT_EQ(names(), std::set<std::string>{"r.txt"});

    ASSERT_TRUE(open_unit(6, "r.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    synced_folders.clear();
    EXPECT_TRUE(commit_unit(6));
    EXPECT_EQ(synced_folders, std::vector<ino_t>{inode_of(".")});  // the rename is on disk too
    EXPECT_EQ(read_file("r.txt"), "new\n");
    EXPECT_EQ(std::filesystem::status("r.txt").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(write_unit(6, line_, "more"), IoStatus::ok);  // still connected, now to r.txt
    close_unit(6);
    EXPECT_EQ(read_file("r.txt"), "new\nmore\n");
    EXPECT_EQ(names(), std::set<std::string>{"r.txt"});

    // Through a link the linked file is replaced and the link stays; a
    // missing file appears at the commit.
    std::filesystem::create_symlink("r.txt", "link.txt");
    ASSERT_TRUE(open_unit(6, "link.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "via link"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(read_file("r.txt"), "via link\n");
    ASSERT_TRUE(open_unit(6, "n.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "n"), IoStatus::ok);
    EXPECT_FALSE(std::filesystem::exists("n.txt"));
    EXPECT_TRUE(commit_unit(6));
    EXPECT_EQ(read_file("n.txt"), "n\n");
    std::filesystem::create_directory("real");
    std::filesystem::create_symlink("real/T.txt", "dangling.txt");
    ASSERT_TRUE(open_unit(6, "dangling.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "t"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    EXPECT_TRUE(std::filesystem::is_symlink("dangling.txt"));
    EXPECT_EQ(read_file("real/T.txt"), "t\n");

    // A device is written itself; a unit with a failed write is not committed.
    ASSERT_TRUE(open_unit(8, "/dev/full", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(8, line_, "x"), IoStatus::error);
    EXPECT_FALSE(commit_unit(8));
    EXPECT_FALSE(commit_unit(9));  // not open
    close_all_units();
    EXPECT_EQ(names(), (std::set<std::string>{"dangling.txt", "link.txt", "n.txt", "r.txt", "real"}));
}

TEST_F(Units, AFileThatANewFileCouldNotReplaceWholeIsWrittenInPlace) {
    // A second name of the file sees the new records.
    write_file("h.txt", "old\n");
    std::filesystem::create_hard_link("h.txt", "h2.txt");
    ASSERT_TRUE(open_unit(6, "h.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    EXPECT_EQ(read_file("h2.txt"), "new\n");
    EXPECT_EQ(std::filesystem::hard_link_count("h.txt"), 2u);

    // A file of another user in a shared folder keeps its owner.
    if (geteuid() != 0) GTEST_SKIP() << "giving a file another owner needs root";
    std::filesystem::create_directory("shared");
    ASSERT_EQ(chmod("shared", 01777), 0);
    write_file("shared/K.MXT", "old\n");
    ASSERT_EQ(chown("shared/K.MXT", 4242, 4242), 0);
    ASSERT_EQ(chmod("shared/K.MXT", 0666), 0);
    ASSERT_TRUE(without_root());
    ASSERT_TRUE(open_unit(6, "shared/K.MXT", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    close_unit(6);
    EXPECT_EQ(read_file("shared/K.MXT"), "new\n");
    struct stat st {};
    ASSERT_EQ(stat("shared/K.MXT", &st), 0);
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4242u);
    EXPECT_EQ(std::filesystem::directory_iterator("shared")->path().filename(), "K.MXT");
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

TEST_F(Units, AFailedWriteIsReportedAndAFileThatCannotBeWrittenOpensOnlyToBeRead) {
    ASSERT_TRUE(open_unit(8, "/dev/full"));
    EXPECT_EQ(write_unit(8, line_, "x"), IoStatus::error);
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    // Opened for writing, a file that can only be read fails the open.
    write_file("ro.txt", "keep\n");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
    for (OpenAccess access : {OpenAccess::sequential, OpenAccess::append, OpenAccess::replace}) {
        EXPECT_FALSE(open_unit(8, "ro.txt", OpenStatus::unknown, access)) << int(access);
        EXPECT_FALSE(unit_is_open(8));
    }
    // A file to load is opened for reading; writing it fails.
    ASSERT_TRUE(open_unit(6, "ro.txt", OpenStatus::old));
    Text<8> t;
    EXPECT_EQ(read_unit(6, line_, t), IoStatus::ok);
    EXPECT_EQ(t, "keep");
    EXPECT_EQ(write_unit(6, line_, "lost"), IoStatus::error);
    close_unit(6);
    EXPECT_EQ(read_file("ro.txt"), "keep\n");
    // The default file of an unopened unit is not connected either.
    write_file("fort.88", "old warning\n");
    ASSERT_EQ(chmod("fort.88", 0444), 0);
    EXPECT_EQ(write_unit(88, line_, "warning"), IoStatus::error);
    EXPECT_FALSE(unit_is_open(88));
    EXPECT_EQ(read_file("fort.88"), "old warning\n");
    // A file that can be written, in a folder that takes no new file, is
    // written in its place when it is to be replaced.
    std::filesystem::create_directory("d");
    write_file("d/w.txt", "old\n");
    ASSERT_EQ(chmod("d", 0555), 0);
    ASSERT_TRUE(open_unit(6, "d/w.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    EXPECT_EQ(read_file("d/w.txt"), "new\n");
    // A write there that fails half-way (a full disk) puts the old bytes back.
    const std::string old(3000, 'o');
    write_file("d/w.txt", old);
    const auto save_on_full_disk = [this] {
        if (!open_unit(6, "d/w.txt", OpenStatus::unknown, OpenAccess::replace)) return 1;
        const IoStatus s = write_unit(6, line_, std::string(2000, 'n'));
        return s == IoStatus::error && !commit_unit(6) ? 0 : 2;
    };
    EXPECT_EQ(with_full_disk(save_on_full_disk), 0);
    EXPECT_EQ(read_file("d/w.txt"), old);
    ASSERT_EQ(chmod("d", 0755), 0);
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
