#include "run_session.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "console_output.h"
#include "junit_report.h"
#include "library_loader.h"
#include "name_filter.h"
#include "norvik.h"
#include "platform.h"
#include "report_paths.h"
#include "run_results.h"
#include "watchdog.h"

namespace console {
namespace {

bool WriteFileBytes(const std::string &path, const std::string &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
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

NvkTestFunction *FirstSelected(NvkTestFunction *test) {
    while (test != nullptr && NvkTestFunctionGetSkip(test) != 0) test = NvkTestFunctionGetNext(test);
    return test;
}

class Session {
public:
    Session(const Options &options, bool colour) : options_(options), output_(options.verbosity, colour) {}

    int Run() {
        active_ = this;
        NvkSetEventHandler(&OnEvent, 1);
        if (options_.timeoutSeconds > 0) {
            watchdog_.reset(new Watchdog(options_.timeoutSeconds,
                                         [this](const TestKey &test, double seconds) { OnTimeout(test, seconds); }));
        }
        if (!ReportsSpareTheLibraries()) return kExitUsageOrLoad;
        int exitCode = kExitPassed;
        for (const std::string &library : options_.libraries) {
            exitCode = RunLibrary(library);
            loader::ReleaseTestLibrary();
            if (exitCode != kExitPassed) break;
        }
        watchdog_.reset();
        if (options_.list) return exitCode;
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
        const loader::LoadFailure failure = loader::LoadTestLibrary(library.c_str());
        if (failure != loader::LoadFailure::None) {
            output_.Error(library + ": " + loader::LoadFailureText(failure));
            return kExitUsageOrLoad;
        }
        if (NvkBatchGetCount(nullptr) == 0) {
            output_.Error(library + ": " + loader::LoadFailureText(loader::LoadFailure::NoTests));
        }
        TestFilter(options_.filter).ApplyToRegistry();
        if (options_.list) {
            ListSelected();
            return kExitPassed;
        }
        size_t selected = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            keys_.clear();
            for (const auto &entry : results_.AddRegistry(library)) {
                keys_.emplace(entry.first, entry.second);
                selected += NvkTestFunctionGetSkip(entry.first) == 0;
            }
            xmlPath_ = options_.xmlPath.empty()
                           ? std::string()
                           : LibraryReportPath(options_.xmlPath, library, options_.libraries.size());
        }
        output_.LibraryStarted(library, selected);
        NvkBatchRun(nullptr);
        if (!xmlPath_.empty() && !WriteReport(xmlPath_, LibraryReport())) return kExitUsageOrLoad;
        return kExitPassed;
    }

    void ListSelected() const {
        for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
            for (NvkTestFunction *test = FirstSelected(NvkBatchGetFirstTestFunction(batch)); test != nullptr;
                 test = FirstSelected(NvkTestFunctionGetNext(test))) {
                std::printf("%s\n", FullTestName(test).c_str());
            }
        }
        std::fflush(stdout);
    }

    int Finish(int exitCode) {
        if (!options_.junitPath.empty() && !WriteReport(options_.junitPath, JunitReport(results_))) {
            exitCode = kExitUsageOrLoad;
        }
        const Counts counts = results_.Count();
        if (exitCode == kExitUsageOrLoad && results_.Batches().empty()) return exitCode;
        output_.Summary(counts, results_.FailedTests());
        return exitCode == kExitPassed && counts.failed != 0 ? kExitFailed : exitCode;
    }

    bool WriteReport(const std::string &path, const std::string &text) const {
        if (WriteFileBytes(path, text)) return true;
        output_.Error("cannot write the report " + path);
        return false;
    }

    static void NVK_CALL OnEvent(int32_t code, uint32_t value, intptr_t, void *first, void *second) {
        switch (code) {
        case NvkEventAllBatchesReset: active_->TakeReportSnapshot(); break;
        case NvkEventBatchRunStarted:
            active_->ArmFor(FirstSelected(NvkBatchGetFirstTestFunction(static_cast<NvkBatch *>(first))));
            break;
        case NvkEventTestFunctionFinished:
            active_->TestFinished(static_cast<NvkTestFunction *>(second), value != 0);
            break;
        case NvkEventBatchRunFinished: active_->ArmFor(nullptr); break;
        default: break;
        }
    }

    // A test's time starts where the one before ended, so that a setup that hangs
    // counts against the test it prepares.
    void ArmFor(NvkTestFunction *test) {
        if (!watchdog_) return;
        if (test == nullptr) {
            watchdog_->Disarm();
        } else {
            watchdog_->Arm(keys_.at(test));
        }
    }

    void TestFinished(NvkTestFunction *test, bool passed) {
        if (watchdog_) watchdog_->Disarm();
        const TestKey key = keys_.at(test);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            results_.RecordFinished(key, test, passed);
        }
        TakeReportSnapshot();
        output_.TestFinished(FullTestName(test), results_.Test(key));
        ArmFor(FirstSelected(NvkTestFunctionGetNext(test)));
    }

    // Only what the main thread copied at the end of a test is reported after a
    // timeout: the library's state may be half-way through a change by then. The
    // library report is copied whole after each test for that reason, when a limit
    // and that report are both asked for.
    void TakeReportSnapshot() {
        if (!watchdog_ || xmlPath_.empty()) return;
        std::string report = LibraryReport();
        std::lock_guard<std::mutex> lock(mutex_);
        reportSnapshot_.swap(report);
    }

    // On the watchdog's thread; the main thread is still inside the test.
    [[noreturn]] void OnTimeout(const TestKey &test, double seconds) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string message = "Timed out after " + SecondsText(options_.timeoutSeconds);
        output_.Error(results_.FullName(test) + ": " + message);
        results_.RecordTimeout(test, seconds, message);
        if (!xmlPath_.empty()) WriteReport(xmlPath_, reportSnapshot_);
        if (!options_.junitPath.empty()) WriteReport(options_.junitPath, JunitReport(results_));
        output_.Summary(results_.Count(), results_.FailedTests());
        EndProcessNow(kExitTimeout);
    }

    static Session *active_;
    const Options &options_;
    const ConsoleOutput output_;
    std::unique_ptr<Watchdog> watchdog_;
    std::unordered_map<NvkTestFunction *, TestKey> keys_;  // main thread only
    // Shared with the watchdog's thread.
    std::mutex mutex_;
    RunResults results_;
    std::string xmlPath_;
    std::string reportSnapshot_;
};

Session *Session::active_ = nullptr;

bool ColourWanted() {
    const char *noColour = std::getenv("NO_COLOR");
    return (noColour == nullptr || noColour[0] == '\0') && PrepareColourTerminal();
}

}  // namespace

int RunSession(const Options &options) { return Session(options, ColourWanted()).Run(); }

}  // namespace console
