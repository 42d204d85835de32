/* A test library whose tests expect how they end, by an exit or by a crash: each kind
 * once as it expects and once otherwise, and a plain test after them, which shows that
 * the run goes on. */
#include <stdlib.h>

#include "norvik_test.h"

#ifdef _WIN32
#  include <windows.h>
#  define END_AT_ONCE(code) ExitProcess(code)
#  define ACCESS_VIOLATION 0xC0000005u
#else
#  include <signal.h>
#  include <unistd.h>
#  define END_AT_ONCE(code) _exit(code)
#  define ACCESS_VIOLATION SIGSEGV
#endif

static int *volatile nullPointer = NULL;

NVK_TEST_EXPECT_EXIT(Ends, ExitsWithThree, 3) {
    NVK_ASSERT_TRUE(1);
    exit(3);
}
NVK_TEST_EXPECT_EXIT(Ends, EndsAtOnceWithFour, 4) { END_AT_ONCE(4); }
NVK_TEST_EXPECT_EXIT(Ends, ExitsWithFourNotThree, 3) { exit(4); }
NVK_TEST_EXPECT_EXIT(Ends, ReturnsInsteadOfExiting, 0) {}
NVK_TEST_EXPECT_EXIT(Ends, CrashesInsteadOfExiting, 0) { abort(); }
NVK_TEST_EXPECT_CRASH(Ends, AbortsAsExpected, NVK_ABORT_CRASH) { abort(); }
NVK_TEST_EXPECT_CRASH(Ends, AnyCrash, NVK_ANY_CRASH) { abort(); }
NVK_TEST_EXPECT_CRASH(Ends, ReturnsInsteadOfCrashing, NVK_ABORT_CRASH) {}
NVK_TEST_EXPECT_CRASH(Ends, AbortsInsteadOfFaulting, ACCESS_VIOLATION) { abort(); }
NVK_TEST(Ends, RunsAfterThem) { NVK_ASSERT_TRUE(1); }

/* The emulator reports this fault as another; its run filters it in. */
NVK_TEST_EXPECT_CRASH(Faults, WritesThroughNull, ACCESS_VIOLATION) { *nullPointer = 1; }

/* A stack overflow, which the 64-bit Windows build runs in a worker of its own. */
#ifdef _WIN32
#  define STACK_OVERFLOW 0xC00000FDu
#else
#  define STACK_OVERFLOW SIGSEGV
#endif
static volatile int deepestLevel = -1;
static int Recurse(int level) {
    volatile char frame[512];
    frame[0] = (char)level;
    return level == deepestLevel ? 0 : Recurse(level + 1) + frame[0];
}
NVK_TEST_EXPECT_CRASH(Overflow, RecursesWithoutEnd, STACK_OVERFLOW) { NVK_ASSERT_TRUE(Recurse(0) != 0); }
NVK_TEST_EXPECT_CRASH(Overflow, RecursesWithoutEndAnyCrash, NVK_ANY_CRASH) { NVK_ASSERT_TRUE(Recurse(0) != 0); }
NVK_TEST(Overflow, PassesAfterThem) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {}
