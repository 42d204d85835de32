// The calling thread as POSIX threads name it, inline: every check asks.
#pragma once

#include <pthread.h>

namespace nvk {

// Every check asks: the thread pointer, where the compiler reads it in one instruction,
// is as unique as pthread_self() without the call into the C library. A C-style cast, as
// pthread_t is an integer on some systems and a pointer on others.
inline ThreadId CurrentThreadId() {
#if defined(__has_builtin)
#  if __has_builtin(__builtin_thread_pointer) && (defined(__x86_64__) || defined(__i386__))
    return reinterpret_cast<ThreadId>(__builtin_thread_pointer());
#  endif
#endif
    return (ThreadId)pthread_self();
}

}  // namespace nvk
