// File names and the named-parameter header of points and saved data files.
#include <array>
#include <span>

#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"

namespace {

constexpr int kMaxPairs = 4;         // name and value pairs on one header line
constexpr int kIntsPerLine = 5;      // integer parameters on lines 2 to 4
constexpr int kShortIntWidth = 4;    // I4, the field of every integer that fits
constexpr int kLongIntWidth = 6;     // the field of an integer that I4 cannot hold
constexpr int kRealWidth = 18;       // F18.10 and D18.10
constexpr int kIntLineWidth = 101;   // columns of lines 2 to 4 that are read: 1X and five groups
constexpr int kIntGroupWidth = 20;   // A8, I4 and 8X
constexpr int kFirstIntColumn = 10;  // the I4 field of the first group, after 1X and A8

// The formats of the header, parsed once.
struct HeaderFormats {
    FieldFormat text{"(A)"};
    FieldFormat stem_and_number{"(A5,I2)"};
    FieldFormat points_title{"(A14,2X,A5,3X,'NCICLO',I6)"};
    FieldFormat data_title{"(16X,A5,2X,'NN   ',4(1X,I6),2X,'NN  ',4(1X,I6))"};
    FieldFormat short_int{"(I4)"};
    FieldFormat long_int{"(I6)"};
    FieldFormat fixed{"(F18.10)"};
    FieldFormat exponent{"(D18.10)"};
    // Lines are written from value fields formatted beforehand, so that a
    // value too wide for its field can take a wider form that still reads.
    FieldFormat int_line_out{"(1X,5(A8,A,6X))"};
    FieldFormat pair_line_out{"(1X,4(A8,A18,1X))"};
    FieldFormat view_line_out{"(1X,5(A18,2X))"};
    // Each integer is read from its I4 field; the two columns after it count
    // only where they carry on a value written six wide.
    FieldFormat int_line_in{"(1X,5(A8,I4,8X))"};
    FieldFormat pair_line_in{"(1X,4(A8,F18.10,1X))"};
    FieldFormat view_line_in{"(1X,5(F18.10,2X))"};
    FieldFormat column_line{"(4X,'NTIME   TIME',7X,'YP(1,2,3 & 7,8,9)',27X,'YP(4,5,6 & 10,11,12)')"};
};

// Parsed at start-up, so that no write of a leg allocates.
const HeaderFormats kHeaderFormats;

// Every table a header carries, so that a load can be read aside and taken
// only once it has read.
struct HeaderTables {
    Text<100> title;
    Vec<int16_t, 15> ints;
    Vec<Name, 15> int_names;
    Vec<double, kRealSlots> reals;
    Vec<Name, kRealSlots> real_names;
    Mat<double, 6, 4> views;
    Vec<double, 14> continuation;
};

struct Pair {
    Name* name;
    double* value;
};

// One header line of name and value pairs: its slots, and how many pairs.
struct PairLine {
    std::array<int, kMaxPairs> slots;
    int count;
    bool exponent;  // D18.10 (lines 5 and 6) rather than F18.10
};

constexpr int kForce = rp::force_base;
constexpr int kRateLinePairs = kEarlierEdition ? 2 : 3;

// Lines 5 to 23 in order.
constexpr std::array<PairLine, 19> kPairLines{{
    {{1, 2, 3, 4}, 4, true},
    {{5, 6, 7, 8}, 4, true},
    {{9, 10, 11, 12}, 4, false},
    {{13, 14, 15, 16}, 4, false},
    {{17, 18, 19, 20}, 4, false},
    {{21, 22, 23, 24}, 4, false},
    {{25, 26, 27, 28}, 4, false},
    {{29, 30, 0, 0}, 2, false},
    {{kForce, kForce + 2, kForce + 4, kForce + 6}, 4, false},
    {{kForce + 8, kForce + 10, kForce + 12, kForce + 14}, 4, false},
    {{kForce + 1, kForce + 3, kForce + 5, kForce + 7}, 4, false},
    {{kForce + 9, kForce + 11, kForce + 13, kForce + 15}, 4, false},
    {{31, 32, 0, 0}, 2, false},
    {{33, 39, 0, 0}, 2, false},
    {{34, 40, 0, 0}, 2, false},
    {{35, 41, 0, 0}, 2, false},
    {{36, 42, 46, 0}, kRateLinePairs, false},
    {{37, 43, 47, 0}, kRateLinePairs, false},
    {{38, 44, 48, 0}, kRateLinePairs, false},
}};
constexpr int kFirstRateLine = 16;  // index in kPairLines of line 21

//---- value fields ----

// A real value as F18.10 writes it, or as D18.10 when F18.10 cannot hold it.
Text<kRealWidth> real_field(double value, bool exponent) {
    Text<kRealWidth> field;
    if (!exponent) {
        write_internal(field, kHeaderFormats.fixed, value);
        if (field(1) != '*') return field;
    }
    write_internal(field, kHeaderFormats.exponent, value);
    return field;
}

// An integer as I4 writes it followed by two blanks, or six wide when I4
// cannot hold it.
Text<kLongIntWidth> int_field(int16_t value) {
    Text<kLongIntWidth> field;
    write_into(field.c, kShortIntWidth, kHeaderFormats.short_int, value);
    if (field(1) == '*') write_internal(field, kHeaderFormats.long_int, value);
    return field;
}

//---- writing ----

IoStatus write_text_line(int unit, std::string_view text) {
    return write_unit(unit, kHeaderFormats.text, text);
}

// Lines 2 to 4: five integer parameters with their names.
IoStatus write_int_line(int unit, int first) {
    std::array<Text<kLongIntWidth>, kIntsPerLine> fields;
    for (int i = 0; i < kIntsPerLine; ++i) fields[i] = int_field(int_params(first + i));
    // The last field ends the record: no blanks after a four-wide value.
    std::string_view last = fields[kIntsPerLine - 1].view();
    if (last.substr(kShortIntWidth) == "  ") last = last.substr(0, kShortIntWidth);
    return write_unit(unit, kHeaderFormats.int_line_out, int_param_names(first), fields[0].view(),
                      int_param_names(first + 1), fields[1].view(), int_param_names(first + 2),
                      fields[2].view(), int_param_names(first + 3), fields[3].view(),
                      int_param_names(first + 4), last);
}

// One line of real name and value pairs.
IoStatus write_pairs(int unit, std::span<const Pair> pairs, bool exponent) {
    std::array<Text<kRealWidth>, kMaxPairs> fields;
    std::array<OutItem, 2 * kMaxPairs> items{OutItem(0), OutItem(0), OutItem(0), OutItem(0),
                                             OutItem(0), OutItem(0), OutItem(0), OutItem(0)};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        fields[i] = real_field(*pairs[i].value, exponent);
        items[2 * i] = OutItem(*pairs[i].name);
        items[2 * i + 1] = OutItem(fields[i]);
    }
    return write_unit_items(unit, kHeaderFormats.pair_line_out, std::span(items.data(), 2 * pairs.size()));
}

