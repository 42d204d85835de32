// What a test function's result looks like in the window: its result text, its
// tree image and the progress bar's colour rules. Portable.
#pragma once

#include <cstdint>

namespace runner {

enum class TestState { NotRun, Running, Passed, Failed, Skipped };

// hasRun: the test function ran since its last reset; skipped: it skipped itself in
// its last run (the library keeps a reason only when it failed nothing), which
// counts as not run, as the library counts it.
TestState StateOf(bool running, bool hasRun, int32_t failures, bool skipped);

// The string-table id of the result column's text.
unsigned ResultTextId(TestState state);

// Images of the tree's image strip.
constexpr int kClosedFolderImage = 0;
constexpr int kOpenFolderImage = 1;
int TreeImageOf(TestState state);

// The progress bar measures a batch run (tracking) or a single test function run.
struct ProgressScope {
    const void *batch = nullptr;  // none: all batches
    bool tracking = false;
};

// The scope of a run from the run-started event's two records: a batch run names
// no test function.
ProgressScope ScopeOfRun(const void *batch, const void *testFunction);

// Whether the bar must be redrawn after step number position of maximum: when the
// filled part of a bar width pixels wide grows, and at the last step. Thousands of
// steps share each pixel.
bool StepShows(uint32_t position, uint32_t maximum, int width);

// Green at the end of a run only when a batch run was measured and nothing failed.
bool EndsGreen(const ProgressScope &scope, int32_t failedCount);

}  // namespace runner
