#include "session.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "console_output.h"
#include "console_text.h"
#include "final_reports.h"
#include "library_loader.h"
#include "name_filter.h"
#include "norvik.h"
#include "plan_runner.h"
#include "platform.h"
#include "report_paths.h"
#include "result_store.h"
#include "run_plan.h"
#include "test_list_json.h"
#include "watchdog.h"
#include "worker_process.h"

namespace console {
namespace {

// What the session is doing, for a process end or a hang to be told apart from a
// run that finished.
enum class Activity { Idle, Loading, Running, Unloading };

// The longest the reports of a hung library may take before the process ends anyway.
constexpr double kReportSeconds = 60;

class Session : private run::RemoteRunObserver {
public:
    Session(const Options &options, bool colour, uint64_t seed)
        : options_(options), output_(options.verbosity, colour), seed_(seed) {}

    int Run() {
        active_ = this;
        if (!ReportsSpareTheLibraries()) {
            return kExitUsageOrLoad;
        }
        // The build tool learns that the runner shards by finding this file.
        if (!options_.shardStatusFile.empty() && !TouchFile(options_.shardStatusFile)) {
            output_.Error("cannot write the shard status file " + options_.shardStatusFile);
            return kExitUsageOrLoad;
        }
        if (options_.failFast) {
            store_.SetNotRunReason("the run stopped at the first failure");
        }
        NvkSetEventHandler(&Session::OnEvent, 1);
        if (options_.breakOnFailure) {
            NvkSetBreakOnFailure(1);
        }
        runner_ = MakeRunner();
        // One watchdog for every library, started before any is loaded: a thread
        // started while the loader is busy would wait for it.
        if (options_.timeoutSeconds > 0) {
            libraryWatchdog_.reset(new run::Watchdog(options_.timeoutSeconds, [this](double) { OnLibraryHang(); }));
            reportWatchdog_.reset(
                new run::Watchdog(kReportSeconds, [](double) { run::EndThisProcess(kExitTimeout); }));
        }
        // Also with workers: the libraries are loaded and unloaded in this process.
        NvkSetProcessEndHandler(&Session::OnProcessEnd);
        int exitCode = kExitPassed;
        for (size_t index = 0; index < options_.libraries.size() && exitCode == kExitPassed && !stopped_; ++index) {
            exitCode = RunLibrary(index);
        }
        NvkSetProcessEndHandler(nullptr);
        if (exitCode == kExitPassed && selectedTests_ == 0 && !options_.allowEmpty) {
            output_.Error("no test was selected; --allow-empty lets such a run pass");
            exitCode = kExitUsageOrLoad;
        }
        if (options_.list) {
            if (!options_.jsonPath.empty() && !WriteTestList()) {
                exitCode = kExitUsageOrLoad;
            }
            return exitCode == kExitPassed && registrationFailed_ ? kExitFailed : exitCode;
        }
        return Finish(exitCode);
    }

private:
    bool InWorkers() const { return options_.isolate || options_.timeoutSeconds > 0; }

    // Without --isolate a time limit still needs a process to end: all tests run in
    // one worker, and the run ends at the first test that hangs or ends it.
    std::unique_ptr<run::PlanRunner> MakeRunner() {
        if (!InWorkers()) {
            return run::InProcessRunner(options_.failFast);
        }
        run::PoolSettings settings;
        settings.jobs = options_.jobs;
        settings.timeoutSeconds = options_.timeoutSeconds;
        settings.restartAfterEnd = options_.isolate;
        settings.failFast = options_.failFast;
        return run::WorkerRunner(
            settings, [this] { return run::StartWorkerProcess({library_}); }, wait_, this);
    }

    // A report written over a test library would destroy it.
    bool ReportsSpareTheLibraries() const {
        for (size_t index = 0; index < options_.libraries.size(); ++index) {
            for (const std::string &report : ReportsDuringLibrary(options_, options_.libraries[index])) {
                if (loader::ReportWouldOverwriteLibrary(report.c_str(), options_.libraries[index].c_str())) {
                    output_.Error("the report " + report + " would overwrite the test library " +
                                  options_.libraries[index]);
                    return false;
                }
            }
        }
        return true;
    }

