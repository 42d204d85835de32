/* A test library that imports a library the loader cannot find beside it. */
#include "norvik_test.h"

int AbsentValue(void);

static void NVK_CALL UsesTheAbsentLibrary(void) { NVK_ASSERT_EQUAL_INT(7, AbsentValue()); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Absent");
    NVK_ADD_TEST(batch, UsesTheAbsentLibrary);
}
