#include "current_test.h"

#include "commands.h"
#include "failure_list.h"
#include "main_window.h"
#include "result_list.h"
#include "test_tree.h"

namespace runner {
namespace {

NvkTestFunction *currentTestFunction = nullptr;

}  // namespace

NvkTestFunction *CurrentTestFunction() { return currentTestFunction; }

void ClearCurrentTestFunction() { currentTestFunction = nullptr; }

void MakeCurrent(NvkTestFunction *testFunction) {
    if (testFunction == currentTestFunction) {
        return;
    }
    // Stored first: the selection notices the steps below cause find it current.
    currentTestFunction = testFunction;
    if (testFunction != nullptr) {
        TreeSelectTestFunction(testFunction);
    }
    ResultListSelect(testFunction);
    FailureListRefill(testFunction);
    UpdateCommandState(MainWindow());
}

NvkBatch *AvailableBatch() {
    return currentTestFunction != nullptr ? NvkTestFunctionGetBatch(currentTestFunction) : TreeSelectedBatch();
}

}  // namespace runner
