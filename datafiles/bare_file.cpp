// The bare parameter file: 27 records of values without names.
#include "common/params.h"
#include "common/state.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"

namespace {

struct BareFormats {
    FieldFormat ints{"(1X,5(I4,2X))"};
    FieldFormat reals{"(1X,5(F18.10,2X))"};
};

const BareFormats kBareFormats;

// The tables the file holds, read aside and taken only when all 27 records read.
struct BareTables {
    Vec<int16_t, 15> ints;
    Vec<double, kRealSlots> reals;
    Mat<double, 6, 4> views;
    Vec<double, 14> continuation;
};

// One record of five, four or one real values.
IoStatus read_five(double& a, double& b, double& c, double& d, double& e) {
    return read_unit(kParameterUnit, kBareFormats.reals, a, b, c, d, e);
}
IoStatus read_four(double& a, double& b, double& c, double& d) {
    return read_unit(kParameterUnit, kBareFormats.reals, a, b, c, d);
}
IoStatus read_one(double& a) { return read_unit(kParameterUnit, kBareFormats.reals, a); }

// The 27 records in their order; false at the first that does not read.
bool read_records(BareTables& t) {
    const auto ok = [](IoStatus s) { return s == IoStatus::ok; };
    // records 1 to 3: the integer parameters
    for (int k = 1; k <= 15; k += 5)
        if (!ok(read_unit(kParameterUnit, kBareFormats.ints, t.ints(k), t.ints(k + 1), t.ints(k + 2),
                          t.ints(k + 3), t.ints(k + 4))))
            return false;
    // records 4 to 9: real parameters 1 to 30
    for (int k = 1; k <= 30; k += 5)
        if (!ok(read_five(t.reals(k), t.reals(k + 1), t.reals(k + 2), t.reals(k + 3), t.reals(k + 4))))
            return false;
    // records 10 to 13: force, moment and the slots beside them
    constexpr int f = rp::force_base;
    if (!ok(read_four(t.reals(f), t.reals(f + 2), t.reals(f + 4), t.reals(f + 6)))) return false;
    if (!ok(read_four(t.reals(f + 8), t.reals(f + 10), t.reals(f + 12), t.reals(f + 14)))) return false;
    if (!ok(read_four(t.reals(f + 1), t.reals(f + 3), t.reals(f + 5), t.reals(f + 7)))) return false;
    if (!ok(read_four(t.reals(f + 9), t.reals(f + 11), t.reals(f + 13), t.reals(f + 15)))) return false;
    // records 14 to 17: the initial state, five and one per statement
    for (int k = 33; k <= 39; k += 6) {
        if (!ok(read_five(t.reals(k), t.reals(k + 1), t.reals(k + 2), t.reals(k + 3), t.reals(k + 4))))
            return false;
        if (!ok(read_one(t.reals(k + 5)))) return false;
    }
    // records 18 to 23: the view ranges
    for (int j = 1; j <= 6; ++j)
        if (!ok(read_four(t.views(j, 1), t.views(j, 2), t.views(j, 3), t.views(j, 4)))) return false;
    // records 24 to 27: the continuation state without its times
    for (int k = 3; k <= 9; k += 6) {
        if (!ok(read_five(t.continuation(k), t.continuation(k + 1), t.continuation(k + 2),
                          t.continuation(k + 3), t.continuation(k + 4))))
            return false;
        if (!ok(read_one(t.continuation(k + 5)))) return false;
    }
    return true;
}

}  // namespace

bool read_bare_parameter_file() {
    static BareTables t;
    t.ints = int_params;
    t.reals = real_params;
    t.views = view_range;
    t.continuation = continuation_state;
    if (!read_records(t)) return false;
    int_params = t.ints;
    real_params = t.reals;
    view_range = t.views;
    continuation_state = t.continuation;
    return true;
}
