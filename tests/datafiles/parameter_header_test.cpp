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

std::string blanks(int n) { return std::string(std::size_t(n), ' '); }

const std::string kF0 = "      0.0000000000";  // F18.10 of 0
const std::string kD0 = "  0.0000000000D+00";  // D18.10 of 0
const std::string kI0 = "   0";                // I4 of 0
const std::string kNoName = "        ";

struct Field {
    std::string name;
    std::string value;
};

// (1X,5(A8,I4,8X)): a blank, then name and value pairs 8 blanks apart.
std::string int_line(const std::vector<Field>& pairs) {
    std::string s = " ";
    for (std::size_t i = 0; i < pairs.size(); ++i) s += (i ? blanks(8) : "") + pairs[i].name + pairs[i].value;
    return s;
}

// (1X,4(A8,F18.10,1X)) and (1X,4(A8,D18.10,1X)): pairs one blank apart.
std::string pair_line(const std::vector<Field>& pairs) {
    std::string s = " ";
    for (std::size_t i = 0; i < pairs.size(); ++i) s += (i ? " " : "") + pairs[i].name + pairs[i].value;
    return s;
}

// (1X,5(F18.10,2X)) with four values.
std::string view_line(const std::string& a, const std::string& b, const std::string& c,
                      const std::string& d) {
    return " " + a + "  " + b + "  " + c + "  " + d;
}

const std::string kColumnLine =
    "    NTIME   TIME" + blanks(7) + "YP(1,2,3 & 7,8,9)" + blanks(27) + "YP(4,5,6 & 10,11,12)";

