// CLOCK_MONOTONIC, or the processor's time-stamp counter where that is sound: the
// counter costs less than half as much to read, and every test is timed by two reads.
#include <sched.h>
#include <time.h>

#include <cmath>
#include <cstdint>

#include "clock.h"

#if defined(__x86_64__) || defined(__i386__)
#  include <cpuid.h>
#  include <x86intrin.h>
#  define NVK_HAS_TIME_STAMP_COUNTER 1
#endif

namespace {

enum class Source { kUnchosen, kMonotonic, kTimeStampCounter };
Source source = Source::kUnchosen;

int64_t MonotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

#if NVK_HAS_TIME_STAMP_COUNTER

int64_t CounterTicks() { return static_cast<int64_t>(__rdtsc()); }

// An invariant counter keeps one rate through frequency changes and sleep states.
bool CounterIsInvariant() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0x80000000, nullptr) < 0x80000007) {
        return false;
    }
    __cpuid(0x80000007, eax, ebx, ecx, edx);
    return (edx & (1u << 8)) != 0;
}

// Both clocks at one moment. The counter is read on either side of the monotonic
// clock and the tightest of a few tries wins, so an interruption between the
// reads does not skew the pair.
struct Reading {
    int64_t ticks;
    int64_t nanoseconds;
};

Reading ReadBoth() {
    Reading best{};
    int64_t narrowest = INT64_MAX;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int64_t before = CounterTicks();
        const int64_t nanoseconds = MonotonicNanoseconds();
        const int64_t after = CounterTicks();
        if (after - before >= narrowest) {
            continue;
        }
        narrowest = after - before;
        best = {before + narrowest / 2, nanoseconds};
    }
    return best;
}

// The counter's rate is measured from one origin on. An interval longer than
// kRemeasureAfterSeconds measures it again over all the time since the origin,
// which is at least as long as the interval, so the error of a long interval
// stays near the spread of one reading instead of growing with its length.
constexpr int64_t kCalibrationNanoseconds = 2000000;
constexpr double kRemeasureAfterSeconds = 0.01;
// Counters of two cores further apart than this would put a visible error into
// the time of a test that moved between them.
constexpr double kLargestSkewSeconds = 20e-6;

struct Scale {
    Reading origin;
    double secondsPerTick;
    int64_t remeasureAfterTicks;
};
Scale scale;

// Out of line, like every step of setting up, so that reading the clock stays short.
__attribute__((noinline)) void MeasureRate(const Reading &now) {
    scale.secondsPerTick = static_cast<double>(now.nanoseconds - scale.origin.nanoseconds) * 1e-9 /
                           static_cast<double>(now.ticks - scale.origin.ticks);
    scale.remeasureAfterTicks = static_cast<int64_t>(kRemeasureAfterSeconds / scale.secondsPerTick);
}

__attribute__((noinline)) void Remeasure() { MeasureRate(ReadBoth()); }

bool Calibrate() {
    scale.origin = ReadBoth();
    Reading now;
    do {
        now = ReadBoth();
    } while (now.nanoseconds - scale.origin.nanoseconds < kCalibrationNanoseconds);
    if (now.ticks <= scale.origin.ticks) {
        return false;
    }
    MeasureRate(now);
    return true;
}

// How far the counter of the core the thread is on strays from the measured rate.
double SkewHere() {
    const Reading now = ReadBoth();
    const double predicted = static_cast<double>(now.ticks - scale.origin.ticks) * scale.secondsPerTick;
    return predicted - static_cast<double>(now.nanoseconds - scale.origin.nanoseconds) * 1e-9;
}

// A test may start on one core and end on another, so the counters of every core
// the thread may run on must agree. The thread visits each of them once.
bool CountersAgreeAcrossCores() {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
        return false;
    }
    bool agree = true;
    for (int cpu = 0; agree && cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) {
            continue;
        }
        cpu_set_t only;
        CPU_ZERO(&only);
        CPU_SET(cpu, &only);
        agree = sched_setaffinity(0, sizeof only, &only) == 0 && std::fabs(SkewHere()) < kLargestSkewSeconds;
    }
    sched_setaffinity(0, sizeof allowed, &allowed);
    return agree;
}

__attribute__((noinline)) Source ChooseSource() {
    if (CounterIsInvariant() && Calibrate() && CountersAgreeAcrossCores()) {
        return Source::kTimeStampCounter;
    }
    return Source::kMonotonic;
}

#else  // no counter to read

Source ChooseSource() { return Source::kMonotonic; }

#endif

}  // namespace

namespace nvk {

int64_t ClockTicks() {
    if (source == Source::kUnchosen) {
        source = ChooseSource();
    }
#if NVK_HAS_TIME_STAMP_COUNTER
    if (source == Source::kTimeStampCounter) {
        return CounterTicks();
    }
#endif
    return MonotonicNanoseconds();
}

double ClockSeconds(int64_t start, int64_t end) {
    const int64_t ticks = end - start;
#if NVK_HAS_TIME_STAMP_COUNTER
    if (source == Source::kTimeStampCounter) {
        if (ticks > scale.remeasureAfterTicks) {
            Remeasure();
        }
        return static_cast<double>(ticks) * scale.secondsPerTick;
    }
#endif
    return static_cast<double>(ticks) / 1e9;
}

const char *ClockSource() {
    if (source == Source::kUnchosen) {
        source = ChooseSource();
    }
    return source == Source::kTimeStampCounter ? "time_stamp_counter" : "clock_monotonic";
}

}  // namespace nvk
