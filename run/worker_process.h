// Worker processes: the runner's program started again to run tests for it, with a
// channel each way. The parent's side is an interface, so that the pool can be tested
// with processes that are not real. One file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output_capture.h"
#include "process_end.h"
#include "worker_contract.h"

namespace run {

// The parent's side of one worker.
class WorkerProcess {
public:
    virtual ~WorkerProcess() = default;
    // Writes everything the worker is to read, then closes the pipe to it. Called
    // once the worker said it started.
    virtual bool SendAll(const std::string &bytes) = 0;
    // Blocks until bytes arrive; 0 once the worker ended and what it wrote before
    // was read, also while a process the worker started lives on. A channel
    // found unreadable (shared memory that makes no sense) gives one line that names
    // it, which no message decodes, and then 0.
    virtual size_t Receive(char *buffer, size_t size) = 0;
    // From any thread, any number of times, also after Wait: ends the worker and the
    // processes it started. True when the worker itself was still alive: a time
    // limit that finds it ended has nothing to count.
    virtual bool Kill() = 0;
    // Waits for the worker to end, once.
    virtual ProcessEnd Wait() = 0;
    // The file the worker's standard output and error go into; nullptr when they
    // go where the runner's own do.
    virtual CaptureFile *Output() { return nullptr; }
};

// Starts a worker for the pool; nullptr when none can start.
using WorkerStarter = std::function<std::unique_ptr<WorkerProcess>()>;

// Starts this program with kWorkerChannelOption and then the arguments. A worker
// ends with its parent, and so do the processes it starts. With captureOutput its
// standard output and error go into a file of its own (see WorkerProcess::Output).
std::unique_ptr<WorkerProcess> StartWorkerProcess(const std::vector<std::string> &arguments,
                                                  bool captureOutput = false);

// The worker's side: the channel kWorkerChannelOption names.
class ParentChannel {
public:
    // Also moves the channel out of the reach of a test that closes the handles or
    // descriptors it did not open.
    bool Open(const std::string &handles);
    std::string ReadAll();
    bool Write(const std::string &bytes);
    // The file the parent made for the worker's standard output and error, for
    // StandardCapture::IntoFile; -1 when the worker keeps the parent's.
    intptr_t CaptureFile() const { return captureFile_; }

private:
    intptr_t fromParent_ = -1;
    intptr_t toParent_ = -1;  // on Windows, the shared memory's mapping
    intptr_t captureFile_ = -1;
    // The worker's words go through shared memory (see ResultRing): the memory, and
    // what wakes a parent that sleeps until they come.
    void *sharedRing_ = nullptr;
    intptr_t wakeParent_ = -1;
};

// No dialog waits for a click when a test faults or aborts, in this process and in
// the processes it starts.
void TurnOffErrorDialogs();

// Where a worker looks first for the libraries its test library imports: the folder
// of the user's file when it loads a copy of it. "" changes nothing.
void SearchDependenciesIn(const std::string &folder);

// Ends this process with the exit code without running anything more of it.
[[noreturn]] void EndThisProcess(int exitCode);

}  // namespace run
