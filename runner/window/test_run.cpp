#include "window/test_run.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kernel_handle.h"
#include "library_feed.h"
#include "library_loader.h"
#include "output_capture.h"
#include "registry_index.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/queued_calls.h"
#include "views/failure_list.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "views/view_context.h"
#include "wide_text_windows.h"
#include "window/commands.h"
#include "window/current_test_function.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/shadow_copy.h"
#include "worker_process.h"

namespace runner {
namespace {

// Sent by the run's thread: lParam points to the call the window's thread makes.
constexpr UINT kCallFromRun = WM_APP + 20;
// Posted by the run's thread as its last act.
constexpr UINT kSeparateRunEnded = WM_APP + 21;
// Posted by the run's thread when it queues a call and the window's thread has no
// queued calls left to make.
constexpr UINT kQueuedFromRun = WM_APP + 22;

// What the run's thread hands the window's thread without waiting.
QueuedCalls queuedCalls;
// Whether the run's thread has ended while calls it queued were still to be made.
bool runEndWaiting = false;

constexpr UINT_PTR kQueuedCallsTimer = 0x4E56;

void FinishSeparateRun();

// Makes the next stretch of queued calls. What is left waits for a timer, which
// comes after the input and painting queued meanwhile; once none is left, a run's
// end that came meanwhile is taken.
void CALLBACK MakeNextQueuedCalls(HWND window, UINT, UINT_PTR, DWORD) {
    KillTimer(window, kQueuedCallsTimer);
    // A run's thread that outpaces the window must not keep input and painting waiting
    // behind its calls.
    const ULONGLONG until = GetTickCount64() + kRunRepaintMilliseconds;
    if (!queuedCalls.Make([until] { return GetTickCount64() < until; })) {
        SetTimer(window, kQueuedCallsTimer, USER_TIMER_MINIMUM, MakeNextQueuedCalls);
        return;
    }
    if (runEndWaiting) {
        runEndWaiting = false;
        FinishSeparateRun();
    }
}

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

// What the views draw: each test's copies, kept from one run to the next while the
// library stays loaded, with the index that names its tests. The index serves the
// next run too, unless the registry changed since: an index of many tests takes
// longer to make than a run of a few of them.
RunResults shownResults;
std::shared_ptr<const run::RegistryIndex> shownIndex;
bool shownIndexCurrent = false;

// What the workers tell of tests reaches the feed on the window's thread, in order
// with the library's events. It is a copy of what they told, so the run's thread
// need not wait.
class ObserverOnWindowThread final : public run::RemoteRunObserver {
public:
    explicit ObserverOnWindowThread(run::RemoteRunObserver &observer) : observer_(observer) {}

    void TestStarted(NvkTestFunction *test) override {
        QueueOnWindowThread([this, test] { observer_.TestStarted(test); });
    }
    void TestOutput(NvkTestFunction *test, const std::string &text) override {
        QueueOnWindowThread([this, test, text] { observer_.TestOutput(test, text); });
    }
    void TestEnded(NvkTestFunction *test, const run::TestEnd &end) override {
        QueueOnWindowThread([this, test, end] { observer_.TestEnded(test, end); });
    }

private:
    run::RemoteRunObserver &observer_;
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

// The request with the index the run's feed uses, so that the run makes none of its own.
run::RunRequest WithIndex(run::RunRequest request, const run::RegistryIndex &index) {
    request.index = &index;
    return request;
}

// The run's account of the loaded library and the listeners the window puts on its
// stream; the feed is made last and so ended first.
struct RunFeed {
    explicit RunFeed(const run::RunRequest &request)
        : index(LoadedRegistryIndex()), selection(SelectionOf(request, *index)), shown(*index) {
        libraryRun.library = loader::LoadedLibraryPath();
        libraryRun.index = index.get();
        libraryRun.selectedTests = selection.size();
        stream.Add(shownResults);
        stream.Add(shown);
        feed = std::make_unique<run::LibraryFeed>(libraryRun, selection, stream);
    }
    RunFeed(const RunFeed &) = delete;
    RunFeed &operator=(const RunFeed &) = delete;

