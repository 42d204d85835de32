/* A helper in a file of its own, whose check fails: the failure is this file's. */
#include "norvik_test.h"

void FailInAHelper(void);

void FailInAHelper(void) { NVK_ASSERT_EQUAL_INT(1, 2); }
