#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#  include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "result_ring.h"
#include "worker_process.h"

namespace run {

namespace {

bool WriteWhole(int fd, const char *bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t ReadOnce(int fd, char *buffer, size_t size) {
    for (;;) {
        const ssize_t count = read(fd, buffer, size);
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

// In the new process, before exec: its own process group, so that what its tests
// start can be ended with it, and an end of its own when the parent ends.
void PrepareWorker(pid_t parent, int toWorker, int fromWorker, int ring, int capture) {
    setpgid(0, 0);
#if defined(__linux__)
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (getppid() != parent) {
        _exit(127);
    }
    // Only the worker's own two ends, its ring and its capture file stay open across exec.
    fcntl(toWorker, F_SETFD, 0);
    fcntl(fromWorker, F_SETFD, 0);
    fcntl(ring, F_SETFD, 0);
    if (capture >= 0) {
        fcntl(capture, F_SETFD, 0);
    }
}

// Runs this program in a new process with the worker's arguments; -1 when none starts.
// The new process borrows this one's memory until exec where the system allows: fork
// would mark every page of a runner that holds a large registry copy-on-write, and
// the runner would then fault again on each page it writes, one every few tests.
// Before exec the new process only makes calls to the system, and never returns here.
// Signals wait until then: a handler of the runner's must not run in the new process
// while it shares the runner's memory, so the new process takes the default action
// for each signal that has one before it lets them in.
pid_t SpawnWorker(int toWorker, int fromWorker, int ring, int capture, char *const *argv) {
    const pid_t parent = getpid();
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
#if defined(__linux__)
    const pid_t pid = vfork();
#else
    const pid_t pid = fork();
#endif
    if (pid == 0) {
        for (int signal = 1; signal < NSIG; ++signal) {
            struct sigaction action = {};
            if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN &&
                action.sa_handler != SIG_DFL) {
                action.sa_handler = SIG_DFL;
                action.sa_flags = 0;
                sigaction(signal, &action, nullptr);
            }
        }
        sigprocmask(SIG_SETMASK, &before, nullptr);
        PrepareWorker(parent, toWorker, fromWorker, ring, capture);
        execv("/proc/self/exe", argv);
        _exit(127);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return pid;
}

// Memory that a worker and this process both map, for its ring: a descriptor that
// outlives exec, under no name that another process could open.
int MakeRingMemory() {
#if defined(__linux__)
    const int fd = memfd_create("norvik-ring", MFD_CLOEXEC);
#else
    char path[] = "/tmp/norvik-ring-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
        unlink(path);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
#endif
    if (fd >= 0 && ftruncate(fd, static_cast<off_t>(kResultRingSize)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void *MapRing(int fd) {
    void *memory = mmap(nullptr, kResultRingSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return memory != MAP_FAILED ? memory : nullptr;
}

// The ring's memory mapped into this process, for the worker's life.
class RingView {
public:
    explicit RingView(void *memory) : memory_(memory) {}
    ~RingView() { munmap(memory_, kResultRingSize); }
    RingView(const RingView &) = delete;
    RingView &operator=(const RingView &) = delete;

    void *Memory() const { return memory_; }

private:
    void *memory_;
};

// How long a reader that found nothing waits at a time before it looks again, and
// how long a sleeping one goes without looking for the worker's end: a process the
// worker's tests started may hold the wake pipe open after the worker ended.
constexpr int kPollMilliseconds = 1;
constexpr int kSleepMilliseconds = 100;

// The worker writes its lines into a ring in memory they share, and a byte into the
// wake pipe only when this process sleeps until woken.
class PosixWorker final : public WorkerProcess, private RingWaits {
public:
    PosixWorker(pid_t pid, int toWorker, int wake, void *ring, std::unique_ptr<WorkerCaptureFile> output)
        : pid_(pid),
          toWorker_(toWorker),
          wake_(wake),
          view_(ring),
          ring_(view_.Memory(), kResultRingSize),
          output_(std::move(output)) {}

    ~PosixWorker() override {
        if (toWorker_ >= 0) {
            close(toWorker_);
        }
        close(wake_);
        if (!waited_) {
            Kill();
            Wait();
        }
    }

    bool SendAll(const std::string &bytes) override {
        // A worker that died early must not end the parent through SIGPIPE.
        signal(SIGPIPE, SIG_IGN);
        const bool sent = WriteWhole(toWorker_, bytes.data(), bytes.size());
        close(toWorker_);
        toWorker_ = -1;
        return sent;
    }

    // What the worker wrote stays in the ring after it ended, to be read to the end.
    size_t Receive(char *buffer, size_t size) override { return ring_.Receive(buffer, size, *this); }

    // A worker that ended is not reaped before Wait, so its number stays its own.
    bool Kill() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waited_) {
            return false;
        }
        const bool alive = !Ended();
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        return alive;
    }

    // What the worker's tests started goes with it; the group is ended before the
    // worker is reaped, while its number cannot belong to another group yet.
    ProcessEnd Wait() override {
        siginfo_t info = {};
        while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        std::lock_guard<std::mutex> lock(mutex_);
        kill(-pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        waited_ = true;
        ProcessEnd end;
        end.signalled = WIFSIGNALED(status);
        end.code = static_cast<uint32_t>(end.signalled ? WTERMSIG(status) : WEXITSTATUS(status));
        return end;
    }

    CaptureFile *Output() override { return output_.get(); }

private:
    bool Ended() {
        siginfo_t info = {};
        return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
    }

    // Nothing writes to the pipe while this process does not sleep, but the worker
    // closing it, in its end, makes it readable.
    bool WaitBriefly() override { return AwaitWake(kPollMilliseconds) || Ended(); }

    bool SleepUntilWoken() override {
        for (;;) {
            pollfd wanted = {wake_, POLLIN, 0};
            const int ready = poll(&wanted, 1, kSleepMilliseconds);
            if (ready > 0) {
                return !TakeWakes();
            }
            if ((ready < 0 && errno != EINTR) || Ended()) {
                return true;
            }
        }
    }

    // Whether the worker closed the pipe: it ended.
    bool AwaitWake(int milliseconds) {
        pollfd wanted = {wake_, POLLIN, 0};
        return poll(&wanted, 1, milliseconds) > 0 && !TakeWakes();
    }

    // Reads the bytes that woke this process, a late one from an earlier sleep
    // included; false once the pipe closed.
    bool TakeWakes() {
        char wakes[64];
        return ReadOnce(wake_, wakes, sizeof wakes) > 0;
    }

    const pid_t pid_;
    int toWorker_;
    const int wake_;
    RingView view_;
    RingReader ring_;
    std::mutex mutex_;  // Kill from other threads against the reaping in Wait
    bool waited_ = false;
    const std::unique_ptr<WorkerCaptureFile> output_;
};

// Where the channel goes: out of the reach of a test that closes descriptors by
// number, up to a fixed bound or to the soft limit that a loop over "every
// descriptor" reads. Above that limit when the hard one allows (the limit is raised
// for the moment: a descriptor stays valid above a lowered limit), else at its top.
int MoveOutOfReach(int fd) {
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur < 256) {
        return fd;
    }
    const rlimit original = limit;
    int wanted = static_cast<int>(original.rlim_cur) - 64;
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > original.rlim_cur + 64) {
        limit.rlim_cur = original.rlim_cur + 64;
        if (setrlimit(RLIMIT_NOFILE, &limit) == 0) {
            wanted = static_cast<int>(original.rlim_cur) + 32;
        }
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, wanted);
    setrlimit(RLIMIT_NOFILE, &original);
    if (moved < 0) {
        return fd;
    }
    close(fd);
    return moved;
}

}  // namespace

// The worker's end of the channel: "toWorker,wake,ring,capture" as descriptors.
std::unique_ptr<WorkerProcess> StartWorkerProcess(const std::vector<std::string> &arguments, bool captureOutput) {
    std::unique_ptr<WorkerCaptureFile> output;
    if (!WorkerCaptureFileFor(captureOutput, output)) {
        return nullptr;
    }
    const int capture = output ? static_cast<int>(output->ForWorker()) : -1;
    const int ringMemory = MakeRingMemory();
    if (ringMemory < 0) {
        return nullptr;
    }
    void *const ring = MapRing(ringMemory);
    int toWorker[2] = {-1, -1}, wake[2] = {-1, -1};
    if (ring == nullptr || pipe2(toWorker, O_CLOEXEC) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        for (const int fd : {ringMemory, toWorker[0], toWorker[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (ring != nullptr) {
            munmap(ring, kResultRingSize);
        }
        return nullptr;
    }
    ResultRing(ring, kResultRingSize).Initialise();
    const std::string channel = std::to_string(toWorker[0]) + "," + std::to_string(wake[1]) + "," +
                                std::to_string(ringMemory) + "," + std::to_string(capture);
    std::vector<std::string> all = {"norvik-run", kWorkerChannelOption, channel};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : all) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);

    const pid_t pid = SpawnWorker(toWorker[0], wake[1], ringMemory, capture, argv.data());
    close(toWorker[0]);
    close(wake[1]);
    close(ringMemory);
    if (pid < 0) {
        close(toWorker[1]);
        close(wake[0]);
        munmap(ring, kResultRingSize);
        return nullptr;
    }
    // Set from both sides, so that a Kill right after the start reaches the group.
    setpgid(pid, pid);
    return std::unique_ptr<WorkerProcess>(new PosixWorker(pid, toWorker[1], wake[0], ring, std::move(output)));
}

bool ParentChannel::Open(const std::string &handles) {
    int in = -1, wake = -1, ring = -1, capture = -1;
    if (std::sscanf(handles.c_str(), "%d,%d,%d,%d", &in, &wake, &ring, &capture) != 4 || fcntl(in, F_GETFD) < 0 ||
        fcntl(wake, F_GETFD) < 0 || fcntl(ring, F_GETFD) < 0) {
        return false;
    }
    fcntl(in, F_SETFD, FD_CLOEXEC);
    fcntl(wake, F_SETFD, FD_CLOEXEC);
    fromParent_ = MoveOutOfReach(in);
    wakeParent_ = MoveOutOfReach(wake);
    if (capture >= 0 && fcntl(capture, F_SETFD, FD_CLOEXEC) == 0) {
        captureFile_ = MoveOutOfReach(capture);
    }
    // Mapped once for the worker's life; the mapping outlives whatever a test closes.
    sharedRing_ = MapRing(ring);
    close(ring);
    return sharedRing_ != nullptr;
}

std::string ParentChannel::ReadAll() {
    std::string text;
    char buffer[65536];
    ssize_t count = 0;
    while ((count = ReadOnce(static_cast<int>(fromParent_), buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(count));
    }
    return text;
}

// Tests may check, and so write, from threads of their own: one line at a time.
bool ParentChannel::Write(const std::string &bytes) {
    static std::mutex oneWriter;
    const std::lock_guard<std::mutex> lock(oneWriter);
    ResultRing ring(sharedRing_, kResultRingSize);
    bool woken = true;
    PutWhole(
        ring, bytes.data(), bytes.size(), [&] { woken = WriteWhole(static_cast<int>(wakeParent_), "w", 1); },
        [] { usleep(1000); });
    return woken;
}

// A shared object finds its dependencies through its own run path.
void SearchDependenciesIn(const std::string &) {}

// Nothing on POSIX shows a dialog.
void TurnOffErrorDialogs() {}

void EndThisProcess(int exitCode) { _exit(exitCode); }

}  // namespace run
