// Declared tests in C++ as an MSVC project builds them: their records reach the DLL's
// list through static initializers.
#include "norvik_test.h"

static int batchSetups = 0;

NVK_BATCH_SETUP(MsvcCxx) { ++batchSetups; }

NVK_TEST(MsvcCxx, ChecksPass) {
    NVK_ASSERT_EQUAL_INT(1, batchSetups);
    NVK_ASSERT_NEAR_RELATIVE_DOUBLE(100.0, 100.0000001, 1e-6);
    NVK_REQUIRE_NOT_NULL(&batchSetups);
}

static const int msvcCxxRows[] = {1, 2};

NVK_TEST_ROWS(MsvcCxx, Rows, int, msvcCxxRows, row) { NVK_ASSERT_TRUE(*row > 0); }
