// What the session is doing, for a process end or a hang to be told apart from a run
// that finished: when the process ends, or a library's loading or unloading hangs
// past the time limit, the culprit is named, what the run has is reported, and the
// process ends with an exit code of its own.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "console_output.h"
#include "final_reports.h"
#include "library_feed.h"
#include "result_store.h"
#include "watchdog.h"

namespace console {

// The reports a run that ends early still writes.
struct EarlyReports {
    const ConsoleOutput &output;
    const ResultStore &store;
    LibraryReportWriter &libraryReport;
    TapOutput *tap;
    const std::string &junitPath;
};

class RunWatch {
public:
    // A time limit of 0 watches no loading or unloading.
    RunWatch(const EarlyReports &reports, double timeoutSeconds);
    ~RunWatch();
    RunWatch(const RunWatch &) = delete;
    RunWatch &operator=(const RunWatch &) = delete;

    // The library's loading or unloading, under the time limit.
    template <typename Work>
    auto Loading(const std::string &library, bool unloading, Work work) -> decltype(work()) {
        Set(unloading ? Activity::Unloading : Activity::Loading, library, nullptr, nullptr);
        if (libraryWatchdog_) {
            libraryWatchdog_->Arm();
        }
        const auto result = work();
        if (libraryWatchdog_) {
            libraryWatchdog_->Disarm();
        }
        Set(Activity::Idle, library, nullptr, nullptr);
        return result;
    }
    // The library's tests run, fed into the stream by feed, until Idle.
    void Running(const std::string &library, run::LibraryFeed &feed, const run::RegistryIndex &index) {
        Set(Activity::Running, library, &feed, &index);
    }
    void Idle() { Set(Activity::Idle, std::string(), nullptr, nullptr); }

private:
    enum class Activity { Idle, Loading, Running, Unloading };

    void Set(Activity activity, const std::string &library, run::LibraryFeed *feed, const run::RegistryIndex *index);
    void OnLibraryHang();
    void ReportEnd(int exitCode, const std::string &what);

    const EarlyReports reports_;
    const double timeoutSeconds_;
    std::unique_ptr<run::Watchdog> libraryWatchdog_;
    std::unique_ptr<run::Watchdog> reportWatchdog_;
    // The run's thread sets these; a process end or a hang reports from elsewhere.
    std::mutex mutex_;
    Activity activity_ = Activity::Idle;
    std::string library_;
    run::LibraryFeed *feed_ = nullptr;
    const run::RegistryIndex *index_ = nullptr;
};

}  // namespace console
