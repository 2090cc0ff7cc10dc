// Tests for datafiles/data_file_io.cpp: the modes of the file routine, the
// load dialogue and the reload of the current points file's header.
#include "datafiles/data_file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/control.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

const std::string kMenu10 = "PROG E DATI: KALVO10? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT]";

std::string bare_file(const std::string& eps_field) {
    std::string s;
    for (int r = 1; r <= 27; ++r)
        s += (r == 4 ? " " + std::string(18 - eps_field.size(), ' ') + eps_field : "") + "\n";
    return s;
}

// Two point records of a state, as another program might write them.
std::string pair_text(int n, double t) {
    char buf[300];
    std::snprintf(buf, sizeof buf, "%6d   %15.6E%s\n%6d   %15.6E%s\n", n, t, "   0.1000000D+01", n, t,
                  "   0.2000000D+01");
    return buf;
}

class DataFileIoTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
    }

    // Writes the points-file header of the current tables under the name
    // file_prefix + NFILE + ".TXT", followed by the given text.
    static void make_points_file(const std::string& after_header) {
        make_file_name(".TXT");
        const std::string name(file_name.trimmed());
        ASSERT_TRUE(open_unit(8, name));
        write_parameter_header(8);
        close_unit(8);
        header_written = 0;
        title_line.blank();
        write_file(name, read_file(name) + after_header);
    }

    static void run(int16_t mode) { data_file_io(mode); }
};

//---- the load dialogue ----

TEST_F(DataFileIoTest, EmptyAnswerLoadsTheBareFileOfTheDefaultStemAndNumber) {
    write_file("KALVO10", bare_file("1.5"));
    file_prefix = "ABCDE";
    int_params(ip::NPROL) = 4;
    keyboard_script({""});
    run(1);
    EXPECT_EQ(screen_row(2), kMenu10);
    EXPECT_EQ(real_params(rp::EPS), 1.5);
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
    EXPECT_FALSE(unit_is_open(6));
    EXPECT_EQ(keyboard_reads(), 1);
}

TEST_F(DataFileIoTest, MenuShowsTheNumberWithI2AndAlwaysTheDataStem) {
    NFILE = 7;
    file_prefix = "ABC";
    write_file("KALVO 7", bare_file("2.5"));
    keyboard_script({""});
    run(1);
    EXPECT_EQ(screen_row(2), "PROG E DATI: KALVO 7? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT]");
    EXPECT_EQ(real_params(rp::EPS), 2.5);
}

TEST_F(DataFileIoTest, ChoiceOneTakesTheFirstFiveCharactersAndKeepsTheNumber) {
    write_file("XYZ1210", bare_file("3.5"));
    keyboard_script({"1", "XYZ12345"});
    run(1);
    EXPECT_EQ(screen_row(3), " INSERIRE NOME FILE DATI COMPLETO: (A)  XYZ12345");
    EXPECT_EQ(real_params(rp::EPS), 3.5);
    EXPECT_EQ(file_prefix.str(), "XYZ12");
    EXPECT_EQ(NFILE, 10);
    EXPECT_EQ(load_kind, 0);
}

TEST_F(DataFileIoTest, ChoicesOutsideTheMenuOrUnreadableShowItAgain) {
    write_file("KALVO10", bare_file("1.0"));
    keyboard_script({"5", "-1", "x", "99", ""});
    run(-3);
    EXPECT_EQ(keyboard_reads(), 5);
    EXPECT_EQ(screen_row(2), kMenu10);
    EXPECT_EQ(screen_row(3), "");
    EXPECT_EQ(real_params(rp::EPS), 1.0);
}

TEST_F(DataFileIoTest, NameWhoseNumberColumnsAreNotANumberShowsTheMenuAgain) {
    write_file("KALVO10", bare_file("1.0"));
    keyboard_script({"2", "KALVOAB", ""});
    run(1);
    EXPECT_EQ(NFILE, 10);
    EXPECT_EQ(keyboard_reads(), 3);
    EXPECT_EQ(real_params(rp::EPS), 1.0);
    EXPECT_EQ(load_kind, 0);
}