    int RunLibrary(size_t index) {
        library_ = options_.libraries[index];
        xmlPath_ =
            options_.xmlPath.empty() ? std::string() : LibraryReportPath(options_.xmlPath, options_.libraries, index);
        if (!Load()) {
            return kExitUsageOrLoad;
        }
        const std::vector<TestRef> share = SelectShare();
        selectedTests_ += share.size();
        int exitCode = kExitPassed;
        if (options_.list) {
            ListSelected();
        } else {
            for (unsigned repetition = 1; repetition <= options_.repeat && !stopped_; ++repetition) {
                if (!RunRepetition(share, repetition)) {
                    exitCode = kExitUsageOrLoad;
                    break;
                }
            }
            if (!xmlPath_.empty() && !WriteLibraryReport(xmlPath_, output_)) {
                exitCode = kExitUsageOrLoad;
            }
        }
        xmlPath_.clear();
        Unload();
        return exitCode;
    }

    bool Load() {
        const loader::LoadFailure failure =
            Watched(Activity::Loading, [this] { return loader::LoadTestLibrary(library_.c_str()); });
        if (failure != loader::LoadFailure::None) {
            const std::string details = loader::LoadFailureDetails();
            output_.Error(library_ + ": " + loader::LoadFailureText(failure) + (details.empty() ? "" : " " + details));
            return false;
        }
        if (NvkBatchGetCount(nullptr) == 0) {
            output_.Error(library_ + ": " + loader::LoadFailureText(loader::LoadFailure::NoTests));
        }
        ReportRegistrationErrors();
        ++librariesLoaded_;
        return true;
    }

    // What the library's registration refused fails the run, which still runs what
    // was registered. Workers load the library again and say nothing of it.
    void ReportRegistrationErrors() {
        const uint32_t count = NvkRegistrationGetErrorCount();
        for (uint32_t index = 0; index < count; ++index) {
            const char *error = NvkRegistrationGetError(index);
            output_.LibraryError(library_, error != nullptr ? error : "");
        }
        if (count != 0) {
            store_.AddRegistrationErrors(library_);
            registrationFailed_ = true;
        }
    }

    void Unload() {
        Watched(Activity::Unloading, [] {
            loader::ReleaseTestLibrary();
            return true;
        });
    }

    // A test library whose loading or unloading hangs is not left to hang the run
    // when a time limit was given.
    template <typename Work>
    auto Watched(Activity activity, Work work) -> decltype(work()) {
        SetActivity(activity);
        if (libraryWatchdog_) {
            libraryWatchdog_->Arm();
        }
        const auto result = work();
        if (libraryWatchdog_) {
            libraryWatchdog_->Disarm();
        }
        SetActivity(Activity::Idle);
        return result;
    }

