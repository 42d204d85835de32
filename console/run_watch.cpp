#include "run_watch.h"

#include "console_text.h"
#include "exit_code.h"
#include "process_end.h"
#include "worker_process.h"

namespace console {
namespace {

// The longest the reports of a hung library may take before the process ends anyway.
constexpr double kReportSeconds = 60;

}  // namespace

// One watchdog for every library, started before any is loaded: a thread started
// while the loader is busy would wait for it. Also with workers: the libraries are
// loaded and unloaded in this process.
RunWatch::RunWatch(const EarlyReports &reports, double timeoutSeconds)
    : reports_(reports), timeoutSeconds_(timeoutSeconds) {
    if (timeoutSeconds > 0) {
        libraryWatchdog_.reset(new run::Watchdog(timeoutSeconds, [this](double) { OnLibraryHang(); }));
        reportWatchdog_.reset(new run::Watchdog(kReportSeconds, [](double) { run::EndThisProcess(kExitTimeout); }));
    }
    run::LibraryFeed::SetProcessEndHandler([this] { ReportEnd(kExitProcessEnded, "ended the runner's process"); });
}

RunWatch::~RunWatch() { run::LibraryFeed::SetProcessEndHandler(nullptr); }

void RunWatch::Set(Activity activity, const std::string &library, run::LibraryFeed *feed,
                   const run::RegistryIndex *index) {
    std::lock_guard<std::mutex> lock(mutex_);
    activity_ = activity;
    library_ = library;
    feed_ = feed;
    index_ = index;
}

// On the watchdog's thread, while the main thread is still in the library's loading
// or unloading. Reporting may itself wait for the loader the library holds: the
// process ends all the same, with what got out by then.
void RunWatch::OnLibraryHang() {
    reportWatchdog_->Arm();
    ReportEnd(kExitTimeout, "did not return within " + run::SecondsText(timeoutSeconds_));
}

// A runner that finished ends quietly.
void RunWatch::ReportEnd(int exitCode, const std::string &what) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (activity_ == Activity::Idle) {
        return;
    }
    std::string culprit =
        library_ + ": the test library's " + (activity_ == Activity::Loading ? "loading" : "unloading");
    if (activity_ == Activity::Running) {
        run::TestKey key = 0;
        NvkTestFunction *current = NvkTestFunctionGetCurrent();
        culprit =
            current != nullptr && index_->Find(current, key) ? EscapeControlBytes((*index_)[key].FullName()) : library_;
        feed_->EndTestInProgress(run::Ending::ProcessEnded, "The test " + what);
        reports_.libraryReport.Write();
    }
    reports_.output.Error(culprit + " " + what);
    WriteJunitReport(reports_.junitPath, reports_.store, reports_.output);
    if (reports_.tap != nullptr) {
        reports_.tap->Finish();
    }
    reports_.output.Summary(reports_.store.Count(), reports_.store.FailedTests());
    run::EndThisProcess(exitCode);
}

}  // namespace console
