// Tests for datafiles/parameter_header.cpp: file names, and the header of
// points and saved data files against lines written from the layout table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/control.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

// The points-file header of the start values with nciclo 1, current
// edition; every line ends at its "$".
const char* const kStartHeader =
    R"(KALVO10.TXT     KALVO   NCICLO     1                                                                $
 nciclo     1        NPROL      0        NFL        0        NBA        0        durata     0$
 nrip       0                   0        ncicmx     0        ndpunt     0        NTIME      0$
 nok        0        nbad       0        NVOLT1     0        NVOLT2     0        SCREEN     0$
 EPS       0.0000000000D+00 H1        0.0000000000D+00 HMIN      0.0000000000D+00 TPRINT    0.0000000000D+00$
 DXSAV     0.0000000000D+00   Xtr     0.0000000000D+00   Ytr     0.0000000000D+00   Ztr     0.0000000000D+00$
 DELXP         0.0000000000 DELH1         0.0000000000 DELH2         0.0000000000 DELH3         0.0000000000$
 DELH4         0.0000000000 DELTA1        0.0000000000 DELTA2        0.0000000000               0.0000000000$
               0.0000000000 VISTA_X       0.0000000000 VISTA_Y       0.0000000000 VISTA_Z       0.0000000000$
 Y1MAX         0.0000000000 Y2MAX         0.0000000000 Y3MAX         0.0000000000    A          0.0000000000$
    B          0.0000000000    C          0.0000000000    D          0.0000000000    E          0.0000000000$
    F          0.0000000000               0.0000000000$
   FX          0.0000000000   FY          0.0000000000   FZ          0.0000000000 DELPIAN       0.0000000000$
  FULLX        0.0000000000               0.0000000000               0.0000000000               0.0000000000$
   MX          0.0000000000   MY          0.0000000000   MZ          0.0000000000 \zeta G       0.0000000000$
  FULLY        0.0000000000               0.0000000000               0.0000000000               0.0000000000$
 TZERO         0.0000000000 TFIN          0.0000000000$
 XGo           0.0000000000 XPGo          0.0000000000$
 YGo           0.0000000000 YPGo          0.0000000000$
 ZGo           0.0000000000 ZPGo          0.0000000000$
 PSIo          0.0000000000 OMCSIo        0.0000000000 PSIPo         0.0000000000$
 THETAo        0.0000000000 OMETAo        0.0000000000 THETAPo       0.0000000000$
 PHIo          0.0000000000 OMZETAo       0.0000000000 PHIPo         0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
       0.0000000000        0.0000000000        0.0000000000        0.0000000000$
CIPROS  $
 TZERO         0.0000000000 TFIN          0.0000000000$
 XGo           0.0000000000 XPGo          0.0000000000$
 YGo           0.0000000000 YPGo          0.0000000000$
 ZGo           0.0000000000 ZPGo          0.0000000000$
 PSIo          0.0000000000 OMCSIo        0.0000000000$
 THETAo        0.0000000000 OMETAo        0.0000000000$
 PHIo          0.0000000000 OMZETAo       0.0000000000$
    $
    NTIME   TIME       YP(1,2,3 & 7,8,9)                           YP(4,5,6 & 10,11,12)$
    $
)";

// The lines of a text written with "$" ends, or of a file.
std::vector<std::string> lines_of(const std::string& text, bool dollar_ends) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(at, nl - at - (dollar_ends ? 1 : 0)));
        at = nl + 1;
    }
    return lines;
}

std::string join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// The golden header in the layout of the edition being built: the earlier
// edition has two pairs on lines 21 to 23.
std::vector<std::string> start_header() {
    std::vector<std::string> l = lines_of(kStartHeader, true);
    if (kEarlierEdition)
        for (int i = 20; i <= 22; ++i) l[i].resize(54);
    return l;
}

const std::string kDataTitle = std::string(16, ' ') + "KALVO  NN" + std::string(75, ' ');

class HeaderTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
        int_params(ip::nciclo) = 1;
    }
    static std::vector<std::string> write_header(int16_t unit, const std::string& name) {
        EXPECT_TRUE(open_unit(unit, name));
        write_parameter_header(unit);
        close_unit(unit);
        return lines_of(read_file(name), false);
    }
    static HeaderRead load(const std::string& text, int16_t kind) {
        write_file("IN.TXT", text);
        EXPECT_TRUE(open_unit(6, "IN.TXT", OpenStatus::old));
        const HeaderRead r = read_parameter_header(kind);
        close_unit(6);
        return r;
    }
};

TEST_F(HeaderTest, FileNamesAreStemAndTwoColumnNumberThenExtension) {
    const std::pair<int16_t, const char*> cases[] = {{7, "KALVO 7.TXT    "},
                                                     {10, "KALVO10.TXT    "},
                                                     {-5, "KALVO-5.TXT    "},
                                                     {100, "KALVO**.TXT    "},
                                                     {-10, "KALVO**.TXT    "}};
    for (auto [n, name] : cases) {
        NFILE = n;
        make_file_name(".TXT");
        EXPECT_EQ(file_name.str(), name);
    }
    NFILE = 7;
    make_file_name(".TXT");
    EXPECT_EQ(write_header(8, "KALVO 7.TXT")[0].substr(0, 21), "KALVO 7.TXT     KALVO");
    file_prefix = "AB";
    make_file_name("");
    EXPECT_EQ(file_name.str(), "AB    7        ");
}

TEST_F(HeaderTest, HeadersOfTheStartValuesMatchTheLayoutLineByLine) {
    make_file_name(".TXT");
    const std::vector<std::string> golden = start_header();
    EXPECT_EQ(write_header(8, "KALVO10.TXT"), golden);
    EXPECT_EQ(header_written, 1);
    // A data file: 38 lines, under a title that names no file.
    std::vector<std::string> data(golden.begin(), golden.begin() + 38);
    data[0] = kDataTitle;
    header_written = 0;
    EXPECT_EQ(write_header(6, "ANY    .MXT"), data);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(title_line.str(), kDataTitle);
}

// Value fields: pair i of a name-and-value line, value i of a view line.
std::string pair_field(const std::string& line, int i) { return line.substr(std::size_t(9 + 27 * i), 18); }
std::string int_field(const std::string& line, int i) { return line.substr(std::size_t(9 + 20 * i), 6); }

TEST_F(HeaderTest, ValuesStandInTheirFieldsAndTooWideOnesStillReadBack) {
    real_params(rp::DXSAV) = 1.234567891e-300;
    real_params(rp::Y1MAX) = 1.0e10;
    real_params(rp::FX) = -2.25;
    real_params(rp::MZ) = 3.0;
    real_params(rp::FULLY) = 768.0;
    real_params(rp::TFIN) = 1.0e7;
    real_params(rp::ZGo) = -2.0e6;
    view_range(1, 1) = -1.0e6;
    const int16_t ints[5] = {10000, -1000, 9999, -999, 32767};  // nok to SCREEN
    for (int k = 0; k < 5; ++k) int_params(ip::nok + k) = ints[k];
    const std::vector<std::string> l = write_header(6, "W.MXT");
    ASSERT_EQ(l.size(), 38u);
    EXPECT_EQ(pair_field(l[5], 0), "  0.1234567891-299");
    EXPECT_EQ(pair_field(l[9], 0), "  0.1000000000D+11");
    EXPECT_EQ(pair_field(l[12], 0), "     -2.2500000000");
    EXPECT_EQ(pair_field(l[14], 2), "      3.0000000000");
    EXPECT_EQ(pair_field(l[15], 0), "    768.0000000000");
    EXPECT_EQ(pair_field(l[16], 1), "  0.1000000000D+08");
    EXPECT_EQ(pair_field(l[19], 0), " -0.2000000000D+07");
    EXPECT_EQ(l[23].substr(1, 18), " -0.1000000000D+07");
    // Six columns for an integer that I4 cannot hold; the line ends with its last digit.
    EXPECT_EQ(int_field(l[3], 0), " 10000");
    EXPECT_EQ(int_field(l[3], 2), "9999  ");
    EXPECT_EQ(l[3].substr(81), "SCREEN   32767");

    set_start_values();
    ASSERT_EQ(load(read_file("W.MXT"), 2), HeaderRead::ended);
    EXPECT_EQ(real_params(rp::DXSAV), 1.234567891e-300);
    EXPECT_EQ(real_params(rp::Y1MAX), 1.0e10);
    EXPECT_EQ(real_params(rp::TFIN), 1.0e7);
    EXPECT_EQ(real_params(rp::ZGo), -2.0e6);
    EXPECT_EQ(view_range(1, 1), -1.0e6);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(int_params(ip::nok + k), ints[k]);
}

