// Tests for platform/format.cpp: writing values through field formats.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/format.h"
#include "tests/support/test_env.h"

namespace {

class FormatOutput : public KalvoTest {};

template <class... Args>
std::string fmt(const char* format, const Args&... args) {
    const FieldFormat f(format);
    return format_string(f, args...);
}

// Records as the sink receives them, with the open-end flag.
struct CollectSink final : RecordSink {
    std::vector<std::string> records;
    std::vector<bool> open;
    bool put_record(std::string_view text, bool left_open) override {
        records.emplace_back(text);
        open.push_back(left_open);
        return true;
    }
};

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

TEST_F(FormatOutput, IntegersAreRightJustifiedAndTooWideIsAsterisks) {
    // File numbers as I2 writes them into names.
    EXPECT_EQ(fmt("(I2)", int16_t(7)), " 7");
    EXPECT_EQ(fmt("(I2)", int16_t(10)), "10");
    EXPECT_EQ(fmt("(I2)", int16_t(-5)), "-5");
    EXPECT_EQ(fmt("(I2)", int16_t(100)), "**");
    EXPECT_EQ(fmt("(I2)", int16_t(-10)), "**");
    EXPECT_EQ(fmt("(I4)", 9999), "9999");
    EXPECT_EQ(fmt("(I4)", -999), "-999");
    EXPECT_EQ(fmt("(I4)", 12345), "****");
    EXPECT_EQ(fmt("(I4)", -1234), "****");
    EXPECT_EQ(fmt("(I1)", -1), "*");
    EXPECT_EQ(fmt("(I4)", 0), "   0");
    EXPECT_EQ(fmt("(I6)", int32_t(-2147483647 - 1)), "******");
    EXPECT_EQ(fmt("(I11)", int32_t(-2147483647 - 1)), "-2147483648");
    EXPECT_EQ(fmt("(I6)", int16_t(-32768)), "-32768");
}

TEST_F(FormatOutput, FixedPointWritesZeroBeforePointOnlyWhereThereIsRoom) {
    EXPECT_EQ(fmt("(F18.10)", 0.5), "      0.5000000000");
    EXPECT_EQ(fmt("(F6.4)", 0.5), "0.5000");
    EXPECT_EQ(fmt("(F5.4)", 0.5), ".5000");
    EXPECT_EQ(fmt("(F4.4)", 0.5), "****");
    EXPECT_EQ(fmt("(F6.4)", -0.5), "-.5000");
    EXPECT_EQ(fmt("(F7.4)", -0.5), "-0.5000");
    EXPECT_EQ(fmt("(F6.0)", 0.4), "    0.");
    EXPECT_EQ(fmt("(F1.0)", 0.4), "*");
    EXPECT_EQ(fmt("(F9.2)", -123.456), "  -123.46");
    EXPECT_EQ(fmt("(F8.4)", 0.0), "  0.0000");
}

TEST_F(FormatOutput, FixedPointLimitsOfTheEditorCells) {
    // F15.7 holds values below 1e7; F16.7 holds 1e7 but not 1e8.
    EXPECT_EQ(fmt("(F15.7)", 1e7), std::string(15, '*'));
    EXPECT_EQ(fmt("(F15.7)", 9999999.0), "9999999.0000000");
    EXPECT_EQ(fmt("(F15.7)", -1e6), std::string(15, '*'));
    EXPECT_EQ(fmt("(F15.7)", -999999.0), "-999999.0000000");
    EXPECT_EQ(fmt("(F16.7)", 1e7), "10000000.0000000");
    EXPECT_EQ(fmt("(F16.7)", 1e8), std::string(16, '*'));
    EXPECT_EQ(fmt("(F16.7)", -1e7), std::string(16, '*'));
    // F18.10 holds what lies above -1e6 and below 1e7 after rounding.
    EXPECT_EQ(fmt("(F18.10)", 9999999.99999999999), std::string(18, '*'));
    EXPECT_EQ(fmt("(F18.10)", 1e300), std::string(18, '*'));
    EXPECT_EQ(fmt("(F18.10)", -1e300), std::string(18, '*'));
}

TEST_F(FormatOutput, RoundingIsToNearestOnTheExactBinaryValueTiesToEven) {
    EXPECT_EQ(fmt("(F6.2)", 0.125), "  0.12");  // exact tie, even digit kept
    EXPECT_EQ(fmt("(F6.2)", 0.375), "  0.38");  // exact tie, rounded to even
    EXPECT_EQ(fmt("(F6.2)", 2.675), "  2.67");  // 2.67499999... in binary
    EXPECT_EQ(fmt("(F6.0)", 2.5), "    2.");
    EXPECT_EQ(fmt("(F6.0)", 3.5), "    4.");
    EXPECT_EQ(fmt("(D14.6)", 0.99999995), "  0.100000D+01");  // carry into the exponent
    EXPECT_EQ(fmt("(D11.4)", 0.00012345), " 0.1234D-03");     // 1.23449999...e-4
    EXPECT_EQ(fmt("(D11.4)", 0.5), " 0.5000D+00");
    EXPECT_EQ(fmt("(D11.1)", 0.25), "    0.2D+00");  // exact tie
    EXPECT_EQ(fmt("(D11.1)", 0.75), "    0.8D+00");
}

TEST_F(FormatOutput, NegativeZeroAndValuesRoundingToZeroKeepTheirSign) {
    EXPECT_EQ(fmt("(F10.4)", -0.00004), "   -0.0000");
    EXPECT_EQ(fmt("(F10.4)", -0.0), "   -0.0000");
    EXPECT_EQ(fmt("(D14.6)", -0.0), " -0.000000D+00");
    EXPECT_EQ(fmt("(D14.6)", 0.0), "  0.000000D+00");
}

TEST_F(FormatOutput, ExponentFormHasZeroPointDigitsAndFourCharacterExponent) {
    EXPECT_EQ(fmt("(D15.7)", 1.0), "  0.1000000D+01");
    EXPECT_EQ(fmt("(D18.10)", 1.0), "  0.1000000000D+01");
    EXPECT_EQ(fmt("(D15.7)", -1.23456789e-5), " -0.1234568D-04");
    EXPECT_EQ(fmt("(E14.6)", 1.5), "  0.150000E+01");
    EXPECT_EQ(fmt("(e14.6)", 1.5), "  0.150000E+01");
    EXPECT_EQ(fmt("(D14.6)", 1e100), "  0.100000+101");  // three digits: no letter
    EXPECT_EQ(fmt("(D14.6)", 1e-100), "  0.100000D-99");
    EXPECT_EQ(fmt("(D14.6)", 1e99), "  0.100000+100");
    EXPECT_EQ(fmt("(D18.10)", 1e-120), "  0.1000000000-119");
    EXPECT_EQ(fmt("(D15.7)", 5e-324), "  0.4940656-323");
    EXPECT_EQ(fmt("(D15.7)", 1.7976931348623157e308), "  0.1797693+309");
    // Shrinking: the 0 goes first, then the field is asterisks.
    EXPECT_EQ(fmt("(D12.6)", -1.0), "-.100000D+01");
    EXPECT_EQ(fmt("(D11.6)", 1.0), ".100000D+01");
    EXPECT_EQ(fmt("(D11.6)", -1.0), "***********");
}

TEST_F(FormatOutput, NotANumberAndInfinitiesAsTheRuntimeWritesThem) {
    EXPECT_EQ(fmt("(F10.4)", kNaN), "       NaN");
    EXPECT_EQ(fmt("(F10.4)", -kNaN), "       NaN");
    EXPECT_EQ(fmt("(F10.4)", kInf), "  Infinity");
    EXPECT_EQ(fmt("(F10.4)", -kInf), " -Infinity");
    EXPECT_EQ(fmt("(F9.2)", -kInf), "-Infinity");
    EXPECT_EQ(fmt("(F8.4)", kInf), "Infinity");
    EXPECT_EQ(fmt("(F7.4)", kInf), "    Inf");
    EXPECT_EQ(fmt("(F8.4)", -kInf), "    -Inf");
    EXPECT_EQ(fmt("(F4.0)", kInf), " Inf");
    EXPECT_EQ(fmt("(F4.0)", -kInf), "-Inf");
    EXPECT_EQ(fmt("(F3.0)", kInf), "Inf");
    EXPECT_EQ(fmt("(F3.0)", -kInf), "***");
    EXPECT_EQ(fmt("(F2.0)", kNaN), "**");
    EXPECT_EQ(fmt("(D14.6)", kNaN), "           NaN");
    EXPECT_EQ(fmt("(D15.7)", -kInf), "      -Infinity");
}

TEST_F(FormatOutput, TextFieldsPadOnTheLeftOrCut) {
    EXPECT_EQ(fmt("(A5)", "abc"), "  abc");
    EXPECT_EQ(fmt("(A2)", "abc"), "ab");
    EXPECT_EQ(fmt("(A)", "abc "), "abc ");  // A alone: the item's whole length
    const Text<8> name("  FX");
    EXPECT_EQ(fmt("(1X,A8,'|')", name), "   FX    |");
}

TEST_F(FormatOutput, LiteralsAndPositionEdits) {
    EXPECT_EQ(fmt("('it''s',I2)", 7), "it's 7");
    EXPECT_EQ(fmt("(\"say \"\"hi\"\"\")"), "say \"hi\"");
    EXPECT_EQ(fmt("(1X,I2,2X,'a')", 7), "  7  a");
    // A record ends with its last transmitted character.
    EXPECT_EQ(fmt("(A,3X)", "ab"), "ab");
    EXPECT_EQ(fmt("(I6,3X,9(D15.7,1X))", 1, 1.0), "     1     0.1000000D+01");
}

TEST_F(FormatOutput, OutputStopsAtTheFirstValueFieldWithoutAnItem) {
    EXPECT_EQ(fmt("(A,'lit',I3,'after')", "ab"), "ablit");
    EXPECT_EQ(fmt("(I3,'after')", 5), "  5after");
    // With no items the literals before the first value field are written.
    EXPECT_EQ(fmt("(' 0=MORE,5=SAME,6=OUT,7=NEXT ',I2)"), " 0=MORE,5=SAME,6=OUT,7=NEXT ");
    EXPECT_EQ(fmt("(I2)"), "");
}

TEST_F(FormatOutput, RepeatCountsAndNestedGroups) {
    EXPECT_EQ(fmt("(5I4)", 1, 2, 3), "   1   2   3");
    EXPECT_EQ(fmt("(1X,A,2(3(1X,I4),1X),2D14.6)", "ab", 1, 2, 3, 4, 5, 6, 1.0, -2.0),
              " ab    1    2    3     4    5    6   0.100000D+01 -0.200000D+01");
    EXPECT_EQ(fmt("(1x,a,i3,2(f4.1))", "n", 12, 1.25, 2.0), " n 12 1.2 2.0");
    EXPECT_EQ(fmt("I3,I3", 1, 2), "  1  2");  // outer brackets may be left out
}

TEST_F(FormatOutput, MoreItemsThanFieldsStartNewRecordsByReversion) {
    // Back to the rightmost top-level group, with its repeat count.
    EXPECT_EQ(fmt("(A,(3I3))", "x", 1, 2, 3, 4, 5, 6, 7), "x  1  2  3\n  4  5  6\n  7");
    EXPECT_EQ(fmt("(A,2(I2,'.'))", "x", 1, 2, 3, 4, 5), "x 1. 2.\n 3. 4.\n 5.");
    // No group: back to the start.
    EXPECT_EQ(fmt("(1X,I2)", 1, 2, 3), "  1\n  2\n  3");
    EXPECT_EQ(fmt("(1X,5(F18.10,2X))", 1.0, 2.0, 3.0, 4.0, 5.0, 6.0),
              "       1.0000000000        2.0000000000        3.0000000000        4.0000000000"
              "        5.0000000000\n"
              "      6.0000000000");  // the leading 1X is not part of the group
}

TEST_F(FormatOutput, DollarLeavesTheRecordOpen) {
    CollectSink sink;
    const FieldFormat prompt("(' NOME? ',$)");
    const FieldFormat plain("(A)");
    EXPECT_EQ(format_write(prompt, {}, sink), IoStatus::ok);
    const OutItem item("x");
    EXPECT_EQ(format_write(plain, std::span(&item, 1), sink), IoStatus::ok);
    ASSERT_EQ(sink.records.size(), 2u);
    EXPECT_EQ(sink.records[0], " NOME? ");
    EXPECT_TRUE(sink.open[0]);
    EXPECT_EQ(sink.records[1], "x");
    EXPECT_FALSE(sink.open[1]);
}

TEST_F(FormatOutput, WriteIntoFixedWidthTextFillsTheWholeText) {
    Text<76> menu;
    menu.assign(std::string(76, '#'));
    const FieldFormat f("('PROG E DATI: ',A5,I2,'? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT] ',$)");
    const Text<5> stem("KALVO");
    ASSERT_EQ(write_internal(menu, f, stem, int16_t(10)), IoStatus::ok);
    EXPECT_EQ(menu.str(),
              "PROG E DATI: KALVO10? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT] " + std::string(13, ' '));

    // Output longer than the text is cut at its end.
    Text<4> small;
    EXPECT_EQ(write_internal(small, FieldFormat("(A)"), "abcdef"), IoStatus::ok);
    EXPECT_EQ(small.str(), "abcd");

    // A second record does not fit: the first is kept, the write reports the error.
    Text<6> one;
    EXPECT_EQ(write_internal(one, FieldFormat("(I3)"), 1, 2), IoStatus::error);
    EXPECT_EQ(one.str(), "  1   ");
}

TEST_F(FormatOutput, ItemsThatDoNotSuitTheirFieldAreAnError) {
    Text<4> t;
    EXPECT_EQ(write_internal(t, FieldFormat("(I4)"), 1.5), IoStatus::error);
    EXPECT_EQ(t.str(), "****");
    EXPECT_EQ(write_internal(t, FieldFormat("(A4)"), 3), IoStatus::error);
    // An integer goes through a real field as its value.
    EXPECT_EQ(fmt("(F5.1)", 3), "  3.0");
}

TEST_F(FormatOutput, MalformedFormatsWriteNothingAndReportTheError) {
    for (const char* bad : {"(I3", "(Q3)", "(I3))", "('abc)", "(F)", "(G14.6)", "(1PE14.6)", "(I0)",
                            "(A,$,I3", "(E14.6E3)", "(F8)", "(I3.2)"}) {
        CollectSink sink;
        const OutItem item(1);
        EXPECT_EQ(format_write(FieldFormat(bad), std::span(&item, 1), sink), IoStatus::error) << bad;
        EXPECT_TRUE(sink.records.empty()) << bad;
    }
    // Items and a format without value fields: one record, then the error.
    CollectSink sink;
    const OutItem item(1);
    EXPECT_EQ(format_write(FieldFormat("('x')"), std::span(&item, 1), sink), IoStatus::error);
}

TEST_F(FormatOutput, LongRecordsOfAnyLength) {
    // Records far beyond the usual 120 characters, built in several steps.
    const std::string part(300, 'a');
    const std::string record =
        fmt("(A,A,A,A,A,A,A,A,I5)", part, part, part, part, part, part, part, part, 12345);
    ASSERT_EQ(record.size(), 8 * 300 + 5u);
    EXPECT_EQ(record.substr(0, 300), part);
    EXPECT_EQ(record.substr(2100, 300), part);
    EXPECT_EQ(record.substr(2400), "12345");
    EXPECT_EQ(fmt("(5000X,'z')"), std::string(5000, ' ') + "z");
}

TEST_F(FormatOutput, ParsedFormatKeepsItsSource) {
    const FieldFormat f("(1X, I2 ,  'a b')");
    EXPECT_EQ(f.source(), "(1X, I2 ,  'a b')");
    EXPECT_EQ(format_string(f, 5), "  5a b");
    EXPECT_EQ(format_string(f, 6), "  6a b");  // applied again, same result
}

}  // namespace
