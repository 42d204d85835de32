#include "session.h"

#include <initializer_list>
#include <memory>

#include "console_output.h"
#include "console_text.h"
#include "final_reports.h"
#include "library_feed.h"
#include "library_loader.h"
#include "output_capture.h"
#include "plan_runner.h"
#include "platform.h"
#include "report_paths.h"
#include "result_store.h"
#include "run_watch.h"
#include "selection.h"
#include "test_list_json.h"
#include "worker_process.h"

namespace console {
namespace {

// The loop over the libraries: each loaded, indexed, its selection run once per
// repetition through a feed into the event stream, and unloaded.
class Session {
public:
    Session(const Options &options, bool colour, uint64_t seed)
        : options_(options),
          output_(options.verbosity, colour, options.tapPath == "-"),
          seed_(seed),
          selection_(options.filter, options.shardIndex, options.shardCount),
          xmlReport_(output_),
          list_([this](const std::string &name) { output_.Listed(name); }),
          verdict_(options.isolate, options.failFast),
          findings_(verdict_.findings) {
        findings_.allowEmpty = options.allowEmpty;
        findings_.emptySelection = true;
        for (run::RunListener *listener : std::initializer_list<run::RunListener *>{&output_, &store_, &xmlReport_}) {
            events_.Add(*listener);
        }
        if (!options.tapPath.empty()) {
            tap_.reset(new TapOutput(options.tapPath, output_));
            events_.Add(tap_->Listener());
        }
        events_.Add(verdict_);
    }

    int Run() {
        if (!ReportsSpareTheLibraries(options_, output_)) {
            return kExitUsageOrLoad;
        }
        // The build tool learns that the runner shards by finding this file.
        if (!options_.shardStatusFile.empty() && !TouchFile(options_.shardStatusFile)) {
            output_.Error("cannot write the shard status file " + options_.shardStatusFile);
            return kExitUsageOrLoad;
        }
        CaptureOutput();
        NvkSetEventHandler(&run::LibraryFeed::OnLibraryEvent, 1);
        if (options_.breakOnFailure) {
            NvkSetBreakOnFailure(1);
        }
        RunWatch watch({output_, store_, xmlReport_, tap_.get(), options_.junitPath}, options_.timeoutSeconds);
        for (size_t index = 0; index < options_.libraries.size() && !findings_.usageOrLoadError &&
                               !findings_.workersUnusable && !verdict_.Stopped();
             ++index) {
            RunLibrary(index, watch);
        }
        return Finish();
    }

private:
    // Tests in this process write into the run's capture file; workers into their
    // own. The run's lines go where the standard streams went.
    void CaptureOutput() {
        if (options_.noCapture || options_.list) {
            return;
        }
        capture_ = run::StandardCapture::IntoNewFile();
        if (!capture_) {
            output_.Error("cannot make a file to capture the tests' output in: it goes through as written");
            return;
        }
        WriteLinesTo(capture_->OriginalOutput(), capture_->OriginalError());
    }

    // Without --isolate a time limit still needs a process to end: all tests run in
    // one worker, and the run ends at the first test that hangs or ends it. In this
    // process, a test that expects to end its process runs in a worker of its own.
    std::unique_ptr<run::PlanRunner> MakeRunner(run::LibraryFeed &feed) {
        if (!options_.isolate && options_.timeoutSeconds <= 0) {
            if (capture_) {
                feed.TakeOutputFrom(*capture_);
            }
            return run::InProcessRunner(options_.failFast, {WorkerStarter(), &wait_, &feed});
        }
        run::PoolSettings settings;
        settings.jobs = options_.jobs;
        settings.timeoutSeconds = options_.timeoutSeconds;
        settings.restartAfterEnd = options_.isolate;
        settings.failFast = options_.failFast;
        return run::WorkerRunner(settings, WorkerStarter(), wait_, &feed);
    }

    run::WorkerStarter WorkerStarter() {
        return [this] { return run::StartWorkerProcess({library_}, capture_ != nullptr); };
    }

    void RunLibrary(size_t index, RunWatch &watch) {
        library_ = options_.libraries[index];
        if (!Load(watch)) {
            findings_.usageOrLoadError = true;
            return;
        }
        // The store's records name their tests through the index: it is kept.
        indexes_.emplace_back(new run::RegistryIndex(run::RegistryIndex::OfLoadedLibrary()));
        const run::RegistryIndex &registry = *indexes_.back();
        run::LibraryRun libraryRun;
        libraryRun.library = library_;
        libraryRun.index = &registry;
        libraryRun.selection = selection_.Take(registry);
        libraryRun.selectedTests = libraryRun.selection.size();
        libraryRun.repetitions = options_.repeat;
        libraryRun.retries = options_.retries;
        std::vector<run::TestRef> share;
        share.reserve(libraryRun.selection.size());
        for (const run::TestKey key : libraryRun.selection) {
            share.push_back(registry[key].ref);
        }
        // The library runs the selected tests by their skip flags, and its report
        // shows the others as skipped.
        registry.Select(share);
        findings_.emptySelection = findings_.emptySelection && share.empty();
        if (options_.list) {
            list_.RunStarted(libraryRun);
        } else {
            xmlReport_.SetPath(
                options_.xmlPath.empty() ? "" : LibraryReportPath(options_.xmlPath, options_.libraries, index));
            for (unsigned repetition = 1;
                 repetition <= options_.repeat && !verdict_.Stopped() && !findings_.workersUnusable; ++repetition) {
                libraryRun.repetition = repetition;
                RunRepetition(libraryRun, share, watch);
            }
            findings_.usageOrLoadError = findings_.usageOrLoadError || xmlReport_.Failed();
        }
        watch.Loading(library_, true, [] {
            loader::ReleaseTestLibrary();
            return true;
        });
    }

