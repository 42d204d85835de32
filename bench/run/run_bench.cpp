// Per-test cost of a run: 100,000 trivial test functions (or NORVIK_BENCH_TESTS)
// through NvkBatchRun, first with no event handler and then with a counting one,
// next to as many trivial GoogleTest tests run by RUN_ALL_TESTS in the same
// process, and next to the floor: what timing and guarding one test costs at the
// least, calling one function each time and, as a run does, a thousand different
// ones in turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "clock.h"
#include "crash_guard.h"
#include "norvik.h"

namespace {

// Batches here, test suites in GoogleTest: 100 of a thousand tests each, or as many as
// NORVIK_BENCH_TESTS asks for. Fewer tests keep a run's records in the core's own cache,
// which tells what the records' memory costs a run from what its code costs.
constexpr int kTestsPerSuite = 1000;
const int kSuites = std::max(1, bench::EnvironmentNumber("NORVIK_BENCH_TESTS", 100000) / kTestsPerSuite);
const int32_t kTests = kSuites * kTestsPerSuite;
// The first runs of a contender are slower while caches and the machine settle.
constexpr int kWarmUpRuns = 3;
constexpr int kTimedRuns = 11;

enum class Body { kEmpty, kOneAssertion };

const char *BodyName(Body body) { return body == Body::kEmpty ? "empty" : "one_assertion"; }

// Every trivial test of both frameworks reads this one switch.
bool assertInTests = false;

// The median of the timed runs, and the best one: the least a run cost when
// nothing else on the shared machine got in the way.
struct Seconds {
    double median;
    double best;
};

Seconds TimeRuns(void (*run)()) {
    for (int i = 0; i < kWarmUpRuns; ++i) {
        run();
    }
    std::vector<double> samples;
    for (int i = 0; i < kTimedRuns; ++i) {
        bench::Stopwatch stopwatch;
        run();
        samples.push_back(stopwatch.Elapsed());
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.front()};
}

double NanosecondsPerTest(double seconds) { return seconds * 1e9 / kTests; }

std::vector<std::string> NumberedNames(const char *prefix, int count) {
    std::vector<std::string> names;
    char buffer[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%04d", prefix, i);
        names.emplace_back(buffer);
    }
    return names;
}

// ---- Norvik -------------------------------------------------------------------------

// A batch refuses a function it already holds, so each test of a batch needs an
// address of its own; the batches share these.
template <int N>
void NVK_CALL TrivialTest(void) {
    if (assertInTests) {
        NvkAssert(1, __FILE__, __LINE__, "passes");
    }
}

template <int... N>
std::vector<NvkTestProc> TrivialTests(std::integer_sequence<int, N...>) {
    return {&TrivialTest<N>...};
}

uint32_t eventCounts[NvkEventRunFinished + 1];

void NVK_CALL CountEvent(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code >= 0 && code <= NvkEventRunFinished) {
        ++eventCounts[code];
    }
}

void RegisterNorvikTests(const std::vector<std::string> &batchNames, const std::vector<std::string> &testNames) {
    const std::vector<NvkTestProc> functions = TrivialTests(std::make_integer_sequence<int, kTestsPerSuite>());
    std::vector<const char *> names;
    for (const std::string &name : testNames) {
        names.push_back(name.c_str());
    }
    for (const std::string &batchName : batchNames) {
        NvkBatch *batch = NvkBatchCreate(batchName.c_str());
        bench::Require(batch != nullptr, "a batch was refused");
        NvkBatchAddFunctions(batch, kTestsPerSuite, names.data(), functions.data());
    }
    // An identical-code-folding linker would give the trivial tests one address.
    bench::Require(NvkBatchGetTestFunctionInformation(nullptr, nullptr, nullptr) == static_cast<uint32_t>(kTests),
                   "test functions were refused: do the trivial tests share an address?");
}

void RequireNorvikResults(Body body) {
    int32_t run = 0;
    int32_t passed = 0;
    int32_t passedAssertions = 0;
    NvkBatchGetStatistics(nullptr, &run, &passed, nullptr, nullptr, &passedAssertions, nullptr, nullptr);
    bench::Require(run == kTests && passed == kTests, "not every test ran and passed");
    bench::Require(passedAssertions == (body == Body::kEmpty ? 0 : kTests), "the assertions were not counted");
}

void RunNorvik() { bench::Require(NvkBatchRun(nullptr) == 1, "NvkBatchRun failed"); }

// ---- GoogleTest ---------------------------------------------------------------------

class TrivialGoogleTest : public testing::Test {
    void TestBody() override {
        if (assertInTests) {
            EXPECT_TRUE(true);
        }
    }
};

void QuietGoogleTest() {
    testing::InitGoogleTest();
    testing::TestEventListeners &listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
}

void RegisterGoogleTests(const std::vector<std::string> &suiteNames, const std::vector<std::string> &testNames) {
    for (const std::string &suite : suiteNames) {
        for (const std::string &test : testNames) {
            testing::RegisterTest(suite.c_str(), test.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                  []() -> TrivialGoogleTest * { return new TrivialGoogleTest; });
        }
    }
}

void RunGoogleTest() { bench::Require(RUN_ALL_TESTS() == 0, "RUN_ALL_TESTS failed"); }

// ---- Floor --------------------------------------------------------------------------

// Every run of a test reads the clock twice and calls the test under the crash
// guard, armed once for the run; nothing less can time and guard it.
void NVK_CALL EmptyTest(void) {}

