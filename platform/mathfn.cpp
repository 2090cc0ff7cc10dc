// The checked mathematical functions of the earlier edition and the end of
// the program on a math error.
#include "platform/mathfn.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/surface.h"
#include "platform/units.h"

// Every record written so far is kept: the units are closed before the
// frontend shows the error and ends the process.
void math_error(const char* function, const char* error) {
    close_all_units();
    const Frontend* f = installed_frontend();
    if (f != nullptr && f->math_error != nullptr) f->math_error(function, error);
    std::fprintf(stderr, "math error: %s: %s\n", function, error);
    std::fflush(stderr);
    std::abort();
}

#if KALVO_EARLIER_EDITION

namespace {

constexpr const char* kDomain = "DOMAIN error";
constexpr const char* kOverflow = "OVERFLOW error";
constexpr const char* kTotalLoss = "TLOSS error";

// Beyond this size an angle keeps no digits of its fraction of a turn.
constexpr double kTotalLossAngle = 9223372036854775808.0;  // 2^63

// An infinite result from finite arguments is an overflow.
double checked(const char* function, double result, double x, double y = 0.0) {
    if (std::isinf(result) && std::isfinite(x) && std::isfinite(y)) math_error(function, kOverflow);
    return result;
}

}  // namespace

double k_sqrt(double x) {
    if (x < 0.0) math_error("SQRT", kDomain);
    return std::sqrt(x);
}

double k_acos(double x) {
    if (x < -1.0 || x > 1.0) math_error("ACOS", kDomain);
    return std::acos(x);
}

double k_asin(double x) {
    if (x < -1.0 || x > 1.0) math_error("ASIN", kDomain);
    return std::asin(x);
}

double k_atan(double x) { return std::atan(x); }

double k_atan2(double y, double x) { return std::atan2(y, x); }

double k_pow(double x, double y) {
    if (x < 0.0 && std::isfinite(y) && y != std::trunc(y)) math_error("POW", kDomain);
    if (x == 0.0 && y < 0.0) math_error("POW", kDomain);
    return checked("POW", std::pow(x, y), x, y);
}

double k_sin(double x) {
    if (std::fabs(x) > kTotalLossAngle) math_error("SIN", kTotalLoss);
    return std::sin(x);
}

double k_cos(double x) {
    if (std::fabs(x) > kTotalLossAngle) math_error("COS", kTotalLoss);
    return std::cos(x);
}

#endif
