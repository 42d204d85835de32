/* Test DLL whose test ends the process with exit code 0, before the runner can
 * print its results. */
#include <stdlib.h>

#include <norvik_test.h>

static void NVK_CALL EndsTheProcess(void) { exit(0); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("EarlyExit");
    NVK_ADD_TEST(batch, EndsTheProcess);
}
