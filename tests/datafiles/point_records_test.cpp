// Tests for datafiles/point_records.cpp: the record pair of a stored state,
// the rollover to the next points file, and loading records back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

std::string blanks(int n) { return std::string(std::size_t(n), ' '); }

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

const std::string kColumnLine =
    "    NTIME   TIME" + blanks(7) + "YP(1,2,3 & 7,8,9)" + blanks(27) + "YP(4,5,6 & 10,11,12)";

class PointRecordsTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
        stop_mode = 0;
    }

    // Unit 8 open on the current points file with its header counted as written.
    static void open_current_points_file() {
        make_file_name(".TXT");
        ASSERT_TRUE(open_unit(8, file_name.view()));
        header_written = 1;
    }

    static void store(int n, double t, double base) {
        NTIME = int16_t(n);
        TIME(n) = t;
        for (int k = 1; k <= 12; ++k) YP(k, n) = base + k;
    }
};

//---- writing ----

TEST_F(PointRecordsTest, NewestStateIsWrittenAsTwoRecordsOf120Characters) {
    open_current_points_file();
    NTIME = 5;
    TIME(5) = 2.5;
    const double first[6] = {1.0, 0.0, -1.23456789e-5, 1234.5, -0.5, 3.0};
    const double second[6] = {-1.0, 0.25, 1.0e-20, 6.0, 7.0, -8.0};
    for (int k = 1; k <= 6; ++k) {
        YP(k, 5) = first[k - 1];
        YP(k + 6, 5) = second[k - 1];
    }
    point_records();
    close_unit(8);
    const std::string r1 =
        "     5     0.2500000D+01   0.1000000D+01   0.0000000D+00  -0.1234568D-04"
        "   0.1234500D+04  -0.5000000D+00   0.3000000D+01";
    const std::string r2 =
        "     5     0.2500000D+01  -0.1000000D+01   0.2500000D+00   0.1000000D-19"
        "   0.6000000D+01   0.7000000D+01  -0.8000000D+01";
    EXPECT_EQ(r1.size(), 120u);
    EXPECT_EQ(read_file("KALVO10.TXT"), r1 + "\n" + r2 + "\n");
    EXPECT_EQ(points_in_file, 1);
}

TEST_F(PointRecordsTest, NothingIsWrittenOrCountedWhileLeavingOrWithoutOutput) {
    open_current_points_file();
    store(3, 1.0, 0.0);
    run_state = 1;
    point_records();
    run_state = 2;
    point_records();
    run_state = 3;
    output_declined = 1;
    point_records();
    close_unit(8);
    EXPECT_EQ(read_file("KALVO10.TXT"), "");
    EXPECT_EQ(points_in_file, 0);
}

//---- rollover ----

TEST_F(PointRecordsTest, PairOf1999EndsTheFileAndTheNextStartsWithItsHeaderOnly) {
    int_params(ip::nciclo) = 1;
    open_current_points_file();
    run_state = 3;
    store(1998, 0.5, 0.0);
    point_records();
    EXPECT_EQ(points_in_file, 1);
    EXPECT_EQ(NFILE, 10);
    store(1999, 1.0, 10.0);
    point_records();

    const std::vector<std::string> old_file = lines_of(read_file("KALVO10.TXT"));
    ASSERT_EQ(old_file.size(), 4u);
    EXPECT_EQ(old_file[2].substr(0, 6), "  1999");
    const std::vector<std::string> next = lines_of(read_file("KALVO11.TXT"));
    ASSERT_EQ(next.size(), 40u);
    EXPECT_EQ(next[0],
              "KALVO11.TXT" + blanks(5) + "KALVO" + blanks(3) + "NCICLO" + blanks(5) + "1" + blanks(64));
    EXPECT_EQ(next[1], std::string(" ") + "nciclo  " + "   1" + blanks(8) + "NPROL   " + "   1" + blanks(8) +
                           "NFL     " + "   0" + blanks(8) + "NBA     " + "   0" + blanks(8) + "durata  " +
                           "   0");
    EXPECT_EQ(next[29], "CIPROS  ");
    EXPECT_EQ(next[37], "    ");
    EXPECT_EQ(next[38], kColumnLine);
    EXPECT_EQ(next[39], "    ");

    EXPECT_EQ(NFILE, 11);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(load_kind, 1);
    EXPECT_EQ(int_params(ip::NPROL), 1);
    EXPECT_EQ(points_in_file, 1);
    EXPECT_TRUE(unit_is_open(8));

    // The table-full branch writes state 1999 again: at the head of the new
    // file, which then gives way to a further one.
    point_records();
    EXPECT_EQ(lines_of(read_file("KALVO11.TXT")).size(), 42u);
    EXPECT_EQ(lines_of(read_file("KALVO12.TXT")).size(), 40u);
    EXPECT_EQ(NFILE, 12);
}

TEST_F(PointRecordsTest, RolloverOntoAnExistingFileWritesItFromItsStart) {
    std::string old;
    for (int i = 0; i < 100; ++i) old += "an old line of KALVO11\n";
    write_file("KALVO11.TXT", old);
    open_current_points_file();
    store(1999, 1.0, 0.0);
    point_records();
    close_unit(8);
    const std::vector<std::string> next = lines_of(read_file("KALVO11.TXT"));
    ASSERT_EQ(next.size(), 40u);
    EXPECT_EQ(next[0].substr(0, 11), "KALVO11.TXT");
}