// The header of the start values (every value 0, nciclo as given) in the
// layout of the edition being built.
std::vector<std::string> start_header(const std::string& title, const std::string& nciclo, bool points) {
    std::vector<std::string> l;
    l.push_back(title);
    l.push_back(int_line(
        {{"nciclo  ", nciclo}, {"NPROL   ", kI0}, {"NFL     ", kI0}, {"NBA     ", kI0}, {"durata  ", kI0}}));
    l.push_back(int_line(
        {{"nrip    ", kI0}, {kNoName, kI0}, {"ncicmx  ", kI0}, {"ndpunt  ", kI0}, {"NTIME   ", kI0}}));
    l.push_back(int_line(
        {{"nok     ", kI0}, {"nbad    ", kI0}, {"NVOLT1  ", kI0}, {"NVOLT2  ", kI0}, {"SCREEN  ", kI0}}));
    l.push_back(pair_line({{"EPS     ", kD0}, {"H1      ", kD0}, {"HMIN    ", kD0}, {"TPRINT  ", kD0}}));
    l.push_back(pair_line({{"DXSAV   ", kD0}, {"  Xtr   ", kD0}, {"  Ytr   ", kD0}, {"  Ztr   ", kD0}}));
    l.push_back(pair_line({{"DELXP   ", kF0}, {"DELH1   ", kF0}, {"DELH2   ", kF0}, {"DELH3   ", kF0}}));
    l.push_back(pair_line({{"DELH4   ", kF0}, {"DELTA1  ", kF0}, {"DELTA2  ", kF0}, {kNoName, kF0}}));
    l.push_back(pair_line({{kNoName, kF0}, {"VISTA_X ", kF0}, {"VISTA_Y ", kF0}, {"VISTA_Z ", kF0}}));
    l.push_back(pair_line({{"Y1MAX   ", kF0}, {"Y2MAX   ", kF0}, {"Y3MAX   ", kF0}, {"   A    ", kF0}}));
    l.push_back(pair_line({{"   B    ", kF0}, {"   C    ", kF0}, {"   D    ", kF0}, {"   E    ", kF0}}));
    l.push_back(pair_line({{"   F    ", kF0}, {kNoName, kF0}}));
    l.push_back(pair_line({{"  FX    ", kF0}, {"  FY    ", kF0}, {"  FZ    ", kF0}, {"DELPIAN ", kF0}}));
    l.push_back(pair_line({{" FULLX  ", kF0}, {kNoName, kF0}, {kNoName, kF0}, {kNoName, kF0}}));
    l.push_back(pair_line({{"  MX    ", kF0}, {"  MY    ", kF0}, {"  MZ    ", kF0}, {"\\zeta G ", kF0}}));
    l.push_back(pair_line({{" FULLY  ", kF0}, {kNoName, kF0}, {kNoName, kF0}, {kNoName, kF0}}));
    l.push_back(pair_line({{"TZERO   ", kF0}, {"TFIN    ", kF0}}));
    l.push_back(pair_line({{"XGo     ", kF0}, {"XPGo    ", kF0}}));
    l.push_back(pair_line({{"YGo     ", kF0}, {"YPGo    ", kF0}}));
    l.push_back(pair_line({{"ZGo     ", kF0}, {"ZPGo    ", kF0}}));
    if (kEarlierEdition) {
        l.push_back(pair_line({{"PSIo    ", kF0}, {"OMCSIo  ", kF0}}));
        l.push_back(pair_line({{"THETAo  ", kF0}, {"OMETAo  ", kF0}}));
        l.push_back(pair_line({{"PHIo    ", kF0}, {"OMZETAo ", kF0}}));
    } else {
        l.push_back(pair_line({{"PSIo    ", kF0}, {"OMCSIo  ", kF0}, {"PSIPo   ", kF0}}));
        l.push_back(pair_line({{"THETAo  ", kF0}, {"OMETAo  ", kF0}, {"THETAPo ", kF0}}));
        l.push_back(pair_line({{"PHIo    ", kF0}, {"OMZETAo ", kF0}, {"PHIPo   ", kF0}}));
    }
    for (int j = 1; j <= 6; ++j) l.push_back(view_line(kF0, kF0, kF0, kF0));
    l.push_back("CIPROS  ");
    l.push_back(pair_line({{"TZERO   ", kF0}, {"TFIN    ", kF0}}));
    l.push_back(pair_line({{"XGo     ", kF0}, {"XPGo    ", kF0}}));
    l.push_back(pair_line({{"YGo     ", kF0}, {"YPGo    ", kF0}}));
    l.push_back(pair_line({{"ZGo     ", kF0}, {"ZPGo    ", kF0}}));
    l.push_back(pair_line({{"PSIo    ", kF0}, {"OMCSIo  ", kF0}}));
    l.push_back(pair_line({{"THETAo  ", kF0}, {"OMETAo  ", kF0}}));
    l.push_back(pair_line({{"PHIo    ", kF0}, {"OMZETAo ", kF0}}));
    l.push_back("    ");
    if (points) {
        l.push_back(kColumnLine);
        l.push_back("    ");
    }
    return l;
}

std::string join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

const std::string kPointsTitle10 =
    "KALVO10.TXT" + blanks(5) + "KALVO" + blanks(3) + "NCICLO" + blanks(5) + "1" + blanks(64);
const std::string kDataTitle = blanks(16) + "KALVO" + blanks(2) + "NN" + blanks(75);

class HeaderTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        output_declined = 0;
    }

    // The points-file header for the current file_prefix and NFILE, as the
    // main program's header call writes it.
    static std::string write_points_header() {
        make_file_name(".TXT");
        EXPECT_TRUE(open_unit(8, file_name.view()));
        write_parameter_header(8);
        close_unit(8);
        return read_file(std::string(file_name.trimmed()));
    }

    static std::string write_data_file(const std::string& name) {
        EXPECT_TRUE(open_unit(6, name));
        EXPECT_EQ(write_parameter_header(6), IoStatus::ok);
        close_unit(6);
        return read_file(name);
    }

    static HeaderRead load(const std::string& name, int16_t kind) {
        EXPECT_TRUE(open_unit(6, name, OpenStatus::old));
        const HeaderRead r = read_parameter_header(kind);
        close_unit(6);
        return r;
    }
};

