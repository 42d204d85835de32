// Reads the runner's command line: which test DLL, if any, and whether a report
// path after it asks for command-line mode. Portable: whether an argument names
// something existing, and whether a report would overwrite the library, are asked
// through the given functions.
#pragma once

#include <cstddef>

namespace runner {

enum class StartMode {
    Gui,          // show the window, opening the library when one was named
    CommandLine,  // run everything, write the report, show nothing
    Refused,      // the report path would overwrite the library: end with failure
};

struct StartRequest {
    StartMode mode = StartMode::Gui;
    const char *libraryPath = nullptr;  // points into the arguments
    const char *reportPath = nullptr;
};

using ExistenceCheck = bool (*)(const char *path);
using OverwriteCheck = bool (*)(const char *reportPath, const char *libraryPath);

// arguments[0] is the program and is never examined. The first argument that exists
// is the library; the one right after it is the report path, unless it is the
// library's own text again (ASCII letters compared without case) or overwrites says
// it names the library's file, which refuses the start.
// Arguments before the library that name nothing are skipped; those after the
// report path are ignored.
StartRequest ScanArguments(int count, const char *const *arguments, ExistenceCheck exists, OverwriteCheck overwrites);

}  // namespace runner
