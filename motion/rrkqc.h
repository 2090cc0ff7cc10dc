// The quality-controlled Runge-Kutta step by step doubling.
#pragma once

#include <cstdint>

#include "common/edition.h"
#include "motion/derivs.h"

// Classic fourth-order Runge-Kutta step from (x, y) with rates r and step h.
void rk4_step(const State& y, const State& r, const double& x, const double& h, State& y_out,
              DerivsRoutine rates_routine);

#if KALVO_EARLIER_EDITION
using StepRoutine = void (*)(int16_t& NRET1, State& y, State& dydx, double& X, const double& h_try,
                             const double& EPS, const State& scale, double& h_done, double& HNEXT,
                             DerivsRoutine derivs, const Vec3& factors);
void RRKQC(int16_t& NRET1, State& y, State& dydx, double& X, const double& h_try, const double& EPS,
           const State& scale, double& h_done, double& HNEXT, DerivsRoutine derivs, const Vec3& factors);
#else
using StepRoutine = void (*)(int16_t& IMAX, int16_t& NERR, int16_t& NRET1, State& y, State& dydx,
                             double& X, const double& h_try, const double& EPS, const State& scale,
                             double& h_done, double& HNEXT, DerivsRoutine derivs, const Vec3& factors);
void RRKQC(int16_t& IMAX, int16_t& NERR, int16_t& NRET1, State& y, State& dydx, double& X,
           const double& h_try, const double& EPS, const State& scale, double& h_done, double& HNEXT,
           DerivsRoutine derivs, const Vec3& factors);
#endif
