// Tests for datafiles/data_file_io.cpp: the modes of the file routine, the
// load dialogue and the reload of the current points file's header.
#include "datafiles/data_file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

const std::string kMenuTail = "? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT]";

// 27 records with EPS in the first field of record 4.
std::string bare_file(const std::string& eps) {
    return "\n\n\n " + std::string(18 - eps.size(), ' ') + eps + std::string(24, '\n');
}

class DataFileIoTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
    }
    static void run(int16_t mode, std::initializer_list<std::string_view> answers = {}) {
        reset_window();
        keyboard_script(answers);
        data_file_io(mode);
    }
    // The points file of file_prefix and NFILE: the header of the current
    // tables, then one pair for time t.
    static void make_points_file(double t) {
        make_file_name(".TXT");
        const std::string name(file_name.trimmed());
        ASSERT_TRUE(open_unit(8, name));
        write_parameter_header(8);
        NTIME = 1;
        TIME(1) = t;
        stop_mode = 0;
        point_records();
        close_unit(8);
        set_start_values();
    }
};

TEST_F(DataFileIoTest, EmptyAnswerLoadsTheBareFileOfTheDataStemAndNumber) {
    NFILE = 7;
    file_prefix = "ABCDE";
    int_params(ip::NPROL) = 4;
    write_file("KALVO 7", bare_file("1.5"));
    run(1, {""});
    EXPECT_EQ(screen_row(2), "PROG E DATI: KALVO 7" + kMenuTail);
    EXPECT_EQ(real_params(rp::EPS), 1.5);
    EXPECT_EQ(file_prefix.str(), "KALVO");
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
    EXPECT_FALSE(unit_is_open(6));
}

TEST_F(DataFileIoTest, ChoiceOneTakesFiveCharactersOfTheNameAndKeepsTheNumber) {
    write_file("XYZ1210", bare_file("3.5"));
    run(1, {"1", "XYZ12345"});
    EXPECT_EQ(screen_row(3), " INSERIRE NOME FILE DATI COMPLETO: (A)  XYZ12345");
    EXPECT_EQ(real_params(rp::EPS), 3.5);
    EXPECT_EQ(file_prefix.str(), "XYZ12");
}

TEST_F(DataFileIoTest, BadChoicesNamesAndMissingFilesShowTheMenuAgain) {
    write_file("KALVO**", bare_file("9.0"));
    write_file("KALVO12", bare_file("1.0"));
    NFILE = 100;  // a name with asterisks is not opened, even when such a file exists
    run(-3, {"", "5", "-1", "x", "2", "KALVOAB", "3", "NOFIL12", ""});
    EXPECT_EQ(keyboard_reads(), 9);
    EXPECT_EQ(screen_row(2), "PROG E DATI: KALVO12" + kMenuTail);
    EXPECT_FALSE(std::filesystem::exists("NOFIL12.MXT"));
    EXPECT_EQ(real_params(rp::EPS), 1.0);  // number 12, as the missing file's name left it
}

TEST_F(DataFileIoTest, PointsFileLoadTakesItsNamesValuesAndRecords) {
    NFILE = 12;
    int_params(ip::nciclo) = 1;
    real_params(rp::A) = 2.5;
    real_param_names(rp::A) = "  AA    ";
    make_points_file(0.5);
    run(1, {"2", "KALVO12.TXT"});
    EXPECT_EQ(screen_row(3), " NOME FILE PUNTI: A5 I2[.TXT] KALVO12.TXT");
    EXPECT_EQ(load_kind, 1);
    EXPECT_EQ(int_params(ip::NPROL), 1);
    EXPECT_EQ(real_params(rp::A), 2.5);
    EXPECT_EQ(real_param_names(rp::A).str(), "  AA    ");
    EXPECT_EQ(title_line.sub(1, 11), "KALVO12.TXT");
    EXPECT_EQ(TIME(1), 0.5);

    set_start_values();
    run(1, {"4", "KALVO12"});  // the header only, and the program's names
    EXPECT_EQ(real_params(rp::A), 2.5);
    EXPECT_EQ(real_param_names(rp::A).str(), "   A    ");
    EXPECT_EQ(TIME(1), 0.0);
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
}

