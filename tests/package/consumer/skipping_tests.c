/* Test DLL of declared tests: one passes, and one skips itself, as it would on a
 * machine without what it needs. */
#include <norvik_test.h>

NVK_TEST(Skipping, Passes) { NVK_ASSERT_EQUAL_INT(4, 2 + 2); }

NVK_TEST(Skipping, SkipsItself) { NVK_SKIP("needs %s", "a colour printer"); }
