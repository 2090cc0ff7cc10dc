// Tests for platform/format.cpp: reading values through field formats,
// including hostile lines.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/format.h"
#include "tests/support/test_env.h"

namespace {

class FormatInput : public KalvoTest {};

// Records handed out in order, then the end of the file.
struct Lines final : RecordSource {
    std::vector<std::string> lines;
    size_t next = 0;
    explicit Lines(std::vector<std::string> l) : lines(std::move(l)) {}
    IoStatus next_record(std::string_view& record) override {
        if (next >= lines.size()) return IoStatus::end_of_file;
        record = lines[next++];
        return IoStatus::ok;
    }
};

// The value an F, D or E field reads from a text (-777 when the read fails).
double real_of(const char* format, std::string_view text) {
    double x = -777.0;
    if (read_internal(text, FieldFormat(format), x) != IoStatus::ok) return -777.0;
    return x;
}

IoStatus read_i16(const char* format, std::string_view text, int16_t& v) {
    return read_internal(text, FieldFormat(format), v);
}

TEST_F(FormatInput, BlanksInNumbersAreIgnoredAndEmptyFieldsReadZero) {
    int16_t a = 9, b = 9;
    EXPECT_EQ(read_i16("(I5)", "  1 2", a), IoStatus::ok);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(read_i16("(I2)", "", a), IoStatus::ok);  // "BLNK=GO": an empty answer is 0
    EXPECT_EQ(a, 0);
    EXPECT_EQ(read_internal("12", FieldFormat("(I5,I5)"), a, b), IoStatus::ok);  // short record
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(real_of("(F15.6)", ""), 0.0);
    EXPECT_EQ(real_of("(D15.6)", "   "), 0.0);
    Text<5> t("xxxxx");
    EXPECT_EQ(read_internal("", FieldFormat("(A)"), t), IoStatus::ok);
    EXPECT_EQ(t.str(), "     ");
}

TEST_F(FormatInput, OnlyTheFieldWidthIsRead) {
    int16_t a = 0;
    EXPECT_EQ(read_i16("(I2)", "100", a), IoStatus::ok);  // "100" read with I2 is 10
    EXPECT_EQ(a, 10);
    EXPECT_DOUBLE_EQ(real_of("(F3.2)", "12345"), 1.23);
    // Values after the read's last item are skipped.
    int16_t b = 0;
    EXPECT_EQ(read_internal(" 5 6 7 8", FieldFormat("(2(I2))"), a, b), IoStatus::ok);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 6);
}

TEST_F(FormatInput, CommaEndsANumericFieldEarly) {
    int16_t a = 9, b = 9;
    const FieldFormat f("(I5,I5)");
    EXPECT_EQ(read_internal("12,34", f, a, b), IoStatus::ok);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 34);
    EXPECT_EQ(read_internal("1 , 3", f, a, b), IoStatus::ok);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(read_internal(",7", f, a, b), IoStatus::ok);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 7);
    // Row and screen typed as "5,2" into (2(I3)).
    EXPECT_EQ(read_internal("5,2", FieldFormat("(2(I3))"), a, b), IoStatus::ok);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 2);
    // Position edits count from just after the comma: the 1X skips the "2".
    double x = 0, y = 0;
    EXPECT_EQ(read_internal("1.5,2", FieldFormat("(2(F18.10,1X))"), x, y), IoStatus::ok);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(read_internal("1.5, 2", FieldFormat("(2(F18.10,1X))"), x, y), IoStatus::ok);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2e-10);
    // A text field takes the comma as a character.
    Text<5> t;
    EXPECT_EQ(read_internal("ab,cd 12", FieldFormat("(A5,I3)"), t, a), IoStatus::ok);
    EXPECT_EQ(t.str(), "ab,cd");
    EXPECT_EQ(a, 12);
}

TEST_F(FormatInput, NumbersWithoutPointTakeTheirLastDigitsAsDecimals) {
    for (const char* s : {"15", "           15", "15      ", "1 5"})
        EXPECT_EQ(real_of("(F15.6)", s), 1.5e-5) << s;
    EXPECT_EQ(real_of("(F18.10)", "5"), 5.0e-10);
    EXPECT_EQ(real_of("(D15.6)", "15"), 1.5e-5);
    EXPECT_EQ(real_of("(F10.2)", "12345"), 123.45);
    EXPECT_EQ(real_of("(F15.6)", "15."), 15.0);
    EXPECT_EQ(real_of("(F15.6)", "-2.5"), -2.5);
    EXPECT_EQ(real_of("(F15.6)", "+.25"), 0.25);
    EXPECT_EQ(real_of("(F15.0)", "42"), 42.0);
}

