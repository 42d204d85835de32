/* The same test name and batch setup as duplicates_first.c, and one test that is new. */
#include "norvik_test.h"

NVK_TEST(Shared, SameName) {}

NVK_BATCH_SETUP(Shared) {}

NVK_TEST(Shared, Other) {}
