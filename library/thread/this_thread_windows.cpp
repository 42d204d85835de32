// The calling thread as Windows numbers it.
#include <windows.h>

#include "this_thread.h"

namespace nvk {

ThreadId CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace nvk
