// A process traced by a debugger names its tracer in its status file (Linux);
// elsewhere, or without the file, no debugger is seen.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "debugger.h"

namespace nvk {

bool DebuggerAttached() {
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return false;
    }
    static const char kTracer[] = "TracerPid:";
    char line[256];
    bool traced = false;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, kTracer, sizeof kTracer - 1) == 0) {
            traced = std::strtol(line + sizeof kTracer - 1, nullptr, 10) != 0;
            break;
        }
    }
    std::fclose(status);
    return traced;
}

}  // namespace nvk
