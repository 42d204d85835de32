#include "test_library.h"

#include <string>

#include "crash_guard.h"
#include "library_module.h"
#include "norvik.h"
#include "resources/library_messages.h"
#include "resources/resource.h"

namespace runner {
namespace {

LibraryModule loadedLibrary = nullptr;
std::string loadedLibraryPath;

// The entry point is user code like any test: a crash in it must not end the runner.
// What it registered before crashing may point into the module, so it goes too.
bool CreateBatchesGuarded(NvkTestProc createBatches) {
    const bool completed = nvk::CallGuarded(createBatches);
    if (!completed) {
        ReleaseTestLibrary();
    }
    return completed;
}

}  // namespace

unsigned LoadTestLibrary(const char *path) {
    if (path == nullptr || path[0] == '\0') {
        return IDS_CANNOT_READ;
    }
    const std::string fullPath = FullLibraryPath(path);
    if (fullPath.empty()) {
        return IDS_CANNOT_READ;
    }
    if (const unsigned messageId = ValidateOwnLibraryFile(fullPath.c_str())) {
        return messageId;
    }
    LibraryModule module = LoadLibraryModule(fullPath.c_str());
    if (module == nullptr) {
        return IDS_CANNOT_LOAD;
    }
    const NvkTestProc createBatches = FindLibraryEntry(module);
    if (createBatches == nullptr) {
        UnloadLibraryModule(module);
        return IDS_NO_ENTRY_POINT;
    }
    ReleaseTestLibrary();
    loadedLibrary = module;
    loadedLibraryPath = fullPath;
    if (!CreateBatchesGuarded(createBatches)) {
        return IDS_CANNOT_LOAD;
    }
    NvkBatchFreeEmpties();
    return 0;
}

void ReleaseTestLibrary() {
    if (loadedLibrary == nullptr) {
        return;
    }
    NvkBatchFree(nullptr);
    UnloadLibraryModule(loadedLibrary);
    loadedLibrary = nullptr;
    loadedLibraryPath.clear();
}

bool IsTestLibraryLoaded() { return loadedLibrary != nullptr; }

const char *LoadedLibraryPath() { return loadedLibraryPath.c_str(); }

const char *LoadMessageText(unsigned messageId) {
    switch (messageId) {
    case IDS_UNKNOWN_FORMAT: return TEXT_UNKNOWN_FORMAT;
    case IDS_CANNOT_MAP: return TEXT_CANNOT_MAP;
    case IDS_CANNOT_READ: return TEXT_CANNOT_READ;
    case IDS_NEEDS_64_BIT_RUNNER: return TEXT_NEEDS_64_BIT_RUNNER;
    case IDS_NEEDS_32_BIT_RUNNER: return TEXT_NEEDS_32_BIT_RUNNER;
    case IDS_CANNOT_LOAD: return TEXT_CANNOT_LOAD;
    case IDS_NO_ENTRY_POINT: return TEXT_NO_ENTRY_POINT;
    case IDS_NO_TESTS: return TEXT_NO_TESTS;
    default: return nullptr;
    }
}

}  // namespace runner
