// The mathematical functions as each edition's library gives them. In the
// current edition they are the standard ones (acos and asin outside [-1, 1]
// give NaN and the run goes on). In the earlier edition a domain, overflow
// or total-loss error ends the program with a message that names the
// function and the error, after every unit is closed.
#pragma once

#include <cmath>

#include "common/edition.h"

[[noreturn]] void math_error(const char* function, const char* error);

#if KALVO_EARLIER_EDITION
double k_sqrt(double x);
double k_acos(double x);
double k_asin(double x);
double k_atan(double x);
double k_atan2(double y, double x);
double k_pow(double x, double y);
double k_sin(double x);
double k_cos(double x);
#else
inline double k_sqrt(double x) { return std::sqrt(x); }
inline double k_acos(double x) { return std::acos(x); }
inline double k_asin(double x) { return std::asin(x); }
inline double k_atan(double x) { return std::atan(x); }
inline double k_atan2(double y, double x) { return std::atan2(y, x); }
inline double k_pow(double x, double y) { return std::pow(x, y); }
inline double k_sin(double x) { return std::sin(x); }
inline double k_cos(double x) { return std::cos(x); }
#endif
