// Labels: a text that a thread of a running test sets, which starts the failure messages
// of the checks with a fixed text that this thread makes until the next label or the
// test's end.
#pragma once

namespace nvk {

// The calling thread's label for the running test; NULL when it set none (or an empty
// one) since the test started.
const char *CurrentLabel();

}  // namespace nvk
