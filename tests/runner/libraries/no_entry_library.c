/* A DLL that exports functions, but not the entry point under its exact name. */
#include "norvik_test.h"

NVK_EXTERN_C NVK_EXPORT void NVK_CALL nvkLibraryCreateBatches(void) { NvkBatchCreate("WrongCase"); }

NVK_EXTERN_C NVK_EXPORT void NVK_CALL CreateBatches(void) { NvkBatchCreate("WrongName"); }
