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

std::int64_t SystemClock::nowMs() {
    return steadyMs() - origin_;
}

void SystemClock::sleepMs(std::int64_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms)); // none for 0 or less
}

void SystemClock::waitMoreThan(float milliseconds) {
    using namespace std::chrono;
    const auto deadline =
        steady_clock::now() +
        duration_cast<steady_clock::duration>(duration<double, std::milli>(std::max(0.0f, milliseconds))) +
        microseconds(1);
    while (steady_clock::now() < deadline)
        std::this_thread::sleep_until(deadline);
}

void Delay(Clock& clock, float milliseconds) {
    clock.waitMoreThan(milliseconds);
}

void Clock::waitMoreThan(float milliseconds) {
    const std::int64_t start = nowMs();
    for (;;) {
        const std::int64_t elapsed = nowMs() - start;
        if (static_cast<double>(elapsed) > static_cast<double>(milliseconds)) return;
        // Sleep for what is left, at least one tick of the millisecond clock.
        const double left = static_cast<double>(milliseconds) - static_cast<double>(elapsed);
        sleepMs(std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(left))));
    }
}
