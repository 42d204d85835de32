/* A test DLL of declared tests for the runner's window, which knows where each is
 * written: one that passes, one that skips itself, one that writes where it runs to
 * the file NORVIK_DECLARED_WHERE names (its process and whether Break on Failure was
 * on) and passes, so that it can run under a debugger; and, in a batch of its own,
 * one that crashes. */
#include <windows.h>

#include <stdio.h>

#include "norvik_test.h"

NVK_TEST(Declared, Passes) { NVK_ASSERT_TRUE(1); }

NVK_TEST(Declared, SkipsItself) { NVK_SKIP("needs the %s", "network"); }

NVK_TEST(Declared, TellsWhereItRuns) {
    char path[MAX_PATH];
    FILE *file;
    const int32_t breaks = NvkSetBreakOnFailure(0);
    NvkSetBreakOnFailure(breaks);
    if (GetEnvironmentVariableA("NORVIK_DECLARED_WHERE", path, sizeof path) == 0 || (file = fopen(path, "w")) == NULL) {
        return;
    }
    fprintf(file, "%lu %d", (unsigned long)GetCurrentProcessId(), (int)breaks);
    fclose(file);
}

NVK_TEST(Crashing, Crashes) {
    volatile int *nowhere = NULL;
    *nowhere = 1;
}

NVK_TEST_LIBRARY_ENTRY {}
