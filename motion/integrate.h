// One leg of integration: stores, draws and writes states from TZERO to TFIN.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "motion/rrkqc.h"

// Called after every stored state: the program draws the picture and writes
// the point records (draw_graphics, then data_file_io in mode 7).
using StoredStateHook = void (*)(Text<120>& work_line);
inline StoredStateHook after_stored_state = nullptr;

void integrate_path(Vec<double, 14>& continuation, int16_t& nok, int16_t& nbad, DerivsRoutine derivs,
                    StepRoutine step, int16_t& run_state_word, Text<120>& work_line);