TEST_F(DataFileIoTest, PointsFileLoadTakesItsNamesValuesAndRecords) {
    NFILE = 12;
    int_params(ip::NBA) = 6;
    real_params(rp::A) = 2.5;
    real_param_names(rp::A) = "  AA    ";
    int_param_names(ip::NBA) = "  nb    ";
    int_params(ip::nciclo) = 1;
    make_points_file(pair_text(5, 0.5) + pair_text(6, 1.5));
    set_start_values();
    keyboard_script({"2", "KALVO12.TXT"});
    run(1);
    EXPECT_EQ(screen_row(3), " NOME FILE PUNTI: A5 I2[.TXT] KALVO12.TXT");
    EXPECT_EQ(NFILE, 12);
    EXPECT_EQ(load_kind, 1);
    EXPECT_EQ(int_params(ip::NPROL), 1);
    EXPECT_EQ(int_params(ip::NBA), 6);
    EXPECT_EQ(real_params(rp::A), 2.5);
    EXPECT_EQ(real_param_names(rp::A).str(), "  AA    ");
    EXPECT_EQ(int_param_names(ip::NBA).str(), "  nb    ");
    EXPECT_EQ(title_line.sub(1, 11), "KALVO12.TXT");
    EXPECT_EQ(TIME(1), 0.5);
    EXPECT_EQ(TIME(2), 1.5);
    EXPECT_EQ(YP(1, 1), 1.0);
    EXPECT_EQ(YP(7, 2), 2.0);
    EXPECT_FALSE(unit_is_open(6));
}

TEST_F(DataFileIoTest, OneDigitNumberMayStandInEitherColumn) {
    NFILE = 7;
    make_points_file(pair_text(1, 4.0));
    set_start_values();
    keyboard_script({"2", "KALVO7"});
    run(1);
    EXPECT_EQ(NFILE, 7);
    EXPECT_EQ(TIME(1), 4.0);
    set_start_values();
    keyboard_script({"2", "KALVO 7"});
    run(1);
    EXPECT_EQ(TIME(1), 4.0);
}

TEST_F(DataFileIoTest, HeaderLoadsKeepTheNamesAndReadNoRecords) {
    NFILE = 12;
    real_params(rp::B) = 4.5;
    real_param_names(rp::B) = "  BB    ";
    make_points_file(pair_text(1, 9.0));
    set_start_values();
    keyboard_script({"4", "KALVO12"});
    run(1);
    EXPECT_EQ(real_params(rp::B), 4.5);
    EXPECT_EQ(real_param_names(rp::B).str(), "   B    ");
    EXPECT_EQ(TIME(1), 0.0);
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
}

TEST_F(DataFileIoTest, DataFileChoiceOpensTheMxtOfTheTypedStem) {
    real_params(rp::C) = 8.0;
    keyboard_script({""});
    run(11);  // saved as KALVO10.MXT
    std::filesystem::rename("KALVO10.MXT", "ABC   0.MXT");
    set_start_values();
    keyboard_script({"3", "ABC"});
    run(1);
    EXPECT_EQ(screen_row(3), " NOME FILE DATI: A5 I2[.MXT] ABC");
    EXPECT_EQ(real_params(rp::C), 8.0);
    EXPECT_EQ(file_prefix.str(), "ABC  ");
    EXPECT_EQ(NFILE, 0);
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);

    // The menu still offers the data stem; choice 0 takes it back.
    write_file("KALVO 0", bare_file("6.0"));
    keyboard_script({""});
    run(1);
    EXPECT_EQ(screen_row(2), "PROG E DATI: KALVO 0? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT]");
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(real_params(rp::EPS), 6.0);
}

