// The calling thread as POSIX threads name it.
#include <pthread.h>

#include "this_thread.h"

namespace nvk {

// A C-style cast, as pthread_t is an integer on some systems and a pointer on others.
ThreadId CurrentThreadId() { return (ThreadId)pthread_self(); }

}  // namespace nvk