    // The filter's selection, then the run's share of it, left in the skip flags:
    // the library runs them, and its report shows the others as skipped. The shares
    // are dealt across all the run's libraries.
    std::vector<TestRef> SelectShare() {
        const TestFilter filter(options_.filter);
        std::vector<TestRef> selected;
        uint32_t batchIndex = 0;
        for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch), ++batchIndex) {
            uint32_t place = 0;
            for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
                 test = NvkTestFunctionGetNext(test), ++place) {
                const bool chosen = filter.Selects(test);
                NvkTestFunctionSetSkip(test, chosen ? 0 : 1);
                if (chosen) {
                    selected.push_back({batchIndex, place});
                }
            }
        }
        if (options_.shardCount == 1) {
            return selected;
        }
        const std::vector<TestRef> share =
            run::ShardShare(selected, options_.shardIndex, options_.shardCount, dealtSoFar_);
        dealtSoFar_ += selected.size();
        const std::vector<std::vector<NvkTestFunction *>> registry = RegisteredTests();
        for (const TestRef &test : selected) {
            NvkTestFunctionSetSkip(registry[test.batch][test.test], 1);
        }
        for (const TestRef &test : share) {
            NvkTestFunctionSetSkip(registry[test.batch][test.test], 0);
        }
        return share;
    }

    // One time through the selected tests, with results of its own. False when the
    // tests could not be run.
    bool RunRepetition(const std::vector<TestRef> &share, unsigned repetition) {
        std::string label;
        if (options_.repeat > 1) {
            output_.RepetitionStarted(repetition, options_.repeat);
            label = " (repetition " + std::to_string(repetition) + " of " + std::to_string(options_.repeat) + ")";
        }
        const run::RunRequest request = RequestFor(share, repetition);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            selection_ = store_.AddSelection(library_, label);
            cursor_ = 0;
            keys_.clear();
        }
        output_.LibraryStarted(library_, share.size());
        SetActivity(Activity::Running);
        const run::PlanOutcome outcome = runner_->Run(request);
        SetActivity(Activity::Idle);
        timedOut_ = timedOut_ || outcome.timedOutOutsideTests;
        for (const std::string &error : outcome.errors) {
            output_.Error(library_ + ": " + error);
        }
        return outcome.errors.empty() || outcome.timedOutOutsideTests;
    }

    // A plain run is every batch over the skip flags; one that must stop between
    // tests or change their order runs each test alone.
    run::RunRequest RequestFor(const std::vector<TestRef> &share, unsigned repetition) const {
        run::RunRequest request;
        if (options_.shuffle) {
            const uint64_t seed = seed_ + repetition - 1;
            output_.Shuffling(seed);
            request.kind = run::RunRequest::Kind::EachAlone;
            request.tests = run::TestsInOrder(run::ShuffledSteps(share, seed));
        } else if (options_.failFast) {
            request.kind = run::RunRequest::Kind::EachAlone;
            request.tests = share;
        }
        return request;
    }

    void ListSelected() {
        for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
            ListedBatch listed;
            for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
                 test = NvkTestFunctionGetNext(test)) {
                if (NvkTestFunctionGetSkip(test) == 0) {
                    output_.Listed(FullTestName(test));
                    listed.tests.push_back(ListedTestOf(test));
                }
            }
            if (!listed.tests.empty()) {
                const char *name = NvkBatchGetName(batch);
                listed.name = name != nullptr ? name : "";
                listed_.push_back(std::move(listed));
            }
        }
    }

    static ListedTest ListedTestOf(NvkTestFunction *test) {
        ListedTest listed;
        const char *name = NvkTestFunctionGetName(test);
        const char *file = NvkTestFunctionGetSourceFile(test);
        listed.name = name != nullptr ? name : "";
        listed.file = file != nullptr ? file : "";
        listed.line = NvkTestFunctionGetSourceLine(test);
        return listed;
    }

    // One list for every library of the run, written once all were listed.
    bool WriteTestList() const {
        if (WriteWholeFile(options_.jsonPath, TestListJson(listed_))) {
            return true;
        }
        output_.Error("cannot write the test list " + options_.jsonPath);
        return false;
    }

    int Finish(int exitCode) {
        if (!WriteFinalReports(options_.junitPath, store_, output_)) {
            exitCode = kExitUsageOrLoad;
        }
        const Counts counts = store_.Count();
        if (exitCode == kExitUsageOrLoad && librariesLoaded_ == 0) {
            return exitCode;
        }
        output_.Summary(counts, store_.FailedTests());
        if (exitCode != kExitPassed) {
            return exitCode;
        }
        if (processEnded_) {
            return kExitProcessEnded;
        }
        if (timedOut_) {
            return kExitTimeout;
        }
        return counts.failed != 0 || registrationFailed_ ? kExitFailed : kExitPassed;
    }

    void SetActivity(Activity activity) {
        std::lock_guard<std::mutex> lock(mutex_);
        activity_ = activity;
    }

    // ---- What the library and the workers tell ----------------------------------

    static void NVK_CALL OnEvent(int32_t code, uint32_t value, intptr_t, void *, void *second) {
        if (code == NvkEventTestFunctionFinished) {
            active_->TestFinished(static_cast<NvkTestFunction *>(second), value != 0);
        }
    }

    // Recorded as each test finishes, so that a test that resets others cannot
    // change what was found.
    void TestFinished(NvkTestFunction *test, bool passed) {
        const TestRef key = KeyOf(test);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            store_.RecordFinished(key, test);
            const auto ending = endings_.find(test);
            if (ending != endings_.end()) {
                Mark(key, ending->second);
                endings_.erase(ending);
            }
        }
        const TestRecord &record = store_.Test(key);
        if (record.outcome == Outcome::Skipped) {
            output_.TestSkipped(store_.FullName(key), record);
        } else if (output_.PrintsTest(record)) {
            output_.TestFinished(store_.FullName(key), record);
        }
        // The runner itself starts no test after the failure; the session no library
        // and no repetition.
        if (!passed && options_.failFast) {
            stopped_ = true;
        }
    }

    void Mark(const TestRef &key, run::TestEnd::Kind kind) {
        if (kind == run::TestEnd::Kind::TimedOut) {
            store_.MarkTimedOut(key);
            timedOut_ = true;
            output_.Error(EscapeControlBytes(store_.FullName(key)) + ": " +
                          run::TimeoutMessage(options_.timeoutSeconds));
        } else if (kind == run::TestEnd::Kind::Died) {
            store_.MarkProcessEnded(key);
            processEnded_ = processEnded_ || !options_.isolate;
        }
        if (!options_.isolate) {
            store_.SetNotRunReason(kind == run::TestEnd::Kind::TimedOut ? "the run ended at a timeout"
                                                                        : "the run ended with a test's process");
            stopped_ = true;
        }
    }

    void TestEnded(NvkTestFunction *test, run::TestEnd::Kind kind) override {
        std::lock_guard<std::mutex> lock(mutex_);
        endings_[test] = kind;
    }

    // A run of every batch finishes the tests in registration order: the next one
    // of the selection is found without a lookup.
    TestRef KeyOf(NvkTestFunction *test) {
        if (cursor_ < selection_.size() && selection_[cursor_] == test) {
            return store_.KeyOfSelected(cursor_++);
        }
        if (keys_.empty()) {
            for (size_t index = 0; index < selection_.size(); ++index) {
                keys_[selection_[index]] = index;
            }
        }
        return store_.KeyOfSelected(keys_.at(test));
    }

    // ---- When the process ends or hangs ------------------------------------------

    // The process ends while a test runs or a library loads: named, with what it
    // has, and with an exit code of its own. A runner that finished ends quietly.
    static void NVK_CALL OnProcessEnd() { active_->ReportEnd(kExitProcessEnded, "ended the runner's process"); }

    // On the watchdog's thread, while the main thread is still in the library's
    // loading or unloading.
    // Reporting may itself wait for the loader the library holds: the process ends
    // all the same, with what got out by then.
    void OnLibraryHang() {
        reportWatchdog_->Arm();
        ReportEnd(kExitTimeout, "did not return within " + run::SecondsText(options_.timeoutSeconds));
    }

    void ReportEnd(int exitCode, const std::string &what) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::string culprit;
        switch (activity_) {
        case Activity::Idle:
            return;
        case Activity::Loading:
            culprit = library_ + ": the test library's loading";
            break;
        case Activity::Unloading:
            culprit = library_ + ": the test library's unloading";
            break;
        case Activity::Running:
            culprit = EscapeControlBytes(CurrentTestName());
            RecordCurrentTestEnd("The test " + what);
            break;
        }
        output_.Error(culprit + " " + what);
        if (!xmlPath_.empty() && activity_ == Activity::Running) {
            WriteLibraryReport(xmlPath_, output_);
        }
        WriteFinalReports(options_.junitPath, store_, output_);
        output_.Summary(store_.Count(), store_.FailedTests());
        run::EndThisProcess(exitCode);
    }

    // The test in progress fails with how it ended, in the library's records too, so
    // that its report holds it as a crash is held; and it is printed as such.
    void RecordCurrentTestEnd(const std::string &message) {
        NvkTestFunction *current = NvkTestFunctionGetCurrent();
        if (current == nullptr) {
            return;
        }
        NvkAssert(0, nullptr, 0, "%s", message.c_str());
        const TestRef key = KeyOf(current);
        store_.RecordProcessEnd(key, current);
        output_.TestFinished(store_.FullName(key), store_.Test(key));
    }

    std::string CurrentTestName() const {
        NvkTestFunction *current = NvkTestFunctionGetCurrent();
        return current != nullptr ? FullTestName(current) : library_;
    }

    static Session *active_;
    const Options &options_;
    const ConsoleOutput output_;
    const uint64_t seed_;
    run::BlockingWait wait_;
    std::unique_ptr<run::PlanRunner> runner_;
    std::unique_ptr<run::Watchdog> libraryWatchdog_;
    std::unique_ptr<run::Watchdog> reportWatchdog_;
    std::string library_;
    std::string xmlPath_;
    size_t selectedTests_ = 0;
    size_t dealtSoFar_ = 0;
    size_t librariesLoaded_ = 0;
    bool stopped_ = false;
    bool timedOut_ = false;
    bool processEnded_ = false;
    bool registrationFailed_ = false;
    std::vector<ListedBatch> listed_;
    // The run's thread records; a process end or a hang reports from elsewhere.
    std::mutex mutex_;
    Activity activity_ = Activity::Idle;
    ResultStore store_;
    std::vector<NvkTestFunction *> selection_;
    size_t cursor_ = 0;
    std::unordered_map<NvkTestFunction *, size_t> keys_;
    std::unordered_map<NvkTestFunction *, run::TestEnd::Kind> endings_;
};

Session *Session::active_ = nullptr;

bool ColourWanted() {
    const char *noColour = std::getenv("NO_COLOR");
    return (noColour == nullptr || noColour[0] == '\0') && PrepareColourTerminal();
}

// A seed from the clock unless one was given; printed with the run either way.
uint64_t SeedFor(const Options &options) {
    if (options.seedGiven) {
        return options.seed;
    }
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007ull;
}

}  // namespace

int RunSession(const Options &options) { return Session(options, ColourWanted(), SeedFor(options)).Run(); }

}  // namespace console
