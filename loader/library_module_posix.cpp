#include <dlfcn.h>
#include <elf.h>
#include <limits.h>
#include <stdlib.h>

#include "image_validation.h"
#include "library_module.h"

namespace loader {
namespace {

#if defined(__x86_64__)
constexpr uint16_t kOwnElfMachine = EM_X86_64;
#elif defined(__i386__)
constexpr uint16_t kOwnElfMachine = EM_386;
#elif defined(__aarch64__)
constexpr uint16_t kOwnElfMachine = EM_AARCH64;
#elif defined(__arm__)
constexpr uint16_t kOwnElfMachine = EM_ARM;
#else
#  error "the runner does not know this processor's ELF machine value"
#endif
constexpr unsigned char kOwnElfClass = sizeof(void *) == 8 ? ELFCLASS64 : ELFCLASS32;

}  // namespace

// realpath also leaves "" for a file that does not exist: it cannot be read.
std::string FullLibraryPath(const char *path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) != nullptr ? std::string(resolved) : std::string();
}

bool IsSameLibraryPath(const std::string &first, const std::string &second) {
    return !first.empty() && first == second;
}

LoadFailure ValidateOwnLibraryFile(const char *fullPath) {
    return ValidateSharedObjectFile(fullPath, kOwnElfClass, kOwnElfMachine);
}

// A path with a slash is never searched for; the library's own run path finds its
// dependencies.
LibraryModule LoadLibraryModule(const char *fullPath) { return dlopen(fullPath, RTLD_NOW | RTLD_LOCAL); }

// The dynamic loader's own message names the library that was not found.
std::string LoadRefusal(const char *) {
    const char *error = dlerror();
    return error != nullptr ? error : "";
}

NvkTestProc FindLibraryEntry(LibraryModule module) {
    return reinterpret_cast<NvkTestProc>(dlsym(module, "NvkLibraryCreateBatches"));
}

void UnloadLibraryModule(LibraryModule module) { dlclose(module); }

}  // namespace loader