//---- file names ----

TEST_F(HeaderTest, FileNameIsStemAndTwoColumnNumberThenExtension) {
    NFILE = 7;
    make_file_name(".TXT");
    EXPECT_EQ(file_name.str(), "KALVO 7.TXT    ");
    NFILE = 10;
    make_file_name(".TXT");
    EXPECT_EQ(file_name.str(), "KALVO10.TXT    ");
    NFILE = -5;
    make_file_name(".MXT");
    EXPECT_EQ(file_name.str(), "KALVO-5.MXT    ");
    NFILE = 100;
    make_file_name(".TXT");
    EXPECT_EQ(file_name.str(), "KALVO**.TXT    ");
    NFILE = -10;
    make_file_name(".TXT");
    EXPECT_EQ(file_name.str(), "KALVO**.TXT    ");
}

TEST_F(HeaderTest, BareNameHasNoExtensionAndShortStemKeepsItsBlanks) {
    make_file_name("");
    EXPECT_EQ(file_name.str(), "KALVO10        ");
    file_prefix = "AB";
    NFILE = 3;
    make_file_name(".TXT");
    EXPECT_EQ(file_name.str(), "AB    3.TXT    ");
}

//---- writing ----

TEST_F(HeaderTest, PointsHeaderOfStartValuesMatchesLayoutLineByLine) {
    int_params(ip::nciclo) = 1;
    const std::string text = write_points_header();
    const std::vector<std::string> expected = start_header(kPointsTitle10, "   1", true);
    const std::vector<std::string> got = split(text);
    ASSERT_EQ(got.size(), 40u);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(text, join(expected));
    EXPECT_EQ(got[0].size(), 100u);
    EXPECT_EQ(got[38].size(), 87u);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(title_line.str(), kPointsTitle10);
}

TEST_F(HeaderTest, PointsTitleNamesTheFileWithABlankInsideForOneDigit) {
    NFILE = 7;
    int_params(ip::nciclo) = 1;
    const std::vector<std::string> got = split(write_points_header());
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0],
              "KALVO 7.TXT" + blanks(5) + "KALVO" + blanks(3) + "NCICLO" + blanks(5) + "1" + blanks(64));
}

TEST_F(HeaderTest, DataFileIs38LinesWithTheSameTitleWhateverItsName) {
    NFILE = 42;
    file_prefix = "ZZZZZ";
    const std::string text = write_data_file("ABC    .MXT");
    EXPECT_EQ(text, join(start_header(kDataTitle, kI0, false)));
    EXPECT_EQ(split(text).size(), 38u);
    EXPECT_EQ(header_written, 1);
    EXPECT_EQ(title_line.str(), kDataTitle);
}

TEST_F(HeaderTest, PointsHeaderIsNotWrittenWhileNoOutputOrAlreadyThere) {
    make_file_name(".TXT");
    ASSERT_TRUE(open_unit(8, file_name.view()));
    run_state = 2;
    write_parameter_header(8);
    run_state = 0;
    header_written = 1;
    write_parameter_header(8);
    header_written = 0;
    output_declined = 1;
    write_parameter_header(8);
    close_unit(8);
    EXPECT_EQ(read_file("KALVO10.TXT"), "");
    EXPECT_EQ(header_written, 0);
    EXPECT_TRUE(title_line.is_blank());
}

