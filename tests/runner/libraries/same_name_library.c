/* Built twice under one file name, in two folders; the batch name tells which of
 * the two was loaded. */
#include "norvik_test.h"

static void NVK_CALL Passes(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY { NVK_ADD_TEST(NvkBatchCreate(LIBRARY_BATCH_NAME), Passes); }
