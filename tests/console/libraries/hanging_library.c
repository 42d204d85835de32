/* A test library with a test that never returns between two that would pass. */
#include "norvik_test.h"

static void NVK_CALL PassesFirst(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL NeverReturns(void) {
    volatile int forever = 1;
    while (forever) {
    }
}

static void NVK_CALL NeverReached(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Hangs");
    NVK_ADD_TEST(batch, PassesFirst);
    NVK_ADD_TEST(batch, NeverReturns);
    NVK_ADD_TEST(batch, NeverReached);
}
