// Tests for datafiles/bare_file.cpp: the 27 records of a bare parameter file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/params.h"
#include "common/state.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

// Records 1-3 hold r*100+i in (1X,5(I4,2X)); records 4-27 hold "r.i" in
// (1X,5(F18.10,2X)), right-justified in columns 2-19, 22-39, ...
std::string numbered_file() {
    std::string s;
    for (int r = 1; r <= 27; ++r) {
        for (int i = 1; i <= 5; ++i) {
            const std::string v =
                r <= 3 ? std::to_string(r * 100 + i) : std::to_string(r) + "." + std::to_string(i);
            s += (i == 1 ? " " : "  ") + std::string((r <= 3 ? 4 : 18) - v.size(), ' ') + v;
        }
        s += "\n";
    }
    return s + "letters after the last record are never read\n";
}

double value(int record, int field) {
    return std::stod(std::to_string(record) + "." + std::to_string(field));
}

class BareFileTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        int_params.fill(7);
        real_params.fill(3.0);
        view_range.fill(2.0);
        continuation_state.fill(5.0);
    }
    bool load(const std::string& text) {
        write_file("KALVO10", text);
        EXPECT_TRUE(open_unit(6, "KALVO10", OpenStatus::old));
        const bool ok = read_bare_parameter_file();
        close_unit(6);
        return ok;
    }
};

TEST_F(BareFileTest, EveryFieldGoesToItsSlotAndWhatIsNotInTheFileStays) {
    ASSERT_TRUE(load(numbered_file()));
    EXPECT_EQ(int_params(1), 101);
    EXPECT_EQ(int_params(15), 305);
    EXPECT_EQ(real_params(rp::EPS), value(4, 1));
    EXPECT_EQ(real_params(30), value(9, 5));
    // The force block, in the slots of the edition (the fifth value of record 10 unused).
    EXPECT_EQ(real_params(rp::FX), value(10, 1));
    EXPECT_EQ(real_params(rp::DELPIAN), value(10, 4));
    EXPECT_EQ(real_params(rp::FULLX), value(11, 1));
    EXPECT_EQ(real_params(rp::force_base + 14), value(11, 4));
    EXPECT_EQ(real_params(rp::MX), value(12, 1));
    EXPECT_EQ(real_params(rp::ZETA_G), value(12, 4));
    EXPECT_EQ(real_params(rp::FULLY), value(13, 1));
    EXPECT_EQ(real_params(rp::force_base + 15), value(13, 4));
    // The initial state: five values and one, the rest of records 15 and 17 unused.
    EXPECT_EQ(real_params(rp::THETAo), value(14, 5));
    EXPECT_EQ(real_params(rp::PHIo), value(15, 1));
    EXPECT_EQ(real_params(rp::XPGo), value(16, 1));
    EXPECT_EQ(real_params(rp::OMZETAo), value(17, 1));
    EXPECT_EQ(view_range(1, 1), value(18, 1));
    EXPECT_EQ(view_range(6, 4), value(23, 4));
    EXPECT_EQ(continuation_state(3), value(24, 1));
    EXPECT_EQ(continuation_state(8), value(25, 1));
    EXPECT_EQ(continuation_state(14), value(27, 1));
    // Not in the file.
    EXPECT_EQ(real_params(rp::TZERO), 3.0);
    EXPECT_EQ(real_params(rp::TFIN), 3.0);
    if (kCurrentEdition) {
        for (int k = 45; k <= 48; ++k) EXPECT_EQ(real_params(k), 3.0) << k;
    }
    EXPECT_EQ(continuation_state(1), 5.0);
    EXPECT_EQ(continuation_state(2), 5.0);
}

TEST_F(BareFileTest, EmptyRecordsReadZeroAndAFieldWithoutPointHasTenDecimals) {
    std::string text = " " + std::string(15, ' ') + "1.5" + std::string(18, ' ') + "15\n";
    text = std::string(3, '\n') + text + std::string(23, '\n');
    ASSERT_TRUE(load(text));
    EXPECT_EQ(real_params(rp::EPS), 1.5);
    EXPECT_EQ(real_params(rp::H1), 1.5e-9);
    EXPECT_EQ(int_params(1), 0);
    EXPECT_EQ(real_params(rp::FULLY), 0.0);
    EXPECT_EQ(view_range(6, 4), 0.0);
    EXPECT_EQ(continuation_state(14), 0.0);
    EXPECT_EQ(real_params(rp::TZERO), 3.0);
}

TEST_F(BareFileTest, ShortFileOrLettersInAnyRecordLeaveEveryTableAsItWas) {
    const std::string good = numbered_file();
    std::vector<std::size_t> starts{0};
    for (std::size_t at = good.find('\n'); at != std::string::npos; at = good.find('\n', at + 1))
        starts.push_back(at + 1);
    for (int r = 0; r < 27; ++r) {
        SCOPED_TRACE(r);
        EXPECT_FALSE(load(good.substr(0, starts[std::size_t(r)])));  // records 1 to r only
        std::string bad = good;
        bad.replace(starts[std::size_t(r)] + (r < 3 ? 1 : 15), 4, "abcd");  // inside the first field
        EXPECT_FALSE(load(bad));
        EXPECT_EQ(int_params(1), 7);
        EXPECT_EQ(real_params(1), 3.0);
        EXPECT_EQ(view_range(1, 1), 2.0);
        EXPECT_EQ(continuation_state(14), 5.0);
    }
}

}  // namespace