// Every slot's round trip is in the load dialogue's tests; here the names.
TEST_F(HeaderTest, OnlyAPointsLoadTakesTheNamesOfTheFile) {
    int_param_names(3) = "flag    ";
    real_param_names(rp::ZETA_G) = " lever  ";
    real_params(rp::ZETA_G) = 0.5;
    make_file_name(".TXT");
    const std::string file = join(write_header(8, "KALVO10.TXT"));
    set_start_values();
    const Vec<Name, kRealSlots> start_names = real_param_names;
    for (int16_t kind : {2, 3, 4}) {
        ASSERT_EQ(load(file, kind), HeaderRead::complete);
        EXPECT_EQ(real_param_names, start_names);
        EXPECT_EQ(int_param_names(3).str(), "NFL     ");
    }
    EXPECT_EQ(real_params(rp::ZETA_G), 0.5);
    ASSERT_EQ(load(file, 1), HeaderRead::complete);
    EXPECT_EQ(int_param_names(3).str(), "flag    ");
    EXPECT_EQ(real_param_names(rp::ZETA_G).str(), " lever  ");
}

TEST_F(HeaderTest, EitherEditionsLayoutLoadsAndTheMarkerAndRatesAreNotRead) {
    std::vector<std::string> l = start_header();
    const std::string two_pairs = " THETAo        0.1250000000 OMETAo       -3.5000000000";
    l[29] = "any text on the marker line";
    l[30] = " TZERO   " + std::string(18, ' ') + " TEND          0.0000000000";
    for (const std::string& rates : {std::string(), std::string(" THETAPo   not a number")}) {
        l[21] = two_pairs + rates;
        set_start_values();
        ASSERT_EQ(load(join(l), 1), HeaderRead::complete);
        EXPECT_EQ(real_params(rp::THETAo), 0.125);
        EXPECT_EQ(real_params(rp::OMETAo), -3.5);
        EXPECT_EQ(real_param_names(rp::TFIN).str(), "TEND    ");  // the later of its two names
        if (kCurrentEdition) {
            EXPECT_EQ(real_params(rp::THETAPo), 0.0);
        }
    }
}

TEST_F(HeaderTest, IntegersReadFromI4AndSixColumnsOnlyAsTheWriterMakesThem) {
    // Line 2: NFL has its I4 field in columns 50 to 53; the two columns after
    // it are skipped unless they carry on a value too wide for I4.
    struct Case {
        const char* columns_50_to_55;
        int16_t nfl;
    };
    const Case cases[] = {
        {"   0 7", 0},     {"   0x ", 0},      {"   0ab", 0},     {"  1234", 12},  {"9999 9", 9999},
        {" 12345", 12345}, {"-32768", -32768}, {" -1000", -1000}, {" 99999", 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns_50_to_55);
        std::vector<std::string> l = start_header();
        l[1].replace(49, 6, c.columns_50_to_55);
        set_start_values();
        ASSERT_EQ(load(join(l), 2), HeaderRead::complete);
        EXPECT_EQ(int_params(ip::NFL), c.nfl);
        EXPECT_EQ(int_params(ip::NBA), 0);
    }
    // The last value of line 4 ends the line, four or six wide.
    for (const char* tail : {"  12", " 10000"}) {
        std::vector<std::string> l = start_header();
        l[3].replace(89, 4, tail);
        set_start_values();
        ASSERT_EQ(load(join(l), 2), HeaderRead::complete);
        EXPECT_EQ(int_params(ip::SCREEN), std::string(tail) == "  12" ? 12 : 10000);
    }
}

