/* A test library for trying failed tests again: each test counts its tries in a file
 * of the working folder, which outlives the process that ran a try. Flaky fails its
 * first try, EndsItsWorker ends its process in its first, NeverPasses fails every
 * try and Passes passes. */
#include <stdio.h>
#include <stdlib.h>

#include "norvik_test.h"

/* The tries before this one, and this one counted. */
static int TriesBefore(const char *counter) {
    int tries = 0;
    FILE *file = fopen(counter, "rb");
    if (file != NULL) {
        if (fscanf(file, "%d", &tries) != 1) {
            tries = 0;
        }
        fclose(file);
    }
    file = fopen(counter, "wb");
    if (file != NULL) {
        fprintf(file, "%d\n", tries + 1);
        fclose(file);
    }
    return tries;
}

static void NVK_CALL Flaky(void) { NVK_ASSERT(TriesBefore("flaky.count") > 0, "fails on its first try"); }

static void NVK_CALL EndsItsWorker(void) {
    if (TriesBefore("ends.count") == 0) {
        exit(3);
    }
}

static void NVK_CALL NeverPasses(void) {
    TriesBefore("never.count");
    NVK_ASSERT(0, "fails every time");
}

static void NVK_CALL Passes(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Retried");
    NvkBatchAddFunctionImp(batch, "Flaky", Flaky);
    NvkBatchAddFunctionImp(batch, "EndsItsWorker", EndsItsWorker);
    NvkBatchAddFunctionImp(batch, "NeverPasses", NeverPasses);
    NvkBatchAddFunctionImp(batch, "Passes", Passes);
}