    const std::shared_ptr<const run::RegistryIndex> index;
    const std::vector<run::TestKey> selection;
    run::LibraryRun libraryRun;
    TestInProgressShown shown;
    run::RunEvents stream;
    std::unique_ptr<run::LibraryFeed> feed;
};

// The worker loads what the window loaded, the shadow copy included, and finds the
// DLLs it needs where the window does: beside the user's file.
run::WorkerStarter StarterForLoadedLibrary() {
    const std::string library = loader::LoadedLibraryPath();
    const std::string dependencies = loader::Utf8FromAnsi(DependencyFolderOf(OpenLibraryFile()).c_str());
    return [library, dependencies] { return run::StartWorkerProcess({library, dependencies}, true); };
}

// A run in a worker process. The window's thread makes it and ends it; between, the
// run's thread calls the library, whose events and the workers' news it hands to
// the window's thread and waits meanwhile, and Stop may come from the window.
struct SeparateRun {
    SeparateRun(const run::RunRequest &runRequest, std::function<void()> whenEnded)
        : afterRun(std::move(whenEnded)),
          feed(runRequest),
          request(WithIndex(runRequest, *feed.index)),
          observer(*feed.feed) {
        run::PoolSettings settings;
        settings.timeoutSeconds = Remembered().timeLimitSeconds;
        runner = run::WorkerRunner(settings, StarterForLoadedLibrary(), wait, &observer);
    }

