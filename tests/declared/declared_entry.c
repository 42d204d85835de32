/* The entry point of the DLL of declared tests: an explicit test before the declared
 * ones and one after them, in a declared batch; and the trace the tests read. */
#include <string.h>

#include "declared_trace.h"

static char trace[1024];

void Trace(const char *what) {
    if (strlen(trace) + strlen(what) + 2 > sizeof trace)
        return;
    if (trace[0] != '\0')
        strcat(trace, " ");
    strcat(trace, what);
}

NVK_EXTERN_C NVK_EXPORT const char *DeclaredTrace(void);
NVK_EXTERN_C NVK_EXPORT const char *DeclaredTrace(void) { return trace; }

static void NVK_CALL AddedBefore(void) { Trace("Explicit.AddedBefore"); }

static void NVK_CALL AddedAfter(void) { Trace("Parsing.AddedAfter"); }

static NvkBatch *BatchNamed(const char *name) {
    NvkBatch *batch = NvkBatchGetFirst();
    while (batch != NULL && strcmp(NvkBatchGetName(batch), name) != 0)
        batch = NvkBatchGetNext(batch);
    return batch;
}

NVK_TEST_LIBRARY_ENTRY {
    trace[0] = '\0';
    NVK_ADD_TEST(NvkBatchCreate("Explicit"), AddedBefore);
    NVK_REGISTER_DECLARED_TESTS();
    NVK_ADD_TEST(BatchNamed("Parsing"), AddedAfter);
}
