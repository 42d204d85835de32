/* A test library whose one test ends the process with exit code 0: the runner never
 * gets to print its results. */
#include <stdlib.h>

#include "norvik_test.h"

static void NVK_CALL ExitsQuietly(void) { exit(0); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Quits");
    NVK_ADD_TEST(batch, ExitsQuietly);
}
