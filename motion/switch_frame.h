// The change of space frame near the Euler-angle singularity.
#pragma once

#include "common/state.h"

// NCC other than -1: re-expresses the state in the space frame whose axes are
// cyclically permuted (new x, y, z = old y, z, x), where its angles are far
// from the singularity; force_vector and moment_vector follow, NCC becomes -1.
// NCC = -1: goes back to the original frame when the attitude there is more
// than 1e-4 from the singularity, and NCC becomes 0; otherwise nothing changes.
// work receives the attitude matrix of the frame the state is left in.
void switch_frame(State& state, Mat3& work);

// Turns of the space frame since the original one (0, 1 or 2): the state and
// the two vectors are in the frame turned this many times.
int frame_turns();
// The integration starts a leg in the original frame.
void start_in_original_frame();
// The original-frame equivalent of a state of the current frame; changes
// no shared word.
void original_frame_state(const State& state, State& out);
// The original-frame position of G of a state of the current frame.
Vec3 original_frame_position(const State& state);
// Back to the original frame, whatever the attitude: the state, the two
// vectors and orientation_matrix are converted and NCC becomes 0.
void return_to_original_frame(State& state);

// z-x-z Euler angles PSI, THETA, PHI of an attitude matrix (column j = body
// axis j in space axes); THETA in [0, pi]. Near THETA = 0 or pi, where PSI
// and PHI are not separately defined, their sum or difference is kept exact.
void euler_angles(const Mat3& R, double& psi, double& theta, double& phi);
// The attitude matrix Rz(PSI) Rx(THETA) Rz(PHI).
void attitude_matrix(double psi, double theta, double phi, Mat3& R);