TEST_F(HeaderTest, ValuesStandInTheFieldsOfTheirSlots) {
    int_params(ip::NBA) = 3;
    int_params(ip::SCREEN) = -12;
    real_params(rp::EPS) = 1.0e-6;
    real_params(rp::TPRINT) = -0.5;
    real_params(rp::Y1MAX) = 0.5;
    real_params(rp::FX) = -2.25;
    real_params(rp::MZ) = 3.0;
    real_params(rp::FULLY) = 768.0;
    real_params(rp::OMZETAo) = 12.125;
    view_range(5, 2) = 1.5;
    continuation_state(1) = 7.0;
    continuation_state(14) = -1.0;
    const std::vector<std::string> got = split(write_data_file("V.MXT"));
    ASSERT_EQ(got.size(), 38u);
    EXPECT_EQ(got[1], int_line({{"nciclo  ", kI0},
                                {"NPROL   ", kI0},
                                {"NFL     ", kI0},
                                {"NBA     ", "   3"},
                                {"durata  ", kI0}}));
    EXPECT_EQ(got[3], int_line({{"nok     ", kI0},
                                {"nbad    ", kI0},
                                {"NVOLT1  ", kI0},
                                {"NVOLT2  ", kI0},
                                {"SCREEN  ", " -12"}}));
    EXPECT_EQ(got[4], pair_line({{"EPS     ", "  0.1000000000D-05"},
                                 {"H1      ", kD0},
                                 {"HMIN    ", kD0},
                                 {"TPRINT  ", " -0.5000000000D+00"}}));
    EXPECT_EQ(
        got[9],
        pair_line(
            {{"Y1MAX   ", "      0.5000000000"}, {"Y2MAX   ", kF0}, {"Y3MAX   ", kF0}, {"   A    ", kF0}}));
    EXPECT_EQ(
        got[12],
        pair_line(
            {{"  FX    ", "     -2.2500000000"}, {"  FY    ", kF0}, {"  FZ    ", kF0}, {"DELPIAN ", kF0}}));
    EXPECT_EQ(
        got[14],
        pair_line(
            {{"  MX    ", kF0}, {"  MY    ", kF0}, {"  MZ    ", "      3.0000000000"}, {"\\zeta G ", kF0}}));
    EXPECT_EQ(
        got[15],
        pair_line({{" FULLY  ", "    768.0000000000"}, {kNoName, kF0}, {kNoName, kF0}, {kNoName, kF0}}));
    const std::string omz = "     12.1250000000";
    if (kEarlierEdition)
        EXPECT_EQ(got[22], pair_line({{"PHIo    ", kF0}, {"OMZETAo ", omz}}));
    else
        EXPECT_EQ(got[22], pair_line({{"PHIo    ", kF0}, {"OMZETAo ", omz}, {"PHIPo   ", kF0}}));
    EXPECT_EQ(got[27], view_line(kF0, "      1.5000000000", kF0, kF0));
    EXPECT_EQ(got[30], pair_line({{"TZERO   ", "      7.0000000000"}, {"TFIN    ", kF0}}));
    EXPECT_EQ(got[36], pair_line({{"PHIo    ", kF0}, {"OMZETAo ", "     -1.0000000000"}}));
}

TEST_F(HeaderTest, TinyValuesAreZeroOnFixedLinesAndKeepTenDigitsOnExponentLines) {
    real_params(rp::DELXP) = 4.0e-11;
    real_params(rp::EPS) = 1.234567891e-300;
    real_params(rp::DXSAV) = -9.876543210e+200;
    const std::vector<std::string> got = split(write_data_file("T.MXT"));
    ASSERT_EQ(got.size(), 38u);
    EXPECT_EQ(got[4].substr(9, 18), "  0.1234567891-299");
    EXPECT_EQ(got[5].substr(9, 18), " -0.9876543210+201");
    EXPECT_EQ(got[6].substr(9, 18), kF0);

    real_params(rp::DELXP) = 1.0;
    real_params(rp::EPS) = 0.0;
    real_params(rp::DXSAV) = 0.0;
    ASSERT_EQ(load("T.MXT", 2), HeaderRead::ended);
    EXPECT_EQ(real_params(rp::DELXP), 0.0);
    EXPECT_EQ(real_params(rp::EPS), 1.234567891e-300);
    EXPECT_EQ(real_params(rp::DXSAV), -9.876543210e+200);
}

