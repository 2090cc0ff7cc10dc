// Tests for datafiles/save_dialogue.cpp: the name of the saved data file and
// what happens when it cannot be opened or written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "datafiles/data_file_io.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;

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

    // A file that can only be read is not saved over.
    ASSERT_EQ(chmod("KALVO10.MXT", 0444), 0);
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    save({"", "WRITTEN"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(read_file("KALVO10.MXT"), old);
    EXPECT_EQ(lines("WRITTEN.MXT"), 38);
}

}  // namespace
