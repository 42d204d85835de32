// A test DLL of 10,000 test functions in 100 batches, each making one passing
// assertion. The batches share their 100 functions: a batch refuses only a function
// it already holds.
#include <cstdio>
#include <utility>

#include "norvik_test.h"

namespace {

constexpr int kBatches = 100;
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
    const NvkTestProc *tests = TestsOf(std::make_integer_sequence<int, kTestsPerBatch>());
    char name[32];
    for (int batchIndex = 0; batchIndex < kBatches; ++batchIndex) {
        std::snprintf(name, sizeof name, "Batch%03d", batchIndex);
        NvkBatch *batch = NvkBatchCreate(name);
        for (int testIndex = 0; testIndex < kTestsPerBatch; ++testIndex) {
            std::snprintf(name, sizeof name, "Test%03d", testIndex);
            NvkBatchAddFunctionImp(batch, name, tests[testIndex]);
        }
    }
}
