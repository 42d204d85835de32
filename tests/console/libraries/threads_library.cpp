// Tests that check from threads of their own, for the console's end-to-end cases: passes
// of four threads, a failure of a second thread, a label in one repetition only, and a
// crash of a second thread, which ends the process it runs in.
#include <cstdio>
#include <thread>
#include <vector>

#include "norvik_test.h"

NVK_TEST(ThreadPasses, FourThreadsOfAThousand) {
    std::vector<std::thread> threads;
    for (int index = 0; index < 4; ++index) {
        threads.emplace_back([] {
            for (int check = 0; check < 1000; ++check) {
                NVK_ASSERT_EQUAL_INT(check, check);
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
}

NVK_TEST(Threads, FailsOnASecondThread) {
    std::thread([] { NVK_ASSERT_EQUAL_TEXT("second", "thread"); }).join();
}

// The repetitions of a run follow one another, each perhaps in a process of its own: a
// file in the working folder tells the first.
NVK_TEST(Threads, LabelsTheFirstRepetitionOnly) {
    const char *const mark = "threads_library_repeated";
    std::FILE *file = std::fopen(mark, "r");
    if (file == nullptr) {
        file = std::fopen(mark, "w");
        NVK_LABEL("first repetition");
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    NVK_ASSERT_EQUAL_INT(3, 4);
}

// Read at run time, so that the compiler cannot turn the write into a trap of its own.
static int *volatile nowhere = nullptr;

static void WriteNowhere() { *nowhere = 1; }

NVK_TEST(ThreadCrash, CrashesOnASecondThread) { std::thread(WriteNowhere).join(); }

NVK_TEST_LIBRARY_ENTRY {}
