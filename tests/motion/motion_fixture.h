// Shared set-up for the motion tests: a body with a diagonal inertia tensor,
// its start state in the real parameters, and the records of unit 88.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/params.h"
#include "common/state.h"
#include "motion/integrate.h"
#include "motion/switch_frame.h"
#include "tests/support/test_env.h"

class MotionTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        after_stored_state = nullptr;
        start_in_original_frame();
        NCC = 0;
    }
    void TearDown() override {
        after_stored_state = nullptr;
        KalvoTest::TearDown();
    }

    // Principal moments A, B, C, no products of inertia.
    static void diagonal_body(double a, double b, double c) {
        inertia_matrix.fill(0.0);
        inertia_inverse.fill(0.0);
        inertia_matrix(1, 1) = a;
        inertia_matrix(2, 2) = b;
        inertia_matrix(3, 3) = c;
        inertia_inverse(1, 1) = 1.0 / a;
        inertia_inverse(2, 2) = 1.0 / b;
        inertia_inverse(3, 3) = 1.0 / c;
    }

    // The twelve start values XGo .. OMZETAo.
    static void start_state(const State& s) {
        for (int k = 1; k <= 12; ++k) real_params(rp::XGo + k - 1) = s(k);
    }

    // Step-size and storing parameters of a leg; bounds far away.
    static void leg_params(double tzero, double tfin, double eps, double h1, double tprint, double dxsav) {
        real_params(rp::TZERO) = tzero;
        real_params(rp::TFIN) = tfin;
        real_params(rp::EPS) = eps;
        real_params(rp::H1) = h1;
        real_params(rp::HMIN) = 0.0;
        real_params(rp::TPRINT) = tprint;
        real_params(rp::DXSAV) = dxsav;
        real_params(rp::DELH1) = 10.0;
        real_params(rp::DELH2) = 0.5;
        real_params(rp::DELH3) = 10.0;
        real_params(rp::Y1MAX) = 1e30;
        real_params(rp::Y2MAX) = 1e30;
        real_params(rp::Y3MAX) = 1e30;
        periodo = tfin - tzero;
    }

    // Records of unit 88 written so far, one string per line.
    static std::vector<std::string> unit88() {
        std::vector<std::string> lines;
        std::istringstream in(read_file("fort.88"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static State newest() {
        State s;
        for (int k = 1; k <= 12; ++k) s(k) = YP(k, NTIME);
        return s;
    }
};

inline State make_state(std::initializer_list<double> v) {
    State s;
    s.fill(0.0);
    int k = 1;
    for (double x : v) s(k++) = x;
    return s;
}
