// One run of the console runner: each test library in turn, its selected tests
// through the library's run engine, in this process or in workers, and the reports
// and exit code at the end.
#pragma once

#include "options.h"

namespace console {

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsageOrLoad = 2;
constexpr int kExitTimeout = 3;
// A test, or a test library's loading, ended the runner's own process.
constexpr int kExitProcessEnded = 4;

int RunSession(const Options &options);

}  // namespace console
