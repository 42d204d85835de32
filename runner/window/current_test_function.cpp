#include "window/current_test_function.h"

#include "views/failure_list.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "window/commands.h"
#include "window/main_window.h"

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
