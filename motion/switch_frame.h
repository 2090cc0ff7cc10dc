// The change of space frame near the Euler-angle singularity.
#pragma once

#include "common/state.h"

void switch_frame(State& state, Mat3& work);
