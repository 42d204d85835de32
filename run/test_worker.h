// A worker process: loads one test library, runs the plan its parent sends, and
// reports each failure as it happens and each test as it finishes.
#pragma once

#include <string>

namespace run {

// Returns the worker's exit code: 0 when every step given ran, or it stopped after
// a failure as asked; 2 when the channel, the library or the plan was unusable. A
// worker whose channel a test closed ends at once: no test runs unreported. The
// libraries the test library imports are looked for in dependencyFolder first,
// unless it is "".
int RunTestWorker(const std::string &channel, const std::string &libraryPath,
                  const std::string &dependencyFolder = std::string());

}  // namespace run