// Lines 5 to 23 from the real parameters of their slots.
IoStatus write_pair_line(int unit, const PairLine& line) {
    std::array<Pair, kMaxPairs> pairs{};
    for (int i = 0; i < line.count; ++i)
        pairs[i] = {&real_param_names(line.slots[i]), &real_params(line.slots[i])};
    return write_pairs(unit, std::span(pairs.data(), line.count), line.exponent);
}

// Lines 24 to 29: the four bounds of view row j, without names.
IoStatus write_view_line(int unit, int j) {
    return write_unit(unit, kHeaderFormats.view_line_out, real_field(view_range(j, 1), false),
                      real_field(view_range(j, 2), false), real_field(view_range(j, 3), false),
                      real_field(view_range(j, 4), false));
}

// Lines 31 to 37: TZERO and TFIN, then the state values in pairs.
IoStatus write_continuation_line(int unit, int i) {
    const std::array<Pair, 2> pairs =
        i == 0 ? std::array<Pair, 2>{{{&real_param_names(31), &continuation_state(1)},
                                      {&real_param_names(32), &continuation_state(2)}}}
               : std::array<Pair, 2>{{{&real_param_names(32 + i), &continuation_state(2 + i)},
                                      {&real_param_names(38 + i), &continuation_state(8 + i)}}};
    return write_pairs(unit, pairs, false);
}

