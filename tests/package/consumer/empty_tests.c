/* Test DLL that registers no test function. */
#include <norvik_test.h>

NVK_TEST_LIBRARY_ENTRY {}
