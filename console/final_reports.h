// Writing the reports, at the end of a library's run or of the whole run, and when
// the process ends or hangs before that: the same writing each time, of what the
// run has.
#pragma once

#include <memory>
#include <string>

#include "console_output.h"
#include "options.h"
#include "result_store.h"
#include "run_events.h"
#include "tap_report.h"

namespace console {

// The loaded library's own XML report with all items, written as each of its runs
// ends: the library holds the results of its last run.
class LibraryReportWriter final : public run::RunListener {
public:
    explicit LibraryReportWriter(const ConsoleOutput &output) : output_(output) {}

    // Where the report of the library about to run goes; "" writes none.
    void SetPath(const std::string &path) { path_ = path; }
    void RunEnded(const run::LibraryRun &) override { Write(); }
    // Also when the process ends during a run. False when the report could not be written.
    bool Write();
    // Whether a report could not be written.
    bool Failed() const { return failed_; }

private:
    const ConsoleOutput &output_;
    std::string path_;
    bool failed_ = false;
};

// The TAP stream of --tap: to standard output as it comes, given "-", else into the
// file, written whole when the run ends.
class TapOutput {
public:
    TapOutput(const std::string &path, const ConsoleOutput &output);

    run::RunListener &Listener() { return report_; }
    // Ends the stream; false when the file could not be written.
    bool Finish();

private:
    const std::string path_;
    const ConsoleOutput &output_;
    std::string text_;
    TapReport report_;
};

// False, having said why, when a report the options write while a library runs
// would be written over the test library, which it would destroy.
bool ReportsSpareTheLibraries(const Options &options, const ConsoleOutput &output);

// The JUnit report of every result so far, when a path was given; true otherwise.
bool WriteJunitReport(const std::string &junitPath, const ResultStore &store, const ConsoleOutput &output);

}  // namespace console
