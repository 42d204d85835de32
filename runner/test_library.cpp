#include "test_library.h"

#include <windows.h>

#include <string>

#include "image_validation.h"
#include "norvik.h"
#include "resources/resource.h"

namespace runner {
namespace {

using CreateBatchesFunction = void(NVK_CALL *)(void);

HMODULE loadedLibrary = nullptr;
std::string loadedLibraryPath;

// LoadLibraryA looks for a bare or relative name in other folders before the current
// one, so it could load a different file than the one validated. Both use this path.
std::string FullPathOf(const char *path) {
    const DWORD needed = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (needed == 0) {
        return std::string();
    }
    std::string fullPath(needed, '\0');
    const DWORD length = GetFullPathNameA(path, needed, &fullPath[0], nullptr);
    if (length == 0 || length >= needed) {
        return std::string();
    }
    fullPath.resize(length);
    return fullPath;
}

CreateBatchesFunction FindCreateBatches(HMODULE module) {
    FARPROC function = GetProcAddress(module, "NvkLibraryCreateBatches");
    return reinterpret_cast<CreateBatchesFunction>(reinterpret_cast<void *>(function));
}

}  // namespace

unsigned LoadTestLibrary(const char *path) {
    if (path == nullptr || path[0] == '\0') {
        return IDS_CANNOT_READ;
    }
    const std::string fullPath = FullPathOf(path);
    if (fullPath.empty()) {
        return IDS_CANNOT_READ;
    }
    if (const unsigned messageId = ValidateLibraryFile(fullPath.c_str(), OwnMachine())) {
        return messageId;
    }
    HMODULE module = LoadLibraryA(fullPath.c_str());
    if (module == nullptr) {
        return IDS_CANNOT_LOAD;
    }
    const CreateBatchesFunction createBatches = FindCreateBatches(module);
    if (createBatches == nullptr) {
        FreeLibrary(module);
        return IDS_NO_ENTRY_POINT;
    }
    ReleaseTestLibrary();
    loadedLibrary = module;
    loadedLibraryPath = fullPath;
    createBatches();
    NvkBatchFreeEmpties();
    return 0;
}

void ReleaseTestLibrary() {
    if (loadedLibrary == nullptr) {
        return;
    }
    NvkBatchFree(nullptr);
    FreeLibrary(loadedLibrary);
    loadedLibrary = nullptr;
    loadedLibraryPath.clear();
}

bool IsTestLibraryLoaded() { return loadedLibrary != nullptr; }

const char *LoadedLibraryPath() { return loadedLibraryPath.c_str(); }

}  // namespace runner
