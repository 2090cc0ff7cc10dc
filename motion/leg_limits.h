// What keeps one leg to a bounded amount of work and of diagnostics, whatever
// its parameters: the trials of the quality step, and the records that the
// leg repeats on unit 88.
#pragma once

#include <cstdint>

// Events whose records a leg may repeat on unit 88 (indices of repeated_events).
enum class Repeated : int { insignificant_step = 1, hmin_warning = 2, too_small_warning = 3 };

// A fresh account at the start of a leg: every trial of the quality step
// still to make, no event counted.
void start_leg_limits();
// Counts one event of the leg; true while its records are still written.
bool keep_records_of(Repeated event);
// At the end of a leg: one record of the events left unwritten, if any were.
void write_records_left_out();
