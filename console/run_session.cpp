#include "run_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "console_output.h"
#include "console_text.h"
#include "junit_report.h"
#include "library_loader.h"
#include "name_filter.h"
#include "norvik.h"
#include "platform.h"
#include "report_paths.h"
#include "run_plan.h"
#include "run_results.h"
#include "watchdog.h"
#include "worker_pool.h"

namespace console {
namespace {

bool WriteFileBytes(const std::string &path, const std::string &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string LibraryReport() {
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    std::string text(report, length);
    NvkMemFreeImp(&report);
    return text;
}

bool TouchFile(const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "ab");
    return file != nullptr && std::fclose(file) == 0;
}

NvkTestFunction *FirstSelected(NvkTestFunction *test) {
    while (test != nullptr && NvkTestFunctionGetSkip(test) != 0) {
        test = NvkTestFunctionGetNext(test);
    }
    return test;
}

class Session : private WorkerPool::Listener {
public:
    Session(const Options &options, bool colour, uint64_t seed)
        : options_(options), output_(options.verbosity, colour), seed_(seed) {}

    int Run() {
        active_ = this;
        NvkSetEventHandler(&OnEvent, 1);
        if (options_.timeoutSeconds > 0 && !options_.isolate) {
            RememberTestThread();
            watchdog_.reset(new Watchdog(options_.timeoutSeconds,
                                         [this](const TestKey &test, double seconds) { OnTimeout(test, seconds); }));
        }
        if (!ReportsSpareTheLibraries()) {
            return kExitUsageOrLoad;
        }
        // The build tool learns that the runner shards by finding this file.
        if (!options_.shardStatusFile.empty() && !TouchFile(options_.shardStatusFile)) {
            output_.Error("cannot write the shard status file " + options_.shardStatusFile);
            return kExitUsageOrLoad;
        }
        if (options_.failFast) {
            results_.SetNotRunReason("the run stopped at the first failure");
        }
        int exitCode = kExitPassed;
        for (const std::string &library : options_.libraries) {
            exitCode = RunLibrary(library);
            loader::ReleaseTestLibrary();
            if (exitCode != kExitPassed || stopped_) {
                break;
            }
        }
        watchdog_.reset();
        if (exitCode == kExitPassed && selectedTests_ == 0 && !options_.allowEmpty) {
            output_.Error("no test was selected; --allow-empty lets such a run pass");
            exitCode = kExitUsageOrLoad;
        }
        if (options_.list) {
            return exitCode;
        }
        if (exitCode == kExitPassed && timedOut_) {
            exitCode = kExitTimeout;
        }
        return Finish(exitCode);
    }

private:
    // A report written over a test library would destroy it.
    bool ReportsSpareTheLibraries() const {
        for (const std::string &library : options_.libraries) {
            for (const std::string &report : ReportsDuringLibrary(options_, library)) {
                if (loader::ReportWouldOverwriteLibrary(report.c_str(), library.c_str())) {
                    output_.Error("the report " + report + " would overwrite the test library " + library);
                    return false;
                }
            }
        }
        return true;
    }

    int RunLibrary(const std::string &library) {
        library_ = library;
        const loader::LoadFailure failure = loader::LoadTestLibrary(library.c_str());
        if (failure != loader::LoadFailure::None) {
            output_.Error(library + ": " + loader::LoadFailureText(failure));
            return kExitUsageOrLoad;
        }
        if (NvkBatchGetCount(nullptr) == 0) {
            output_.Error(library + ": " + loader::LoadFailureText(loader::LoadFailure::NoTests));
        }
        const std::vector<TestRef> share = SelectShare();
        selectedTests_ += share.size();
        if (options_.list) {
            ListSelected();
            return kExitPassed;
        }
        xmlPath_ = options_.xmlPath.empty()
                       ? std::string()
                       : LibraryReportPath(options_.xmlPath, options_.libraries,
                                           static_cast<size_t>(&library - options_.libraries.data()));
        for (unsigned repetition = 1; repetition <= options_.repeat && !stopped_; ++repetition) {
            if (!RunRepetition(library, share, repetition)) {
                return kExitUsageOrLoad;
            }
        }
        if (!xmlPath_.empty() && !WriteReport(xmlPath_, LibraryReport())) {
            return kExitUsageOrLoad;
        }
        return kExitPassed;
    }

