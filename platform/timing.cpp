// Waiting and the floating-point mode of the program thread.
#include <algorithm>
#include <atomic>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "platform/surface.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

std::atomic<int64_t> g_waited{0};

// MXCSR: flush-to-zero (bit 15) and denormals-are-zero (bit 6).
constexpr unsigned kFlushToZero = 0x8000u;
constexpr unsigned kDenormalsAreZero = 0x0040u;

}  // namespace

void wait_ms(int32_t ms) {
    window_checkpoint();
    const int32_t n = std::max<int32_t>(ms, 0);
    g_waited.fetch_add(n);
    const Frontend* f = installed_frontend();
    if (f != nullptr && f->wait != nullptr) f->wait(n);
}

int64_t waited_ms() { return g_waited.load(); }
void reset_waited_ms() { g_waited.store(0); }

// Tiny results become zero instead of slow subnormal numbers, on the
// calling thread only.
void fp_flush_to_zero(int /*code*/) {
#if defined(__SSE__) || defined(__x86_64__)
    _mm_setcsr(_mm_getcsr() | kFlushToZero | kDenormalsAreZero);
#endif
}
