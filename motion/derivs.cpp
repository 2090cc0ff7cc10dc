#include "motion/derivs.h"

#include <cmath>

#include "common/edition.h"
#include "platform/mathfn.h"

namespace {

constexpr double kSingularSine = 1e-9;  // |sin THETA| below this: the Euler angles are singular

}  // namespace

// Rates of the twelve state values. G moves with the constant acceleration
// force_vector; the body turns by Euler's equations J w' = tau - w x (J w),
// with tau the constant moment and, in the current edition, the moment of
// the force applied at (0, 0, zeta G) on the body axes. For z-x-z angles
// the body components of w are
//   w1 = PSI' sT sF + THETA' cF,  w2 = PSI' sT cF - THETA' sF,  w3 = PSI' cT + PHI',
// so with q = w1 sF + w2 cF: PSI' = q / sT, THETA' = w1 cF - w2 sF and
// PHI' = w3 - cT PSI', which divides by sin THETA.
void rigid_body_derivs(double& /*x*/, const State& y, State& rates) {
    const double cP = k_cos(y(4));
    const double sP = k_sin(y(4));
    const double cT = k_cos(y(5));
    const double sT = k_sin(y(5));
    const double cF = k_cos(y(6));
    const double sF = k_sin(y(6));

    // Body axes in space axes: Rz(PSI) Rx(THETA) Rz(PHI), column j = axis j.
    const double r11 = cP * cF - sF * (sP * cT);
    const double r21 = sP * cF + sF * (cT * cP);
    const double r31 = sT * sF;
    const double r12 = -(cP * sF) - (sP * cT) * cF;
    const double r22 = (cT * cP) * cF - sP * sF;
    const double r32 = sT * cF;
    const double r13 = sP * sT;
    const double r23 = -(cP * sT);
    const double r33 = cT;

    Mat3& R = orientation_matrix;
    if constexpr (kEarlierEdition) {
        R(1, 1) = r11, R(2, 1) = r21, R(3, 1) = r31;
        R(1, 2) = r12, R(2, 2) = r22, R(3, 2) = r32;
        R(1, 3) = r13, R(2, 3) = r23, R(3, 3) = r33;
        if (!(std::fabs(sT) >= kSingularSine)) {
            NCC = 1;
            return;
        }
    } else {
        if (std::fabs(sT) < kSingularSine) {
            NCC = 1;
            return;
        }
        R(1, 1) = r11, R(2, 1) = r21, R(3, 1) = r31;
        R(1, 2) = r12, R(2, 2) = r22, R(3, 2) = r32;
        R(1, 3) = r13, R(2, 3) = r23, R(3, 3) = r33;
    }

    const double w1 = y(10), w2 = y(11), w3 = y(12);
    const Mat3& J = inertia_matrix;
    const Mat3& JI = inertia_inverse;
    const double F1 = force_vector(1), F2 = force_vector(2), F3 = force_vector(3);
    const double M1 = moment_vector(1), M2 = moment_vector(2), M3 = moment_vector(3);

    // Angular momentum on the body axes and the gyroscopic term w x L.
    const double L1 = J(1, 1) * w1 + J(1, 2) * w2 + J(1, 3) * w3;
    const double L2 = J(2, 1) * w1 + J(2, 2) * w2 + J(2, 3) * w3;
    const double L3 = J(3, 1) * w1 + J(3, 2) * w2 + J(3, 3) * w3;
    const double g1 = w2 * L3 - L2 * w3;
    const double g2 = w3 * L1 - L3 * w1;
    const double g3 = w1 * L2 - w2 * L1;

    // Torque on the body axes: R^T M, plus (0, 0, zG) x R^T F.
    double tau1, tau2, tau3;
    if constexpr (kEarlierEdition) {
        tau1 = (r11 * M1 + r21 * M2) + r31 * M3;
        tau2 = (r12 * M1 + r22 * M2) + r32 * M3;
        tau3 = (r13 * M1 + r23 * M2) + r33 * M3;
    } else {
        const double zG = zeta_g_copy;
        const double Fb1 = r11 * F1 + r21 * F2 + r31 * F3;
        const double Fb2 = r12 * F1 + r22 * F2 + r32 * F3;
        const double lever1 = -Fb2 * zG;
        const double lever2 = Fb1 * zG;
        const double lever3 = 0.0;
        tau1 = ((r11 * M1 + lever1) + r21 * M2) + r31 * M3;
        tau2 = ((r12 * M1 + lever2) + r22 * M2) + r32 * M3;
        tau3 = ((r13 * M1 + lever3) + r23 * M2) + r33 * M3;
    }

    const double h1 = tau1 - g1;
    const double h2 = tau2 - g2;
    const double h3 = tau3 - g3;
    const double wd1 = JI(1, 1) * h1 + JI(1, 2) * h2 + JI(1, 3) * h3;
    const double wd2 = JI(2, 1) * h1 + JI(2, 2) * h2 + JI(2, 3) * h3;
    const double wd3 = JI(3, 1) * h1 + JI(3, 2) * h2 + JI(3, 3) * h3;

    const double q = w1 * sF + w2 * cF;
    const double v1 = y(7), v2 = y(8), v3 = y(9);
    rates(1) = v1;
    rates(2) = v2;
    rates(3) = v3;
    rates(4) = q / sT;
    rates(5) = w1 * cF - w2 * sF;
    rates(6) = w3 - cT * q / sT;
    rates(7) = F1;
    rates(8) = F2;
    rates(9) = F3;
    rates(10) = wd1;
    rates(11) = wd2;
    rates(12) = wd3;
}