TEST_F(FormatInput, ExponentsWithOrWithoutTheirLetter) {
    for (const char* s :
         {"1.5E3", "1.5D3", "1.5e3", "1.5d3", "1.5E+3", "1.5E 3", "1.5+3", "1.5Q3", " 1 . 5 E 3 "})
        EXPECT_EQ(real_of("(F15.6)", s), 1500.0) << s;
    EXPECT_EQ(real_of("(F10.2)", "15+3"), 150.0);  // implied decimals apply to the mantissa
    EXPECT_EQ(real_of("(F10.2)", "15-3"), 1.5e-4);
    EXPECT_EQ(real_of("(D18.10)", "0.1000000000-119"), 1e-120);
    EXPECT_EQ(real_of("(D15.7)", "  0.1000000D+01"), 1.0);
    EXPECT_EQ(real_of("(D15.7)", "  0.4940656-323"), 4.940656e-324);
}

TEST_F(FormatInput, NotANumberAndInfinitiesReadBack) {
    EXPECT_TRUE(std::isnan(real_of("(F10.4)", "       NaN")));
    EXPECT_TRUE(std::isnan(real_of("(F10.4)", "nan")));
    EXPECT_EQ(real_of("(F10.4)", "  Infinity"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F10.4)", " -Infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F4.0)", " Inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F4.0)", "-Inf"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F10.4)", "- Inf"), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(real_of("(F10.4)", "NaN(12)")));
    EXPECT_TRUE(std::isnan(real_of("(F10.4)", "nan(Q)x")));  // after the bracket nothing is looked at
    for (const char* s :
         {"Infinit", "NaNa", "In f", "N a N", "NaN(a_b)", "NaN(", "NaN)", "Inf(1)", "Infinity5"})
        EXPECT_EQ(real_of("(F10.4)", s), -777.0) << s;
}

