#include "shell/clock.h"

#include <chrono>

int32_t processClockMs() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return int32_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
