// The platform's side of loading a test library: where a path leads, whether the
// file is a library of the runner's own kind, and loading, searching and unloading
// it. Paths are UTF-8. One file per platform.
#pragma once

#include <string>

#include "load_failure.h"
#include "norvik.h"

namespace loader {

using LibraryModule = void *;

// The absolute path that both validation and loading use, so that the loader
// cannot pick another file than the one validated; "" when there is none.
std::string FullLibraryPath(const char *path);

// Whether two full paths name one file, as the platform compares names.
bool IsSameLibraryPath(const std::string &first, const std::string &second);

// None, or why the file cannot be a library of this runner.
LoadFailure ValidateOwnLibraryFile(const char *fullPath);

// Dependencies beside the library are found as if it were the program itself.
// nullptr when the loader refuses it.
LibraryModule LoadLibraryModule(const char *fullPath);
// Right after LoadLibraryModule refused the library: what the platform said, and
// which libraries it imports were not found, where that can be told.
std::string LoadRefusal(const char *fullPath);
NvkTestProc FindLibraryEntry(LibraryModule module);
void UnloadLibraryModule(LibraryModule module);

}  // namespace loader