//---- hostile files: nothing is taken unless lines 1 to 37 read ----

// A golden header with values that differ from the start values.
std::vector<std::string> valued_header() {
    std::vector<std::string> l = start_header();
    l[0] = "a title";
    l[3].replace(81, 14, "SCREEN    15");
    l[4].replace(9, 18, "  0.1000000000D-05");
    l[36].replace(36, 18, "      4.0000000000");
    return l;
}

void expect_tables_untouched() {
    EXPECT_TRUE(title_line.is_blank());
    EXPECT_EQ(int_params(ip::SCREEN), 0);
    EXPECT_EQ(real_params(rp::EPS), 0.0);
    EXPECT_EQ(continuation_state(14), 0.0);
}

TEST_F(HeaderTest, FileEndingEarlyIsRefusedUntilLine37AndKeptFromThere) {
    const std::vector<std::string> l = valued_header();
    for (std::size_t keep = 0; keep <= 40; ++keep) {
        SCOPED_TRACE(keep);
        set_start_values();
        const HeaderRead r = load(join({l.begin(), l.begin() + long(keep)}), 1);
        if (keep < 37) {
            EXPECT_EQ(r, HeaderRead::unreadable);
            expect_tables_untouched();
        } else {
            EXPECT_EQ(r, keep == 40 ? HeaderRead::complete : HeaderRead::ended);
            EXPECT_EQ(int_params(ip::SCREEN), 15);
            EXPECT_EQ(real_params(rp::EPS), 1.0e-6);
            EXPECT_EQ(continuation_state(14), 4.0);
        }
    }
}

TEST_F(HeaderTest, UnreadableTextInAnyValueFieldIsRefused) {
    std::vector<std::pair<int, int>> fields;  // line, first column
    const int pairs[] = {5, 5, 5, 4, 4, 4, 4, 4, 4, 4, 2, 4, 4, 4, 4, 2, 2, 2, 2, 2, 2, 2};
    for (int line = 2; line <= 23; ++line)
        for (int i = 0; i < pairs[line - 2]; ++i)
            fields.push_back({line, line <= 4 ? 10 + 20 * i : 10 + 27 * i});
    for (int line = 24; line <= 29; ++line)
        for (int i = 0; i < 4; ++i) fields.push_back({line, 2 + 20 * i});
    for (int line = 31; line <= 37; ++line)
        for (int i = 0; i < 2; ++i) fields.push_back({line, 10 + 27 * i});
    for (const char* bad : {"abc", "****", "1.2.", "1.5E"}) {
        for (auto [line, col] : fields) {
            SCOPED_TRACE(std::to_string(line) + ":" + std::to_string(col) + " " + bad);
            std::vector<std::string> l = valued_header();
            l[std::size_t(line - 1)].replace(std::size_t(col - 1), 4, bad);
            set_start_values();
            EXPECT_EQ(load(join(l), 1), HeaderRead::unreadable);
            expect_tables_untouched();
        }
    }
}

TEST_F(HeaderTest, EmptyFileAndGarbageAreRefusedAndAVeryLongLineIsCut) {
    EXPECT_EQ(load("", 2), HeaderRead::unreadable);
    std::string garbage;
    for (int i = 0; i < 4000; ++i) garbage.push_back(char((i * 73 + 11) % 256));
    EXPECT_EQ(load(garbage, 1), HeaderRead::unreadable);
    expect_tables_untouched();
    std::vector<std::string> l = valued_header();
    l[0] += std::string(200000, 'x');
    l[4] += std::string(100000, '9');
    EXPECT_EQ(load(join(l), 3), HeaderRead::complete);
    EXPECT_EQ(title_line.str(), "a title" + std::string(93, 'x'));
    EXPECT_EQ(real_params(rp::EPS), 1.0e-6);
}

}  // namespace