    // One time through the selected tests, with results of its own. False when the
    // workers could not run them.
    bool RunRepetition(const std::string &library, const std::vector<TestRef> &share, unsigned repetition) {
        if (options_.repeat > 1 && options_.verbosity != Verbosity::Quiet) {
            std::printf("Repetition %u of %u\n", repetition, options_.repeat);
        }
        std::vector<Step> steps;
        if (options_.shuffle) {
            const uint64_t seed = seed_ + repetition - 1;
            std::printf("Shuffling with --seed %llu\n", static_cast<unsigned long long>(seed));
            steps = ShuffledSteps(share, seed);
        } else if (options_.isolate || options_.failFast) {
            steps = PlanSteps(share, options_.failFast);
        }
        // Without a watchdog that may report them halfway, the results of a run of
        // every batch are copied once it is over, when the library holds them all.
        copyAfterRun_ = !options_.isolate && !watchdog_ && steps.empty();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            base_ = results_.Batches().size();
            keys_.clear();
            cursor_ = TestRef();
            if (!copyAfterRun_) {
                results_.AddRegistry(library);
            }
        }
        output_.LibraryStarted(library, share.size());
        if (options_.isolate) {
            return RunInWorkers(library, steps);
        }
        if (!steps.empty()) {
            RunEachAlone(steps);
            return true;
        }
        // The skip flags hold the selection: the library runs it as it is.
        NvkBatchRun(nullptr);
        if (copyAfterRun_) {
            results_.AddRegistryAfterRun(library);
        }
        return true;
    }

