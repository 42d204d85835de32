// A test DLL of NORVIK_BENCH_TESTS trivial test functions (10,000 when unset), in
// batches of 100 that share their 100 functions: a batch refuses only a function
// it already holds. Each test makes one passing assertion.
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

template <int... N>
constexpr NvkTestProc kTests[] = {&PassingTest<N>...};

template <int... N>
const NvkTestProc *TestsOf(std::integer_sequence<int, N...>) {
    return kTests<N...>;
}

}  // namespace

NVK_TEST_LIBRARY_ENTRY {
    const char *wanted = std::getenv("NORVIK_BENCH_TESTS");
    const int count = wanted != nullptr ? std::atoi(wanted) : 10000;
    const NvkTestProc *tests = TestsOf(std::make_integer_sequence<int, kTestsPerBatch>());
    char name[32];
    for (int batchIndex = 0; batchIndex * kTestsPerBatch < count; ++batchIndex) {
        std::snprintf(name, sizeof name, "Batch%04d", batchIndex);
        NvkBatch *batch = NvkBatchCreate(name);
        for (int testIndex = 0; testIndex < kTestsPerBatch && batchIndex * kTestsPerBatch + testIndex < count;
             ++testIndex) {
            std::snprintf(name, sizeof name, "Test%03d", testIndex);
            NvkBatchAddFunctionImp(batch, name, tests[testIndex]);
        }
    }
}
