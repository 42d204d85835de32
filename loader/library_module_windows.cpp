#include <windows.h>

#include "image_validation.h"
#include "library_module.h"

namespace loader {

std::string FullLibraryPath(const char *path) {
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

bool IsSameLibraryPath(const std::string &first, const std::string &second) {
    return !first.empty() && lstrcmpiA(first.c_str(), second.c_str()) == 0;
}

LoadFailure ValidateOwnLibraryFile(const char *fullPath) { return ValidateLibraryFile(fullPath, OwnMachine()); }

// The altered search order looks for the library's own imports in its folder first,
// where its author put them, rather than in the runner's.
LibraryModule LoadLibraryModule(const char *fullPath) {
    return LoadLibraryExA(fullPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

NvkTestProc FindLibraryEntry(LibraryModule module) {
    FARPROC function = GetProcAddress(static_cast<HMODULE>(module), "NvkLibraryCreateBatches");
    return reinterpret_cast<NvkTestProc>(reinterpret_cast<void *>(function));
}

void UnloadLibraryModule(LibraryModule module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace loader
