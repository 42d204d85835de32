/* Runs what each language level declared: four batches of eight tests, one of which
 * skips itself, four of which are rows of two tables and two of which expect how they
 * end, with a setup and tear-down of each kind. The library alone runs those two as any
 * other test: they return and pass. */
#include <stdio.h>
#include <string.h>

#include "norvik_test.h"

int HeaderCheck_c99(void);
int HeaderCheck_cxx11(void);
int HeaderCheck_cxx14(void);
int HeaderCheck_cxx17(void);

NVK_TEST_LIBRARY_ENTRY {}

static NvkTestFunction *TestNamed(NvkBatch *batch, const char *name) {
    NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch);
    while (test != NULL && strcmp(NvkTestFunctionGetName(test), name) != 0)
        test = NvkTestFunctionGetNext(test);
    return test;
}

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
        NvkTestFunction *skips = TestNamed(batch, "Skips");
        NvkTestFunction *expectsExit = TestNamed(batch, "ExpectsExit");
        NvkTestFunction *expectsCrash = TestNamed(batch, "ExpectsAnyCrash");
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
    return run == 4 * 7 && passed == 4 * 7 && notRun == 4 && passedAssertions > 4 * 6;
}

int main(void) {
    if (!HeaderCheck_c99() || !HeaderCheck_cxx11() || !HeaderCheck_cxx14() || !HeaderCheck_cxx17() ||
        NvkAppName() == NULL || !RanAsDeclared()) {
        puts("header check failed");
        return 1;
    }
    return 0;
}
