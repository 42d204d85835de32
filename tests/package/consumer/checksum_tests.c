/* Test DLL of a library that comes built, wrapped as an imported target as the
   documentation shows: it loads only when the library's DLL is beside it. */
#include <norvik_test.h>

#include "checksum.h"

static void ChecksumsAsAdler32(void) { NVK_ASSERT_EQUAL_INT(0x11E60398, Adler32("Wikipedia")); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Checksum");
    NVK_ADD_TEST(batch, ChecksumsAsAdler32);
}