TEST_F(DataFileIoTest, SavedDataFileLoadsBackThroughTheDialogues) {
    for (int k = 1; k <= 15; ++k) int_params(k) = int16_t(k * 3);
    for (int k = 1; k <= kRealSlots; ++k) real_params(k) = -k - 0.5;
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) view_range(j, i) = j * 10 + i;
    for (int i = 1; i <= 14; ++i) continuation_state(i) = i * 0.25;
    keyboard_script({""});
    run(11);
    set_start_values();
    keyboard_script({"3", "KALVO10"});
    run(1);
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), k == ip::NPROL ? 0 : k * 3) << k;
    for (int k = 1; k <= kRealSlots; ++k) {
        const double expected = kCurrentEdition && k >= 45 && k <= 48 ? 0.0 : -k - 0.5;
        EXPECT_EQ(real_params(k), expected) << k;
    }
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), j * 10 + i);
    for (int i = 1; i <= 14; ++i) EXPECT_EQ(continuation_state(i), i * 0.25);
}

//---- files that do not load ----

TEST_F(DataFileIoTest, NameOfNoFileIsNotCreatedAndTheMenuComesAgain) {
    write_file("KALVO12", bare_file("1.0"));
    keyboard_script({"3", "NOFIL12", ""});
    run(1);
    EXPECT_FALSE(std::filesystem::exists("NOFIL12.MXT"));
    EXPECT_EQ(keyboard_reads(), 3);
    EXPECT_EQ(real_params(rp::EPS), 1.0);  // KALVO12, the number as the failed answer left it
}

TEST_F(DataFileIoTest, NumberBeyondTwoColumnsIsAFailedOpen) {
    make_points_file(pair_text(1, 2.0));
    write_file("KALVO**", bare_file("9.0"));
    NFILE = 100;
    keyboard_script({"", "2", "KALVO10"});
    run(1);
    EXPECT_EQ(keyboard_reads(), 3);
    EXPECT_EQ(real_params(rp::EPS), 0.0);
    EXPECT_EQ(TIME(1), 2.0);
    EXPECT_EQ(NFILE, 10);
}

class HostileFileTest : public DataFileIoTest {
protected:
    // Loads a hostile ".MXT" under the name HOSTL10, then, when the menu comes
    // again, the bare file KALVO10.
    void expect_refused(const std::string& what) {
        SCOPED_TRACE(what);
        reset_window();
        write_file("KALVO10", bare_file("1.0"));
        real_params(rp::TZERO) = 0.0;
        title_line = "before";
        keyboard_script({"3", "HOSTL10", ""});
        run(1);
        EXPECT_EQ(keyboard_reads(), 3);
        EXPECT_EQ(real_params(rp::EPS), 1.0);    // from the bare file
        EXPECT_EQ(real_params(rp::TZERO), 0.0);  // no bare file holds it
        EXPECT_EQ(title_line.trimmed(), "before");
        EXPECT_EQ(load_kind, 0);
        EXPECT_FALSE(unit_is_open(6));
    }
};

TEST_F(HostileFileTest, UnreadableDataFilesSendTheUserBackToTheMenu) {
    real_params(rp::EPS) = 5.0;
    real_params(rp::TZERO) = 5.0;
    int_params(ip::SCREEN) = 9;
    keyboard_script({""});
    run(11);
    const std::string good = read_file("KALVO10.MXT");
    set_start_values();

    std::size_t at = 0;
    for (int line = 1; line <= 36; ++line) at = good.find('\n', at) + 1;
    write_file("HOSTL10.MXT", good.substr(0, at));
    expect_refused("ends after line 36");

    std::string letters = good;
    letters.replace(good.find("SCREEN") + 8, 4, "   x");
    write_file("HOSTL10.MXT", letters);
    expect_refused("letters in an integer field");

    std::string stars = good;
    stars.replace(good.find("EPS") + 8, 18, std::string(18, '*'));
    write_file("HOSTL10.MXT", stars);
    expect_refused("asterisks in a real field");

    write_file("HOSTL10.MXT", "");
    expect_refused("empty file");

    std::string garbage(3000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 151 + 7) % 256);
    write_file("HOSTL10.MXT", garbage);
    expect_refused("binary garbage");

    std::filesystem::remove("HOSTL10.MXT");
    std::filesystem::create_directory("HOSTL10.MXT");
    expect_refused("a directory");
    std::filesystem::remove("HOSTL10.MXT");

    if (geteuid() != 0) {
        write_file("HOSTL10.MXT", good);
        ::chmod("HOSTL10.MXT", 0);
        expect_refused("no read permission");
    }
}

