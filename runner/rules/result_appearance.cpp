#include "rules/result_appearance.h"

#include "resources/resource.h"

namespace runner {

TestState StateOf(const TestResult *result) {
    if (result == nullptr || result->progress == TestResult::Progress::None) {
        return TestState::NotRun;
    }
    if (result->progress == TestResult::Progress::Running) {
        return TestState::Running;
    }
    if (HasFailed(*result)) {
        return TestState::Failed;
    }
    switch (result->ending) {
    case run::Ending::Skipped:
        return TestState::Skipped;
    case run::Ending::NotRun:
        return TestState::NotRun;
    default:
        return TestState::Passed;
    }
}

unsigned ResultTextId(TestState state) {
    switch (state) {
    case TestState::Running:
        return IDS_RESULT_TESTING;
    case TestState::Passed:
        return IDS_RESULT_PASSED;
    case TestState::Failed:
        return IDS_RESULT_FAILED;
    case TestState::NotRun:
    case TestState::Skipped:
        break;
    }
    return IDS_RESULT_SKIPPED;
}

int TreeImageOf(TestState state) {
    switch (state) {
    case TestState::Running:
        return 5;
    case TestState::Passed:
        return 3;
    case TestState::Failed:
        return 4;
    case TestState::NotRun:
    case TestState::Skipped:
        break;
    }
    return 2;
}

ProgressScope ScopeOfRun(const void *testFunction) {
    ProgressScope scope;
    scope.tracking = testFunction == nullptr;
    return scope;
}

namespace {

uint64_t FilledPixels(uint32_t position, uint32_t maximum, int width) {
    return maximum == 0 ? 0 : uint64_t(position) * uint64_t(width > 0 ? width : 0) / maximum;
}

}  // namespace

bool StepShows(uint32_t position, uint32_t maximum, int width) {
    return position >= maximum || position == 0 ||
           FilledPixels(position, maximum, width) != FilledPixels(position - 1, maximum, width);
}

bool EndsGreen(const ProgressScope &scope, size_t failedCount) { return scope.tracking && failedCount == 0; }

}  // namespace runner