TEST_F(HeaderTest, ValuesTooWideForTheirFieldsAreWrittenSoTheyReadBack) {
    real_params(rp::Y1MAX) = 1.0e10;     // beyond F18.10
    real_params(rp::ZGo) = -2.0e6;       // below -1E6
    real_params(rp::TFIN) = 1.0e7;       // the first value F18.10 cannot hold
    real_params(rp::Y2MAX) = 9999999.5;  // still fits
    real_params(rp::Y3MAX) = -999999.5;  // still fits
    view_range(1, 1) = -1.0e6;           // does not fit
    continuation_state(3) = 3.0e12;
    int_params(ip::nok) = 10000;
    int_params(ip::nbad) = -1000;
    int_params(ip::NVOLT1) = 9999;
    int_params(ip::NVOLT2) = -999;
    int_params(ip::SCREEN) = 32767;
    int_params(ip::ncicmx) = -32768;
    const std::vector<std::string> got = split(write_data_file("W.MXT"));
    ASSERT_EQ(got.size(), 38u);
    EXPECT_EQ(got[9], pair_line({{"Y1MAX   ", "  0.1000000000D+11"},
                                 {"Y2MAX   ", "9999999.5000000000"},
                                 {"Y3MAX   ", "-999999.5000000000"},
                                 {"   A    ", kF0}}));
    EXPECT_EQ(got[16], pair_line({{"TZERO   ", kF0}, {"TFIN    ", "  0.1000000000D+08"}}));
    EXPECT_EQ(got[19], pair_line({{"ZGo     ", " -0.2000000000D+07"}, {"ZPGo    ", kF0}}));
    EXPECT_EQ(got[23], view_line(" -0.1000000000D+07", kF0, kF0, kF0));
    EXPECT_EQ(got[31], pair_line({{"XGo     ", "  0.3000000000D+13"}, {"XPGo    ", kF0}}));
    // Six columns for an integer I4 cannot hold: its field and two of the blanks after it.
    EXPECT_EQ(got[3], std::string(" ") + "nok     " + " 10000" + blanks(6) + "nbad    " + " -1000" +
                          blanks(6) + "NVOLT1  " + "9999" + blanks(8) + "NVOLT2  " + "-999" + blanks(8) +
                          "SCREEN  " + " 32767");
    EXPECT_EQ(got[2], std::string(" ") + "nrip    " + kI0 + blanks(8) + kNoName + kI0 + blanks(8) +
                          "ncicmx  " + "-32768" + blanks(6) + "ndpunt  " + kI0 + blanks(8) + "NTIME   " +
                          kI0);

    set_start_values();
    ASSERT_EQ(load("W.MXT", 2), HeaderRead::ended);
    EXPECT_EQ(real_params(rp::Y1MAX), 1.0e10);
    EXPECT_EQ(real_params(rp::ZGo), -2.0e6);
    EXPECT_EQ(real_params(rp::TFIN), 1.0e7);
    EXPECT_EQ(real_params(rp::Y2MAX), 9999999.5);
    EXPECT_EQ(real_params(rp::Y3MAX), -999999.5);
    EXPECT_EQ(view_range(1, 1), -1.0e6);
    EXPECT_EQ(continuation_state(3), 3.0e12);
    EXPECT_EQ(int_params(ip::nok), 10000);
    EXPECT_EQ(int_params(ip::nbad), -1000);
    EXPECT_EQ(int_params(ip::NVOLT1), 9999);
    EXPECT_EQ(int_params(ip::NVOLT2), -999);
    EXPECT_EQ(int_params(ip::SCREEN), 32767);
    EXPECT_EQ(int_params(ip::ncicmx), -32768);
}

TEST_F(HeaderTest, FailedWriteIsReported) {
    ASSERT_TRUE(open_unit(6, "/dev/full"));
    EXPECT_EQ(write_parameter_header(6), IoStatus::error);
}

//---- reading ----

// Every slot a header holds set to its own value, exact in ten decimals.
void fill_every_slot() {
    for (int k = 1; k <= 15; ++k) int_params(k) = int16_t(100 + k);
    for (int k = 1; k <= kRealSlots; ++k) real_params(k) = k + 0.25;
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) view_range(j, i) = -(10 * j + i) - 0.5;
    for (int i = 1; i <= 14; ++i) continuation_state(i) = 1000.0 + i * 0.125;
    title_line = "title of the saved file";
}

