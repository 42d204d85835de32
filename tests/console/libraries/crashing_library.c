/* A test library whose tests end their process in the ways the crash guard cannot
 * always catch, each between two tests that pass. */
#include <stdlib.h>
#include <string.h>

#include "norvik_test.h"

static void NVK_CALL Passes(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL PassesAfterExit(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL PassesAfterAbort(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL PassesAfterHeap(void) { NVK_ASSERT_TRUE(1); }
static void NVK_CALL PassesAfterRecursion(void) { NVK_ASSERT_TRUE(1); }

static void NVK_CALL CallsExit(void) { exit(3); }

static void NVK_CALL Aborts(void) { abort(); }

static void NVK_CALL OverrunsHeapBlock(void) {
    char *volatile block = (char *)malloc(16);
    memset(block, 0x5A, 4096);
    free(block);
    free(malloc(16));
}

/* Never reached: it keeps the compiler from seeing that the recursion has no end. */
static volatile int deepestLevel = -1;

static int Recurse(int level) {
    volatile char frame[512];
    frame[0] = (char)level;
    if (level == deepestLevel) {
        return 0;
    }
    return Recurse(level + 1) + frame[0];
}

static void NVK_CALL RecursesForever(void) { NVK_ASSERT_TRUE(Recurse(0) != 0); }

static void NVK_CALL FailsOnTwoLines(void) { NVK_ASSERT(0, "first line\nsecond line \x1b[31mred"); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Ends");
    NVK_ADD_TEST(batch, Passes);
    NVK_ADD_TEST(batch, CallsExit);
    NVK_ADD_TEST(batch, PassesAfterExit);
    NVK_ADD_TEST(batch, Aborts);
    NVK_ADD_TEST(batch, PassesAfterAbort);
    NVK_ADD_TEST(batch, OverrunsHeapBlock);
    NVK_ADD_TEST(batch, PassesAfterHeap);
    NVK_ADD_TEST(batch, RecursesForever);
    NVK_ADD_TEST(batch, PassesAfterRecursion);
    batch = NvkBatchCreate("Lines");
    NVK_ADD_TEST(batch, FailsOnTwoLines);
}
