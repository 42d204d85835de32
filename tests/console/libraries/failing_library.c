/* A test library for stopping at the first failure: in the batches First and Second
 * the first test fails and the others pass; in Every1 and Every2 every test fails.
 * Each kind spans two batches, so that workers run them side by side. A batch holds
 * each function once, so every test has its own. */
#include "norvik_test.h"

#define NORVIK_FAILS(n) \
    static void NVK_CALL Fails##n(void) { NVK_ASSERT(0, "fails"); }
#define NORVIK_PASSES(n) \
    static void NVK_CALL Passes##n(void) { NVK_ASSERT_TRUE(1); }

NORVIK_FAILS(1)
NORVIK_FAILS(2)
NORVIK_FAILS(3)
NORVIK_FAILS(4)
NORVIK_PASSES(1)
NORVIK_PASSES(2)
NORVIK_PASSES(3)
NORVIK_PASSES(4)

static void AddTests(const char *batchName, NvkTestProc first, NvkTestProc second, NvkTestProc third,
                     NvkTestProc fourth) {
    NvkBatch *batch = NvkBatchCreate(batchName);
    NvkBatchAddFunctionImp(batch, "Test1", first);
    NvkBatchAddFunctionImp(batch, "Test2", second);
    NvkBatchAddFunctionImp(batch, "Test3", third);
    NvkBatchAddFunctionImp(batch, "Test4", fourth);
}

NVK_TEST_LIBRARY_ENTRY {
    AddTests("First", Fails1, Passes2, Passes3, Passes4);
    AddTests("Second", Passes1, Passes2, Passes3, Passes4);
    AddTests("Every1", Fails1, Fails2, Fails3, Fails4);
    AddTests("Every2", Fails1, Fails2, Fails3, Fails4);
}