TEST_F(DataFileIoTest, SavedDataFileLoadsBackThroughTheDialogues) {
    for (int k = 1; k <= 15; ++k) int_params(k) = int16_t(k * 3);
    for (int k = 1; k <= kRealSlots; ++k) real_params(k) = -k - 0.5;
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) view_range(j, i) = j * 10 + i;
    for (int i = 1; i <= 14; ++i) continuation_state(i) = i * 0.25;
    run(11, {"ABC   0"});
    set_start_values();
    run(1, {"3", "ABC"});
    EXPECT_EQ(screen_row(3), " NOME FILE DATI: A5 I2[.MXT] ABC");
    EXPECT_EQ(file_prefix.str(), "ABC  ");
    EXPECT_EQ(NFILE, 0);
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), k == ip::NPROL ? 0 : k * 3) << k;
    for (int k = 1; k <= kRealSlots; ++k)
        EXPECT_EQ(real_params(k), kCurrentEdition && k >= 45 && k <= 48 ? 0.0 : -k - 0.5) << k;
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), j * 10 + i);
    for (int i = 1; i <= 14; ++i) EXPECT_EQ(continuation_state(i), i * 0.25);
    EXPECT_FALSE(unit_is_open(6));
}

TEST_F(DataFileIoTest, UnreadableFilesLeaveTheTablesAndShowTheMenuAgain) {
    real_params(rp::TZERO) = 5.0;
    run(11, {""});
    const std::string good = read_file("KALVO10.MXT");
    std::size_t line36 = 0;
    for (int line = 1; line <= 36; ++line) line36 = good.find('\n', line36) + 1;
    std::string letters = good, stars = good, garbage(3000, ' ');
    letters.replace(good.find("SCREEN") + 8, 4, "   x");
    stars.replace(good.find("TZERO") + 8, 18, std::string(18, '*'));
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 151 + 7) % 256);
    const std::pair<const char*, std::string> hostile[] = {{"ends after line 36", good.substr(0, line36)},
                                                           {"letters", letters},
                                                           {"asterisks", stars},
                                                           {"empty", ""},
                                                           {"garbage", garbage},
                                                           {"directory", ""},
                                                           {"pipe", ""},
                                                           {"device", ""},
                                                           {"no read permission", good}};
    write_file("KALVO10", bare_file("1.0"));
    for (const auto& [what, text] : hostile) {
        SCOPED_TRACE(what);
        if (std::string(what) == "no read permission" && geteuid() == 0) continue;  // root reads anyway
        std::filesystem::remove("HOSTL10.MXT");
        if (std::string(what) == "directory")
            std::filesystem::create_directory("HOSTL10.MXT");
        else if (std::string(what) == "pipe")
            ASSERT_EQ(::mkfifo("HOSTL10.MXT", 0600), 0);  // no writer: a read would wait for ever
        else if (std::string(what) == "device")
            std::filesystem::create_symlink("/dev/zero", "HOSTL10.MXT");  // a line without end
        else
            write_file("HOSTL10.MXT", text);
        if (std::string(what) == "no read permission") ::chmod("HOSTL10.MXT", 0);
        set_start_values();
        title_line = "before";
        run(1, {"3", "HOSTL10", ""});
        EXPECT_EQ(keyboard_reads(), 3);
        EXPECT_EQ(title_line.trimmed(), "before");
        EXPECT_EQ(real_params(rp::TZERO), 0.0);
        EXPECT_EQ(real_params(rp::EPS), 1.0);  // then the bare file
        EXPECT_FALSE(unit_is_open(6));
    }
    // A bare file short of its 27 records is refused like a header.
    write_file("KALVO10", "\n\n\n");
    write_file("KALVO11", bare_file("2.0"));
    run(1, {"", "0", "4", "KALVO11", "0"});
    EXPECT_EQ(keyboard_reads(), 5);
    EXPECT_EQ(real_params(rp::EPS), 2.0);
}

TEST_F(DataFileIoTest, ReloadReadsTheCurrentPointsHeaderWithoutItsNamesOrRecords) {
    write_file("KALVO10", bare_file("1.5"));
    if (kCurrentEdition) {
        real_params(rp::D) = 1.25;
        real_param_names(rp::D) = "  DD    ";
        make_points_file(3.0);
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
        std::filesystem::remove("KALVO10.TXT");
    }
    // Without its file, and always in the earlier edition, mode 2 is the load dialogue.
    run(2, {""});
    EXPECT_EQ(keyboard_reads(), 1);
    EXPECT_EQ(real_params(rp::EPS), 1.5);
}

TEST_F(DataFileIoTest, ModesEightToTenDoNothingFiveWritesAHeaderTwelveSaves) {
    for (int16_t mode : {8, 9, 10}) run(mode);
    EXPECT_TRUE(std::filesystem::is_empty("."));
    EXPECT_EQ(screen_row(1), "");
    make_file_name(".TXT");
    ASSERT_TRUE(open_unit(8, file_name.view()));
    run(5);
    run(6);
    close_unit(8);
    const std::string points = read_file("KALVO10.TXT");
    EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 40);
    run(12, {""});
    EXPECT_EQ(read_file("KALVO10.MXT").substr(0, 23), std::string(16, ' ') + "KALVO  ");
}

}  // namespace