    // The filter's selection, then the shard's share of it, left in the skip flags
    // as well: the library's report shows the tests of other shards as skipped. The
    // registered tests are kept on the way: one walk, as each is a trip to memory
    // when there are many.
    std::vector<TestRef> SelectShare() {
        const TestFilter filter(options_.filter);
        tests_.clear();
        std::vector<TestRef> selected;
        for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
            const uint32_t batchIndex = static_cast<uint32_t>(tests_.size());
            tests_.emplace_back();
            std::vector<NvkTestFunction *> &tests = tests_.back();
            tests.reserve(NvkBatchGetCount(batch));
            for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
                 test = NvkTestFunctionGetNext(test)) {
                const bool chosen = filter.Selects(test);
                NvkTestFunctionSetSkip(test, chosen ? 0 : 1);
                if (chosen) {
                    selected.push_back({batchIndex, static_cast<uint32_t>(tests.size())});
                }
                tests.push_back(test);
            }
        }
        if (options_.shardCount == 1) {
            return selected;
        }
        const std::vector<TestRef> share = ShardShare(selected, options_.shardIndex, options_.shardCount);
        for (const TestRef &test : selected) {
            NvkTestFunctionSetSkip(tests_[test.batch][test.test], 1);
        }
        for (const TestRef &test : share) {
            NvkTestFunctionSetSkip(tests_[test.batch][test.test], 0);
        }
        return share;
    }

    // Each test through the library's single test run, so that the run can stop
    // between any two tests, in any order.
    void RunEachAlone(const std::vector<Step> &steps) {
        for (const TestRef &test : TestsInOrder(steps)) {
            if (stopped_) {
                return;
            }
            if (watchdog_) {
                watchdog_->Arm(KeyOf(test));
            }
            NvkTestFunctionRun(tests_[test.batch][test.test]);
        }
    }

    // ---- Worker processes ---------------------------------------------------------

    bool RunInWorkers(const std::string &library, const std::vector<Step> &steps) {
        const std::vector<TestRef> order = TestsInOrder(steps);
        positions_.assign(tests_.size(), {});
        for (size_t batch = 0; batch < tests_.size(); ++batch) {
            positions_[batch].assign(tests_[batch].size(), 0);
        }
        for (size_t position = 0; position < order.size(); ++position) {
            positions_[order[position].batch][order[position].test] = position;
        }
        release_.reset(new InOrderRelease(order.size()));
        releaseOrder_ = order;
        pool_.reset(new WorkerPool(options_.jobs, options_.timeoutSeconds, *this));
        const std::string error = pool_->Run(library, steps);
        if (pool_->Stopped()) {
            stopped_ = true;
        }
        pool_.reset();
        // A stopped run leaves tests unfinished; what finished after them is printed too.
        for (size_t position : release_->FinishedBehindGaps()) {
            PrintTest(KeyOf(releaseOrder_[position]));
        }
        if (error.empty()) {
            return true;
        }
        output_.Error(error);
        return false;
    }

    TestKey KeyOf(const TestRef &test) const { return TestKey(base_ + test.batch, test.test); }

    void Finished(const TestRef &test, const TestRecord &record) override {
        std::lock_guard<std::mutex> lock(mutex_);
        results_.RecordReported(KeyOf(test), record);
        Release(test);
        if (options_.failFast && record.outcome != Outcome::Passed) {
            pool_->Stop();
        }
    }

    void Ended(const TestRef &test, double seconds, bool timedOut, const ProcessEnd &end) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const TestKey key = KeyOf(test);
        if (timedOut) {
            const std::string message = "Timed out after " + SecondsText(options_.timeoutSeconds);
            output_.Error(EscapeControlBytes(results_.FullName(key)) + ": " + message);
            results_.RecordTimeout(key, seconds, message);
            timedOut_ = true;
        } else {
            results_.RecordCrash(key, seconds, DescribeProcessEnd(end));
        }
        Release(test);
        if (options_.failFast) {
            pool_->Stop();
        }
    }

    // Prints what the workers finished in the planned order; with the results lock held.
    void Release(const TestRef &test) {
        for (size_t position : release_->Finish(positions_[test.batch][test.test])) {
            PrintTest(KeyOf(releaseOrder_[position]));
        }
    }

    void PrintTest(const TestKey &key) { output_.TestFinished(results_.FullName(key), results_.Test(key)); }

    void ListSelected() const {
        for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
            for (NvkTestFunction *test = FirstSelected(NvkBatchGetFirstTestFunction(batch)); test != nullptr;
                 test = FirstSelected(NvkTestFunctionGetNext(test))) {
                std::printf("%s\n", ListedName(FullTestName(test)).c_str());
            }
        }
        std::fflush(stdout);
    }

    int Finish(int exitCode) {
        if (!options_.junitPath.empty() && !WriteReport(options_.junitPath, JunitReport(results_))) {
            exitCode = kExitUsageOrLoad;
        }
        const Counts counts = results_.Count();
        if (exitCode == kExitUsageOrLoad && results_.Batches().empty()) {
            return exitCode;
        }
        output_.Summary(counts, results_.FailedTests());
        return exitCode == kExitPassed && counts.failed != 0 ? kExitFailed : exitCode;
    }

    bool WriteReport(const std::string &path, const std::string &text) const {
        if (WriteFileBytes(path, text)) {
            return true;
        }
        output_.Error("cannot write the report " + path);
        return false;
    }

    static void NVK_CALL OnEvent(int32_t code, uint32_t value, intptr_t, void *first, void *second) {
        if (code == NvkEventTestFunctionFinished) {
            active_->TestFinished(static_cast<NvkTestFunction *>(second), value != 0);
        } else if (code == NvkEventBatchRunStarted && active_->watchdog_) {
            active_->ArmFor(FirstSelected(NvkBatchGetFirstTestFunction(static_cast<NvkBatch *>(first))));
        } else if (code == NvkEventBatchRunFinished) {
            active_->ArmFor(nullptr);
        }
    }

    // A test's time starts where the one before ended, so that a setup that hangs
    // counts against the test it prepares.
    void ArmFor(NvkTestFunction *test) {
        if (!watchdog_) {
            return;
        }
        if (test == nullptr) {
            watchdog_->Disarm();
        } else {
            watchdog_->Arm(KeyByRecord(test));
        }
    }

    // Kept cheap: it runs for every test.
    void TestFinished(NvkTestFunction *test, bool passed) {
        if (copyAfterRun_) {
            PrintFromLibrary(test, passed);
            return;
        }
        if (watchdog_) {
            watchdog_->Disarm();
        }
        const TestKey key = KeyOf(test);
        {
            std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
            if (watchdog_) {
                lock.lock();
            }
            results_.RecordFinished(key, test);
        }
        const TestRecord &record = results_.Test(key);
        if (output_.PrintsTest(record)) {
            output_.TestFinished(FullTestName(test), record);
        }
        if (!passed && options_.failFast) {
            stopped_ = true;
        }
        if (watchdog_ && !options_.shuffle && !options_.failFast) {
            ArmFor(FirstSelected(NvkTestFunctionGetNext(test)));
        }
    }

    // Before the results are copied: a test that is printed is read for that alone.
    void PrintFromLibrary(NvkTestFunction *test, bool passed) {
        if (passed && !output_.PrintsPassedTests()) {
            return;
        }
        TestRecord record;
        CopyFinishedTest(test, library_, record);
        output_.TestFinished(FullTestName(test), record);
    }

    // A run of all batches finishes the tests in registration order: the next test of
    // that order is found without a lookup.
    TestKey KeyOf(NvkTestFunction *test) {
        if (!options_.shuffle && !options_.failFast) {
            for (; cursor_.batch < tests_.size(); ++cursor_.batch, cursor_.test = 0) {
                const std::vector<NvkTestFunction *> &batch = tests_[cursor_.batch];
                for (; cursor_.test < batch.size(); ++cursor_.test) {
                    if (batch[cursor_.test] == test) {
                        return KeyOf(TestRef{cursor_.batch, cursor_.test++});
                    }
                }
            }
        }
        return KeyByRecord(test);
    }

    // Only the watchdog and runs out of registration order look tests up by record,
    // so a plain run never pays for the table.
    TestKey KeyByRecord(NvkTestFunction *test) {
        if (keys_.empty()) {
            for (uint32_t batch = 0; batch < tests_.size(); ++batch) {
                for (uint32_t place = 0; place < tests_[batch].size(); ++place) {
                    keys_[tests_[batch][place]] = TestRef{batch, place};
                }
            }
        }
        return KeyOf(keys_.at(test));
    }

    // On the watchdog's thread; the main thread is still inside the test.
    [[noreturn]] void OnTimeout(const TestKey &test, double seconds) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string message = "Timed out after " + SecondsText(options_.timeoutSeconds);
        output_.Error(EscapeControlBytes(results_.FullName(test)) + ": " + message);
        results_.RecordTimeout(test, seconds, message);
        // The library report is made from the library's state, which is whole only
        // while the test thread is outside the library's calls.
        if (!xmlPath_.empty()) {
            if (PauseTestThreadInLibrary(loader::LoadedLibraryPath())) {
                WriteReport(xmlPath_, LibraryReport());
            } else {
                output_.Error("the report " + xmlPath_ +
                              " was not written: the hung test did not stop in its own "
                              "code, where the library's state is whole");
            }
        }
        if (!options_.junitPath.empty()) {
            WriteReport(options_.junitPath, JunitReport(results_));
        }
        output_.Summary(results_.Count(), results_.FailedTests());
        EndProcessNow(kExitTimeout);
    }

    static Session *active_;
    const Options &options_;
    const ConsoleOutput output_;
    std::unique_ptr<Watchdog> watchdog_;
    std::unordered_map<NvkTestFunction *, TestRef> keys_;  // main thread only
    TestRef cursor_;
    std::vector<std::vector<NvkTestFunction *>> tests_;
    std::string library_;
    bool copyAfterRun_ = false;
    size_t selectedTests_ = 0;
    uint64_t seed_ = 0;
    bool stopped_ = false;
    bool timedOut_ = false;
    // The key of the repetition's first batch in the results.
    size_t base_ = 0;
    // With worker processes, under the results lock: where each test's record goes
    // and when it is printed.
    std::unique_ptr<WorkerPool> pool_;
    std::vector<std::vector<size_t>> positions_;
    std::unique_ptr<InOrderRelease> release_;
    std::vector<TestRef> releaseOrder_;
    // Shared with the watchdog's thread.
    std::mutex mutex_;
    RunResults results_;
    std::string xmlPath_;
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
