// One run of the console runner: each test library in turn, its tests through the
// library's run engine, and the reports and exit code at the end.
#pragma once

#include "options.h"

namespace console {

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsageOrLoad = 2;
constexpr int kExitTimeout = 3;

int RunSession(const Options &options);

}  // namespace console