// Line 1 of a points file: its name, the data stem and the cycle.
void build_points_title() {
    title_line.blank();
    write_internal(title_line, kHeaderFormats.points_title, file_name.sub(1, 14), data_stem.sub(1, 5),
                   int_params(ip::nciclo));
}

// Line 1 of a saved data file: the data stem alone.
void build_data_title() { write_internal(title_line, kHeaderFormats.data_title, data_stem.sub(1, 5)); }

// Lines 2 to 38, stopping at the first line that cannot be written.
IoStatus write_header_body(int unit) {
    IoStatus s = IoStatus::ok;
    for (int first = 1; first <= 11 && s == IoStatus::ok; first += kIntsPerLine)
        s = write_int_line(unit, first);
    for (const PairLine& line : kPairLines)
        if (s == IoStatus::ok) s = write_pair_line(unit, line);
    for (int j = 1; j <= 6 && s == IoStatus::ok; ++j) s = write_view_line(unit, j);
    if (s == IoStatus::ok) s = write_text_line(unit, "CIPROS  ");
    for (int i = 0; i <= 6 && s == IoStatus::ok; ++i) s = write_continuation_line(unit, i);
    if (s == IoStatus::ok) s = write_text_line(unit, "    ");
    return s;
}

//---- reading ----

IoStatus read_text_line(Text<8>& into) { return read_unit(kParameterUnit, kHeaderFormats.text, into); }

// An integer that the writer put into six columns because I4 cannot hold
// it: exactly the six columns that the writer makes of the value they read.
bool read_wide_int(std::string_view six, int16_t& value) {
    int16_t wide = 0;
    if (read_internal(six, kHeaderFormats.long_int, wide) != IoStatus::ok) return false;
    const Text<kLongIntWidth> written = int_field(wide);
    if (written.view() != six || written(kLongIntWidth) == ' ') return false;
    value = wide;
    return true;
}

// Lines 2 to 4: five integer parameters with their names.
IoStatus read_int_line(HeaderTables& t, int first) {
    Text<kIntLineWidth> line;
    IoStatus s = read_unit(kParameterUnit, kHeaderFormats.text, line);
    if (s != IoStatus::ok) return s;
    s = read_internal(line.view(), kHeaderFormats.int_line_in, t.int_names(first), t.ints(first),
                      t.int_names(first + 1), t.ints(first + 1), t.int_names(first + 2), t.ints(first + 2),
                      t.int_names(first + 3), t.ints(first + 3), t.int_names(first + 4), t.ints(first + 4));
    if (s != IoStatus::ok) return s;
    for (int i = 0; i < kIntsPerLine; ++i) {
        const int column = kFirstIntColumn + kIntGroupWidth * i;
        read_wide_int(line.sub(column, column + kLongIntWidth - 1), t.ints(first + i));
    }
    return IoStatus::ok;
}

// One line of name and value pairs into the places given.
IoStatus read_pairs(std::span<const Pair> pairs) {
    double unused = 0.0;
    std::array<InItem, 2 * kMaxPairs> items{InItem(unused), InItem(unused), InItem(unused), InItem(unused),
                                            InItem(unused), InItem(unused), InItem(unused), InItem(unused)};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        items[2 * i] = InItem(*pairs[i].name);
        items[2 * i + 1] = InItem(*pairs[i].value);
    }
    return read_unit_items(kParameterUnit, kHeaderFormats.pair_line_in,
                           std::span(items.data(), 2 * pairs.size()));
}

