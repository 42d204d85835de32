/* A test library whose tests skip themselves: in the test function, in a batch setup
 * that serves two tests, in a test setup for one test of a batch whose setup serves
 * another that passes, and after a failure, which keeps the test failed. Declared,
 * so that each has its place, after one added without a place. */
#include <string.h>

#include "norvik_test.h"

static void NVK_CALL Unplaced(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatchAddFunctionImp(NvkBatchCreate("Plain"), "Unplaced", Unplaced);
    NVK_REGISTER_DECLARED_TESTS();
}

NVK_TEST(Skips, Passes) { NVK_ASSERT_TRUE(1); }

NVK_TEST(Skips, NeedsAPrinter) {
    NVK_ASSERT_TRUE(1);
    NVK_SKIP("no printer on \"%s\"", "this host");
}

NVK_TEST(Skips, FailsThenSkips) {
    NVK_ASSERT(0, "broken first");
    NVK_SKIP("too late");
}

NVK_BATCH_SETUP(Offline) { NVK_SKIP("the network is down"); }

NVK_TEST(Offline, Downloads) { NVK_ASSERT(0, "never called"); }

NVK_TEST(Offline, Uploads) { NVK_ASSERT(0, "never called"); }

NVK_BATCH_SETUP(Prepared) { NVK_ASSERT_TRUE(1); }

NVK_TEST_SETUP(Prepared) {
    if (strcmp(NvkTestFunctionGetName(NvkTestFunctionGetCurrent()), "First") == 0) {
        NVK_SKIP("not for the first");
    }
}

NVK_TEST(Prepared, First) { NVK_ASSERT(0, "never called"); }

NVK_TEST(Prepared, Second) { NVK_ASSERT_TRUE(1); }
