// The cost of the parameter editor: all three screens shown and left with
// PROVA, and one edit of the angular velocity with its rates shown again.
#include <benchmark/benchmark.h>

#include "common/params.h"
#include "common/start_values.h"
#include "main/editor.h"
#include "platform/testing.h"

namespace {

void set_body() {
    set_start_values();
    real_params(rp::THETAo) = 1.0;
    real_params(rp::OMCSIo) = 1.0;
    real_params(rp::OMZETAo) = 2.0;
}

void BM_ShowAllScreensAndLeave(benchmark::State& state) {
    set_body();
    reset_window();
    for (auto _ : state) {
        keyboard_script({"99"});
        edit_parameters();
    }
}
BENCHMARK(BM_ShowAllScreensAndLeave);

void BM_EditAngularVelocity(benchmark::State& state) {
    set_body();
    reset_window();
    for (auto _ : state) {
        keyboard_script({" 12  1", "1.5", "99"});
        edit_parameters();
    }
}
BENCHMARK(BM_EditAngularVelocity);

}  // namespace
