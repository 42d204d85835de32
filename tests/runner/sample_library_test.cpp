// The sample test DLL built as a shared object: it registers what the README
// promises and its run gives the advertised mix of results.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "norvik.h"

namespace {

using CreateBatchesFunction = void (*)(void);

struct BatchCounts {
    int32_t passed = 0;
    int32_t failed = 0;
    int32_t failures = 0;
};

BatchCounts CountsOf(NvkBatch *batch) {
    BatchCounts counts;
    NvkBatchGetStatistics(batch, nullptr, &counts.passed, &counts.failed, nullptr, nullptr, &counts.failures, nullptr);
    return counts;
}

TEST(SampleLibrary, RegistersTwoBatchesAndRunsWithOneFailureAndOneCrash) {
    const int32_t allocationsBefore = NvkMemGetAllocCount();
    void *library = dlopen(SAMPLE_LIBRARY_PATH, RTLD_NOW);
    ASSERT_NE(nullptr, library) << dlerror();
    auto createBatches = reinterpret_cast<CreateBatchesFunction>(dlsym(library, "NvkLibraryCreateBatches"));
    ASSERT_NE(nullptr, createBatches);

    createBatches();
    NvkBatch *basics = NvkBatchGetFirst();
    NvkBatch *limits = NvkBatchGetNext(basics);
    ASSERT_NE(nullptr, limits);
    EXPECT_STREQ("RingBufferBasics", NvkBatchGetName(basics));
    EXPECT_STREQ("RingBufferLimits", NvkBatchGetName(limits));
    EXPECT_EQ(3u, NvkBatchGetCount(basics));
    EXPECT_EQ(4u, NvkBatchGetCount(limits));

    EXPECT_EQ(0, NvkBatchRun(nullptr));
    const BatchCounts basicCounts = CountsOf(basics);
    EXPECT_EQ(3, basicCounts.passed);
    EXPECT_EQ(0, basicCounts.failed);
    const BatchCounts limitCounts = CountsOf(limits);
    EXPECT_EQ(2, limitCounts.passed);
    EXPECT_EQ(2, limitCounts.failed);
    EXPECT_EQ(2, limitCounts.failures);

    NvkTestFunction *crashing = NvkBatchGetFirstTestFunction(limits);
    while (crashing != nullptr && std::string(NvkTestFunctionGetName(crashing)) != "PushToMissingBuffer") {
        crashing = NvkTestFunctionGetNext(crashing);
    }
    ASSERT_NE(nullptr, crashing);
    NvkAssertionFailure *crash = NvkTestFunctionGetFirstFailure(crashing);
    ASSERT_NE(nullptr, crash);
    EXPECT_EQ(0, NvkAssertionFailureGetLineNumber(crash));

    NvkBatchFree(nullptr);
    dlclose(library);
    EXPECT_EQ(allocationsBefore, NvkMemGetAllocCount());
}

}  // namespace
