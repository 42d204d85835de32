/* Test DLL whose first test ends its process and whose second passes: run in worker
 * processes, the second still runs. */
#include <stdlib.h>

#include <norvik_test.h>

static void NVK_CALL EndsItsProcess(void) { exit(3); }

static void NVK_CALL PassesAfterTheEnd(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("EndsAndGoesOn");
    NVK_ADD_TEST(batch, EndsItsProcess);
    NVK_ADD_TEST(batch, PassesAfterTheEnd);
}
