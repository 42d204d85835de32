// What every benchmark program needs: a stopwatch, a median that one slow run on
// a shared machine does not move, a number from the environment, and a check that
// ends the program on a wrong result.
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

// A number the environment gives the benchmark, or `unset` when it gives none.
inline int EnvironmentNumber(const char *name, int unset) {
    const char *value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : unset;
}

inline void Require(bool condition, const char *what) {
    if (condition)
        return;
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::exit(1);
}

}  // namespace bench
