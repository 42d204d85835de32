// Running the tests the commands ask for: in the window's own process, as the
// library's run, or in a worker process from a thread of its own while the window
// keeps handling its messages, can be stopped, and outlives whatever the tests do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "plan_runner.h"
#include "registry_index.h"
#include "rules/queued_call.h"
#include "rules/run_results.h"
#include "run_plan.h"

namespace runner {

// Runs the request, in a worker process when Run Tests in a Separate Process is on,
// unless Break on Failure is on and a debugger is attached to the window: then in
// the window's own process, and it returns once the run ended. A run in a worker
// process returns at once and goes on on a thread of its own; afterRun is called on
// the window's thread once either run ended. The library raises the same events
// either way, and the window handles them on its own thread.
void RunTests(const run::RunRequest &request, std::function<void()> afterRun = nullptr);

// Whether a run in a worker process is going on, or its events are still being
// handled: the window is live meanwhile, and the registry is the run's: the window
// reads it only as it handles the run's events, in their order, and changes it not
// at all.
bool SeparateRunInProgress();

// What the views show of a test function: the copies of its latest run, its output
// included; NULL until the first run since the library was loaded.
const TestResult *ShownResultOf(NvkTestFunction *testFunction);

// The latest run's selected tests and how many of them failed so far, by those copies.
RunTally ShownLatestRun();

// The index of the loaded library's tests, which the copies follow: the one the last
// run used while the registry stays as it was, else one made now.
std::shared_ptr<const run::RegistryIndex> LoadedRegistryIndex();

// Forgets the copies of the tests of those keys, for records reset while their
// events did not reach the copies.
void ForgetShownResults(const std::vector<run::TestKey> &keys);

// Keeps those copies in line with the library's records: a reset record forgets
// its copy, and freed tests drop them all.
void ShownResultsOnEvent(int32_t code, void *second);

// Ends the run in the worker process: the test in progress fails as stopped, and
// the tests after it do not run.
void StopSeparateRun();

// Asked to close during a separate run: stops it and returns true, the window then
// closes once the run ended; false when no such run goes on.
bool CloseAfterSeparateRun();

// Whether the caller is a separate run's thread, which touches no window.
bool OnRunThread();

// From the run's thread: has the window's thread carry out call and waits until it
// is done, for what the library frees once the call returns. The calls queued before
// are carried out first.
void CallOnWindowThread(const std::function<void()> &call);

// From the run's thread: has the window's thread carry out call in its turn among the
// others, without waiting for it: a wait costs a round trip between the threads, far
// more than a test. The window's thread makes them in stretches between its input
// and painting, and takes the run's end once it made every one.
void QueueOnWindowThread(QueuedCall call);

// The window's part of the messages the run's thread gives it; true when handled.
bool HandleRunMessage(UINT message, LPARAM lParam);

}  // namespace runner
