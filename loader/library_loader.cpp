#include "library_loader.h"

#include <string>

#include "crash_guard.h"
#include "library_module.h"
#include "norvik.h"

namespace loader {
namespace {

LibraryModule loadedLibrary = nullptr;
std::string loadedLibraryPath;
std::string failureDetails;

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

LoadFailure LoadTestLibrary(const char *path) {
    failureDetails.clear();
    if (path == nullptr || path[0] == '\0') {
        return LoadFailure::CannotRead;
    }
    const std::string fullPath = FullLibraryPath(path);
    if (fullPath.empty()) {
        return LoadFailure::CannotRead;
    }
    const LoadFailure invalid = ValidateOwnLibraryFile(fullPath.c_str());
    if (invalid != LoadFailure::None) {
        return invalid;
    }
    LibraryModule module = LoadLibraryModule(fullPath.c_str());
    if (module == nullptr) {
        const std::string refusal = LoadRefusal(fullPath.c_str());
        failureDetails = refusal;
        return LoadFailure::CannotLoad;
    }
    const NvkTestProc createBatches = FindLibraryEntry(module);
    if (createBatches == nullptr) {
        UnloadLibraryModule(module);
        return LoadFailure::NoEntryPoint;
    }
    ReleaseTestLibrary();
    loadedLibrary = module;
    loadedLibraryPath = fullPath;
    if (!CreateBatchesGuarded(createBatches)) {
        failureDetails = "Its NvkLibraryCreateBatches crashed.";
        return LoadFailure::CannotLoad;
    }
    NvkBatchFreeEmpties();
    return LoadFailure::None;
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

std::string LoadFailureDetails() { return failureDetails; }

bool IsTestLibraryLoaded() { return loadedLibrary != nullptr; }

std::vector<std::string> RegistrationErrors() {
    std::vector<std::string> errors;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        const char *error = NvkRegistrationGetError(index);
        errors.push_back(error != nullptr ? error : "");
    }
    return errors;
}

const char *LoadedLibraryPath() { return loadedLibraryPath.c_str(); }

bool ReportWouldOverwriteLibrary(const char *reportPath, const char *libraryPath) {
    if (reportPath == nullptr || libraryPath == nullptr || reportPath[0] == '\0' || libraryPath[0] == '\0') {
        return false;
    }
    return IsSameLibraryPath(FullLibraryPath(reportPath), FullLibraryPath(libraryPath));
}

}  // namespace loader