TEST_F(HeaderTest, SavedDataFileLoadsBackEverySlotItHolds) {
    fill_every_slot();
    write_data_file("R.MXT");
    set_start_values();
    for (int k = 45; k <= 48; ++k) real_params(k) = -7.0;  // slots no data file holds (current edition)
    ASSERT_EQ(load("R.MXT", 2), HeaderRead::ended);        // a data file ends at line 39
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), 100 + k) << k;
    for (int k = 1; k <= kRealSlots; ++k) {
        const double expected = kCurrentEdition && k >= 45 && k <= 48 ? -7.0 : k + 0.25;
        EXPECT_EQ(real_params(k), expected) << k;
    }
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), -(10 * j + i) - 0.5);
    for (int i = 1; i <= 14; ++i) EXPECT_EQ(continuation_state(i), 1000.0 + i * 0.125);
    EXPECT_EQ(title_line.str(), kDataTitle);
}

TEST_F(HeaderTest, PointsLoadTakesTheFileNamesOtherLoadsKeepTheProgramNames) {
    fill_every_slot();
    int_param_names(3) = "flag    ";
    real_param_names(1) = "  eps   ";
    real_param_names(rp::ZETA_G) = " lever  ";
    real_param_names(16) = " spare  ";
    write_points_header();
    const Vec<Name, 15> start_int_names = [] {
        set_start_values();
        return int_param_names;
    }();
    const Vec<Name, kRealSlots> start_real_names = real_param_names;

    for (int16_t kind : {2, 3, 4}) {
        ASSERT_EQ(load("KALVO10.TXT", kind), HeaderRead::complete);
        EXPECT_EQ(int_param_names, start_int_names) << kind;
        EXPECT_EQ(real_param_names, start_real_names) << kind;
    }
    ASSERT_EQ(load("KALVO10.TXT", 1), HeaderRead::complete);
    EXPECT_EQ(int_param_names(3).str(), "flag    ");
    EXPECT_EQ(real_param_names(1).str(), "  eps   ");
    EXPECT_EQ(real_param_names(rp::ZETA_G).str(), " lever  ");
    EXPECT_EQ(real_param_names(16).str(), " spare  ");
    EXPECT_EQ(int_param_names(1).str(), "nciclo  ");
}

TEST_F(HeaderTest, NamesOfTheContinuationBlockStandOverTheFirstOnes) {
    std::vector<std::string> lines = start_header(kPointsTitle10, kI0, true);
    lines[16] = pair_line({{"T0      ", kF0}, {"T1      ", kF0}});
    lines[30] = pair_line({{"TSTART  ", kF0}, {"TEND    ", kF0}});
    write_file("N.TXT", join(lines));
    ASSERT_EQ(load("N.TXT", 1), HeaderRead::complete);
    EXPECT_EQ(real_param_names(rp::TZERO).str(), "TSTART  ");
    EXPECT_EQ(real_param_names(rp::TFIN).str(), "TEND    ");
}

TEST_F(HeaderTest, DerivedRatesAreNotTakenAndTheMarkerLineIsNotChecked) {
    std::vector<std::string> lines = start_header(kPointsTitle10, kI0, true);
    lines[20] = pair_line({{"PSIo    ", "      1.0000000000"},
                           {"OMCSIo  ", "      2.0000000000"},
                           {"PSIPo   ", "   not a number   "}});
    lines[29] = "anything at all on the marker line";
    write_file("D.TXT", join(lines));
    if (kCurrentEdition) real_params(rp::PSIPo) = 9.0;
    ASSERT_EQ(load("D.TXT", 3), HeaderRead::complete);
    EXPECT_EQ(real_params(rp::PSIo), 1.0);
    EXPECT_EQ(real_params(rp::OMCSIo), 2.0);
    if (kCurrentEdition) {
        EXPECT_EQ(real_params(rp::PSIPo), 9.0);
    }
}

