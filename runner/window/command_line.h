// Command-line mode: run every test of a library and write the full report,
// without any window or message.
#pragma once

namespace runner {

// The library's registration refused tests or functions: the exit code that says so.
constexpr int kExitRegistrationErrors = 2;
// A test, or the library's loading, ended the process: the exit code that says so.
constexpr int kExitProcessEnded = 4;

// Returns the exit code: 0 when the report was written, whether or not tests passed;
// 1 when the library cannot be loaded (why goes to standard error) or the report
// cannot be written; kExitRegistrationErrors when the report of the tests that did
// register was written but registration refused others (each error goes to standard
// error). A test that ends the process is named on standard error, and
// the process ends with kExitProcessEnded once the report of what ran is written.
// Leaves the library loaded; the program entry releases it.
int RunCommandLineMode(const char *libraryPath, const char *reportPath);

}  // namespace runner
