// One run of the console runner: each test library in turn, its selected tests
// through the library's run engine, in this process or in workers, and the reports
// and exit code at the end.
#pragma once

#include "exit_code.h"
#include "options.h"

namespace console {

int RunSession(const Options &options);

}  // namespace console
