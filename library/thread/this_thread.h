// Which thread is running: the one question the run asks of every check, to tell the
// thread that runs the tests from the threads those tests start. One file per platform.
#pragma once

#include <cstdint>

namespace nvk {

using ThreadId = uintptr_t;

// The calling thread's identity, unique among the process's living threads.
ThreadId CurrentThreadId();

}  // namespace nvk
