// Tests for platform/units.cpp: numbered units on text files.
#include "platform/units.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace {

std::vector<ino_t> synced_folders;  // every folder fsync was called on
std::vector<ino_t> synced_files;    // every other file

ino_t inode_of(const std::string& name) {
    struct stat st {};
    stat(name.c_str(), &st);
    return st.st_ino;
}

std::set<std::string> names_in(const char* folder) {
    std::set<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder)) found.insert(e.path().filename());
    return found;
}

// Runs body in a child process that is killed right after it; true when
// the child died of that kill.
bool killed_after(const std::function<void()>& body) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        body();
        ::kill(::getpid(), SIGKILL);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The hidden copies of old bytes that saves in place keep beside their files.
std::vector<std::string> old_copies_of(const std::string& file) {
    std::vector<std::string> found;
    for (const std::string& name : names_in("."))
        if (name.rfind("." + file + ".", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".old")
            found.push_back(name);
    return found;
}

}  // namespace

// Every fsync of this test program passes here.
extern "C" int fsync(int fd) {
    struct stat st {};
    if (fstat(fd, &st) == 0) (S_ISDIR(st.st_mode) ? synced_folders : synced_files).push_back(st.st_ino);
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
    // A pipe or a socket would keep a write waiting for a reader: refused,
    // without waiting at the open either.
    ASSERT_EQ(mkfifo("pipe", 0644), 0);
    for (OpenAccess access : {OpenAccess::sequential, OpenAccess::append, OpenAccess::replace})
        EXPECT_FALSE(open_unit(8, "pipe", OpenStatus::unknown, access)) << int(access);
    EXPECT_FALSE(open_unit(6, "pipe", OpenStatus::old));
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, "sock");
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_FALSE(open_unit(8, "sock"));
    close(sock);
    setenv("FORT88", "pipe", 1);
    EXPECT_EQ(write_unit(88, line_, "warning"), IoStatus::error);
    unsetenv("FORT88");
    EXPECT_FALSE(unit_is_open(8));
    // A device is a unit.
    ASSERT_TRUE(open_unit(8, "/dev/null"));
    EXPECT_EQ(write_unit(8, line_, "gone"), IoStatus::ok);
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
    const auto names = [] { return names_in("."); };
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
    // A second name of the file sees the new records, and a shorter save
    // ends the file at its last record.
    const std::string old = "old line 1\nold line 2\n";
    write_file("h.txt", old);
    std::filesystem::create_hard_link("h.txt", "h2.txt");
    synced_files.clear();
    synced_folders.clear();
    ASSERT_TRUE(open_unit(6, "h.txt", OpenStatus::unknown, OpenAccess::replace));
    // Before a byte of the file changes, its old bytes are on disk beside it.
    auto copies = old_copies_of("h.txt");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(read_file(copies[0]), old);
    EXPECT_EQ(synced_files, std::vector<ino_t>{inode_of(copies[0])});
    EXPECT_EQ(synced_folders, std::vector<ino_t>{inode_of(".")});
    EXPECT_EQ(write_unit(6, line_, "new"), IoStatus::ok);
    EXPECT_TRUE(commit_unit(6));
    EXPECT_EQ(read_file("h2.txt"), "new\n");
    EXPECT_EQ(std::filesystem::hard_link_count("h.txt"), 2u);
    EXPECT_EQ(names_in("."), (std::set<std::string>{"h.txt", "h2.txt"}));  // the copy went with the commit

    // Closed without a commit (a save that failed), it has its old bytes back.
    ASSERT_TRUE(open_unit(6, "h.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(write_unit(6, line_, "newer and longer"), IoStatus::ok);
    close_unit(6);
    EXPECT_EQ(read_file("h2.txt"), "new\n");
    EXPECT_EQ(names_in("."), (std::set<std::string>{"h.txt", "h2.txt"}));
    EXPECT_FALSE(take_unrestored_old_bytes());

    // A save killed half-way leaves the old bytes whole in the copy.
    const std::string big(5000, 'o');
    write_file("h.txt", big);
    EXPECT_TRUE(killed_after([this] {
        open_unit(6, "h.txt", OpenStatus::unknown, OpenAccess::replace);
        write_unit(6, line_, "killed");
    }));
    EXPECT_EQ(read_file("h2.txt").substr(0, 8), "killed\no");
    copies = old_copies_of("h.txt");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(read_file(copies[0]), big);
    std::filesystem::remove(copies[0]);

    // Old bytes that cannot be put back (the limit came down during the
    // save) stay in the copy, which is named once.
    write_file("h.txt", big);
    const auto save_under_falling_limit = [this] {
        if (!open_unit(6, "h.txt", OpenStatus::unknown, OpenAccess::replace)) return 1;
        if (write_unit(6, line_, std::string(2000, 'n')) != IoStatus::ok) return 2;
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (write_unit(6, line_, "past the limit") != IoStatus::error || commit_unit(6)) return 3;
        const std::optional<std::string> where = take_unrestored_old_bytes();
        if (!where || read_file(*where) != std::string(5000, 'o')) return 4;
        return take_unrestored_old_bytes() ? 5 : 0;
    };
    EXPECT_EQ(with_full_disk(save_under_falling_limit, RLIM_INFINITY), 0);
    EXPECT_EQ(old_copies_of("h.txt").size(), 1u);

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
    EXPECT_TRUE(killed_after([this] { write_unit(8, line_, "before kill"); }));
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
    // written in its place when it is to be replaced, its old bytes kept
    // only in memory.
    std::filesystem::create_directory("d");
    write_file("d/w.txt", "old\n");
    ASSERT_EQ(chmod("d", 0555), 0);
    ASSERT_TRUE(open_unit(6, "d/w.txt", OpenStatus::unknown, OpenAccess::replace));
    EXPECT_EQ(names_in("d"), std::set<std::string>{"w.txt"});
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

    // A line of megabytes reads its fields and passes over its tail to
    // the next line; a write after it goes after it.
    write_file("huge.txt", " 42" + std::string(3 << 20, ' ') + "\r\n  7\n  8\n");
    ASSERT_TRUE(open_unit(6, "huge.txt", OpenStatus::old));
    EXPECT_EQ(read_unit(6, number_, a), IoStatus::ok);
    EXPECT_EQ(a, 42);
    EXPECT_EQ(read_unit(6, number_, b), IoStatus::ok);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(write_unit(6, line_, "after"), IoStatus::ok);
    close_unit(6);
    const std::string huge = read_file("huge.txt");
    EXPECT_EQ(huge.size(), 3 + (3u << 20) + 2 + 4 + 6);
    EXPECT_EQ(huge.substr(huge.size() - 12), "\r\n  7\nafter\n");
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
