/* A test library whose names and failure message hold every byte a C string can:
 * markup characters, control characters and bytes from 0x80 up. */
#include "norvik_test.h"

static void NVK_CALL FailsWithEveryByte(void) {
    char message[256];
    int byte;
    for (byte = 1; byte < 256; ++byte) {
        message[byte - 1] = (char)byte;
    }
    message[255] = '\0';
    NVK_ASSERT(0, "%s", message);
}

static void NVK_CALL Passes(void) { NVK_ASSERT_TRUE(1); }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Odd <&> \"quoted\" 'batch'\x01\x1f\x7f\x80\xe9\xff");
    NvkBatchAddFunctionImp(batch, "Test\t\r\n\x02\x0b]]>\xc3\xa9", FailsWithEveryByte);
    NVK_ADD_TEST(batch, Passes);
}
