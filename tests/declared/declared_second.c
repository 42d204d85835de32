/* More of a batch of the first file, and a batch of its own, with two tables of rows. */
#include "declared_trace.h"

NVK_TEST(Parsing, ReadsWords) { Trace("Parsing.ReadsWords"); }

NVK_TEST(Formatting, PadsNumbers) { Trace("Formatting.PadsNumbers"); }

NVK_TEST_SETUP(Printing) { Trace("Printing:test-setup"); }

typedef struct {
    const char *name;
    const char *trace;
} TracedRow;

static const TracedRow tracedRows[] = {{"first", "row-0"}, {"second", "row-1"}};

NVK_TEST_ROWS(Formatting, TracesRows, TracedRow, tracedRows, row) { Trace(row->trace); }

NVK_TEST_NAMED_ROWS(Formatting, TracesNamedRows, TracedRow, tracedRows, row, name) { Trace(row->name); }
