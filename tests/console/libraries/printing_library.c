/* A test library whose tests write to standard output and standard error in the ways
 * tests do: through the C streams, straight to the system, without a line end, from
 * a second thread, and before a fault or the end of their process. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#if defined(_WIN32)
#  include <windows.h>
#else
#  include <pthread.h>
#  include <unistd.h>
#endif

#include "norvik_test.h"

static int *volatile nullPointer = NULL;

static void WriteToTheSystem(const char *text) {
#if defined(_WIN32)
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &written, NULL);
#else
    ssize_t written = write(STDOUT_FILENO, text, strlen(text));
    (void)written;
#endif
}

#if defined(_WIN32)
static DWORD WINAPI PrintFromThread(LPVOID unused) {
    (void)unused;
    printf("from a second thread\n");
    return 0;
}
#else
static void *PrintFromThread(void *unused) {
    (void)unused;
    printf("from a second thread\n");
    return NULL;
}
#endif

NVK_TEST(Prints, PassesAndPrints) {
    printf("passing output\n");
    fprintf(stderr, "passing error\n");
    WriteToTheSystem("written to the system\n");
}

NVK_TEST(Prints, FailsAndPrints) {
    printf("failing output\n");
    NVK_ASSERT(0, "failed on purpose");
}

NVK_TEST(Prints, PrintsWithoutLineEnd) { printf("partial"); }

NVK_TEST(Prints, PrintsFromAThread) {
#if defined(_WIN32)
    HANDLE thread = CreateThread(NULL, 0, PrintFromThread, NULL, 0, NULL);
    NVK_ASSERT_TRUE(thread != NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    pthread_t thread;
    NVK_ASSERT_TRUE(pthread_create(&thread, NULL, PrintFromThread, NULL) == 0);
    pthread_join(thread, NULL);
#endif
}

NVK_TEST(Prints, PrintsAndFaults) {
    printf("before the fault\n");
    *nullPointer = 1;
}

NVK_TEST(Prints, PassesSilently) { NVK_ASSERT_TRUE(1); }

/* Last: in the runner's own process, the run ends here. */
NVK_TEST(Prints, PrintsAndExits) {
    printf("before the exit\n");
    exit(3);
}

NVK_TEST_LIBRARY_ENTRY {}
