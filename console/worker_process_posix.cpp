#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "worker_process.h"

namespace console {
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

size_t ReadSome(int fd, char *buffer, size_t size) {
    for (;;) {
        const ssize_t count = read(fd, buffer, size);
        if (count >= 0) {
            return static_cast<size_t>(count);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

}  // namespace

std::unique_ptr<WorkerProcess> WorkerProcess::Start(const std::vector<std::string> &arguments) {
    int toWorker[2], fromWorker[2];
    if (pipe2(toWorker, O_CLOEXEC) != 0) {
        return nullptr;
    }
    if (pipe2(fromWorker, O_CLOEXEC) != 0) {
        close(toWorker[0]);
        close(toWorker[1]);
        return nullptr;
    }
    const std::string channel = std::to_string(toWorker[0]) + "," + std::to_string(fromWorker[1]);
    std::vector<std::string> all = {"norvik-run", "--worker-channel", channel};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : all) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        // Only the worker's own two ends stay open across exec.
        fcntl(toWorker[0], F_SETFD, 0);
        fcntl(fromWorker[1], F_SETFD, 0);
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
    std::unique_ptr<WorkerProcess> worker(new WorkerProcess);
    worker->process_ = pid;
    worker->toWorker_ = toWorker[1];
    worker->fromWorker_ = fromWorker[0];
    return worker;
}

WorkerProcess::~WorkerProcess() {
    if (toWorker_ >= 0) {
        close(static_cast<int>(toWorker_));
    }
    if (fromWorker_ >= 0) {
        close(static_cast<int>(fromWorker_));
    }
    if (process_ > 0) {
        kill(static_cast<pid_t>(process_), SIGKILL);
        Wait();
    }
}

bool WorkerProcess::SendAll(const std::string &bytes) {
    // A worker that died early must not end the parent through SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    const bool sent = WriteWhole(static_cast<int>(toWorker_), bytes.data(), bytes.size());
    close(static_cast<int>(toWorker_));
    toWorker_ = -1;
    return sent;
}

size_t WorkerProcess::Receive(char *buffer, size_t size) {
    return ReadSome(static_cast<int>(fromWorker_), buffer, size);
}

void WorkerProcess::Kill() {
    if (process_ > 0) {
        kill(static_cast<pid_t>(process_), SIGKILL);
    }
}

ProcessEnd WorkerProcess::Wait() {
    int status = 0;
    while (waitpid(static_cast<pid_t>(process_), &status, 0) < 0 && errno == EINTR) {
    }
    process_ = -1;
    ProcessEnd end;
    end.signalled = WIFSIGNALED(status);
    end.code = static_cast<uint32_t>(end.signalled ? WTERMSIG(status) : WEXITSTATUS(status));
    return end;
}

bool ParentChannel::Open(const std::string &handles) {
    int in = -1, out = -1;
    if (std::sscanf(handles.c_str(), "%d,%d", &in, &out) != 2 || fcntl(in, F_GETFD) < 0 || fcntl(out, F_GETFD) < 0) {
        return false;
    }
    fcntl(in, F_SETFD, FD_CLOEXEC);
    fcntl(out, F_SETFD, FD_CLOEXEC);
    fromParent_ = in;
    toParent_ = out;
    return true;
}

std::string ParentChannel::ReadAll() {
    std::string text;
    char buffer[65536];
    while (const size_t count = ReadSome(static_cast<int>(fromParent_), buffer, sizeof buffer)) {
        text.append(buffer, count);
    }
    return text;
}

bool ParentChannel::Write(const std::string &bytes) {
    return WriteWhole(static_cast<int>(toParent_), bytes.data(), bytes.size());
}

// Nothing on POSIX shows a dialog.
void TurnOffErrorDialogs() {}

}  // namespace console
