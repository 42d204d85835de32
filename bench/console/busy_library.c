/* A test library of CPU-bound tests in several batches, to see that workers run
 * batches side by side. */
#include "norvik_test.h"

static volatile unsigned sink;

static void NVK_CALL Spins(void) {
    unsigned i, value = 1;
    for (i = 0; i < 250000000u; ++i) {
        value = value * 1664525u + 1013904223u;
    }
    sink = value;
    NVK_ASSERT_TRUE(1);
}

NVK_TEST_LIBRARY_ENTRY {
    static const char *const names[] = {"First", "Second", "Third", "Fourth"};
    int i;
    for (i = 0; i < 4; ++i) {
        NVK_ADD_TEST(NvkBatchCreate(names[i]), Spins);
    }
}
