/* More of a batch of the first file, and a batch of its own. */
#include "declared_trace.h"

NVK_TEST(Parsing, ReadsWords) { Trace("Parsing.ReadsWords"); }

NVK_TEST(Formatting, PadsNumbers) { Trace("Formatting.PadsNumbers"); }

NVK_TEST_SETUP(Printing) { Trace("Printing:test-setup"); }
