// The closing line that scripts and the CMake helpers read.
#include <gtest/gtest.h>

#include "console_text.h"

TEST(ClosingLine, AddsSkippedNotRunAndFlakyOnlyWhenThereAreAny) {
    struct Case {
        unsigned passed, failed, skipped, notRun, flaky;
        const char *line;
    };
    for (const Case &check : {Case{0, 0, 0, 0, 0, "0 passed, 0 failed"}, Case{5, 2, 0, 0, 0, "5 passed, 2 failed"},
                              Case{1, 1, 1, 0, 0, "1 passed, 1 failed, 1 skipped"},
                              Case{20, 1, 0, 13, 0, "20 passed, 1 failed, 13 not run"},
                              Case{20, 1, 1, 13, 0, "20 passed, 1 failed, 1 skipped, 13 not run"},
                              Case{3, 0, 0, 0, 2, "3 passed, 0 failed, 2 flaky"},
                              Case{20, 1, 1, 13, 4, "20 passed, 1 failed, 1 skipped, 13 not run, 4 flaky"}}) {
        EXPECT_EQ(check.line,
                  console::ClosingLine(check.passed, check.failed, check.skipped, check.notRun, check.flaky));
    }
}
