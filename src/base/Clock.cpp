#include "base/Clock.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace {
std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

SystemClock::SystemClock() : origin_(steadyMs()) {}

std::int64_t SystemClock::nowMs() { return steadyMs() - origin_; }

void SystemClock::sleepMs(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Delay(Clock& clock, float milliseconds) {
    const std::int64_t start = clock.nowMs();
    for (;;) {
        const std::int64_t elapsed = clock.nowMs() - start;
        if (static_cast<double>(elapsed) > static_cast<double>(milliseconds)) return;
        // Sleep for what is left, at least one tick of the millisecond clock.
        const double left = static_cast<double>(milliseconds) - static_cast<double>(elapsed);
        clock.sleepMs(std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(left))));
    }
}
