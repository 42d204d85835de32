/* A test library whose tests fault through null pointers, declared where they are
 * written: the runner shows each crash at its test, with what it tried. */
#include "norvik_test.h"

static int *volatile nullPointer = NULL;
static NvkTestProc volatile nullFunction = NULL;

NVK_TEST(Faults, WritesThroughNull) { *nullPointer = 1; }

NVK_TEST(Faults, CallsThroughNull) { nullFunction(); }

NVK_TEST_LIBRARY_ENTRY {}
