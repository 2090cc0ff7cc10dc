#include "motion/leg_limits.h"

#include <limits>

#include "common/state.h"
#include "platform/format.h"
#include "platform/units.h"

namespace {

constexpr int kDiagnosticsUnit = 88;
// Events of each kind whose records a leg writes: some hundred kilobytes of
// each, so that one leg adds at most about 1.3 MB to the diagnostics file.
constexpr int32_t kRecorded[3] = {
    5000,  // insignificant steps, two records each
    1000,  // HMIN warnings, up to four records each
    1000,  // step-too-small warnings, two records each
};

const FieldFormat kLeftOutFormat("(1X,A,3(1X,I7))");

}  // namespace

void start_leg_limits() {
    trials_left = kLegTrials;
    repeated_events.fill(0);
}

bool keep_records_of(Repeated event) {
    int32_t& n = repeated_events(int(event));
    if (n < std::numeric_limits<int32_t>::max()) ++n;
    return n <= kRecorded[int(event) - 1];
}

void write_records_left_out() {
    int32_t left[3];
    bool any = false;
    for (int k = 1; k <= 3; ++k) {
        left[k - 1] = repeated_events(k) > kRecorded[k - 1] ? repeated_events(k) - kRecorded[k - 1] : 0;
        any = any || left[k - 1] > 0;
    }
    if (any)
        write_unit(kDiagnosticsUnit, kLeftOutFormat,
                   "Avvisi oltre il limite, non scritti:RRKQC,Hmin,H piccolo", left[0], left[1], left[2]);
}
