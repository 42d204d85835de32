// The results as JUnit XML, the report that CI systems and IDEs read.
#pragma once

#include <string>

#include "result_store.h"

namespace console {

// One testsuite per batch, one testcase per test. Names and messages are taken as
// ISO 8859-1 and written by the library report's own rule, so every byte comes out
// well-formed: markup characters as entities, the control characters that XML
// cannot hold as the symbols Unicode keeps for them.
std::string JunitReport(const ResultStore &results);

}  // namespace console