// The same values in both layouts of lines 21 to 23.
TEST_F(HeaderTest, HeaderOfEitherEditionLoadsTheSameValues) {
    for (bool three_pairs : {false, true}) {
        std::vector<std::string> lines = start_header(kPointsTitle10, kI0, true);
        const std::string v1 = "      0.1250000000", v2 = "     -3.5000000000", v3 = "     99.0000000000";
        const std::string extra = three_pairs ? " THETAPo " + v3 : "";
        lines[21] = pair_line({{"THETAo  ", v1}, {"OMETAo  ", v2}}) + extra;
        lines[12] = pair_line({{"  FX    ", v2}, {"  FY    ", kF0}, {"  FZ    ", v1}, {"DELPIAN ", kF0}});
        lines[15] = pair_line({{" FULLY  ", kF0}, {kNoName, kF0}, {kNoName, kF0}, {kNoName, v3}});
        write_file("E.TXT", join(lines));
        set_start_values();
        ASSERT_EQ(load("E.TXT", 3), HeaderRead::complete);
        EXPECT_EQ(real_params(rp::THETAo), 0.125);
        EXPECT_EQ(real_params(rp::OMETAo), -3.5);
        EXPECT_EQ(real_params(rp::FX), -3.5);
        EXPECT_EQ(real_params(rp::FZ), 0.125);
        EXPECT_EQ(real_params(rp::force_base + 15), 99.0);  // the last blank-named slot
        if (kCurrentEdition) {
            EXPECT_EQ(real_params(rp::THETAPo), 0.0);
        }
    }
}

//---- hostile files ----

// A header whose every value differs from the start values.
std::vector<std::string> valued_header() {
    std::vector<std::string> lines = start_header("a title", "   5", true);
    lines[3] = int_line({{"nok     ", "  11"},
                         {"nbad    ", "  12"},
                         {"NVOLT1  ", "  13"},
                         {"NVOLT2  ", "  14"},
                         {"SCREEN  ", "  15"}});
    lines[4] = pair_line(
        {{"EPS     ", "  0.1000000000D-05"}, {"H1      ", kD0}, {"HMIN    ", kD0}, {"TPRINT  ", kD0}});
    lines[23] = view_line("      1.0000000000", kF0, kF0, kF0);
    lines[36] = pair_line({{"PHIo    ", kF0}, {"OMZETAo ", "      4.0000000000"}});
    return lines;
}

void expect_start_values_kept() {
    EXPECT_TRUE(title_line.is_blank());
    EXPECT_EQ(int_params(ip::nciclo), 0);
    EXPECT_EQ(int_params(ip::SCREEN), 0);
    EXPECT_EQ(real_params(rp::EPS), 0.0);
    EXPECT_EQ(view_range(1, 1), 0.0);
    EXPECT_EQ(continuation_state(14), 0.0);
}

TEST_F(HeaderTest, FileEndingBeforeLine38LeavesTheTablesAsTheyWere) {
    const std::vector<std::string> lines = valued_header();
    for (std::size_t keep = 0; keep <= lines.size(); ++keep) {
        SCOPED_TRACE("lines kept: " + std::to_string(keep));
        set_start_values();
        write_file("C.TXT", join(std::vector<std::string>(lines.begin(), lines.begin() + long(keep))));
        const HeaderRead r = load("C.TXT", 1);
        if (keep < 37) {
            EXPECT_EQ(r, HeaderRead::unreadable);
            expect_start_values_kept();
        } else {
            EXPECT_EQ(r, keep == 40 ? HeaderRead::complete : HeaderRead::ended);
            EXPECT_EQ(title_line.trimmed(), "a title");
            EXPECT_EQ(int_params(ip::nciclo), 5);
            EXPECT_EQ(int_params(ip::SCREEN), 15);
            EXPECT_EQ(real_params(rp::EPS), 1.0e-6);
            EXPECT_EQ(view_range(1, 1), 1.0);
            EXPECT_EQ(continuation_state(14), 4.0);
        }
    }
}

