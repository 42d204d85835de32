/* A test DLL whose entry point registers a test and then crashes. */
#include <stddef.h>

#include "norvik_test.h"

static void NVK_CALL NeverRuns(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    volatile int *nowhere = NULL;
    NVK_ADD_TEST(NvkBatchCreate("HalfRegistered"), NeverRuns);
    *nowhere = 1;
}
