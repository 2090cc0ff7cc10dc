#include "motion/switch_frame.h"

#include <cmath>

#include "platform/mathfn.h"

// The permuted frame is the original one with its axes turned cyclically:
// a vector (p, q, r) has the components Q^T (p, q, r) = (q, r, p) there, and
// Q (p, q, r) = (r, p, q) takes them back, with Q(2,1) = Q(3,2) = Q(1,3) = 1.
// The body axes and the inertia are the same in both frames, so the body
// angular velocity does not change; the attitude matrix becomes Q^T R and
// its fresh z-x-z angles are far from the singularity when R's are near it
// (the new cos THETA is R(1,3), which is near 0 when |R(3,3)| is near 1).
// Should the permuted frame meet the singularity too, a further turn is
// taken; three turns are the original frame again.

namespace {

constexpr double kWayBack = 1e-4;      // sin THETA in the original frame needed to go back
constexpr double kPlainAngles = 1e-4;  // sin THETA above which PSI and PHI are read separately

int turns = 0;  // turns of the current frame from the original one

// (p, q, r) := Q^T (p, q, r) = (q, r, p).
void turn_forward(double& p, double& q, double& r) {
    const double t = p;
    p = q;
    q = r;
    r = t;
}

// (p, q, r) := Q (p, q, r) = (r, p, q).
void turn_back(double& p, double& q, double& r) {
    const double t = r;
    r = q;
    q = p;
    p = t;
}

void turn_vector_back(Vec3& v, int n) {
    for (int k = 0; k < n; ++k) turn_back(v(1), v(2), v(3));
}

// Position and velocity of G turned back n times.
void turn_motion_back(State& s, int n) {
    for (int k = 0; k < n; ++k) {
        turn_back(s(1), s(2), s(3));
        turn_back(s(7), s(8), s(9));
    }
}

// R := Q R, n times: row 1 of the result is row 3 of R, row 2 row 1, row 3 row 2.
void turn_matrix_back(Mat3& R, int n) {
    for (int k = 0; k < n; ++k)
        for (int j = 1; j <= 3; ++j) turn_back(R(1, j), R(2, j), R(3, j));
}

// Attitude of the state's angles, taken back to the original frame.
void original_attitude(const State& s, int n, Mat3& R) {
    attitude_matrix(s(4), s(5), s(6), R);
    turn_matrix_back(R, n);
}

void set_angles(State& s, const Mat3& R) { euler_angles(R, s(4), s(5), s(6)); }

void enter_permuted_frame(State& state, Mat3& work) {
    turn_forward(moment_vector(1), moment_vector(2), moment_vector(3));
    turn_forward(force_vector(1), force_vector(2), force_vector(3));
    turn_forward(state(1), state(2), state(3));
    turn_forward(state(7), state(8), state(9));

    attitude_matrix(state(4), state(5), state(6), work);
    for (int j = 1; j <= 3; ++j) turn_forward(work(1, j), work(2, j), work(3, j));
    set_angles(state, work);
    orientation_matrix = work;
    turns = (turns + 1) % 3;
    NCC = turns == 0 ? 0 : -1;
}

void try_way_back(State& state, Mat3& work) {
    if (turns == 0) {
        NCC = 0;
        return;
    }
    Mat3 R;
    original_attitude(state, turns, R);
    const double s = k_sqrt(R(1, 3) * R(1, 3) + R(2, 3) * R(2, 3));
    if (!(s > kWayBack)) {
        attitude_matrix(state(4), state(5), state(6), work);
        return;
    }
    turn_motion_back(state, turns);
    turn_vector_back(moment_vector, turns);
    turn_vector_back(force_vector, turns);
    set_angles(state, R);
    work = R;
    orientation_matrix = R;
    turns = 0;
    NCC = 0;
}

}  // namespace

void attitude_matrix(double psi, double theta, double phi, Mat3& R) {
    const double cP = k_cos(psi), sP = k_sin(psi);
    const double cT = k_cos(theta), sT = k_sin(theta);
    const double cF = k_cos(phi), sF = k_sin(phi);
    R(1, 1) = cP * cF - sF * (sP * cT);
    R(2, 1) = sP * cF + sF * (cT * cP);
    R(3, 1) = sT * sF;
    R(1, 2) = -(cP * sF) - (sP * cT) * cF;
    R(2, 2) = (cT * cP) * cF - sP * sF;
    R(3, 2) = sT * cF;
    R(1, 3) = sP * sT;
    R(2, 3) = -(cP * sT);
    R(3, 3) = cT;
}

// With sT = sqrt(R13^2 + R23^2) >= 0: R13 = sP sT, R23 = -cP sT, R31 = sT sF,
// R32 = sT cF. Near the singularity PSI and PHI from these are poorly
// determined, but R11 + R22 = (1 + cT) cos(PSI + PHI), R21 - R12 =
// (1 + cT) sin(PSI + PHI), R11 - R22 = (1 - cT) cos(PSI - PHI) and
// R21 + R12 = (1 - cT) sin(PSI - PHI) give the sum (THETA near 0) or the
// difference (THETA near pi) to full accuracy, and PHI follows from PSI.
void euler_angles(const Mat3& R, double& psi, double& theta, double& phi) {
    const double s = k_sqrt(R(1, 3) * R(1, 3) + R(2, 3) * R(2, 3));
    theta = k_atan2(s, R(3, 3));
    if (s > kPlainAngles) {
        psi = k_atan2(R(1, 3), -R(2, 3));
        phi = k_atan2(R(3, 1), R(3, 2));
        return;
    }
    psi = s > 0.0 ? k_atan2(R(1, 3), -R(2, 3)) : 0.0;
    if (R(3, 3) >= 0.0) {
        phi = k_atan2(R(2, 1) - R(1, 2), R(1, 1) + R(2, 2)) - psi;
    } else {
        phi = psi - k_atan2(R(2, 1) + R(1, 2), R(1, 1) - R(2, 2));
    }
}

void switch_frame(State& state, Mat3& work) {
    if (NCC == -1) {
        try_way_back(state, work);
    } else {
        enter_permuted_frame(state, work);
    }
}

int frame_turns() { return turns; }

void start_in_original_frame() {
    turns = 0;
    if (NCC == -1) NCC = 0;
}

void original_frame_state(const State& state, State& out) {
    out = state;
    if (turns == 0) return;
    turn_motion_back(out, turns);
    Mat3 R;
    original_attitude(state, turns, R);
    set_angles(out, R);
}

Vec3 original_frame_position(const State& state) {
    Vec3 g{{state(1), state(2), state(3)}};
    turn_vector_back(g, turns);
    return g;
}

void return_to_original_frame(State& state) {
    if (turns != 0) {
        Mat3 R;
        original_attitude(state, turns, R);
        turn_motion_back(state, turns);
        turn_vector_back(moment_vector, turns);
        turn_vector_back(force_vector, turns);
        set_angles(state, R);
        orientation_matrix = R;
        turns = 0;
    }
    NCC = 0;
}
