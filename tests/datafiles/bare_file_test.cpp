// Tests for datafiles/bare_file.cpp: the 27 records of a bare parameter file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

// (1X,5(F18.10,2X)): each value right-justified in columns 2-19, 22-39, ...
std::string real_record(const std::vector<std::string>& values) {
    std::string s = " ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) s += "  ";
        s += std::string(18 - values[i].size(), ' ') + values[i];
    }
    return s;
}

// (1X,5(I4,2X)): columns 2-5, 8-11, ...
std::string int_record(const std::vector<std::string>& values) {
    std::string s = " ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) s += "  ";
        s += std::string(4 - values[i].size(), ' ') + values[i];
    }
    return s;
}

// Record r holds r.1, r.2, ... in its real fields (r*100 + i in its integer fields).
std::vector<std::string> numbered_file() {
    std::vector<std::string> records;
    for (int r = 1; r <= 3; ++r) {
        std::vector<std::string> v;
        for (int i = 1; i <= 5; ++i) v.push_back(std::to_string(r * 100 + i));
        records.push_back(int_record(v));
    }
    for (int r = 4; r <= 27; ++r) {
        std::vector<std::string> v;
        for (int i = 1; i <= 5; ++i) v.push_back(std::to_string(r) + "." + std::to_string(i));
        records.push_back(real_record(v));
    }
    records.push_back("not read: letters after the last record");
    return records;
}

std::string join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// The value written in a field of numbered_file(), converted from its text.
double value(int record, int field) {
    return std::stod(std::to_string(record) + "." + std::to_string(field));
}

class BareFileTest : public KalvoTest {
protected:
    bool load(const std::string& text) {
        write_file("KALVO10", text);
        EXPECT_TRUE(open_unit(6, "KALVO10", OpenStatus::old));
        const bool ok = read_bare_parameter_file();
        close_unit(6);
        return ok;
    }

    // Every table the file might touch set to something other than 0.
    static void fill_tables() {
        int_params.fill(7);
        real_params.fill(3.0);
        view_range.fill(2.0);
        continuation_state.fill(5.0);
        title_line = "title stays";
    }
};

TEST_F(BareFileTest, TwentySevenEmptyRecordsLoadZeroIntoEveryEntryTheFileHolds) {
    fill_tables();
    ASSERT_TRUE(load(join(std::vector<std::string>(27, ""))));
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), 0) << k;
    for (int k = 1; k <= kRealSlots; ++k) {
        const bool kept = k == rp::TZERO || k == rp::TFIN || (kCurrentEdition && k >= 45 && k <= 48);
        EXPECT_EQ(real_params(k), kept ? 3.0 : 0.0) << k;
    }
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), 0.0);
    EXPECT_EQ(continuation_state(1), 5.0);
    EXPECT_EQ(continuation_state(2), 5.0);
    for (int i = 3; i <= 14; ++i) EXPECT_EQ(continuation_state(i), 0.0) << i;
    EXPECT_EQ(title_line.trimmed(), "title stays");
    EXPECT_EQ(real_param_names(rp::EPS).str(), "EPS     ");
}

TEST_F(BareFileTest, EveryFieldGoesToItsSlotAndExtraFieldsAreSkipped) {
    fill_tables();
    ASSERT_TRUE(load(join(numbered_file())));
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(int_params(k), ((k - 1) / 5 + 1) * 100 + (k - 1) % 5 + 1) << k;
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(real_params(k), value(4 + (k - 1) / 5, (k - 1) % 5 + 1)) << k;
    // The force block: record 10 FX FY FZ DELPIAN (its fifth value unused),
    // 11 FULLX and three spare slots, 12 MX MY MZ "\zeta G", 13 FULLY and three.
    EXPECT_EQ(real_params(rp::FX), value(10, 1));
    EXPECT_EQ(real_params(rp::FY), value(10, 2));
    EXPECT_EQ(real_params(rp::FZ), value(10, 3));
    EXPECT_EQ(real_params(rp::DELPIAN), value(10, 4));
    EXPECT_EQ(real_params(rp::FULLX), value(11, 1));
    EXPECT_EQ(real_params(rp::force_base + 14), value(11, 4));
    EXPECT_EQ(real_params(rp::MX), value(12, 1));
    EXPECT_EQ(real_params(rp::MY), value(12, 2));
    EXPECT_EQ(real_params(rp::MZ), value(12, 3));
    EXPECT_EQ(real_params(rp::ZETA_G), value(12, 4));
    EXPECT_EQ(real_params(rp::FULLY), value(13, 1));
    EXPECT_EQ(real_params(rp::force_base + 15), value(13, 4));
    if (kCurrentEdition) {
        EXPECT_EQ(real_params(rp::circle_radius), value(11, 2));
        for (int k = 45; k <= 48; ++k) EXPECT_EQ(real_params(k), 3.0) << k;
    }
    // Records 14 to 17: five and one of the initial state.
    EXPECT_EQ(real_params(rp::XGo), value(14, 1));
    EXPECT_EQ(real_params(rp::THETAo), value(14, 5));
    EXPECT_EQ(real_params(rp::PHIo), value(15, 1));
    EXPECT_EQ(real_params(rp::XPGo), value(16, 1));
    EXPECT_EQ(real_params(rp::OMETAo), value(16, 5));
    EXPECT_EQ(real_params(rp::OMZETAo), value(17, 1));
    EXPECT_EQ(real_params(rp::TZERO), 3.0);
    EXPECT_EQ(real_params(rp::TFIN), 3.0);
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(view_range(j, i), value(17 + j, i));
    EXPECT_EQ(continuation_state(1), 5.0);
    EXPECT_EQ(continuation_state(2), 5.0);
    EXPECT_EQ(continuation_state(3), value(24, 1));
    EXPECT_EQ(continuation_state(7), value(24, 5));
    EXPECT_EQ(continuation_state(8), value(25, 1));
    EXPECT_EQ(continuation_state(9), value(26, 1));
    EXPECT_EQ(continuation_state(14), value(27, 1));
}

TEST_F(BareFileTest, FieldWithoutAPointTakesItsLastTenDigitsAsDecimals) {
    std::vector<std::string> records(27, "");
    records[3] = real_record({"1.5", "15"});
    ASSERT_TRUE(load(join(records)));
    EXPECT_EQ(real_params(rp::EPS), 1.5);
    EXPECT_EQ(real_params(rp::H1), 1.5e-9);
}

TEST_F(BareFileTest, ShortOrUnreadableFileLeavesEveryTableAsItWas) {
    const std::vector<std::string> good = numbered_file();
    for (int keep = 0; keep < 27; ++keep) {
        SCOPED_TRACE("records kept: " + std::to_string(keep));
        fill_tables();
        EXPECT_FALSE(load(join(std::vector<std::string>(good.begin(), good.begin() + keep))));
        EXPECT_EQ(int_params(1), 7);
        EXPECT_EQ(real_params(1), 3.0);
        EXPECT_EQ(view_range(1, 1), 2.0);
        EXPECT_EQ(continuation_state(3), 5.0);
    }
    for (int r = 0; r < 27; ++r) {
        SCOPED_TRACE("letters in record " + std::to_string(r + 1));
        std::vector<std::string> bad = good;
        bad[std::size_t(r)].replace(r < 3 ? 1 : 15, 4, "abcd");  // inside the first field
        fill_tables();
        EXPECT_FALSE(load(join(bad)));
        EXPECT_EQ(int_params(1), 7);
        EXPECT_EQ(real_params(1), 3.0);
        EXPECT_EQ(continuation_state(14), 5.0);
    }
}

}  // namespace
