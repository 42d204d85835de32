/* A program whose declared tests fail a check and then crash, with break-on-failure set:
 * under a debugger it must stop at the failing check and then at the crash's own
 * instruction; without one, the run goes on as ever and ends. */
#include <stdio.h>

#include "norvik_test.h"

NVK_TEST(Debugged, FailsACheck) {
    NVK_ASSERT_EQUAL_INT(1, 2); /* stops here */
    NVK_ASSERT_TRUE(1);
}

NVK_TEST(Debugged, Crashes) {
    int *volatile nowhere = NULL;
    *nowhere = 1; /* then here */
}

NVK_TEST_LIBRARY_ENTRY {}

int main(void) {
    NvkSetBreakOnFailure(1);
    NvkLibraryCreateBatches();
    NvkBatchRun(NULL);
    puts("the run ended");
    return 0;
}
