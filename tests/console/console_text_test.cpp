// The closing line that scripts and the CMake helpers read.
#include <gtest/gtest.h>

#include "console_text.h"

TEST(ClosingLine, AddsSkippedAndNotRunOnlyWhenThereAreAny) {
    struct Case {
        unsigned passed, failed, skipped, notRun;
        const char *line;
    };
    for (const Case &check :
         {Case{0, 0, 0, 0, "0 passed, 0 failed"}, Case{5, 2, 0, 0, "5 passed, 2 failed"},
          Case{1, 1, 1, 0, "1 passed, 1 failed, 1 skipped"}, Case{20, 1, 0, 13, "20 passed, 1 failed, 13 not run"},
          Case{20, 1, 1, 13, "20 passed, 1 failed, 1 skipped, 13 not run"}}) {
        EXPECT_EQ(check.line, console::ClosingLine(check.passed, check.failed, check.skipped, check.notRun));
    }
}
