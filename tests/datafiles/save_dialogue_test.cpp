// Tests for datafiles/save_dialogue.cpp: the name of the saved data file and
// what happens when it cannot be opened or written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "datafiles/data_file_io.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

const std::string kDataTitle = std::string(16, ' ') + "KALVO  NN" + std::string(75, ' ');

std::string prompt(const std::string& stem_and_number) {
    return "  NOME DEL FILE DATI; VA BENE   " + stem_and_number + " ?  (ALTRIMENTI: A7[.MXT] )";
}

// Between the prompt's last character (column 66) and the answer's echo (column 77).
const std::string kEchoGap(10, ' ');

int line_count(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

class SaveDialogueTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
    }
    static void save(std::initializer_list<std::string_view> answers) {
        keyboard_script(answers);
        data_file_io(11);
    }
};

TEST_F(SaveDialogueTest, EmptyAnswerSavesTheOfferedNameWithI2Number) {
    NFILE = 7;
    header_written = 0;
    save({""});
    EXPECT_EQ(screen_row(3), prompt("KALVO 7"));
    EXPECT_EQ(screen_row(1), "");
    const std::string text = read_file("KALVO 7.MXT");
    EXPECT_EQ(line_count(text), 38);
    EXPECT_EQ(text.substr(0, 101), kDataTitle + "\n");
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(title_line.str(), kDataTitle);
    EXPECT_TRUE(unit_is_open(6));  // the saved file stays connected
}

TEST_F(SaveDialogueTest, TypedNameGivesItsFirstSevenCharactersAndTheMxtExtension) {
    save({"ABCDEFGHIJ"});
    EXPECT_TRUE(std::filesystem::exists("ABCDEFG.MXT"));
    EXPECT_EQ(file_answer.str(), "ABCDEFGHIJ  ");
    EXPECT_EQ(screen_row(3), prompt("KALVO10") + kEchoGap + "ABCDEFGHIJ");
    save({"ABC"});
    EXPECT_TRUE(std::filesystem::exists("ABC    .MXT"));
    save({"KALVO12.TXT"});
    EXPECT_TRUE(std::filesystem::exists("KALVO12.MXT"));
    EXPECT_FALSE(std::filesystem::exists("KALVO12.TXT"));
    // A typed name changes neither the stem nor the number on offer.
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(NFILE, 10);
    save({""});
    EXPECT_EQ(screen_row(3), prompt("KALVO10"));
    EXPECT_TRUE(std::filesystem::exists("KALVO10.MXT"));
}

TEST_F(SaveDialogueTest, SavingTwiceUnderOneNameLeavesOneHeader) {
    real_params(1) = 1.0;
    save({""});
    real_params(1) = 2.0;
    save({"   "});
    const std::string text = read_file("KALVO10.MXT");
    EXPECT_EQ(line_count(text), 38);
    EXPECT_NE(text.find("  0.2000000000D+01"), std::string::npos);
    EXPECT_EQ(text.find("  0.1000000000D+01"), std::string::npos);
}

TEST_F(SaveDialogueTest, FileThatCannotBeOpenedShowsThePromptAgain) {
    std::filesystem::create_directory("NOTAFIL.MXT");
    save({"NOTAFIL", "OTHER"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(screen_row(3), prompt("KALVO10") + kEchoGap + "OTHER");
    EXPECT_TRUE(std::filesystem::exists("OTHER  .MXT"));
}

TEST_F(SaveDialogueTest, FileThatCannotBeWrittenIsNotTakenAsSaved) {
    std::filesystem::create_symlink("/dev/full", "FULLDEV.MXT");
    save({"FULLDEV", ""});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(line_count(read_file("KALVO10.MXT")), 38);
}

TEST_F(SaveDialogueTest, OfferedNameWithAsterisksIsNotOpened) {
    NFILE = 100;
    save({"", "GOOD"});
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(screen_row(3), prompt("KALVO**") + kEchoGap + "GOOD");
    EXPECT_FALSE(std::filesystem::exists("KALVO**.MXT"));
    EXPECT_TRUE(std::filesystem::exists("GOOD   .MXT"));
}

}  // namespace
