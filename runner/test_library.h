// The one test DLL the runner has loaded: validating, loading and releasing it.
// Shared by the window and command-line mode; shows nothing itself.
#pragma once

namespace runner {

// Validates the file, loads it, finds and calls its NvkLibraryCreateBatches and drops
// the batches it left empty. Returns 0 or the message id of the failure; a failure
// changes nothing, and the library loaded before stays loaded with its batches.
unsigned LoadTestLibrary(const char *path);

// Frees every batch, then unloads the library (the batches point into it).
void ReleaseTestLibrary();

bool IsTestLibraryLoaded();

// The full path the loaded library was validated and loaded from; "" when none.
const char *LoadedLibraryPath();

}  // namespace runner
