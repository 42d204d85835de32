// What a test function's result looks like in the window: its result text, its
// tree image and the progress bar's colour rules. Portable.
#pragma once

#include <cstdint>

#include "rules/run_results.h"

namespace runner {

enum class TestState { NotRun, Running, Passed, Failed, Skipped };

// The state of a test's copies; NULL, as a test with none, has not run. A test that
// skipped itself and failed nothing counts as not run, as the library counts it,
// and one that failed after its skip as failed.
TestState StateOf(const TestResult *result);

// The string-table id of the result column's text.
unsigned ResultTextId(TestState state);

// Images of the tree's image strip.
constexpr int kClosedFolderImage = 0;
constexpr int kOpenFolderImage = 1;
int TreeImageOf(TestState state);

// The progress bar measures a batch run (tracking) or a single test function run.
struct ProgressScope {
    bool tracking = false;
};

// The scope of a run from the run-started event's test function: a batch run names
// none.
ProgressScope ScopeOfRun(const void *testFunction);

// Whether the bar must be redrawn after step number position of maximum: when the
// filled part of a bar width pixels wide grows, and at the last step. Thousands of
// steps share each pixel.
bool StepShows(uint32_t position, uint32_t maximum, int width);

// Green at the end of a run only when a batch run was measured and nothing failed.
bool EndsGreen(const ProgressScope &scope, size_t failedCount);

}  // namespace runner
