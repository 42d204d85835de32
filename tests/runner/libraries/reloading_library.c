/* A test DLL built twice, as two builds of one project: the second build adds the
 * test Arrives and drops the test Leaves. */
#include "norvik_test.h"

/* One function per test: a batch takes a function once. */
static void NVK_CALL Stays(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL Changes(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL Unticked(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL Passes(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *kept = NvkBatchCreate("Kept");
    NvkBatch *other = NvkBatchCreate("Other");
    NvkBatch *third = NvkBatchCreate("Third");
    NvkBatchAddFunctionImp(kept, "Stays", Stays);
#if LIBRARY_BUILD == 1
    NvkBatchAddFunctionImp(kept, "Leaves", Changes);
#else
    NvkBatchAddFunctionImp(kept, "Arrives", Changes);
#endif
    NvkBatchAddFunctionImp(kept, "Unticked", Unticked);
    NvkBatchAddFunctionImp(other, "One", Passes);
    NvkBatchAddFunctionImp(third, "T1", Passes);
}
