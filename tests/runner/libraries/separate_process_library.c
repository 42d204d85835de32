/* A test DLL for runs in a worker process: checks in every setup and tear-down, a
 * failing test that prints, a crashing and a switched-off test; tests that end their process or never
 * return, each followed by one that passes; tests that expect their exit, declared
 * after the entry point's batches; and a failure before a test that waits
 * at the gate NORVIK_SEPARATE_GATE names, so that the window can be read and the run
 * stopped while it waits. It sets the event of that name plus "Reached" on arrival, and
 * answers what is sent to its thread's windows while it waits: in the window's own
 * process the window can then be read meanwhile. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "norvik_test.h"

static void NVK_CALL BatchSetup(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL BatchTearDown(void) { NVK_ASSERT(0, "the batch tear-down %s", "fails"); }
static void NVK_CALL TestSetup(void) { NVK_ASSERT_NOT_NULL(&TestSetup); }
static void NVK_CALL TestTearDown(void) { NVK_ASSERT_FALSE(0); }

static void NVK_CALL Passes(void) { NVK_ASSERT_EQUAL_INT(2, 1 + 1); }
static void NVK_CALL Fails(void) {
    printf("printed before failing\n");
    NVK_ASSERT_EQUAL_INT(1, 2);
    NVK_ASSERT(0, "and %s", "once more");
}
static void NVK_CALL Crashes(void) {
    volatile int *nowhere = NULL;
    *nowhere = 1;
}
static void NVK_CALL SwitchedOff(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL CallsExit(void) { exit(3); }
static void NVK_CALL PassesAfterExit(void) { NVK_ASSERT_TRUE(1); }
static volatile int deepestLevel = -1;
static int Recurse(int level) {
    volatile char frame[512];
    frame[0] = (char)level;
    return level == deepestLevel ? 0 : Recurse(level + 1) + frame[0];
}
static void NVK_CALL OverflowsTheStack(void) { NVK_ASSERT_TRUE(Recurse(0) != 0); }
static void NVK_CALL PassesAfterOverflow(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL NeverReturns(void) { Sleep(INFINITE); }
static void NVK_CALL PassesAfterHang(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL FailsBeforeTheGate(void) { NVK_ASSERT(0, "read me while the run goes on"); }
static void AwaitGate(HANDLE gate) {
    const DWORD start = GetTickCount();
    DWORD waited = 0;
    MSG message;
    while (waited < 30000 &&
           MsgWaitForMultipleObjects(1, &gate, FALSE, 30000 - waited, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        waited = GetTickCount() - start;
    }
}

static void NVK_CALL WaitsAtTheGate(void) {
    char name[MAX_PATH - 8];
    char reachedName[MAX_PATH];
    HANDLE gate;
    HANDLE reached;
    if (GetEnvironmentVariableA("NORVIK_SEPARATE_GATE", name, sizeof name) == 0) {
        return;
    }
    gate = OpenEventA(SYNCHRONIZE, FALSE, name);
    wsprintfA(reachedName, "%sReached", name);
    reached = OpenEventA(EVENT_MODIFY_STATE, FALSE, reachedName);
    if (reached != NULL) {
        SetEvent(reached);
        CloseHandle(reached);
    }
    if (gate != NULL) {
        AwaitGate(gate);
        CloseHandle(gate);
    }
}

static void NVK_CALL PassesAfterTheGate(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_EXPECT_EXIT(Expects, ExitsWithThree, 3) { exit(3); }
NVK_TEST_EXPECT_EXIT(Expects, ExitsWithFourNotThree, 3) { exit(4); }
NVK_TEST(Expects, PassesAfterThem) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Setups");
    NvkBatchSetSetupFunctions(batch, BatchSetup, BatchTearDown, TestSetup, TestTearDown);
    NvkBatchAddFunctionImp(batch, "Passes", Passes);
    NvkBatchAddFunctionImp(batch, "Fails", Fails);
    NvkBatchAddFunctionImp(batch, "Crashes", Crashes);
    NvkTestFunctionSetSkip(NvkBatchAddFunctionImp(batch, "SwitchedOff", SwitchedOff), 1);
    batch = NvkBatchCreate("Ends");
    NvkBatchAddFunctionImp(batch, "CallsExit", CallsExit);
    NvkBatchAddFunctionImp(batch, "PassesAfterExit", PassesAfterExit);
    NvkBatchAddFunctionImp(batch, "OverflowsTheStack", OverflowsTheStack);
    NvkBatchAddFunctionImp(batch, "PassesAfterOverflow", PassesAfterOverflow);
    batch = NvkBatchCreate("Hangs");
    NvkBatchAddFunctionImp(batch, "NeverReturns", NeverReturns);
    NvkBatchAddFunctionImp(batch, "PassesAfterHang", PassesAfterHang);
    /* A setup, as fixtures have: the library starts the test only once its worker
     * reported the setup, which comes with the whole test. */
    batch = NvkBatchCreate("Gated");
    NvkBatchSetSetupFunctions(batch, NULL, NULL, TestSetup, NULL);
    NvkBatchAddFunctionImp(batch, "FailsBeforeTheGate", FailsBeforeTheGate);
    NvkBatchAddFunctionImp(batch, "WaitsAtTheGate", WaitsAtTheGate);
    NvkBatchAddFunctionImp(batch, "PassesAfterTheGate", PassesAfterTheGate);
}