volatile double floorSeconds = 0;

// A run calls a thousand different functions in turn, and on some processors that
// alone costs more than timing and guarding them: the code of each and the target
// of each call are no longer where the last test left them. These do what an
// empty trivial test does, read a flag, and differ so that no linker folds them.
bool neverSet = false;

template <int N>
void NVK_CALL DistinctEmptyTest(void) {
    if (neverSet) {
        floorSeconds = N;
    }
}

template <int... N>
std::vector<NvkTestProc> DistinctEmptyTests(std::integer_sequence<int, N...>) {
    return {&DistinctEmptyTest<N>...};
}

template <typename NextFunction>
void RunFloorOf(NextFunction next) {
    nvk::ArmCrashGuard();
    for (int32_t i = 0; i < kTests; ++i) {
        const int64_t start = nvk::ClockTicks();
        nvk::CallGuarded(next(i));
        floorSeconds = nvk::ClockSeconds(start, nvk::ClockTicks());
    }
    nvk::DisarmCrashGuard();
}

void RunFloor() {
    RunFloorOf([](int32_t) { return &EmptyTest; });
}

const std::vector<NvkTestProc> distinctEmptyTests =
    DistinctEmptyTests(std::make_integer_sequence<int, kTestsPerSuite>());

// In the order a run calls its tests: each batch holds the thousand functions.
void RunDistinctFloor() {
    RunFloorOf([](int32_t i) { return distinctEmptyTests[static_cast<size_t>(i % kTestsPerSuite)]; });
}

// ---- Timing and report ------------------------------------------------------------

struct Figures {
    Seconds floor;
    Seconds distinctFloor;
    Seconds googleTest;
    Seconds norvik;
};

// Under callgrind only our runs are of interest, and the others' take most of its time.
bool onlyNorvik = false;

// Each contender runs its own series, which keeps its records in the caches
// as a series of runs would: taking turns run by run would let each one push
// the others' out and time memory rather than the frameworks.
Figures TimeContenders(Body body) {
    assertInTests = body == Body::kOneAssertion;
    if (onlyNorvik) {
        const Figures figures = {{0, 0}, {0, 0}, {0, 0}, TimeRuns(RunNorvik)};
        RequireNorvikResults(body);
        return figures;
    }
    const Figures figures = {TimeRuns(RunFloor), TimeRuns(RunDistinctFloor), TimeRuns(RunGoogleTest),
                             TimeRuns(RunNorvik)};
    RequireNorvikResults(body);
    bench::Require(testing::UnitTest::GetInstance()->successful_test_count() == kTests,
                   "not every GoogleTest test passed");
    return figures;
}

void PrintRun(const char *framework, Body body, const char *handler, Seconds seconds) {
    std::printf("%s tests=%ld body=%s handler=%s median_seconds=%.4f per_test_ns=%.0f best_per_test_ns=%.0f\n",
                framework, static_cast<long>(kTests), BodyName(body), handler, seconds.median,
                NanosecondsPerTest(seconds.median), NanosecondsPerTest(seconds.best));
}

void Report(Body body, const char *handler, const Figures &figures) {
    if (onlyNorvik) {
        PrintRun("norvik", body, handler, figures.norvik);
        return;
    }
    PrintRun("floor", body, handler, figures.floor);
    PrintRun("floor_distinct", body, handler, figures.distinctFloor);
    PrintRun("googletest", body, handler, figures.googleTest);
    PrintRun("norvik", body, handler, figures.norvik);
    std::printf(
        "ratio body=%s handler=%s norvik_to_googletest=%.3f best_norvik_to_googletest=%.3f norvik_to_floor=%.3f "
        "best_norvik_to_floor=%.3f norvik_to_floor_distinct=%.3f best_norvik_to_floor_distinct=%.3f\n",
        BodyName(body), handler, figures.norvik.median / figures.googleTest.median,
        figures.norvik.best / figures.googleTest.best, figures.norvik.median / figures.floor.median,
        figures.norvik.best / figures.floor.best, figures.norvik.median / figures.distinctFloor.median,
        figures.norvik.best / figures.distinctFloor.best);
}

}  // namespace

int main(int argc, char **argv) {
    onlyNorvik = argc == 2 && std::string(argv[1]) == "--only-norvik";
    QuietGoogleTest();
    const std::vector<std::string> testNames = NumberedNames("Test", kTestsPerSuite);
    RegisterNorvikTests(NumberedNames("Batch", kSuites), testNames);
    RegisterGoogleTests(NumberedNames("Suite", kSuites), testNames);
    std::printf("clock=%s\n", nvk::ClockSource());
    const Body bodies[] = {Body::kEmpty, Body::kOneAssertion};
    for (Body body : bodies) {
        Report(body, "none", TimeContenders(body));
    }
    // A handler once installed cannot be removed, so the runs with one come last.
    NvkSetEventHandler(CountEvent, 0);
    for (Body body : bodies) {
        std::fill(std::begin(eventCounts), std::end(eventCounts), 0u);
        const Figures figures = TimeContenders(body);
        bench::Require(
            eventCounts[NvkEventTestFunctionFinished] == static_cast<uint32_t>(kTests) * (kWarmUpRuns + kTimedRuns),
            "the handler missed test events");
        Report(body, "counting", figures);
    }
    NvkBatchFree(nullptr);
    return 0;
}
