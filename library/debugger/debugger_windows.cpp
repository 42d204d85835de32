// Windows keeps the answer in the process's own block: asking costs nothing.
#include <windows.h>

#include "debugger.h"

namespace nvk {

bool DebuggerAttached() { return IsDebuggerPresent() != FALSE; }

}  // namespace nvk
