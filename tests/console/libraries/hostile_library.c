/* A test library whose tests do what real tests do by accident: end the process,
 * change the current folder, reset every result, hang in the system or with a lock
 * held, close the handles they did not open, leave a child behind, and fail in a
 * helper of another file. NORVIK_HOSTILE_ENTRY makes its entry point end the process
 * ("exit"), hang ("hang"), hang in worker processes only ("hang-in-workers") or
 * register in another order in worker processes ("reverse-in-workers");
 * NORVIK_HOSTILE_UNLOAD=hang makes its unloading hang. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "hostile_platform.h"
#include "norvik_test.h"

void FailInAHelper(void);

static void NVK_CALL ExitsWithZero(void) { exit(0); }
static void NVK_CALL ExitsWithThree(void) { exit(3); }
static void NVK_CALL EndsTheProcess(void) { HostileEndProcess(0); }

static void NVK_CALL ChangesFolder(void) { NVK_ASSERT_TRUE(HostileChangeFolder()); }

static void NVK_CALL FailsFirst(void) { NVK_ASSERT(0, "found by the first test"); }
static void NVK_CALL ResetsEveryTest(void) { NvkBatchResetAllTests(NULL, 0); }

static void NVK_CALL HoldsTheOutputLock(void) {
    HostileLockOutput();
    HostileSleepForever();
}

static void NVK_CALL ClosesEveryHandle(void) { HostileCloseEveryHandle(); }
/* Notes a run in the file NORVIK_HOSTILE_RUNS names, where one is named: the
 * handles closed before may have been the standard output's. */
static int NoteRun(void) {
    const char *runs = getenv("NORVIK_HOSTILE_RUNS");
    FILE *file = runs != NULL ? fopen(runs, "a") : NULL;
    if (file == NULL) {
        return 0;
    }
    fputs("ran\n", file);
    fclose(file);
    return 1;
}
static void NVK_CALL RunsOnce(void) { NVK_ASSERT_TRUE(NoteRun()); }
static void NVK_CALL SleepsInTheSystem(void) {
    NoteRun();
    HostileSleepForever();
}

static void NVK_CALL LeavesAChild(void) { NVK_ASSERT_TRUE(HostileLeaveAChild()); }
static void NVK_CALL CrashesAfter(void) { abort(); }

static void NVK_CALL FailsInAHelper(void) { FailInAHelper(); }

static void NVK_CALL FailsAtOnce(void) { NVK_ASSERT(0, "the first failure"); }

/* Twenty tests that pass, each a function of its own, as a batch wants them. */
#define NORVIK_PASSING(n) \
  static void NVK_CALL Passes##n(void) { NVK_ASSERT_TRUE(1); }
NORVIK_PASSING(00)
NORVIK_PASSING(01)
NORVIK_PASSING(02) NORVIK_PASSING(03) NORVIK_PASSING(04) NORVIK_PASSING(05) NORVIK_PASSING(06) NORVIK_PASSING(07)
    NORVIK_PASSING(08) NORVIK_PASSING(09) NORVIK_PASSING(10) NORVIK_PASSING(11) NORVIK_PASSING(12) NORVIK_PASSING(13)
        NORVIK_PASSING(14) NORVIK_PASSING(15) NORVIK_PASSING(16) NORVIK_PASSING(17) NORVIK_PASSING(18)
            NORVIK_PASSING(19) static const NvkTestProc kPassing[] = {
                Passes00, Passes01, Passes02, Passes03, Passes04, Passes05, Passes06, Passes07, Passes08, Passes09,
                Passes10, Passes11, Passes12, Passes13, Passes14, Passes15, Passes16, Passes17, Passes18, Passes19};

static void AddPassing(NvkBatch *batch) {
    size_t index;
    char name[32];
    for (index = 0; index < sizeof kPassing / sizeof kPassing[0]; ++index) {
        sprintf(name, "Passes%02u", (unsigned)index);
        NvkBatchAddFunctionImp(batch, name, kPassing[index]);
    }
}

static void Register(int reversed) {
    NvkBatch *batch;
    if (reversed) {
        batch = NvkBatchCreate("Helpers");
        NVK_ADD_TEST(batch, FailsInAHelper);
    }
    batch = NvkBatchCreate("Exits");
    NVK_ADD_TEST(batch, ExitsWithZero);
    NVK_ADD_TEST(batch, ExitsWithThree);
    NVK_ADD_TEST(batch, EndsTheProcess);
    batch = NvkBatchCreate("Folders");
    NVK_ADD_TEST(batch, ChangesFolder);
    batch = NvkBatchCreate("Resets");
    NVK_ADD_TEST(batch, FailsFirst);
    NVK_ADD_TEST(batch, ResetsEveryTest);
    batch = NvkBatchCreate("Sleeps");
    NVK_ADD_TEST(batch, SleepsInTheSystem);
    batch = NvkBatchCreate("Locks");
    NVK_ADD_TEST(batch, HoldsTheOutputLock);
    batch = NvkBatchCreate("Channels");
    NVK_ADD_TEST(batch, ClosesEveryHandle);
    NVK_ADD_TEST(batch, RunsOnce);
    batch = NvkBatchCreate("Forks");
    NVK_ADD_TEST(batch, LeavesAChild);
    NVK_ADD_TEST(batch, CrashesAfter);
    if (!reversed) {
        batch = NvkBatchCreate("Helpers");
        NVK_ADD_TEST(batch, FailsInAHelper);
    }
    batch = NvkBatchCreate("FailsEarly");
    NVK_ADD_TEST(batch, FailsAtOnce);
    AddPassing(batch);
    AddPassing(NvkBatchCreate("Later"));
}

NVK_TEST_LIBRARY_ENTRY {
    const char *entry = getenv("NORVIK_HOSTILE_ENTRY");
    if (entry != NULL && strcmp(entry, "exit") == 0) {
        exit(0);
    }
    if (entry != NULL && (strcmp(entry, "hang") == 0 || (strcmp(entry, "hang-in-workers") == 0 && HostileInWorker()))) {
        HostileSleepForever();
    }
    Register(entry != NULL && strcmp(entry, "reverse-in-workers") == 0 && HostileInWorker());
}
