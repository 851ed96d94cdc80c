#pragma once
// The machine's load over the last minute. The benches print it beside every
// wall time: those are comparable only between runs under a similar load.

#include <fstream>

namespace ombrix::bench {

inline double loadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    double oneMinute = -1;
    loadavg >> oneMinute;
    return oneMinute;
}

} // namespace ombrix::bench