// Columns of every value field on the header's lines (1-based), by line.
std::vector<std::pair<int, int>> value_fields() {
    std::vector<std::pair<int, int>> f;  // line, first column
    for (int line = 2; line <= 4; ++line)
        for (int i = 0; i < 5; ++i) f.push_back({line, 10 + 20 * i});
    const int pairs[] = {4, 4, 4, 4, 4, 4, 4, 2, 4, 4, 4, 4, 2, 2, 2, 2, 2, 2, 2};
    for (int line = 5; line <= 23; ++line)
        for (int i = 0; i < pairs[line - 5]; ++i) f.push_back({line, 10 + 27 * i});
    for (int line = 24; line <= 29; ++line)
        for (int i = 0; i < 4; ++i) f.push_back({line, 2 + 20 * i});
    for (int line = 31; line <= 37; ++line)
        for (int i = 0; i < 2; ++i) f.push_back({line, 10 + 27 * i});
    return f;
}

TEST_F(HeaderTest, LettersOrAsterisksInAnyValueFieldLeaveTheTablesAsTheyWere) {
    const std::vector<std::string> lines = valued_header();
    for (const std::string& bad :
         {std::string("abc"), std::string(18, '*'), std::string("1.2.3"), std::string("1.5E")}) {
        for (auto [line, col] : value_fields()) {
            SCOPED_TRACE("line " + std::to_string(line) + " column " + std::to_string(col) + ": " + bad);
            std::vector<std::string> l = lines;
            const int width = line <= 4 ? 4 : 18;
            std::string field =
                blanks(width - int(std::min<std::size_t>(bad.size(), width))) + bad.substr(0, width);
            l[line - 1].replace(std::size_t(col - 1), std::size_t(width), field);
            set_start_values();
            write_file("L.TXT", join(l));
            EXPECT_EQ(load("L.TXT", 1), HeaderRead::unreadable);
            expect_start_values_kept();
            EXPECT_EQ(real_param_names(rp::EPS).str(), "EPS     ");
        }
    }
}

TEST_F(HeaderTest, EmptyFileGarbageAndAVeryLongLine) {
    write_file("E.TXT", "");
    EXPECT_EQ(load("E.TXT", 2), HeaderRead::unreadable);
    expect_start_values_kept();

    std::string garbage;
    for (int i = 0; i < 4000; ++i) garbage.push_back(char((i * 73 + 11) % 256));
    write_file("G.TXT", garbage);
    EXPECT_EQ(load("G.TXT", 1), HeaderRead::unreadable);
    expect_start_values_kept();

    std::vector<std::string> lines = valued_header();
    lines[0] = "a title" + std::string(200000, 'x');
    lines[4] += std::string(100000, '9');
    write_file("V.TXT", join(lines));
    EXPECT_EQ(load("V.TXT", 3), HeaderRead::complete);
    EXPECT_EQ(title_line.str(), "a title" + std::string(93, 'x'));
    EXPECT_EQ(real_params(rp::EPS), 1.0e-6);
    EXPECT_EQ(int_params(ip::SCREEN), 15);
}

TEST_F(HeaderTest, ShortLinesReadTheirMissingFieldsAsZero) {
    std::vector<std::string> lines = valued_header();
    lines[1] = " nciclo     7";
    lines[23] = "";
    write_file("S.TXT", join(lines));
    int_params(ip::NPROL) = 9;
    view_range(1, 1) = 3.0;
    ASSERT_EQ(load("S.TXT", 3), HeaderRead::complete);
    EXPECT_EQ(int_params(ip::nciclo), 7);
    EXPECT_EQ(int_params(ip::NPROL), 0);
    EXPECT_EQ(view_range(1, 1), 0.0);
}

}  // namespace