// The third pair of lines 21 to 23 (the derived rates) is not taken.
IoStatus read_pair_line(HeaderTables& t, const PairLine& line, bool rate_line) {
    const int count = rate_line ? 2 : line.count;
    std::array<Pair, kMaxPairs> pairs{};
    for (int i = 0; i < count; ++i) pairs[i] = {&t.real_names(line.slots[i]), &t.reals(line.slots[i])};
    return read_pairs(std::span(pairs.data(), count));
}

IoStatus read_view_line(HeaderTables& t, int j) {
    return read_unit(kParameterUnit, kHeaderFormats.view_line_in, t.views(j, 1), t.views(j, 2), t.views(j, 3),
                     t.views(j, 4));
}

IoStatus read_continuation_line(HeaderTables& t, int i) {
    const std::array<Pair, 2> pairs =
        i == 0 ? std::array<Pair, 2>{{{&t.real_names(31), &t.continuation(1)},
                                      {&t.real_names(32), &t.continuation(2)}}}
               : std::array<Pair, 2>{{{&t.real_names(32 + i), &t.continuation(2 + i)},
                                      {&t.real_names(38 + i), &t.continuation(8 + i)}}};
    return read_pairs(pairs);
}

// Lines 1 to 37 into t; false at the first line that does not read.
bool read_header_body(HeaderTables& t) {
    Text<8> marker;
    if (read_unit(kParameterUnit, kHeaderFormats.text, t.title) != IoStatus::ok) return false;
    for (int first = 1; first <= 11; first += kIntsPerLine)
        if (read_int_line(t, first) != IoStatus::ok) return false;
    for (int k = 0; k < int(kPairLines.size()); ++k)
        if (read_pair_line(t, kPairLines[k], k >= kFirstRateLine) != IoStatus::ok) return false;
    for (int j = 1; j <= 6; ++j)
        if (read_view_line(t, j) != IoStatus::ok) return false;
    if (read_text_line(marker) != IoStatus::ok) return false;
    for (int i = 0; i <= 6; ++i)
        if (read_continuation_line(t, i) != IoStatus::ok) return false;
    return true;
}

}  // namespace

void make_file_name(std::string_view extension) {
    file_name.blank();
    for (std::size_t i = 0; i < extension.size() && i < 4; ++i) file_name(8 + int(i)) = extension[i];
    write_into(file_name.c, 7, kHeaderFormats.stem_and_number, file_prefix, NFILE);
}

IoStatus write_parameter_header(int16_t unit) {
    if (unit == kPointsUnit) {
        if (run_state == 2 || header_written > 0 || output_declined != 0) return IoStatus::ok;
        build_points_title();
    } else {
        build_data_title();
    }
    IoStatus s = write_unit(unit, kHeaderFormats.text, title_line);
    header_written = 1;
    if (s == IoStatus::ok) s = write_header_body(unit);
    if (unit == kPointsUnit && s == IoStatus::ok) {
        s = write_unit(unit, kHeaderFormats.column_line);
        if (s == IoStatus::ok) s = write_text_line(unit, "    ");
    }
    return s;
}

HeaderRead read_parameter_header(int16_t kind) {
    static HeaderTables t;
    t.title = title_line;
    t.ints = int_params;
    t.int_names = int_param_names;
    t.reals = real_params;
    t.real_names = real_param_names;
    t.views = view_range;
    t.continuation = continuation_state;
    if (!read_header_body(t)) return HeaderRead::unreadable;

    title_line = t.title;
    int_params = t.ints;
    real_params = t.reals;
    view_range = t.views;
    continuation_state = t.continuation;
    if (kind == 1) {
        int_param_names = t.int_names;
        real_param_names = t.real_names;
    }

    Text<8> rest;
    for (int line = 38; line <= 40; ++line)
        if (read_text_line(rest) != IoStatus::ok) return HeaderRead::ended;
    return HeaderRead::complete;
}
