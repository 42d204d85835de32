/* A plain DLL that a test DLL imports from; it lies beside that test DLL only. */
#include "norvik_test.h"

NVK_EXTERN_C NVK_EXPORT int DependencyAnswer(void) { return 42; }
