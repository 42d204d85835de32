#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#  include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

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
void PrepareWorker(pid_t parent, int toWorker, int fromWorker, int capture) {
    setpgid(0, 0);
#if defined(__linux__)
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (getppid() != parent) {
        _exit(127);
    }
    // Only the worker's own two ends, and its capture file, stay open across exec.
    fcntl(toWorker, F_SETFD, 0);
    fcntl(fromWorker, F_SETFD, 0);
    if (capture >= 0) {
        fcntl(capture, F_SETFD, 0);
    }
}

class PosixWorker final : public WorkerProcess {
public:
    PosixWorker(pid_t pid, int toWorker, int fromWorker, std::unique_ptr<WorkerCaptureFile> output)
        : pid_(pid), toWorker_(toWorker), fromWorker_(fromWorker), output_(std::move(output)) {}

    ~PosixWorker() override {
        if (toWorker_ >= 0) {
            close(toWorker_);
        }
        close(fromWorker_);
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

    // A process the worker's tests started keeps the pipe open after the worker
    // ended, so the worker's end is looked for while nothing arrives.
    size_t Receive(char *buffer, size_t size) override {
        for (;;) {
            pollfd wanted = {fromWorker_, POLLIN, 0};
            const int ready = poll(&wanted, 1, 100);
            if (ready > 0) {
                const ssize_t count = ReadOnce(fromWorker_, buffer, size);
                return count > 0 ? static_cast<size_t>(count) : 0;
            }
            if (ready < 0 && errno != EINTR) {
                return 0;
            }
            if (Ended()) {
                return Drain(buffer, size);
            }
        }
    }

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

    // What the worker wrote before it ended, without waiting for the pipe to close.
    size_t Drain(char *buffer, size_t size) {
        fcntl(fromWorker_, F_SETFL, fcntl(fromWorker_, F_GETFL) | O_NONBLOCK);
        const ssize_t count = ReadOnce(fromWorker_, buffer, size);
        return count > 0 ? static_cast<size_t>(count) : 0;
    }

    const pid_t pid_;
    int toWorker_;
    const int fromWorker_;
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

std::unique_ptr<WorkerProcess> StartWorkerProcess(const std::vector<std::string> &arguments, bool captureOutput) {
    std::unique_ptr<WorkerCaptureFile> output;
    if (!WorkerCaptureFileFor(captureOutput, output)) {
        return nullptr;
    }
    const int capture = output ? static_cast<int>(output->ForWorker()) : -1;
    int toWorker[2], fromWorker[2];
    if (pipe2(toWorker, O_CLOEXEC) != 0) {
        return nullptr;
    }
    if (pipe2(fromWorker, O_CLOEXEC) != 0) {
        close(toWorker[0]);
        close(toWorker[1]);
        return nullptr;
    }
    const std::string channel =
        std::to_string(toWorker[0]) + "," + std::to_string(fromWorker[1]) + "," + std::to_string(capture);
    std::vector<std::string> all = {"norvik-run", kWorkerChannelOption, channel};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : all) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        PrepareWorker(parent, toWorker[0], fromWorker[1], capture);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(toWorker[0]);
    close(fromWorker[1]);
    if (pid < 0) {
        close(toWorker[1]);
        close(fromWorker[0]);
        return nullptr;
    }
    // Set from both sides, so that a Kill right after the start reaches the group.
    setpgid(pid, pid);
    return std::unique_ptr<WorkerProcess>(new PosixWorker(pid, toWorker[1], fromWorker[0], std::move(output)));
}

bool ParentChannel::Open(const std::string &handles) {
    int in = -1, out = -1, capture = -1;
    if (std::sscanf(handles.c_str(), "%d,%d,%d", &in, &out, &capture) != 3 || fcntl(in, F_GETFD) < 0 ||
        fcntl(out, F_GETFD) < 0) {
        return false;
    }
    fcntl(in, F_SETFD, FD_CLOEXEC);
    fcntl(out, F_SETFD, FD_CLOEXEC);
    fromParent_ = MoveOutOfReach(in);
    toParent_ = MoveOutOfReach(out);
    if (capture >= 0 && fcntl(capture, F_SETFD, FD_CLOEXEC) == 0) {
        captureFile_ = MoveOutOfReach(capture);
    }
    return true;
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

bool ParentChannel::Write(const std::string &bytes) {
    return WriteWhole(static_cast<int>(toParent_), bytes.data(), bytes.size());
}

// A shared object finds its dependencies through its own run path.
void SearchDependenciesIn(const std::string &) {}

// Nothing on POSIX shows a dialog.
void TurnOffErrorDialogs() {}

void EndThisProcess(int exitCode) { _exit(exitCode); }

}  // namespace run