    std::function<void()> afterRun;
    RunFeed feed;
    run::RunRequest request;
    ObserverOnWindowThread observer;
    run::BlockingWait wait;
    std::unique_ptr<run::PlanRunner> runner;
    run::PlanOutcome outcome;  // the run's thread's until it posts its end
    run::KernelHandle thread;
    bool closeWhenDone = false;
};

std::unique_ptr<SeparateRun> separateRun;
// The separate run's thread while it runs, else 0.
std::atomic<DWORD> runThread{0};

DWORD WINAPI RunOnItsThread(void *context) {
    auto *separate = static_cast<SeparateRun *>(context);
    runThread = GetCurrentThreadId();
    separate->outcome = separate->runner->Run(separate->request);
    runThread = 0;
    PostMessageA(MainWindow(), kSeparateRunEnded, 0, 0);
    return 0;
}

void ShowWorkerFailure(const std::string &error) {
    const RunnerString format = LoadRunnerString(IDS_WORKER_FAILED);
    char text[1024];
    wsprintfA(text, format.Get() != nullptr ? format.Get() : "%s", error.c_str());
    MessageBoxA(MainWindow(), text, LoadRunnerString(IDS_DISPLAY_NAME).Get(), MB_OK | MB_ICONERROR);
}

void StartSeparateRun(const run::RunRequest &request, std::function<void()> afterRun) {
    separateRun = std::make_unique<SeparateRun>(request, std::move(afterRun));
    UpdateRunningState(MainWindow());
    separateRun->thread = run::KernelHandle(CreateThread(nullptr, 0, RunOnItsThread, separateRun.get(), 0, nullptr));
    if (separateRun->thread.Get() == nullptr) {
        separateRun->outcome.errors.push_back("the run's thread could not start");
        PostMessageA(MainWindow(), kSeparateRunEnded, 0, 0);
    }
}

// The run's thread has posted its end and does nothing more: the registry is the
// window's again.
void FinishSeparateRun() {
    if (separateRun == nullptr) {
        return;
    }
    if (separateRun->thread.Get() != nullptr) {
        WaitForSingleObject(separateRun->thread.Get(), INFINITE);
    }
    // The observer that queued them ends with the run.
    queuedCalls.Make();
    queuedCalls.Release();
    runEndWaiting = false;
    const std::unique_ptr<SeparateRun> ended = std::move(separateRun);
    ended->runner.reset();
    ended->feed.feed.reset();
    if (ended->afterRun) {
        ended->afterRun();
    }
    UpdateRunningState(MainWindow());
    UpdateCommandState(MainWindow());
    FailureListRefill(CurrentTestFunction());
    if (ended->closeWhenDone) {
        PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    } else if (!ended->outcome.errors.empty()) {
        ShowWorkerFailure(ended->outcome.errors.front());
    }
}

}  // namespace

void RunTests(const run::RunRequest &request, std::function<void()> afterRun) {
    if (separateRun != nullptr) {
        return;
    }
    NvkSetBreakOnFailure(Remembered().breakOnFailure ? 1 : 0);
    // A debugger attached to the window cannot see into a worker process: to stop at
    // a failure, the tests run where it looks, all but those that expect to end their
    // process, which a worker of their own runs all the same.
    if (Remembered().separateProcess && NvkShouldBreakOnFailure() == 0) {
        StartSeparateRun(request, std::move(afterRun));
        return;
    }
    {
        // Made before the feed and so ended after it.
        const std::unique_ptr<run::StandardCapture> capture = run::StandardCapture::IntoNewFile();
        const RunFeed feed(request);
        if (capture) {
            feed.feed->TakeOutputFrom(*capture);
        }
        run::InProcessRunner(false, {StarterForLoadedLibrary(), nullptr, feed.feed.get()})
            ->Run(WithIndex(request, *feed.index));
    }
    if (afterRun) {
        afterRun();
    }
}

bool SeparateRunInProgress() { return separateRun != nullptr; }

const TestResult *ShownResultOf(NvkTestFunction *testFunction) {
    run::TestKey key = 0;
    return shownIndex != nullptr && shownIndex->Find(testFunction, key) ? shownResults.Of(key) : nullptr;
}

RunTally ShownLatestRun() { return shownResults.LatestRun(); }

std::shared_ptr<const run::RegistryIndex> LoadedRegistryIndex() {
    if (shownIndex == nullptr || !shownIndexCurrent) {
        shownIndex = std::make_shared<const run::RegistryIndex>(run::RegistryIndex::OfLoadedLibrary());
        shownIndexCurrent = true;
        shownResults.Follow(shownIndex);
    }
    return shownIndex;
}

void ForgetShownResults(const std::vector<run::TestKey> &keys) {
    for (const run::TestKey key : keys) {
        shownResults.Forget(key);
    }
}

void ShownResultsOnEvent(int32_t code, void *second) {
    run::TestKey key = 0;
    switch (code) {
    case NvkEventBatchCreated:
    case NvkEventBatchFreed:
    case NvkEventTestFunctionAdded:
    case NvkEventTestFunctionFreed:
        shownIndexCurrent = false;
        break;
    case NvkEventTestFunctionReset:
        if (shownIndex != nullptr && shownIndex->Find(static_cast<NvkTestFunction *>(second), key)) {
            shownResults.Forget(key);
        }
        break;
    case NvkEventAllBatchesFreed:
        shownResults.Clear();
        shownIndex.reset();
        break;
    default:
        break;
    }
}

void StopSeparateRun() {
    if (separateRun != nullptr) {
        separateRun->runner->Stop();
    }
}

bool CloseAfterSeparateRun() {
    if (separateRun == nullptr) {
        return false;
    }
    separateRun->closeWhenDone = true;
    StopSeparateRun();
    return true;
}

bool OnRunThread() { return GetCurrentThreadId() == runThread; }

void CallOnWindowThread(const std::function<void()> &call) {
    SendMessageA(MainWindow(), kCallFromRun, 0, reinterpret_cast<LPARAM>(&call));
}

void QueueOnWindowThread(QueuedCall call) {
    if (queuedCalls.Add(std::move(call))) {
        PostMessageA(MainWindow(), kQueuedFromRun, 0, 0);
    }
}

bool HandleRunMessage(UINT message, LPARAM lParam) {
    switch (message) {
    case kCallFromRun:
        queuedCalls.Make();
        (*reinterpret_cast<const std::function<void()> *>(lParam))();
        return true;
    case kQueuedFromRun:
        MakeNextQueuedCalls(MainWindow(), 0, 0, 0);
        return true;
    case kSeparateRunEnded:
        // The calls queued before the end are made first, in their stretches.
        runEndWaiting = true;
        MakeNextQueuedCalls(MainWindow(), 0, 0, 0);
        return true;
    default:
        return false;
    }
}

}  // namespace runner
