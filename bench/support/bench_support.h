// What every benchmark program needs: a stopwatch, a median that one slow run on
// a shared machine does not move, and a check that ends the program on a wrong result.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

class Stopwatch {
public:
    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
};

inline double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

inline void Require(bool condition, const char *what) {
    if (condition)
        return;
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::exit(1);
}

}  // namespace bench
