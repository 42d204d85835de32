#include <dlfcn.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "platform.h"

namespace console {
namespace {

pthread_t testThread;
std::atomic<uintptr_t> pausedAt(0);
int pausedPipe[2] = {-1, -1};
int resumePipe[2] = {-1, -1};

uintptr_t ProgramCounter(void *context) {
#if defined(__x86_64__)
    return static_cast<uintptr_t>(static_cast<ucontext_t *>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(static_cast<ucontext_t *>(context)->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

// On the test thread: says where it stopped, then waits to be let go.
void OnPause(int, siginfo_t *, void *context) {
    pausedAt = ProgramCounter(context);
    char byte = 0;
    while (write(pausedPipe[1], &byte, 1) < 0 && errno == EINTR) {
    }
    while (read(resumePipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
}

bool SameFile(const char *first, const char *second) {
    char firstPath[PATH_MAX], secondPath[PATH_MAX];
    return realpath(first, firstPath) != nullptr && realpath(second, secondPath) != nullptr &&
           std::string(firstPath) == secondPath;
}

}  // namespace

const char kProgramName[] = "norvik-run";

bool PrepareColourTerminal() { return isatty(STDOUT_FILENO) != 0; }

void RememberTestThread() { testThread = pthread_self(); }

bool PauseTestThreadInLibrary(const std::string &libraryPath) {
    if (pipe(pausedPipe) != 0 || pipe(resumePipe) != 0) {
        return false;
    }
    struct sigaction action = {};
    action.sa_sigaction = &OnPause;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGUSR2, &action, nullptr) != 0) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        char byte = 0;
        if (pthread_kill(testThread, SIGUSR2) != 0 || read(pausedPipe[0], &byte, 1) != 1) {
            return false;
        }
        Dl_info place;
        if (dladdr(reinterpret_cast<void *>(pausedAt.load()), &place) != 0 && place.dli_fname != nullptr &&
            SameFile(place.dli_fname, libraryPath.c_str())) {
            return true;
        }
        if (write(resumePipe[1], &byte, 1) != 1) {
            return false;
        }
        usleep(10000);
    }
    return false;
}

void EndProcessNow(int exitCode) { _exit(exitCode); }

}  // namespace console
