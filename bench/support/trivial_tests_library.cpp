// A test DLL of NORVIK_BENCH_TESTS trivial test functions (10,000 when unset), in
// batches of 100 that share their 100 functions: a batch refuses only a function
// it already holds. Each test makes one passing assertion; with
// NORVIK_BENCH_FAILING_EVERY set to N, every N-th test from the first on makes a
// failing one instead, so that the failures can be run again.
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "norvik_test.h"

namespace {

constexpr int kTestsPerBatch = 100;

template <int N>
void NVK_CALL PassingTest(void) {
    NVK_ASSERT_TRUE(1);
}

template <int N>
void NVK_CALL FailingTest(void) {
    NVK_ASSERT_TRUE(0);
}

template <int... N>
constexpr NvkTestProc kPassingTests[] = {&PassingTest<N>...};

template <int... N>
constexpr NvkTestProc kFailingTests[] = {&FailingTest<N>...};

template <int... N>
const NvkTestProc *PassingTestsOf(std::integer_sequence<int, N...>) {
    return kPassingTests<N...>;
}

template <int... N>
const NvkTestProc *FailingTestsOf(std::integer_sequence<int, N...>) {
    return kFailingTests<N...>;
}

int EnvironmentNumber(const char *name, int unset) {
    const char *value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : unset;
}

}  // namespace

NVK_TEST_LIBRARY_ENTRY {
    const int count = EnvironmentNumber("NORVIK_BENCH_TESTS", 10000);
    const int failingEvery = EnvironmentNumber("NORVIK_BENCH_FAILING_EVERY", 0);
    const NvkTestProc *passing = PassingTestsOf(std::make_integer_sequence<int, kTestsPerBatch>());
    const NvkTestProc *failing = FailingTestsOf(std::make_integer_sequence<int, kTestsPerBatch>());
    char name[32];
    for (int batchIndex = 0; batchIndex * kTestsPerBatch < count; ++batchIndex) {
        std::snprintf(name, sizeof name, "Batch%04d", batchIndex);
        NvkBatch *batch = NvkBatchCreate(name);
        for (int testIndex = 0; testIndex < kTestsPerBatch && batchIndex * kTestsPerBatch + testIndex < count;
             ++testIndex) {
            const int number = batchIndex * kTestsPerBatch + testIndex;
            const bool fails = failingEvery > 0 && number % failingEvery == 0;
            std::snprintf(name, sizeof name, "Test%03d", testIndex);
            NvkBatchAddFunctionImp(batch, name, (fails ? failing : passing)[testIndex]);
        }
    }
}
