/* A test DLL for the runner's window: batches registered out of name order, a
 * failing test, names outside ASCII (in the ANSI code page, as names are), a batch freed while registering and one
 * left empty. With NORVIK_VIEWS_GATE naming an event, the test Waits holds the run
 * until the event is set, so that the window can be looked at mid-run. */
#include <windows.h>

#include "norvik_test.h"

static void NVK_CALL PassesOnce(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL FailsTwice(void) {
    NVK_ASSERT_EQUAL_INT(1, 2);
    NVK_ASSERT(0, "second %s", "failure");
}

static void NVK_CALL PassesTwice(void) {
    NVK_ASSERT_NULL(NULL);
    NVK_ASSERT_FALSE(0);
}

static void NVK_CALL Waits(void) {
    char name[MAX_PATH];
    HANDLE gate;
    if (GetEnvironmentVariableA("NORVIK_VIEWS_GATE", name, sizeof name) == 0) {
        return;
    }
    gate = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (gate != NULL) {
        WaitForSingleObject(gate, 20000);
        CloseHandle(gate);
    }
}

static void NVK_CALL Overflows(void) { NVK_ASSERT_EQUAL_INT(3, 3); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *zeta = NvkBatchCreate("Zeta");
    NvkBatch *alpha = NvkBatchCreate("alpha");
    NvkBatch *size = NvkBatchCreate("Gr\366\337e"); /* Latin-1, in octal: no letter runs into the escape */
    NvkBatch *dropped = NvkBatchCreate("Dropped");
    NvkBatchCreate("Empty");
    NvkBatchAddFunctionImp(zeta, "b2", PassesOnce);
    NvkBatchAddFunctionImp(zeta, "b1", FailsTwice);
    NvkBatchAddFunctionImp(alpha, "a1", PassesTwice);
    NvkBatchAddFunctionImp(alpha, "Waits", Waits);
    NvkBatchAddFunctionImp(size, "\334berlauf", Overflows);
    NvkBatchAddFunctionImp(dropped, "d1", PassesOnce);
    NvkBatchFree(&dropped);
}
