// The set-up of the body and its figure at GO.
#pragma once

#include <cstdint>

// The copies taken at GO, used by every body set-up until the next GO.
void go_setup();
// Inertia matrix and inverse, force and moment copies, the wire figure.
void body_setup();

// The main program's step counters handed to the driver; go_setup sets them.
inline int16_t step_count_ok;
inline int16_t step_count_bad;
