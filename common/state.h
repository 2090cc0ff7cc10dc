// The motion state, the table of stored states, the control words and the
// body quantities that the equations of motion read.
#pragma once

#include <cstdint>

#include "common/array.h"
#include "common/edition.h"

using State = Vec<double, 12>;
using Mat3 = Mat<double, 3, 3>;
using Vec3 = Vec<double, 3>;

inline State YK;                                 // state: G (1-3), PSI THETA PHI (4-6), velocity of G (7-9), omega on body axes (10-12)
inline State state_rates;                        // time derivatives of YK, same order
inline State error_scale;                        // per-component error scale of the next step
inline Vec3 step_factors;                        // DELH1, DELH2, DELH3 as the driver hands them on
inline Vec<double, kTableSize> TIME;             // TIME(n): time of stored state n
inline Mat<double, 12, kTableSize> YP;           // YP(k, n): component k of stored state n
inline int16_t NTIME;                            // index of the newest stored state
inline Vec<double, 14> continuation_state;       // start time, end time, 12 state values
inline bool continuation_recorded;               // the last leg wrote continuation_state
inline int16_t run_state;                        // 0 run, 1 leave, 2 write no file, 3 continue, 5 editor again
inline int16_t NCC;                              // 0 unswitched frame, 1 singularity met, -1 permuted frame
inline Mat3 orientation_matrix;                  // column j: body axis j in space axes
inline Mat3 inertia_matrix;                      // A B C on the diagonal, -D (1,2), -E (2,3), -F (1,3)
inline Mat3 inertia_inverse;                     // its inverse
inline Vec3 force_vector;                        // FX FY FZ in space axes
inline Vec3 moment_vector;                       // MX MY MZ in space axes
inline double zeta_g_copy;                       // lever of the force on the body zeta axis

// Bounds of one leg, whatever its parameters: the trials of the quality step
// and the events whose records it repeats on the diagnostics file.
inline constexpr int32_t kLegTrials = 1000000;   // trials of the quality step in one leg
inline int32_t trials_left;                      // trials the quality step may still make in this leg
inline Vec<int32_t, 3> repeated_events;          // this leg's insignificant steps, HMIN warnings, step-too-small warnings
