/* Test DLL that imports a DLL of the project: it loads only when that DLL is beside it. */
#include <norvik_test.h>

#include "greeting.h"

static void GreetsByName(void) {
    char text[32];
    NVK_ASSERT_EQUAL_INT(13, Greet("World", text, (int)sizeof text));
    NVK_ASSERT_EQUAL_STRING("Hello, World!", text);
}

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("Greeting");
    NVK_ADD_TEST(batch, GreetsByName);
}
