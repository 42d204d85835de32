// Worker processes: this program started again to run tests for its parent, with a
// pipe each way. One file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console_text.h"

namespace console {

// The parent's side of one worker.
class WorkerProcess {
public:
    // Starts this program with the arguments and the hidden option that names the
    // worker's ends of the pipes; nullptr when it cannot. Called from one thread at
    // a time, so that no worker inherits another one's pipes.
    static std::unique_ptr<WorkerProcess> Start(const std::vector<std::string> &arguments);
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess &) = delete;
    WorkerProcess &operator=(const WorkerProcess &) = delete;

    // Writes everything the worker is to read, then closes the pipe to it.
    bool SendAll(const std::string &bytes);
    // Blocks until bytes arrive; 0 once the worker's pipe closed.
    size_t Receive(char *buffer, size_t size);
    // From any thread, until Wait.
    void Kill();
    ProcessEnd Wait();

private:
    WorkerProcess() = default;
    intptr_t process_ = -1;
    intptr_t toWorker_ = -1;
    intptr_t fromWorker_ = -1;
};

// The worker's side: the pipes the hidden option names.
class ParentChannel {
public:
    bool Open(const std::string &handles);
    std::string ReadAll();
    bool Write(const std::string &bytes);

private:
    intptr_t fromParent_ = -1;
    intptr_t toParent_ = -1;
};

// No dialog waits for a click when a test faults or aborts, in this process and in
// the processes it starts.
void TurnOffErrorDialogs();

}  // namespace console
