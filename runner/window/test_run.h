// Running the tests the commands ask for: in the window's own process, as the
// library's run, or in a worker process while the window keeps handling its
// messages, can be stopped, and outlives whatever the tests do.
#pragma once

#include "plan_runner.h"
#include "run_plan.h"

namespace runner {

// Runs the request, in a worker process when Run Tests in a Separate Process is on,
// unless Break on Failure is on and a debugger is attached to the window: then in
// the window's own process. Returns once the run ended. The library raises the same
// events either way.
void RunTests(const run::RunRequest &request);

// Whether a run in a worker process is going on: the window is live meanwhile.
bool SeparateRunInProgress();

// Ends the run in the worker process: the test in progress fails as stopped, and
// the tests after it do not run.
void StopSeparateRun();

// Asked to close during a separate run: stops it and returns true, the window then
// closes once the run ended; false when no such run goes on.
bool CloseAfterSeparateRun();

}  // namespace runner