TEST_F(PointRecordsTest, RolloverThatCannotOpenItsFileTriesTheNextNumber) {
    std::filesystem::create_directory("KALVO11.TXT");
    open_current_points_file();
    store(1999, 1.0, 0.0);
    point_records();
    EXPECT_EQ(NFILE, 12);
    EXPECT_EQ(lines_of(read_file("KALVO12.TXT")).size(), 40u);
}

TEST_F(PointRecordsTest, RolloverPastNumber99OpensNoNameWithAsterisksAndGoesOnIntoTheDefaultFile) {
    NFILE = 99;
    open_current_points_file();
    store(1999, 1.0, 0.0);
    point_records();
    EXPECT_EQ(NFILE, 100);
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_FALSE(std::filesystem::exists("KALVO**.TXT"));
    EXPECT_EQ(header_written, 0);
    EXPECT_EQ(load_kind, 1);
    EXPECT_EQ(int_params(ip::NPROL), 1);

    store(7, 2.0, 0.0);
    point_records();
    close_unit(8);
    const std::vector<std::string> fallback = lines_of(read_file("fort.8"));
    ASSERT_EQ(fallback.size(), 2u);
    EXPECT_EQ(fallback[0].substr(0, 6), "     7");
    EXPECT_EQ(lines_of(read_file("KALVO99.TXT")).size(), 2u);
}

//---- loading ----

// A record as another program might write it: the index in I6, three
// blanks, then seven values in fields of 15 with one blank between.
std::string record(int n, double t, const double v[6]) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%6d   %15.6E %15.6E %15.6E %15.6E %15.6E %15.6E %15.6E", n, t, v[0], v[1],
                  v[2], v[3], v[4], v[5]);
    return buf;
}

std::string pair_text(int n, double t, double base) {
    const double a[6] = {base + 1, base + 2, base + 3, base + 4, base + 5, base + 6};
    const double b[6] = {base + 7, base + 8, base + 9, base + 10, base + 11, base + 12};
    return record(n, t, a) + "\n" + record(n, t, b) + "\n";
}

class LoadPointsTest : public PointRecordsTest {
protected:
    void load(const std::string& text) {
        write_file("P.TXT", text);
        ASSERT_TRUE(open_unit(6, "P.TXT", OpenStatus::old));
        load_points();
        close_unit(6);
    }
};

TEST_F(LoadPointsTest, RecordsFillTheSlotsInFileOrderWhateverTheirNumbers) {
    NTIME = 33;
    load(pair_text(537, 0.5, 100.0) + pair_text(538, 1.5, 200.0) + pair_text(9, 2.5, 300.0));
    EXPECT_EQ(TIME(1), 0.5);
    EXPECT_EQ(TIME(2), 1.5);
    EXPECT_EQ(TIME(3), 2.5);
    for (int k = 1; k <= 12; ++k) {
        EXPECT_EQ(YP(k, 1), 100.0 + k);
        EXPECT_EQ(YP(k, 3), 300.0 + k);
    }
    EXPECT_EQ(TIME(4), 0.0);
    EXPECT_EQ(NTIME, 33);
}

TEST_F(LoadPointsTest, FileOf2500PairsWrapsBackToSlotOne) {
    std::string text;
    for (int k = 1; k <= 2500; ++k) text += pair_text(k, double(k), 0.0);
    load(text);
    EXPECT_EQ(TIME(1), 2001.0);
    EXPECT_EQ(TIME(500), 2500.0);
    EXPECT_EQ(TIME(501), 501.0);
    EXPECT_EQ(TIME(2000), 2000.0);
    EXPECT_EQ(YP(12, 500), 12.0);
}

TEST_F(LoadPointsTest, EmptyRemainderLeavesTheTableUntouched) {
    TIME(1) = 4.0;
    YP(1, 1) = 5.0;
    load("");
    EXPECT_EQ(TIME(1), 4.0);
    EXPECT_EQ(YP(1, 1), 5.0);
}

TEST_F(LoadPointsTest, UnreadableFieldEndsTheLoadKeepingWhatWasRead) {
    for (int k = 1; k <= 12; ++k) YP(k, 2) = -1.0;
    TIME(3) = -3.0;
    std::string second = pair_text(2, 7.0, 20.0);
    second.replace(9 + 4 * 16, 15, "     not a real");  // the fifth value field, YP(4)
    load(pair_text(1, 6.0, 10.0) + second + pair_text(3, 8.0, 30.0));
    EXPECT_EQ(TIME(1), 6.0);
    EXPECT_EQ(TIME(2), 7.0);
    EXPECT_EQ(YP(1, 2), 21.0);
    EXPECT_EQ(YP(3, 2), 23.0);
    EXPECT_EQ(YP(4, 2), -1.0);
    EXPECT_EQ(YP(6, 2), -1.0);
    EXPECT_EQ(YP(7, 2), -1.0);
    EXPECT_EQ(TIME(3), -3.0);
}

TEST_F(LoadPointsTest, FileEndingInsideAPairKeepsItsFirstRecord) {
    const std::string pair = pair_text(1, 6.0, 10.0);
    load(pair + pair.substr(0, pair.find('\n') + 1));
    EXPECT_EQ(TIME(2), 6.0);
    EXPECT_EQ(YP(6, 2), 16.0);
    EXPECT_EQ(YP(7, 2), 0.0);
}

}  // namespace
