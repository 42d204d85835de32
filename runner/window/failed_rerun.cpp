#include "window/failed_rerun.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "norvik.h"
#include "registry_index.h"
#include "views/failure_list.h"
#include "window/current_test_function.h"
#include "window/main_window.h"
#include "window/test_run.h"

namespace runner {
namespace {

bool changingInBulk = false;

class BulkChange {
public:
    BulkChange() { changingInBulk = true; }
    ~BulkChange() { changingInBulk = false; }
    BulkChange(const BulkChange &) = delete;
    BulkChange &operator=(const BulkChange &) = delete;
};

// What a test's record says of the last run, in one question to the library. The
// library resets a record that ran or skipped itself: a test failed in the last run
// when its record holds a failure.
struct LastRun {
    bool ran;
    bool failed;
};

LastRun LastRunOf(NvkTestFunction *test) {
    int32_t failures = 0;
    const bool ran = NvkTestFunctionGetStatistics(test, nullptr, &failures, nullptr) != 0;
    return {ran, ran && failures > 0};
}

// What the run needs of the records before it, read in one walk.
struct RecordsBefore {
    std::vector<NvkTestFunction *> failed;
    std::vector<NvkTestFunction *> unticked;
    std::vector<run::TestKey> withResults;
    bool currentHasResults = false;
};

RecordsBefore ReadRecords(const run::RegistryIndex &index) {
    RecordsBefore before;
    NvkTestFunction *const current = CurrentTestFunction();
    for (run::TestKey key = 0; key < index.size(); ++key) {
        NvkTestFunction *test = index.Function(key);
        const LastRun last = LastRunOf(test);
        if (last.failed) {
            before.failed.push_back(test);
        }
        if (NvkTestFunctionGetSkip(test) != 0) {
            before.unticked.push_back(test);
        }
        if (last.ran || NvkTestFunctionGetSkipReason(test) != nullptr) {
            before.withResults.push_back(key);
            before.currentHasResults = before.currentHasResults || test == current;
        }
    }
    return before;
}

// The run resets no record then, and the views show each reset one as not run.
void ResetEveryRecord(const RecordsBefore &before) {
    {
        const BulkChange bulk;
        NvkBatchResetAllTests(nullptr, 0);
    }
    ForgetShownResults(before.withResults);
    if (before.currentHasResults) {
        NvkTestFunction *const current = CurrentTestFunction();
        FailureListOnEvent(NvkEventTestFunctionReset, nullptr, current, current);
    }
    RedrawWindow(MainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

void RunFailedTestsAgain() {
    if (SeparateRunInProgress()) {
        return;
    }
    const std::shared_ptr<const run::RegistryIndex> index = LoadedRegistryIndex();
    const RecordsBefore before = ReadRecords(*index);
    ResetEveryRecord(before);
    {
        const BulkChange bulk;
        NvkBatchSkip(nullptr, 1);
        for (NvkTestFunction *test : before.failed) {
            NvkTestFunctionSetSkip(test, 0);
        }
    }
    const std::vector<NvkTestFunction *> unticked = before.unticked;
    RunTests(run::RunRequest(), [unticked] {
        const BulkChange bulk;
        NvkBatchSkip(nullptr, 0);
        for (NvkTestFunction *test : unticked) {
            NvkTestFunctionSetSkip(test, 1);
        }
    });
}

// Called at every change of the commands' state: the walk ends at the first failure.
bool AnyFailedInLastRun() {
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            if (LastRunOf(test).failed) {
                return true;
            }
        }
    }
    return false;
}

bool RecordsChangeInBulk() { return changingInBulk; }

}  // namespace runner
