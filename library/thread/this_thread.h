// Which thread is running: the one question the run asks of every check, to tell the
// thread that runs the tests from the threads those tests start. One file per platform.
#pragma once

#include <cstdint>

namespace nvk {

using ThreadId = uintptr_t;

}  // namespace nvk

// CurrentThreadId(): the calling thread's identity, unique among the process's living
// threads.
#if defined(_WIN32)
namespace nvk {
ThreadId CurrentThreadId();
}  // namespace nvk
#else
#  include "this_thread_posix.h"
#endif
