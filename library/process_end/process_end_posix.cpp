// On POSIX systems exit runs the functions registered with atexit, the last first.
#include <cstdlib>

#include "process_end.h"

namespace nvk {
namespace {

void OnExit() { NotifyProcessEnd(); }

}  // namespace

void WatchProcessEnd() {
    static const bool registered = std::atexit(OnExit) == 0;
    (void)registered;
}

}  // namespace nvk
