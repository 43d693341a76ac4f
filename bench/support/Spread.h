// Figures of repeated runs as the benchmarks print them: median, minimum and maximum, and the
// machine's load average beside them (the machine is shared; a busy one shows it here).
#pragma once

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace benchsupport {

struct Spread {
    double median = 0, min = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.min = v.front();
    s.max = v.back();
    return s;
}

// The first three fields of /proc/loadavg: the 1, 5 and 15 minute load averages.
inline std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return f ? a + " " + b + " " + c : "unknown";
}

inline void PrintLoadAverage(const char* when) {
    std::printf("load average %s: %s\n", when, LoadAverage().c_str());
}

}  // namespace benchsupport
