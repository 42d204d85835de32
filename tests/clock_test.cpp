// The clock that times test functions: its seconds against the standard steady
// clock, over short and long intervals and across cores.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "clock.h"

#if defined(__linux__)
#  include <sched.h>
#endif

namespace {

using Steady = std::chrono::steady_clock;

double Seconds(Steady::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Far below the millisecond that the results and the has-run floor depend on.
constexpr double kTolerance = 50e-6;

// Reads the steady clock on both sides of each tick read, so that a pause of the
// thread between the reads widens the accepted range instead of failing the test.
class Bracket {
public:
    void Start() {
        startOuter_ = Steady::now();
        startTicks_ = nvk::ClockTicks();
        startInner_ = Steady::now();
    }
    void Stop() {
        stopInner_ = Steady::now();
        stopTicks_ = nvk::ClockTicks();
        stopOuter_ = Steady::now();
    }
    void ExpectClockWithin() const {
        const double seconds = nvk::ClockSeconds(startTicks_, stopTicks_);
        EXPECT_GE(seconds, Seconds(stopInner_ - startInner_) - kTolerance) << nvk::ClockSource();
        EXPECT_LE(seconds, Seconds(stopOuter_ - startOuter_) + kTolerance) << nvk::ClockSource();
    }

private:
    Steady::time_point startOuter_, startInner_, stopInner_, stopOuter_;
    int64_t startTicks_ = 0;
    int64_t stopTicks_ = 0;
};

void BusyWait(std::chrono::microseconds duration) {
    const Steady::time_point end = Steady::now() + duration;
    while (Steady::now() < end) {
    }
}

TEST(Clock, MeasuresShortAndLongIntervalsLikeTheSteadyClock) {
    nvk::ClockTicks();
    for (const auto duration : {std::chrono::microseconds(200), std::chrono::microseconds(3000)}) {
        Bracket bracket;
        bracket.Start();
        BusyWait(duration);
        bracket.Stop();
        bracket.ExpectClockWithin();
    }
    // Longer than the clock's own calibration: it has to measure its rate again.
    Bracket bracket;
    bracket.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    bracket.Stop();
    bracket.ExpectClockWithin();
}

#if defined(__linux__)

std::vector<int> AllowedCores(const cpu_set_t &allowed) {
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            cores.push_back(cpu);
        }
    }
    return cores;
}

void MoveTo(int cpu) {
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(cpu, &only);
    ASSERT_EQ(0, sched_setaffinity(0, sizeof only, &only));
}

TEST(Clock, StaysRightWhenTheThreadMovesBetweenCores) {
    cpu_set_t allowed;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof allowed, &allowed));
    const std::vector<int> cores = AllowedCores(allowed);
    nvk::ClockTicks();
    for (size_t move = 0; move < 50; ++move) {
        MoveTo(cores[move % cores.size()]);
        Bracket bracket;
        bracket.Start();
        MoveTo(cores[(move + 1) % cores.size()]);
        bracket.Stop();
        bracket.ExpectClockWithin();
    }
    sched_setaffinity(0, sizeof allowed, &allowed);
}

#endif

}  // namespace
