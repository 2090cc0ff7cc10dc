// Tests for datafiles/save_dialogue.cpp: the name of the saved data file and
// what happens when it cannot be opened or written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/control.h"
#include "common/params.h"
#include "datafiles/data_file_io.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;

ino_t failing_file = 0;  // every write to this file but the first fails (a disk going bad)
int writes_to_it = 0;

}  // namespace

// Every pwrite of this test program passes here.
extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
    struct stat st {};
    if (failing_file != 0 && fstat(fd, &st) == 0 && st.st_ino == failing_file && ++writes_to_it > 1) {
        errno = EIO;
        return -1;
    }
    return ssize_t(syscall(SYS_pwrite64, fd, buf, n, offset));
}

namespace {

// Row 3: the prompt (66 characters shown), then the answer from column 77.
std::string row3(const std::string& offered, const std::string& answer) {
    return "  NOME DEL FILE DATI; VA BENE   " + offered + " ?  (ALTRIMENTI: A7[.MXT] )" +
           (answer.empty() ? "" : std::string(10, ' ') + answer);
}

class SaveDialogueTest : public KalvoTest {
protected:
    static void save(std::initializer_list<std::string_view> answers) {
        reset_window();
        keyboard_script(answers);
        data_file_io(11);
    }
    static int lines(const std::string& name) {
        const std::string text = read_file(name);
        return int(std::count(text.begin(), text.end(), '\n'));
    }
};

TEST_F(SaveDialogueTest, EmptyAnswerSavesTheOfferedNameAndTypedNamesTakeSevenCharacters) {
    NFILE = 7;
    real_params(rp::EPS) = 1.0;
    save({""});
    EXPECT_EQ(screen_row(3), row3("KALVO 7", ""));
    EXPECT_EQ(lines("KALVO 7.MXT"), 38);
    EXPECT_EQ(read_file("KALVO 7.MXT").substr(0, 26), std::string(16, ' ') + "KALVO  NN ");
    EXPECT_EQ(header_written, 1);
    EXPECT_TRUE(unit_is_open(6));  // the saved file stays connected
    real_params(rp::EPS) = 2.0;
    save({"   "});  // the same file again: one header, the new values
    EXPECT_EQ(lines("KALVO 7.MXT"), 38);
    EXPECT_NE(read_file("KALVO 7.MXT").find("EPS       0.2000000000D+01"), std::string::npos);

    save({"ABCDEFGHIJ"});
    EXPECT_EQ(screen_row(3), row3("KALVO 7", "ABCDEFGHIJ"));
    EXPECT_EQ(file_answer.str(), "ABCDEFGHIJ  ");
    save({"ABC"});
    save({"KALVO12.TXT"});
    for (const char* name : {"ABCDEFG.MXT", "ABC    .MXT", "KALVO12.MXT"}) EXPECT_EQ(lines(name), 38) << name;
    EXPECT_FALSE(fs::exists("KALVO12.TXT"));
    // A typed name changes neither the stem nor the number on offer.
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(NFILE, 7);
}

TEST_F(SaveDialogueTest, FileThatCannotBeOpenedOrWrittenShowsThePromptAgainAndLeavesTheOldFile) {
    fs::create_directory("NOTAFIL.MXT");
    fs::create_symlink("/dev/full", "FULLDEV.MXT");
    NFILE = 100;  // the offered name would hold asterisks
    save({"NOTAFIL", "FULLDEV", "", "GOOD"});
    EXPECT_EQ(keyboard_reads(), 4);
    EXPECT_EQ(screen_row(3), row3("KALVO**", "GOOD"));
    EXPECT_FALSE(fs::exists("KALVO**.MXT"));
    EXPECT_EQ(lines("GOOD   .MXT"), 38);

    // A save that fails while writing (the file-size limit is below one
    // header) leaves the file it was to replace byte for byte, and nothing
    // beside it; the prompt comes again and a name that can be written saves.
    NFILE = 10;
    save({""});
    const std::string old = read_file("KALVO10.MXT");
    ASSERT_EQ(lines("KALVO10.MXT"), 38);
    real_params(rp::EPS) = 3.0;
    fs::create_symlink("/dev/null", "NULLDEV.MXT");
    const auto save_on_full_disk = [] {
        save({"", "NULLDEV"});
        return keyboard_reads();
    };
    EXPECT_EQ(with_full_disk(save_on_full_disk), 2);
    EXPECT_EQ(read_file("KALVO10.MXT"), old);
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.insert(e.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"FULLDEV.MXT", "GOOD   .MXT", "KALVO10.MXT", "NOTAFIL.MXT",
                                            "NULLDEV.MXT"}));

    // A file with a second name is saved in place. When its disk fails
    // during the save and its old bytes cannot be put back either, the
    // window says where they are and waits for Enter; then the prompt
    // comes again.
    write_file("other.MXT", "OLD LINE\n");
    fs::create_hard_link("other.MXT", "KALVO31.MXT");
    struct stat st {};
    ASSERT_EQ(stat("other.MXT", &st), 0);
    failing_file = st.st_ino;
    save({"KALVO31", "", "GOOD"});
    failing_file = 0;
    EXPECT_EQ(keyboard_reads(), 3);
    std::vector<std::string> copies;
    for (const auto& e : fs::directory_iterator("."))
        if (e.path().filename().string().rfind(".KALVO31.MXT.", 0) == 0)
            copies.push_back(e.path().filename());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(read_file(copies[0]), "OLD LINE\n");
    EXPECT_NE(read_file("other.MXT"), "OLD LINE\n");
    EXPECT_FALSE(take_unrestored_old_bytes());  // named once, by the dialogue

    // A file that can only be read is not saved over.
    ASSERT_EQ(chmod("KALVO10.MXT", 0444), 0);
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    save({"", "WRITTEN"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(read_file("KALVO10.MXT"), old);
    EXPECT_EQ(lines("WRITTEN.MXT"), 38);
}

}  // namespace