    bool Load(RunWatch &watch) {
        const loader::LoadFailure failure =
            watch.Loading(library_, false, [this] { return loader::LoadTestLibrary(library_.c_str()); });
        if (failure != loader::LoadFailure::None) {
            const std::string details = loader::LoadFailureDetails();
            output_.Error(library_ + ": " + loader::LoadFailureText(failure) + (details.empty() ? "" : " " + details));
            return false;
        }
        if (NvkBatchGetCount(nullptr) == 0) {
            output_.Error(library_ + ": " + loader::LoadFailureText(loader::LoadFailure::NoTests));
        }
        // What the registration refused fails the run, which still runs what was
        // registered. Workers load the library again and say nothing of it.
        const std::vector<std::string> errors = loader::RegistrationErrors();
        for (const std::string &error : errors) {
            output_.LibraryError(library_, error);
        }
        store_.AddRegistrationErrors(library_, errors);
        findings_.registrationErrors = findings_.registrationErrors || !errors.empty();
        ++librariesLoaded_;
        return true;
    }

    // One time through the selected tests, with results of its own.
    void RunRepetition(const run::LibraryRun &libraryRun, const std::vector<run::TestRef> &share, RunWatch &watch) {
        if (options_.repeat > 1) {
            output_.RepetitionStarted(libraryRun.repetition, options_.repeat);
        }
        const RunOrder order{options_.failFast || options_.retries > 0, options_.shuffle,
                             seed_ + libraryRun.repetition - 1};
        if (order.shuffle) {
            output_.Shuffling(order.seed);
        }
        run::RunRequest request = RequestFor(share, order);
        request.index = libraryRun.index;
        run::LibraryFeed feed(libraryRun, libraryRun.selection, events_);
        if (options_.retries > 0) {
            request.triesAgain = [&feed](NvkTestFunction *test) { return feed.TriesAgain(test); };
        }
        watch.Running(library_, feed, *libraryRun.index);
        const run::PlanOutcome outcome = MakeRunner(feed)->Run(request);
        watch.Idle();
        if (!verdict_.NotRunReason().empty()) {
            feed.SetNotRunReason(verdict_.NotRunReason());
        }
        findings_.timedOut = findings_.timedOut || outcome.timedOutOutsideTests;
        findings_.workersUnusable = !outcome.errors.empty() && !outcome.timedOutOutsideTests;
        for (const std::string &error : outcome.errors) {
            output_.Error(library_ + ": " + error);
        }
    }

    int Finish() {
        if (tap_ && !tap_->Finish()) {
            findings_.usageOrLoadError = true;
        }
        if (findings_.emptySelection && !findings_.allowEmpty && !findings_.usageOrLoadError &&
            !findings_.workersUnusable) {
            output_.Error("no test was selected; --allow-empty lets such a run pass");
        }
        if (options_.list) {
            if (!options_.jsonPath.empty() && !WriteWholeFile(options_.jsonPath, TestListJson(list_.Batches()))) {
                output_.Error("cannot write the test list " + options_.jsonPath);
                findings_.usageOrLoadError = true;
            }
            return ExitCodeOf(findings_);
        }
        findings_.usageOrLoadError =
            !WriteJunitReport(options_.junitPath, store_, output_) || findings_.usageOrLoadError;
        if (librariesLoaded_ != 0 || ExitCodeOf(findings_) != kExitUsageOrLoad) {
            const run::Counts counts = store_.Count();
            output_.Summary(counts, store_.FailedTests(), store_.FlakyTests());
            findings_.failedTests = counts.failed;
        }
        return ExitCodeOf(findings_);
    }

    const Options &options_;
    // Destroyed last: the run's lines go to the streams it keeps until then.
    std::unique_ptr<run::StandardCapture> capture_;
    ConsoleOutput output_;
    const uint64_t seed_;
    Selection selection_;
    ResultStore store_;
    LibraryReportWriter xmlReport_;
    TestList list_;
    RunVerdict verdict_;
    RunFindings &findings_;
    std::unique_ptr<TapOutput> tap_;
    run::RunEvents events_;
    run::BlockingWait wait_;
    std::string library_;
    size_t librariesLoaded_ = 0;
    std::vector<std::unique_ptr<run::RegistryIndex>> indexes_;
};

}  // namespace

int RunSession(const Options &options) { return Session(options, ColourWanted(), SeedFor(options)).Run(); }

}  // namespace console