TEST_F(FormatInput, OutOfRangeRealsBecomeInfinityOrZero) {
    EXPECT_EQ(real_of("(F15.6)", "1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F15.6)", "-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F15.6)", "1e-400"), 0.0);
    EXPECT_EQ(real_of("(F18.0)", "1e9999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(real_of("(F18.0)", "1e-9999"), 0.0);
    // An exponent beyond four digits, implied decimals counted, is refused.
    EXPECT_EQ(real_of("(F18.0)", "1e10000"), -777.0);
    EXPECT_EQ(real_of("(F18.0)", "0.1e-10000"), -777.0);
    EXPECT_EQ(real_of("(F18.6)", "1e-9999"), -777.0);
    EXPECT_EQ(real_of("(F18.6)", "0e10000"), 0.0);
    EXPECT_EQ(real_of("(F30.6)", "1e99999999999999999999"), -777.0);
}

TEST_F(FormatInput, SignsAndPointsAlone) {
    int16_t a = 4;
    EXPECT_EQ(read_i16("(I3)", "+", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I3)", "-", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I3)", " -", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I1)", "-  5", a), IoStatus::error);
    EXPECT_EQ(read_internal("-,5", FieldFormat("(I3,I3)"), a, a), IoStatus::error);
    EXPECT_EQ(a, 4);
    // Blanks of the record after the sign make it a zero.
    EXPECT_EQ(read_i16("(I3)", "- ", a), IoStatus::ok);
    EXPECT_EQ(a, 0);
    a = 4;
    EXPECT_EQ(read_i16("(I3)", "+  9", a), IoStatus::ok);
    EXPECT_EQ(a, 0);
    for (const char* s : {"+", "-", ".", " + ", ".-3"}) {
        const double x = real_of("(F15.6)", s);
        EXPECT_EQ(x, 0.0) << s;
        EXPECT_FALSE(std::signbit(x)) << s;
    }
    // A zero with a sign and anything more keeps the sign.
    for (const char* s : {"-0", "-.", "--1", "-.e1"}) {
        const double x = real_of("(F15.6)", s);
        EXPECT_EQ(x, 0.0) << s;
        EXPECT_TRUE(std::signbit(x)) << s;
    }
}

TEST_F(FormatInput, UnreadableFieldIsAnErrorAndTheItemKeepsItsValue) {
    for (const char* s :
         {"abc", "1.2.3", "1.5E", "1.5E+", "1.5-", "1e3e", "-+", "+e+", "e", "1+", "\t12", "12x"}) {
        EXPECT_EQ(real_of("(F15.6)", s), -777.0) << s;
    }
    int16_t a = 1, b = 2, c = 3;
    EXPECT_EQ(read_internal("  7  x  9", FieldFormat("(3I3)"), a, b, c), IoStatus::error);
    EXPECT_EQ(a, 7);  // read before the bad field
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(read_i16("(I5)", "1e3", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I5)", "1.0", a), IoStatus::error);
}

TEST_F(FormatInput, IntegersMustFitTheirItem) {
    int16_t a = 5;
    EXPECT_EQ(read_i16("(I6)", "-32768", a), IoStatus::ok);
    EXPECT_EQ(a, -32768);
    EXPECT_EQ(read_i16("(I6)", "32767", a), IoStatus::ok);
    EXPECT_EQ(a, 32767);
    EXPECT_EQ(read_i16("(I6)", "40000", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I6)", "-32769", a), IoStatus::error);
    EXPECT_EQ(read_i16("(I6)", "32768", a), IoStatus::error);
    EXPECT_EQ(a, 32767);
    int32_t n = 0;
    EXPECT_EQ(read_internal("2147483647", FieldFormat("(I12)"), n), IoStatus::ok);
    EXPECT_EQ(n, 2147483647);
    EXPECT_EQ(read_internal("-2147483648", FieldFormat("(I12)"), n), IoStatus::ok);
    EXPECT_EQ(n, -2147483647 - 1);
    EXPECT_EQ(read_internal("2147483648", FieldFormat("(I12)"), n), IoStatus::error);
    EXPECT_EQ(read_internal("99999999999999999999999", FieldFormat("(I30)"), n), IoStatus::error);
    EXPECT_EQ(n, -2147483647 - 1);
}

TEST_F(FormatInput, TextFieldsCutFromTheLeftOrPadOnTheRight) {
    Text<5> t;
    EXPECT_EQ(read_internal("hello world", FieldFormat("(A8)"), t), IoStatus::ok);
    EXPECT_EQ(t.str(), "lo wo");  // the rightmost 5 of the 8 read
    EXPECT_EQ(read_internal("hello world", FieldFormat("(A3)"), t), IoStatus::ok);
    EXPECT_EQ(t.str(), "hel  ");
    Text<15> name;
    EXPECT_EQ(read_internal("KALVO12.TXT and more", FieldFormat("(A)"), name), IoStatus::ok);
    EXPECT_EQ(name.str(), "KALVO12.TXT and");
    // The file number in characters 6-7 of a typed name.
    int16_t nfile = 3;
    EXPECT_EQ(read_internal(name.sub(6, 7), FieldFormat("(I2)"), nfile), IoStatus::ok);
    EXPECT_EQ(nfile, 12);
    const Text<15> short_name("KALVO7");
    EXPECT_EQ(read_internal(short_name.sub(6, 7), FieldFormat("(I2)"), nfile), IoStatus::ok);
    EXPECT_EQ(nfile, 7);
    const Text<15> bad_name("KALVOab");
    EXPECT_EQ(read_internal(bad_name.sub(6, 7), FieldFormat("(I2)"), nfile), IoStatus::error);
    EXPECT_EQ(nfile, 7);
}

TEST_F(FormatInput, ReadWithMoreItemsThanFieldsGoesOnInTheNextRecord) {
    // (1X,5(I4,2X)): I4 at columns 2-5, 8-11, ...; the next record starts
    // again at the group, without the 1X: columns 1-4, 7-10.
    Lines src({"    1     2     3     4     5", "   6     7", "never"});
    int16_t v[7] = {};
    const std::array<InItem, 7> items{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    EXPECT_EQ(format_read(FieldFormat("(1X,5(I4,2X))"), items, src), IoStatus::ok);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(v[k], k + 1);
    EXPECT_EQ(src.next, 2u);
}

TEST_F(FormatInput, EndOfRecordsIsEndOfFileAndKeepsWhatWasRead) {
    Lines src({"  1  2"});
    int16_t a = 0, b = 0, c = 9;
    EXPECT_EQ(format_read(FieldFormat("(2I3)"), std::array<InItem, 3>{a, b, c}, src), IoStatus::end_of_file);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 9);
    Lines empty({});
    EXPECT_EQ(format_read(FieldFormat("(I3)"), std::array<InItem, 1>{a}, empty), IoStatus::end_of_file);
    // An internal read is one record.
    EXPECT_EQ(read_internal("  4  5", FieldFormat("(I3)"), a, b), IoStatus::end_of_file);
    EXPECT_EQ(a, 4);
}

TEST_F(FormatInput, ReadWithoutItemsTakesOneRecord) {
    Lines src({"skipped", "  8"});
    int16_t a = 0;
    EXPECT_EQ(format_read(FieldFormat("(A)"), {}, src), IoStatus::ok);
    EXPECT_EQ(format_read(FieldFormat("(I3)"), std::array<InItem, 1>{a}, src), IoStatus::ok);
    EXPECT_EQ(a, 8);
}

TEST_F(FormatInput, ItemsThatDoNotSuitTheirFieldAreAnError) {
    int16_t a = 1;
    EXPECT_EQ(read_internal("1.5", FieldFormat("(F5.1)"), a), IoStatus::error);
    EXPECT_EQ(a, 1);
    Text<3> t("abc");
    EXPECT_EQ(read_internal("xyz", FieldFormat("(I3)"), t), IoStatus::error);
    EXPECT_EQ(t.str(), "abc");
    EXPECT_EQ(read_internal("1", FieldFormat("(I3"), a), IoStatus::error);
}

// What the writer writes, the reader reads back to the same text.
TEST_F(FormatInput, EveryWrittenValueReadsBackToTheSameText) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> expo(-320, 308);
    const char* formats[] = {"(F8.4)",  "(F9.2)",  "(F18.10)", "(D11.4)",
                             "(D14.6)", "(D15.7)", "(D18.10)", "(E14.6)"};
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.5,
                                  1e300,
                                  -1e-300,
                                  5e-324,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::nan("")};
    for (int i = 0; i < 3000; ++i)
        values.push_back(mant(rng) * std::pow(10.0, expo(rng) / (i % 3 == 0 ? 1 : 40)));
    for (const char* fs : formats) {
        const FieldFormat f(fs);
        for (double v : values) {
            const std::string text = format_string(f, v);
            if (text.find('*') != std::string::npos) continue;  // asterisks cannot be read back
            double back = 12345.0;
            ASSERT_EQ(read_internal(text, f, back), IoStatus::ok) << fs << " [" << text << "]";
            EXPECT_EQ(format_string(f, back), text) << fs << " of " << v;
        }
    }
}

//---- hostile lines ----

TEST_F(FormatInput, HostileLinesGiveAValueOrTheError) {
    std::vector<std::string> lines = {
        std::string(100000, '9'),
        std::string(100000, '-'),
        std::string(5000, '.'),
        "+-+-+-+-+-+-",
        "1e999",
        "-1e999",
        "1e-999",
        "1d99999999999999999999999999",
        "40000",
        "-40000",
        std::string("\0\0\0", 3),
        "\x01\x02\x7f\x1b[2J",
        "\xff\xfe\x80",
        ",,,,,,,,",
        "1,2,3,4,5,6,7,8,9,10,11,12",
        "NaN(0x1)",
        "Infinityyyyy",
        "   .   E   ",
        "E",
        "D+",
        "\r\n",
    };
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789+-.,eEdDqQ \tNaIfy\x01\r*";
    for (int i = 0; i < 2000; ++i) {
        std::string s(size_t(rng() % 40), ' ');
        for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
        lines.push_back(s);
    }
    const char* formats[] = {"(I2)",    "(I3)",     "(I5)",           "(2(I3))",       "(F15.6)",
                             "(D15.6)", "(F18.10)", "(2(F18.10,1X))", "(1X,5(I4,2X))", "(1X,5(F18.10,2X))",
                             "(A)",     "(A8)",     "(1X,A8,I4)"};
    for (const std::string& line : lines) {
        for (const char* fs : formats) {
            const FieldFormat f(fs);
            int16_t i[5] = {1, 2, 3, 4, 5};
            double d[5] = {1, 2, 3, 4, 5};
            Text<8> t("previous");
            IoStatus st;
            if (std::strchr(fs, 'A') != nullptr) {
                st = read_internal(line, f, t, i[0]);
            } else if (std::strchr(fs, 'I') != nullptr) {
                st = read_internal(line, f, i[0], i[1], i[2], i[3], i[4]);
            } else {
                st = read_internal(line, f, d[0], d[1], d[2], d[3], d[4]);
            }
            EXPECT_TRUE(st == IoStatus::ok || st == IoStatus::error || st == IoStatus::end_of_file);
        }
    }
    int32_t n = 0;
    EXPECT_EQ(read_internal(std::string(100000, '9'), FieldFormat("(I100000)"), n), IoStatus::error);
    // A numeric field holds at most 128 characters besides blanks; longer is the error.
    double x = 3;
    EXPECT_EQ(read_internal(std::string(5000, '9'), FieldFormat("(F5000.0)"), x), IoStatus::error);
    EXPECT_EQ(x, 3.0);
    EXPECT_EQ(read_internal(std::string(100, '9'), FieldFormat("(F200.0)"), x), IoStatus::ok);
    EXPECT_EQ(x, 1e100);
    EXPECT_EQ(read_internal("0." + std::string(90, '0') + "15", FieldFormat("(F200.0)"), x), IoStatus::ok);
    EXPECT_EQ(x, 1.5e-91);
    EXPECT_EQ(read_internal(std::string(120, '0') + "15.5", FieldFormat("(F200.0)"), x), IoStatus::ok);
    EXPECT_EQ(x, 15.5);
}

}  // namespace
