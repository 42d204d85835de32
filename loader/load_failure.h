// Why a test library could not be loaded, and the sentence that tells the user.
#pragma once

namespace loader {

enum class LoadFailure {
    None,
    CannotRead,        // no such file, not a file, or no full path for it
    CannotMap,         // the file opened but could not be mapped to validate it
    UnknownFormat,     // not an image of a kind the runner knows
    Needs64BitRunner,  // a 64-bit library in a 32-bit runner
    Needs32BitRunner,  // a 32-bit library in a 64-bit runner
    CannotLoad,        // the platform's loader refused it, or its entry point crashed
    NoEntryPoint,      // loaded, but without NvkLibraryCreateBatches
    NoTests,           // loaded, but it registered no test function: a warning only
};

// The sentence for a failure; "" for None. The window shows the same sentences from
// its string table.
const char *LoadFailureText(LoadFailure failure);

}  // namespace loader
