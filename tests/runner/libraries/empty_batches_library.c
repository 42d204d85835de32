/* A test DLL whose entry point creates batches but adds no test function. */
#include "norvik_test.h"

NVK_TEST_LIBRARY_ENTRY {
    NvkBatchCreate("NothingHere");
    NvkBatchCreate("NothingThereEither");
}
