// Tests for datafiles/point_records.cpp: the record pair of a stored state,
// the rollover to the next points file, and loading records back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

int lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

class PointRecordsTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
        stop_mode = 0;
        int_params(ip::nciclo) = 1;
        make_file_name(".TXT");
        ASSERT_TRUE(open_unit(8, file_name.view()));
        header_written = 1;
    }
    static void write_state(int n) {
        NTIME = int16_t(n);
        point_records();
    }
    static void load(const std::string& text) {
        write_file("P.TXT", text);
        ASSERT_TRUE(open_unit(6, "P.TXT", OpenStatus::old));
        load_points();
        close_unit(6);
    }
};

TEST_F(PointRecordsTest, NewestStateIsTwoRecordsOf120CharactersAndIsCounted) {
    TIME(5) = 2.5;
    const double v[12] = {1.0, 0.0, -1.23456789e-5, 1234.5, -0.5, 3.0, -1.0, 0.25, 1.0e-20, 6.0, 7.0, -8.0};
    for (int k = 1; k <= 12; ++k) YP(k, 5) = v[k - 1];
    write_state(5);
    for (int16_t rs : {1, 2}) {  // leaving, or no file output: nothing written, nothing counted
        run_state = rs;
        write_state(5);
    }
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

TEST_F(PointRecordsTest, PairOf1999EndsTheFileAndTheNextOneStartsWithItsWholeHeader) {
    write_file("KALVO11.TXT", std::string(3000, 'x') + "\n");  // an existing file is written again
    run_state = 3;
    write_state(1998);
    write_state(1999);
    EXPECT_EQ(lines(read_file("KALVO10.TXT")), 4);
    const std::string next = read_file("KALVO11.TXT");
    EXPECT_EQ(lines(next), 40);
    EXPECT_EQ(next.substr(0, 37), "KALVO11.TXT     KALVO   NCICLO     1 ");
    EXPECT_EQ(next.substr(101, 41), " nciclo     1        NPROL      1        ");
    EXPECT_EQ(NFILE, 11);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(load_kind, 1);
    EXPECT_EQ(int_params(ip::NPROL), 1);
    EXPECT_EQ(points_in_file, 1);
    // The table-full branch writes state 1999 again: at the head of the new
    // file, which then gives way to a further one.
    write_state(1999);
    EXPECT_EQ(lines(read_file("KALVO11.TXT")), 42);
    EXPECT_EQ(lines(read_file("KALVO12.TXT")), 40);
}

TEST_F(PointRecordsTest, RolloverSkipsANumberItCannotOpenAndStopsPast99) {
    std::filesystem::create_directory("KALVO11.TXT");
    write_state(1999);
    EXPECT_EQ(NFILE, 12);
    EXPECT_EQ(lines(read_file("KALVO12.TXT")), 40);

    NFILE = 99;
    write_state(1999);
    EXPECT_EQ(NFILE, 100);
    EXPECT_FALSE(unit_is_open(8));
    EXPECT_FALSE(std::filesystem::exists("KALVO**.TXT"));
    EXPECT_EQ(header_written, 0);
    write_state(7);  // goes to the unit's default file
    close_unit(8);
    EXPECT_EQ(read_file("fort.8").substr(0, 6), "     7");

    // A file that can only be read is passed over too.
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    write_file("KALVO21.TXT", "kept\n");
    ASSERT_EQ(chmod("KALVO21.TXT", 0444), 0);
    NFILE = 20;
    ASSERT_TRUE(open_unit(8, "KALVO20.TXT"));
    header_written = 1;
    write_state(1999);
    EXPECT_EQ(NFILE, 22);
    EXPECT_EQ(read_file("KALVO21.TXT"), "kept\n");
    EXPECT_EQ(lines(read_file("KALVO22.TXT")), 40);
}

TEST_F(PointRecordsTest, FailedWriteIsShownNamingTheFileAndEndsTheLegKeepingTheWholePairs) {
    // Four pairs of 242 characters fit in 1 KiB; the disk fills inside the fifth.
    keyboard_script({""});
    const auto write_until_full = [] {
        for (int n = 1; n <= 6 && run_state == 0; ++n) write_state(n);
        if (keyboard_reads() != 1 || screen_row(LASTRIG + 8) != " ERRORE DI SCRITTURA SU KALVO10.TXT")
            return 1;
        return run_state == 1 && !unit_is_open(8) && points_in_file == 4 ? 0 : 2;
    };
    EXPECT_EQ(with_full_disk(write_until_full), 0);
    const std::string kept = read_file("KALVO10.TXT");
    EXPECT_EQ(kept.size(), 8 * 121u);
    EXPECT_EQ(kept.substr(7 * 121, 6), "     4");

    // The disk fills inside the second record of the fifth pair: the same.
    ASSERT_TRUE(open_unit(8, file_name.view()));
    EXPECT_EQ(with_full_disk(write_until_full, 9 * 121 + 60), 0);
    const std::string cut = read_file("KALVO10.TXT");
    EXPECT_EQ(cut.size(), 9 * 121u);
    EXPECT_EQ(cut.substr(8 * 121, 6), "     5");
}

// A record as another program might write it: I6, three blanks, then seven
// values in fields of 15 with one blank between.
std::string pair_text(int n, double t, double base) {
    char buf[300];
    const char* f = "%6d   %15.6E %15.6E %15.6E %15.6E %15.6E %15.6E %15.6E\n";
    int at =
        std::snprintf(buf, sizeof buf, f, n, t, base + 1, base + 2, base + 3, base + 4, base + 5, base + 6);
    std::snprintf(buf + at, sizeof buf - std::size_t(at), f, n, t, base + 7, base + 8, base + 9, base + 10,
                  base + 11, base + 12);
    return buf;
}

TEST_F(PointRecordsTest, RecordsFillTheSlotsInFileOrderAndWrapAfter2000) {
    NTIME = 33;
    std::string text;
    for (int k = 1; k <= 2500; ++k) text += pair_text(536 + k, k, 10.0 * k);
    load(text);
    EXPECT_EQ(TIME(1), 2001.0);
    EXPECT_EQ(YP(12, 1), 20022.0);
    EXPECT_EQ(TIME(500), 2500.0);
    EXPECT_EQ(TIME(501), 501.0);
    EXPECT_EQ(YP(7, 2000), 20007.0);
    EXPECT_EQ(NTIME, 33);
}

TEST_F(PointRecordsTest, UnreadableFieldOrAnEndInsideAPairEndsTheLoadKeepingWhatWasRead) {
    YP.fill(-1.0);
    std::string bad = pair_text(2, 7.0, 20.0);
    bad.replace(9 + 4 * 16, 15, "     not a real");  // the fifth value field: YP(4)
    load(pair_text(1, 6.0, 10.0) + bad + pair_text(3, 8.0, 30.0));
    EXPECT_EQ(YP(12, 1), 22.0);
    EXPECT_EQ(TIME(2), 7.0);
    EXPECT_EQ(YP(3, 2), 23.0);
    EXPECT_EQ(YP(4, 2), -1.0);
    EXPECT_EQ(YP(7, 2), -1.0);
    EXPECT_EQ(YP(1, 3), -1.0);

    const std::string pair = pair_text(1, 5.0, 40.0);
    load(pair.substr(0, pair.find('\n') + 1));
    EXPECT_EQ(YP(6, 1), 46.0);
    EXPECT_EQ(YP(7, 1), 17.0);
    load("");
    EXPECT_EQ(TIME(1), 5.0);
}

}  // namespace
