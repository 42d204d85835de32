// Command-line mode: run every test of a library and write the full report,
// without any window or message.
#pragma once

namespace runner {

// Returns the exit code: 0 when the report was written, whether or not tests passed;
// 1 when the library cannot be loaded or the report cannot be written. Leaves the
// library loaded; the program entry releases it.
int RunCommandLineMode(const char *libraryPath, const char *reportPath);

}  // namespace runner
