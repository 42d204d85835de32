#include "window/test_run.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "kernel_handle.h"
#include "library_feed.h"
#include "library_loader.h"
#include "registry_index.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "wide_text_windows.h"
#include "window/commands.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/shadow_copy.h"
#include "worker_process.h"

namespace runner {
namespace {

bool separateRun = false;
bool closeWhenDone = false;
run::PlanRunner *activeRunner = nullptr;

// While the run's thread waits for the worker, the window's messages go on: it can
// be scrolled, resized and read, and a Stop reaches the run.
class MessagesFlowWait final : public run::DeliveryWait {
public:
    MessagesFlowWait() : delivered_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

    void Notify() override { SetEvent(delivered_.Get()); }

    void Await(std::unique_lock<std::mutex> &lock) override {
        lock.unlock();
        const HANDLE delivered = delivered_.Get();
        if (MsgWaitForMultipleObjects(1, &delivered, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchWindowMessage(message);
            }
        }
        lock.lock();
    }

private:
    run::KernelHandle delivered_;
};

// The test in progress reads "Testing" once the run's stream says it started: in a
// worker process as soon as the worker says so, long before the library replays it.
class TestInProgressShown final : public run::RunListener {
public:
    explicit TestInProgressShown(const run::RegistryIndex &index) : index_(index) {}

    void TestStarted(const run::TestIdentity &test) override {
        NvkTestFunction *function = index_.Function(test.key);
        TreeShowTestInProgress(function);
        ResultListShowTestInProgress(function);
    }

private:
    const run::RegistryIndex &index_;
};

std::vector<run::TestKey> SelectionOf(const run::RunRequest &request, const run::RegistryIndex &index) {
    using Kind = run::RunRequest::Kind;
    const std::vector<run::TestRef> refs =
        request.kind == Kind::EachAlone ? request.tests
                                        : index.Selected(request.kind == Kind::OneBatch ? request.batch : nullptr);
    std::vector<run::TestKey> keys;
    keys.reserve(refs.size());
    for (const run::TestRef &ref : refs) {
        keys.push_back(index.KeyOf(ref));
    }
    return keys;
}

// The worker loads what the window loaded, the shadow copy included, and finds the
// DLLs it needs where the window does: beside the user's file.
run::WorkerStarter StarterForLoadedLibrary() {
    const std::string library = loader::LoadedLibraryPath();
    const std::string dependencies = loader::Utf8FromAnsi(DependencyFolderOf(OpenLibraryFile()).c_str());
    return [library, dependencies] { return run::StartWorkerProcess({library, dependencies}); };
}

void ShowWorkerFailure(const std::string &error) {
    const RunnerString format = LoadRunnerString(IDS_WORKER_FAILED);
    char text[1024];
    wsprintfA(text, format.Get() != nullptr ? format.Get() : "%s", error.c_str());
    MessageBoxA(MainWindow(), text, LoadRunnerString(IDS_DISPLAY_NAME).Get(), MB_OK | MB_ICONERROR);
}

void RunSeparately(const run::RunRequest &request, run::LibraryFeed &feed) {
    run::PoolSettings settings;
    settings.timeoutSeconds = Remembered().timeLimitSeconds;
    MessagesFlowWait wait;
    const std::unique_ptr<run::PlanRunner> runner = run::WorkerRunner(settings, StarterForLoadedLibrary(), wait, &feed);
    separateRun = true;
    closeWhenDone = false;
    activeRunner = runner.get();
    const run::PlanOutcome outcome = runner->Run(request);
    activeRunner = nullptr;
    separateRun = false;
    UpdateRunningState(MainWindow());
    UpdateCommandState(MainWindow());
    if (!outcome.errors.empty() && !closeWhenDone) {
        ShowWorkerFailure(outcome.errors.front());
    }
    if (closeWhenDone) {
        PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    }
}

}  // namespace

void RunTests(const run::RunRequest &request) {
    if (separateRun) {
        return;
    }
    NvkSetBreakOnFailure(Remembered().breakOnFailure ? 1 : 0);
    const run::RegistryIndex index = run::RegistryIndex::OfLoadedLibrary();
    const std::vector<run::TestKey> selection = SelectionOf(request, index);
    run::LibraryRun libraryRun;
    libraryRun.library = loader::LoadedLibraryPath();
    libraryRun.index = &index;
    libraryRun.selectedTests = selection.size();
    TestInProgressShown shown(index);
    run::LibraryFeed feed(libraryRun, selection, shown);
    // A debugger attached to the window cannot see into a worker process: to stop at
    // a failure, the tests run where it looks.
    if (Remembered().separateProcess && NvkShouldBreakOnFailure() == 0) {
        RunSeparately(request, feed);
    } else {
        run::InProcessRunner()->Run(request);
    }
}

bool SeparateRunInProgress() { return separateRun; }

void StopSeparateRun() {
    if (activeRunner != nullptr) {
        activeRunner->Stop();
    }
}

bool CloseAfterSeparateRun() {
    if (!separateRun) {
        return false;
    }
    closeWhenDone = true;
    StopSeparateRun();
    return true;
}

}  // namespace runner
