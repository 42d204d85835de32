/* Runs what each language level declared: four batches of four tests, one of which
 * skips itself and two of which expect how they end, with a setup and tear-down of each
 * kind. The library alone runs those two as any other test: they return and pass. */
#include <stdio.h>
#include <string.h>

#include "norvik_test.h"

int HeaderCheck_c99(void);
int HeaderCheck_cxx11(void);
int HeaderCheck_cxx14(void);
int HeaderCheck_cxx17(void);

NVK_TEST_LIBRARY_ENTRY {}

static int RanAsDeclared(void) {
    NvkBatch *batch;
    int32_t run = 0;
    int32_t passed = 0;
    int32_t notRun = 0;
    int32_t passedAssertions = 0;
    NvkLibraryCreateBatches();
    if (NvkBatchGetCount(NULL) != 4 || NvkRegistrationGetErrorCount() != 0 || NvkBatchRun(NULL) != 1)
        return 0;
    for (batch = NvkBatchGetFirst(); batch != NULL; batch = NvkBatchGetNext(batch)) {
        NvkTestFunction *skips = NvkTestFunctionGetNext(NvkBatchGetFirstTestFunction(batch));
        NvkTestFunction *expectsExit = NvkTestFunctionGetNext(skips);
        NvkTestFunction *expectsCrash = NvkTestFunctionGetNext(expectsExit);
        const char *reason = NvkTestFunctionGetSkipReason(skips);
        uint32_t exitCode = 0;
        uint32_t crashCode = 1;
        if (reason == NULL || strncmp(reason, "skipped at level HeaderCheck_", 29) != 0)
            return 0;
        if (NvkTestFunctionGetExpectedEnd(expectsExit, &exitCode) != NvkExpectedEndExit || exitCode != 3 ||
            NvkTestFunctionGetExpectedEnd(expectsCrash, &crashCode) != NvkExpectedEndCrash || crashCode != 0 ||
            NvkTestFunctionGetExpectedEnd(skips, NULL) != NvkExpectedEndReturn)
            return 0;
    }
    /* Each batch: setups and tear-downs 6 checks, the test of every macro many more. */
    NvkBatchGetStatistics(NULL, &run, &passed, NULL, &notRun, &passedAssertions, NULL, NULL);
    return run == 12 && passed == 12 && notRun == 4 && passedAssertions > 4 * 6;
}

int main(void) {
    if (!HeaderCheck_c99() || !HeaderCheck_cxx11() || !HeaderCheck_cxx14() || !HeaderCheck_cxx17() ||
        NvkAppName() == NULL || !RanAsDeclared()) {
        puts("header check failed");
        return 1;
    }
    return 0;
}
