// Running the tests that failed in the last run again (F8) at a cost that follows the
// failures, not the tests: the records are reset and the skip flags set for the run
// while the views pass over the library's events of each test, and the views are
// then brought in line at once.
#pragma once

namespace runner {

// Runs every test whose record holds a failure, over the skip flags as any run of all
// batches goes, and puts the flags back once the run ended: the check boxes stay as
// they were. Every other test's record is reset, as such a run resets it.
void RunFailedTestsAgain();

// Whether any test's record holds a failure: what such a run would run.
bool AnyFailedInLastRun();

// Whether the records and skip flags change in bulk for such a run: the views pass
// over the events of each test meanwhile.
bool RecordsChangeInBulk();

}  // namespace runner
