// Reads the runner's command line: which test DLL, if any, and whether a report
// path after it asks for command-line mode. Portable: whether an argument names
// something existing is asked through the given function.
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

// arguments[0] is the program and is never examined. The first argument that exists
// is the library; the one right after it is the report path, unless it names the
// library again (ASCII letters compared without case), which refuses the start.
// Arguments before the library that name nothing are skipped; those after the
// report path are ignored.
StartRequest ScanArguments(int count, const char *const *arguments, ExistenceCheck exists);

}  // namespace runner
