/* Test DLL whose test ends the process with exit code 0 in a way that runs nothing
 * more of the process, before the runner can print its results. */
#include <windows.h>

#include <norvik_test.h>

static void NVK_CALL EndsTheProcess(void) { TerminateProcess(GetCurrentProcess(), 0); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("EarlyExit");
    NVK_ADD_TEST(batch, EndsTheProcess);
}
