/* Test DLL with one failing test function: a hyphenated word counts as two. */
#include <norvik_test.h>

#include "word_count.h"

static void CountsWordsBetweenBlanks(void) { NVK_ASSERT_EQUAL_INT(2, CountWords("two words")); }

static void CountsHyphenatedWordsAsOne(void) { NVK_ASSERT_EQUAL_INT(1, CountWords("well-known")); }

static void CountsNothingInPunctuation(void) { NVK_ASSERT_EQUAL_INT(0, CountWords(" ,.;- ")); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("WordCount");
    NVK_ADD_TEST(batch, CountsWordsBetweenBlanks);
    NVK_ADD_TEST(batch, CountsHyphenatedWordsAsOne);
    NVK_ADD_TEST(batch, CountsNothingInPunctuation);
}
