#include "motion/integrate.h"

#include <cmath>

#include "common/params.h"
#include "common/state.h"
#include "motion/leg_limits.h"
#include "motion/switch_frame.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/units.h"

namespace {

constexpr double kScaleFloor = 1e-30;     // added to every error scale
constexpr int16_t kLastStoreFrom = 1998;  // a state is stored only while NTIME is at most this
constexpr int16_t kTableEnd = 2000;
constexpr int16_t kHminWarnings = kEarlierEdition ? 30 : 50;      // NRET above this: HMIN warning
constexpr int16_t kTooSmallWarnings = kEarlierEdition ? 30 : 50;  // NRET1 at this: step-too-small warning
constexpr int32_t kPassLimit = 50000;
// Passes of one leg, however often the step-too-small warning starts the
// pass limit again.
constexpr int32_t kLegPasses = 1000000;
// Frame switches without a completed step in between after which the leg
// cannot go on.
constexpr int kSwitchLimit = 8;
constexpr int kDiagnosticsUnit = 88;
constexpr const char* kStopMessage = " tfin non raggiunto. KPUNTM piccolo. ";

const FieldFormat kFormatA("(1X,A,2(3(1X,I4),1X),6D14.6)");
const FieldFormat kFormatB("(1X,A,3X,1(2(3D14.6),3X))");
const FieldFormat kFormatEarlier("(1X,A,3(2X,I4),6D14.6)");
const FieldFormat kBoundFormat("(1X,A,1X,I6,3D14.6)");
const FieldFormat kPassesFormat("(1X,A,1X,I7,3D14.6)");

inline int16_t plus_one(int16_t n) { return int16_t(uint16_t(n) + 1u); }

// Index into the table of stored states, kept inside it.
inline int slot(int16_t n) { return n < 1 ? 1 : (n > kTableEnd ? kTableEnd : n); }

enum class LegEnd { normal, write_back, stop, immediate };

// The working values of one leg.
struct Leg {
    double X, H, DIR, DXS, TPR, PER, XNEXT, XLAST, HMIN, h_done, HNEXT;
    double TZERO, TFIN, EPS;
    int16_t NRET, NRET1, IMAX, NERR;
    int32_t NSTP;
    bool snapshot_taken;
    int switches;    // frame switches since the last completed step
    int32_t passes;  // passes of the leg that reached the pass count
};

void set_up(Leg& g, int16_t& nok, int16_t& nbad, DerivsRoutine derivs) {
    step_factors(1) = real_params(rp::DELH1);
    step_factors(2) = real_params(rp::DELH2);
    step_factors(3) = real_params(rp::DELH3);
    g.HMIN = real_params(rp::HMIN);
    g.EPS = real_params(rp::EPS);
    g.TZERO = real_params(rp::TZERO);
    g.TFIN = real_params(rp::TFIN);
    TIME(1) = g.TZERO;

    const bool forward = g.TFIN - g.TZERO >= 0.0;
    g.DIR = forward ? 1.0 : -1.0;
    g.H = forward ? std::fabs(real_params(rp::H1)) : -std::fabs(real_params(rp::H1));
    g.DXS = forward ? std::fabs(real_params(rp::DXSAV)) : -std::fabs(real_params(rp::DXSAV));
    g.TPR = forward ? std::fabs(real_params(rp::TPRINT)) : -std::fabs(real_params(rp::TPRINT));
    g.PER = forward ? std::fabs(periodo) : -std::fabs(periodo);

    start_in_original_frame();
    g.X = g.TZERO;
    NTIME = int16_t(slot(NTIME));
    for (int k = 1; k <= 12; ++k) YK(k) = real_params(rp::XGo + k - 1);
    for (int k = 1; k <= 12; ++k) YP(k, NTIME) = YK(k);
    TIME(NTIME) = g.TZERO;

    g.XNEXT = g.TZERO + g.TPR;
    g.XLAST = (g.TZERO - g.DXS) - g.DXS;
    g.snapshot_taken = false;
    continuation_recorded = false;

    nok = 0;
    nbad = 0;
    g.NRET = 0;
    g.NRET1 = 0;
    g.NSTP = 0;
    g.IMAX = 0;
    g.NERR = 0;
    g.h_done = 0.0;
    g.HNEXT = 0.0;
    g.switches = 0;
    g.passes = 0;
    start_leg_limits();
    derivs(g.X, YK, state_rates);
}

// The continuation state (X, TFIN + PER, state) in the original frame.
void record_continuation(const Leg& g, Vec<double, 14>& continuation) {
    State s;
    original_frame_state(YK, s);
    continuation(1) = g.X;
    continuation(2) = g.TFIN + g.PER;
    for (int k = 1; k <= 12; ++k) continuation(k + 2) = s(k);
    continuation_recorded = true;
}

// The newest stored state: the current one, in the original frame.
void store_state(const Leg& g) {
    State s;
    original_frame_state(YK, s);
    const int n = slot(NTIME);
    TIME(n) = g.X;
    for (int k = 1; k <= 12; ++k) YP(k, n) = s(k);
}

bool state_is_finite(const Leg& g) {
    if (!std::isfinite(g.X)) return false;
    for (int k = 1; k <= 12; ++k)
        if (!std::isfinite(YK(k))) return false;
    return true;
}

//---- diagnostics on unit 88 ----

void write_hmin_warning(const Leg& g) {
    if constexpr (kEarlierEdition) {
        write_unit(kDiagnosticsUnit, kFormatEarlier, "Hmin troppo grande:picco aspro");
        write_unit(kDiagnosticsUnit, kFormatEarlier, "NTIME,NRET,NRET1,X,HMIN,H,HNEXT,DXSAV", NTIME, g.NRET,
                   g.NRET1, g.X, g.HMIN, g.H, g.HNEXT, g.DXS);
    } else {
        write_unit(kDiagnosticsUnit, kFormatA, "Hmin troppo grande:picco aspro");
        write_unit(kDiagnosticsUnit, kFormatA, "NTIME,NRET,NRET1,IMAX,NERR,NSTP,X,HMIN,H,HNEXT", NTIME,
                   g.NRET, g.NRET1, g.IMAX, g.NERR, g.NSTP, g.X, g.HMIN, g.H, g.HNEXT);
        write_unit(kDiagnosticsUnit, kFormatB, "\\Theta,\\dot\\Theta", YK(4), YK(5), YK(6), state_rates(4),
                   state_rates(5), state_rates(6));
        write_unit(kDiagnosticsUnit, kFormatB, "\\omega,\\dot\\omega", YK(10), YK(11), YK(12),
                   state_rates(10), state_rates(11), state_rates(12));
    }
}

void write_too_small_warning(const Leg& g) {
    if constexpr (kEarlierEdition) {
        write_unit(kDiagnosticsUnit, kFormatEarlier, "H troppo piccolo");
        write_unit(kDiagnosticsUnit, kFormatEarlier, "NTIME,NRET,NRET1,X,HMIN,H,HNEXT,DXSAV", NTIME, g.NRET,
                   g.NRET1, g.X, g.HMIN, g.H, g.HNEXT, g.DXS);
    } else {
        write_unit(kDiagnosticsUnit, kFormatA, "H troppo piccolo");
        write_unit(kDiagnosticsUnit, kFormatA, "NTIME,NRET,NRET1,IMAX,NERR,NSTP,X,HMIN,H,HNEXT,DXSAV", NTIME,
                   g.NRET, g.NRET1, g.IMAX, g.NERR, g.NSTP, g.X, g.HMIN, g.H, g.HNEXT, g.DXS);
    }
}

// Which bound ended the leg, with the count that reached it.
void write_bound(const char* text, int32_t count, const Leg& g) {
    write_unit(kDiagnosticsUnit, kBoundFormat, text, count, g.X, g.H, g.HNEXT);
}

//---- the ends of a leg ----

void write_back(const Leg& g, Vec<double, 14>& continuation) {
    real_params(rp::TPRINT) = g.TPR * g.DIR;
    real_params(rp::DXSAV) = g.DXS * g.DIR;
    if (!g.snapshot_taken) record_continuation(g, continuation);
}

void end_leg(LegEnd end, const Leg& g, Vec<double, 14>& continuation, int16_t& run_state_word) {
    write_records_left_out();
    // Nothing of the permuted frame leaves the leg.
    return_to_original_frame(YK);
    switch (end) {
        case LegEnd::normal:
            if (NTIME < kTableEnd) store_state(g);
            if (!g.snapshot_taken && NTIME <= kLastStoreFrom) record_continuation(g, continuation);
            return;
        case LegEnd::stop:
            pause_prompt(kStopMessage);
            run_state_word = 3;
            write_back(g, continuation);
            return;
        case LegEnd::write_back:
            write_back(g, continuation);
            return;
        case LegEnd::immediate:
            return;
    }
}

// The passes of a leg, until one of its ends.
LegEnd run_passes(Leg& g, Vec<double, 14>& continuation, int16_t& nok, int16_t& nbad, DerivsRoutine derivs,
                  StepRoutine step, int16_t& run_state_word, Text<120>& work_line) {
    Mat3 work;
    State y_before;
    for (;;) {
        if (NCC == 1) {
            if (++g.switches > kSwitchLimit) {
                write_bound("Cambio di riferimento ripetuto senza passo:N,X,H,HNEXT", g.switches, g);
                return LegEnd::stop;
            }
            switch_frame(YK, work);
        } else if (NCC == -1) {
            switch_frame(YK, work);
        }

        const Vec3 G = original_frame_position(YK);
        if (G(1) > real_params(rp::Y1MAX) || G(2) > real_params(rp::Y2MAX) || G(3) > real_params(rp::Y3MAX))
            return LegEnd::stop;

        if ((g.X - g.TZERO) * g.DIR >= periodo) {
            record_continuation(g, continuation);
            g.snapshot_taken = true;
        }

        derivs(g.X, YK, state_rates);
        if (NCC == 1) continue;

        for (int i = 1; i <= 12; ++i)
            error_scale(i) = std::fabs(YK(i)) + std::fabs(g.H * state_rates(i)) + kScaleFloor;

        bool step_taken = true;
        if (((g.X + 0.5 * g.H) - g.XNEXT) * g.DIR >= 0.0 && std::fabs(g.X - g.XLAST) > std::fabs(g.DXS)) {
            if (NTIME <= kLastStoreFrom) {
                g.XNEXT = g.XNEXT + g.TPR;
                g.XLAST = g.X;
                NTIME = plus_one(NTIME);
                store_state(g);
                if (after_stored_state != nullptr) after_stored_state(work_line);
                if (NCC == 1) continue;
                if (run_state_word == 1) return LegEnd::immediate;
            } else {
                step_taken = false;
            }
        }

        if (step_taken) {
            if ((g.X + g.H - g.TFIN) * g.DIR >= 0.0) g.H = g.TFIN - g.X;
            // A leg already at its end takes no step.
            if ((g.X - g.TFIN) * g.DIR >= 0.0) return LegEnd::normal;
            if (g.H == 0.0 || !std::isfinite(g.H)) {
                write_bound("H nullo o non finito:N,X,H,HNEXT", g.NSTP, g);
                return LegEnd::stop;
            }
            const double x_before = g.X;
            y_before = YK;
#if KALVO_EARLIER_EDITION
            step(g.NRET1, YK, state_rates, g.X, g.H, g.EPS, error_scale, g.h_done, g.HNEXT, derivs,
                 step_factors);
#else
            step(g.IMAX, g.NERR, g.NRET1, YK, state_rates, g.X, g.H, g.EPS, error_scale, g.h_done, g.HNEXT,
                 derivs, step_factors);
#endif
            if (NCC == 1) {
                // A step cut short by the singularity is taken again, from
                // where it began, after the frame switch.
                g.X = x_before;
                YK = y_before;
                continue;
            }
            if (g.X == x_before) return LegEnd::stop;  // the step routine could not move the time
            if (!state_is_finite(g)) {
                g.X = x_before;
                YK = y_before;
                write_bound("Stato non numerico, passo annullato:N,X,H,HNEXT", g.NSTP, g);
                return LegEnd::stop;
            }
            g.switches = 0;
            if (g.h_done == g.H) {
                nok = plus_one(nok);
            } else {
                nbad = plus_one(nbad);
            }
        }

        if ((g.X - g.TFIN) * g.DIR >= 0.0) return LegEnd::normal;

        if (step_taken) {
            if (std::fabs(g.HNEXT) < g.HMIN) {
                g.DXS = g.DXS * std::fabs(g.HNEXT) / g.HMIN;
                g.NRET = plus_one(g.NRET);
            }
            g.H = g.HNEXT;
            if (g.NRET > kHminWarnings) {
                if (keep_records_of(Repeated::hmin_warning)) write_hmin_warning(g);
                g.HMIN = g.HMIN * step_factors(2);
                g.NRET = 0;
            }
            if (g.NRET1 >= kTooSmallWarnings) {
                if (keep_records_of(Repeated::too_small_warning)) write_too_small_warning(g);
                g.H = g.H * step_factors(3);
                if constexpr (kCurrentEdition) g.NSTP = 0;
                g.NRET1 = 0;
            }
        }

        ++g.NSTP;
        if (NTIME > kLastStoreFrom) {
            run_state_word = 1;
            return LegEnd::write_back;
        }
        if (g.NSTP > kPassLimit) return LegEnd::stop;
        if (++g.passes > kLegPasses) {
            write_unit(kDiagnosticsUnit, kPassesFormat, "Passi della tratta oltre il limite:N,X,H,HNEXT",
                       g.passes, g.X, g.H, g.HNEXT);
            return LegEnd::stop;
        }
    }
}

}  // namespace

// One leg from TZERO to TFIN: every stored state is handed to the picture
// and the points file as it is stored.
void integrate_path(Vec<double, 14>& continuation, int16_t& nok, int16_t& nbad, DerivsRoutine derivs,
                    StepRoutine step, int16_t& run_state_word, Text<120>& work_line) {
    Leg g;
    set_up(g, nok, nbad, derivs);
    const LegEnd end = run_passes(g, continuation, nok, nbad, derivs, step, run_state_word, work_line);
    end_leg(end, g, continuation, run_state_word);
}
