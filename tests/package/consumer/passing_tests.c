/* Test DLL whose every check passes. */
#include <norvik_test.h>

#include "word_count.h"

static void CountsNothingInAnEmptyText(void) { NVK_ASSERT_EQUAL_INT(0, CountWords("")); }

static void CountsWordsBetweenBlanks(void) { NVK_ASSERT_EQUAL_INT(3, CountWords("  one two  three ")); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("WordCount");
    NVK_ADD_TEST(batch, CountsNothingInAnEmptyText);
    NVK_ADD_TEST(batch, CountsWordsBetweenBlanks);
}