TEST_F(HostileFileTest, FileEndingAfterItsValuesKeepsThemAndEndsTheLoad) {
    real_params(rp::EPS) = 5.0;
    keyboard_script({""});
    run(11);
    const std::string good = read_file("KALVO10.MXT");
    set_start_values();
    std::size_t at = 0;
    for (int line = 1; line <= 37; ++line) at = good.find('\n', at) + 1;
    write_file("CUTIT10.MXT", good.substr(0, at));
    reset_window();
    keyboard_script({"3", "CUTIT10"});
    run(1);
    EXPECT_EQ(keyboard_reads(), 2);
    EXPECT_EQ(real_params(rp::EPS), 5.0);
    EXPECT_FALSE(unit_is_open(6));
}

TEST_F(HostileFileTest, BareFileTooShortSendsTheUserBackToTheMenu) {
    write_file("KALVO10", "\n\n\n");
    write_file("KALVO11", bare_file("2.0"));
    real_params(rp::EPS) = 7.0;
    // The short file twice, two header files that are not there, then the bare file of number 11.
    keyboard_script({"", "1", "KALVO", "2", "KALVO11", "4", "KALVO11", "0"});
    run(1);
    EXPECT_EQ(keyboard_reads(), 8);
    EXPECT_EQ(NFILE, 11);
    EXPECT_EQ(real_params(rp::EPS), 2.0);
}

//---- the reload and the other modes ----

TEST_F(DataFileIoTest, ReloadReadsTheCurrentPointsHeaderWithoutItsNamesOrRecords) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier edition has no reload";
    real_params(rp::D) = 1.25;
    real_param_names(rp::D) = "  DD    ";
    make_points_file(pair_text(1, 3.0));
    set_start_values();
    make_file_name(".TXT");
    ASSERT_TRUE(open_unit(8, file_name.view(), OpenStatus::unknown, OpenAccess::append));
    load_kind = 1;
    run(2);
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_EQ(real_params(rp::D), 1.25);
    EXPECT_EQ(real_param_names(rp::D).str(), "   D    ");
    EXPECT_EQ(TIME(1), 0.0);
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
}

TEST_F(DataFileIoTest, ReloadWithoutItsFileTurnsIntoTheLoadDialogue) {
    write_file("KALVO10", bare_file("1.5"));
    keyboard_script({""});
    run(2);  // the earlier edition shows the load dialogue for mode 2 anyway
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(screen_row(2), kMenu10);
    EXPECT_EQ(real_params(rp::EPS), 1.5);
    EXPECT_EQ(load_kind, 0);
}

TEST_F(DataFileIoTest, EarlierEditionShowsTheLoadDialogueForModeTwo) {
    if (kCurrentEdition) GTEST_SKIP();
    make_points_file("");
    write_file("KALVO10", bare_file("1.5"));
    keyboard_script({""});
    run(2);
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(real_params(rp::EPS), 1.5);
}

TEST_F(DataFileIoTest, ModesEightToTenDoNothingAndTwelveSaves) {
    for (int16_t mode : {8, 9, 10}) run(mode);
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_TRUE(std::filesystem::is_empty("."));
    EXPECT_EQ(screen_row(1), "");
    keyboard_script({""});
    run(12);
    EXPECT_EQ(read_file("KALVO10.MXT").substr(0, 23), std::string(16, ' ') + "KALVO  ");
}

TEST_F(DataFileIoTest, ModeFiveWritesThePointsHeaderOnce) {
    make_file_name(".TXT");
    ASSERT_TRUE(open_unit(8, file_name.view()));
    run(5);
    run(6);
    close_unit(8);
    const std::string text = read_file("KALVO10.TXT");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 40);
    EXPECT_EQ(header_written, 1);
}

}  // namespace
