// The one test DLL the runner has loaded: validating, loading and releasing it.
// Shared by the window, its command-line mode and the console runner; shows nothing
// itself.
#pragma once

namespace runner {

// Validates the file, loads it, finds and calls its NvkLibraryCreateBatches and drops
// the batches it left empty. Returns 0 or the message id of the failure; a failure
// changes nothing, and the library loaded before stays loaded with its batches.
// Only an entry point that crashes fails late: by then the library before was
// released, and the new one is released again with whatever it registered.
unsigned LoadTestLibrary(const char *path);

// Frees every batch, then unloads the library (the batches point into it).
void ReleaseTestLibrary();

bool IsTestLibraryLoaded();

// The text of a message id that LoadTestLibrary returns, for programs without the
// window's string table; nullptr for any other id.
const char *LoadMessageText(unsigned messageId);

// The full path the loaded library was validated and loaded from; "" when none.
const char *LoadedLibraryPath();

}  // namespace runner
