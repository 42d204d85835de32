// Writing the reports, at the end of a library or a run, and when the process ends
// or hangs before that: the same writing each time, of what the run has.
#pragma once

#include <string>

#include "console_output.h"
#include "result_store.h"

namespace console {

// The loaded library's own XML report with all items, as it holds its results now.
bool WriteLibraryReport(const std::string &path, const ConsoleOutput &output);

// The JUnit report of every result so far, when a path was given; true otherwise.
bool WriteFinalReports(const std::string &junitPath, const ResultStore &store, const ConsoleOutput &output);

}  // namespace console
