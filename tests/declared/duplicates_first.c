/* A test and a batch setup that duplicates_second.c declares again; this DLL
 * has no entry point of its own: the CMake helper gives it one. */
#include "norvik_test.h"

NVK_BATCH_SETUP(Shared) {}

NVK_TEST(Shared, SameName) {}
