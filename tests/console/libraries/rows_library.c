/* Tables of rows: one whose third row fails, one of named rows, and, built with
 * ROWS_WITH_BAD_NAMES, one whose names repeat or hold what a filter would misread. */
#include <string.h>

#include "norvik_test.h"

typedef struct {
    const char *word;
    int length;
} LengthRow;

static const LengthRow lengths[] = {{"", 0}, {"a", 1}, {"three", 4}, {"four", 4}};

NVK_TEST_ROWS(Lengths, Measure, LengthRow, lengths, row) { NVK_ASSERT_EQUAL_INT(row->length, (int)strlen(row->word)); }

typedef struct {
    const char *name;
    int left;
    int right;
    int sum;
} SumRow;

static const SumRow sums[] = {{"zeros", 0, 0, 0}, {"ones", 1, 1, 2}, {"negatives", -1, -2, -3}};

NVK_TEST_NAMED_ROWS(Sums, Add, SumRow, sums, row, name) { NVK_ASSERT_EQUAL_INT(row->sum, row->left + row->right); }

#ifdef ROWS_WITH_BAD_NAMES
static const SumRow badlyNamed[] = {{"good", 1, 1, 2}, {"two words", 1, 1, 2}, {"good", 2, 2, 4}};

NVK_TEST_NAMED_ROWS(Bad, Add, SumRow, badlyNamed, row, name) { NVK_ASSERT_EQUAL_INT(row->sum, row->left + row->right); }
#endif

NVK_TEST_LIBRARY_ENTRY {}
