/* Declared tests in two batches, with a batch's four functions between them;
 * declared_test.cpp finds each declaration's line by its text. */
#include "declared_trace.h"

NVK_BATCH_SETUP(Parsing) { Trace("Parsing:batch-setup"); }

NVK_TEST(Parsing, ReadsEmptyInput) { Trace("Parsing.ReadsEmptyInput"); }

NVK_TEST_SETUP(Parsing) { Trace("Parsing:test-setup"); }

NVK_TEST(Printing, WritesNothing) { Trace("Printing.WritesNothing"); }

NVK_TEST(Parsing, ReadsNumbers) {
    Trace("Parsing.ReadsNumbers");
    NVK_SKIP("numbers come in version %d", 2);
    Trace("after the skip");
}

NVK_TEST_TEARDOWN(Parsing) { Trace("Parsing:test-tear-down"); }

NVK_BATCH_TEARDOWN(Parsing) { Trace("Parsing:batch-tear-down"); }
