/* A test DLL that imports from a DLL in its own folder, which is not the runner's. */
#include "norvik_test.h"

NVK_EXTERN_C int DependencyAnswer(void);

static void NVK_CALL AsksItsDependency(void) { NVK_ASSERT_EQUAL_INT(42, DependencyAnswer()); }

NVK_TEST_LIBRARY_ENTRY { NVK_ADD_TEST(NvkBatchCreate("Dependent"), AsksItsDependency); }
