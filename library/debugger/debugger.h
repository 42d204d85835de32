// Whether a debugger is attached to the process. One file per platform.
#pragma once

namespace nvk {

// Asked afresh each time: a debugger may attach or detach during a run.
bool DebuggerAttached();

}  // namespace nvk
