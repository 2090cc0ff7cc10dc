// The equations of motion of the rigid body.
#pragma once

#include "common/state.h"

// Derivative routine: rates of the twelve state values at (x, y).
using DerivsRoutine = void (*)(double& x, const State& y, State& rates);

// Rates of the state y, and orientation_matrix rebuilt from its angles; sets
// NCC to 1 instead when sin THETA is within 1e-9 of zero.
void rigid_body_derivs(double& x, const State& y, State& rates);
