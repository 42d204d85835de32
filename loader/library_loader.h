// The one test DLL a runner has loaded: validating, loading and releasing it, and
// keeping reports off it. Shared by the window, its command-line mode and the console
// runner; shows nothing itself.
#pragma once

#include <string>
#include <vector>

#include "load_failure.h"

namespace loader {

// Validates the file, loads it, finds and calls its NvkLibraryCreateBatches and drops
// the batches it left empty. Returns None or why it failed (never NoTests: a library
// without tests loads); a failure changes nothing, and the library loaded before
// stays loaded with its batches. Only an entry point that crashes fails late: by then
// the library before was released, and the new one is released again with whatever
// it registered.
LoadFailure LoadTestLibrary(const char *path);

// Frees every batch, then unloads the library (the batches point into it).
void ReleaseTestLibrary();

bool IsTestLibraryLoaded();

// For the last CannotLoad: what the platform said, or that the entry point crashed,
// to follow LoadFailureText, say "zlib1.dll, which it imports, was not found beside
// it or on the search path (Windows error 126: ...)"; "" when there is nothing to add.
std::string LoadFailureDetails();

// What the loaded library's registration refused, in order.
std::vector<std::string> RegistrationErrors();

// The full path the loaded library was validated and loaded from; "" when none.
const char *LoadedLibraryPath();

// Whether writing a report to reportPath would destroy the test library at
// libraryPath: both name one file by full path, compared as the platform compares
// file names (without case on Windows).
bool ReportWouldOverwriteLibrary(const char *reportPath, const char *libraryPath);

}  // namespace loader
