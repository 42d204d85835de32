#include <windows.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "kernel_handle.h"
#include "result_ring.h"
#include "wide_text_windows.h"
#include "worker_process.h"

// Windows 10's attribute; the headers declare it only for programs that require that
// version, and older systems refuse it, which the start below allows for.
#ifndef PROC_THREAD_ATTRIBUTE_JOB_LIST
#  define PROC_THREAD_ATTRIBUTE_JOB_LIST 0x0002000D
#endif

namespace run {

namespace {

using loader::WideFromUtf8;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t AsValue(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// One argument as the C runtime splits a command line: quoted, with the
// backslashes before a quote doubled.
void AppendQuoted(std::wstring &line, const std::wstring &argument) {
    line += L" \"";
    size_t backslashes = 0;
    for (const wchar_t character : argument) {
        if (character == L'\\') {
            ++backslashes;
        } else {
            if (character == L'"') {
                line.append(backslashes + 1, L'\\');
            }
            backslashes = 0;
        }
        line += character;
    }
    line.append(backslashes, L'\\');
    line += L'"';
}

bool WriteWhole(HANDLE handle, const char *bytes, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

size_t ReadSome(HANDLE handle, char *buffer, size_t size) {
    DWORD count = 0;
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    return ReadFile(handle, buffer, chunk, &count, nullptr) ? count : 0;
}

// A job that ends the worker, and whatever its tests start, when the runner ends
// or closes it.
KernelHandle JobForWorker() {
    KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        job.Reset();
    }
    return job;
}

// Puts the process CreateProcess makes in a job from its first instruction, so that a
// runner that ends during CreateProcess leaves no worker behind, suspended or not.
class JobAttribute {
public:
    explicit JobAttribute(HANDLE job) : job_(job) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (job_ == nullptr || size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            return;
        }
        list_ = list;
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_JOB_LIST, &job_, sizeof job_, nullptr,
                                       nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~JobAttribute() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    JobAttribute(const JobAttribute &) = delete;
    JobAttribute &operator=(const JobAttribute &) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

private:
    HANDLE job_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// The shared memory of a worker's ring, mapped into this process.
class RingView {
public:
    explicit RingView(HANDLE mapping)
        : memory_(mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kResultRingSize) : nullptr) {}
    ~RingView() {
        if (memory_ != nullptr) {
            UnmapViewOfFile(memory_);
        }
    }
    RingView(const RingView &) = delete;
    RingView &operator=(const RingView &) = delete;

    void *Memory() const { return memory_; }

private:
    void *memory_;
};

// How long a reader that found nothing waits at a time before it looks again.
constexpr DWORD kPollMilliseconds = 1;

// The worker takes its ends of the channel from this process: workerEnd, the end of
// the pipe it reads, stays open here until it did, which it says by starting.
class WindowsWorker final : public WorkerProcess, private RingWaits {
public:
    WindowsWorker(KernelHandle process, KernelHandle job, KernelHandle toWorker, KernelHandle workerEnd,
                  KernelHandle ringMapping, KernelHandle wake, std::unique_ptr<WorkerCaptureFile> output)
        : process_(std::move(process)),
          job_(std::move(job)),
          toWorker_(std::move(toWorker)),
          workerEnd_(std::move(workerEnd)),
          ringMapping_(std::move(ringMapping)),
          wake_(std::move(wake)),
          view_(ringMapping_.Get()),
          ring_(view_.Memory(), kResultRingSize),
          output_(std::move(output)) {}

    ~WindowsWorker() override {
        toWorker_.Reset();
        if (!waited_) {
            Kill();
            Wait();
        }
    }

    // Once the worker started: a worker that ends before it read the plan then
    // breaks the pipe, and the write fails instead of waiting for good.
    bool SendAll(const std::string &bytes) override {
        workerEnd_.Reset();
        const bool sent = WriteWhole(toWorker_.Get(), bytes.data(), bytes.size());
        toWorker_.Reset();
        return sent;
    }

    // What the worker wrote stays in the ring after it ended, to be read to the end.
    size_t Receive(char *buffer, size_t size) override { return ring_.Receive(buffer, size, *this); }

    // The handle stays open until the worker is destroyed: a Kill after Wait must
    // never reach another process, let alone this one.
    bool Kill() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waited_) {
            return false;
        }
        const bool alive = WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
        if (job_) {
            TerminateJobObject(job_.Get(), 1);
        }
        TerminateProcess(process_.Get(), 1);
        return alive;
    }

    // What the worker's tests started goes with it.
    ProcessEnd Wait() override {
        WaitForSingleObject(process_.Get(), INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_.Get(), &code);
        std::lock_guard<std::mutex> lock(mutex_);
        if (job_) {
            TerminateJobObject(job_.Get(), 1);
        }
        waited_ = true;
        ProcessEnd end;
        end.code = code;
        return end;
    }

    CaptureFile *Output() override { return output_.get(); }

private:
    bool WaitBriefly() override { return WaitForSingleObject(process_.Get(), kPollMilliseconds) == WAIT_OBJECT_0; }

    bool SleepUntilWoken() override {
        const HANDLE either[] = {wake_.Get(), process_.Get()};
        return WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
    }

    KernelHandle process_;
    KernelHandle job_;
    KernelHandle toWorker_;
    KernelHandle workerEnd_;
    KernelHandle ringMapping_;
    KernelHandle wake_;
    RingView view_;
    RingReader ring_;
    std::mutex mutex_;  // Kill from other threads against Wait
    bool waited_ = false;
    const std::unique_ptr<WorkerCaptureFile> output_;  // the worker duplicates its writing handle
};

// Replaces each handle by a copy with a value above those a test may close by number,
// or leaves it where none can be had. Windows hands out the lowest free value, so the
// low copies are held until every handle has its high one: the handles after the
// first need only a few copies each, not as many again.
void MoveOutOfReach(HANDLE *handles, size_t count) {
    constexpr uintptr_t kAbove = 0x4000;
    constexpr size_t kMostCopies = 8192;
    std::vector<HANDLE> lower;
    for (size_t each = 0; each < count; ++each) {
        HANDLE copy = nullptr;
        while (lower.size() < kMostCopies) {
            if (!DuplicateHandle(GetCurrentProcess(), handles[each], GetCurrentProcess(), &copy, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS)) {
                copy = nullptr;
                break;
            }
            if (reinterpret_cast<uintptr_t>(copy) > kAbove) {
                break;
            }
            lower.push_back(copy);
            copy = nullptr;
        }
        if (copy != nullptr) {
            CloseHandle(handles[each]);
            handles[each] = copy;
        }
    }
    for (HANDLE each : lower) {
        CloseHandle(each);
    }
}

}  // namespace

// Nothing is made inheritable, so no process this one starts, a worker or another
// started meanwhile, inherits a handle: the worker duplicates its ends of the
// channel from this process, whose id and handle values it is given.
std::unique_ptr<WorkerProcess> StartWorkerProcess(const std::vector<std::string> &arguments, bool captureOutput) {
    std::unique_ptr<WorkerCaptureFile> output;
    if (!WorkerCaptureFileFor(captureOutput, output)) {
        return nullptr;
    }
    HANDLE pipeEnds[2];
    if (!CreatePipe(&pipeEnds[0], &pipeEnds[1], nullptr, 0)) {
        return nullptr;
    }
    KernelHandle toWorkerRead(pipeEnds[0]), toWorkerWrite(pipeEnds[1]);
    KernelHandle ringMapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                static_cast<DWORD>(kResultRingSize), nullptr));
    KernelHandle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!ringMapping || !wake) {
        return nullptr;
    }
    {
        const RingView view(ringMapping.Get());
        if (view.Memory() == nullptr) {
            return nullptr;
        }
        ResultRing(view.Memory(), kResultRingSize).Initialise();
    }

    wchar_t program[MAX_PATH * 4];
    const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    char channel[160];
    std::snprintf(channel, sizeof channel, "%lu,%llu,%llu,%llu,%llu", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long long>(AsValue(toWorkerRead.Get())),
                  static_cast<unsigned long long>(AsValue(ringMapping.Get())),
                  static_cast<unsigned long long>(AsValue(wake.Get())),
                  static_cast<unsigned long long>(output ? output->ForWorker() : 0));
    std::wstring line;
    AppendQuoted(line, std::wstring(program, programLength));
    AppendQuoted(line, WideFromUtf8(kWorkerChannelOption));
    AppendQuoted(line, WideFromUtf8(channel));
    for (const std::string &argument : arguments) {
        AppendQuoted(line, WideFromUtf8(argument));
    }

    // Where the system cannot start the worker in its job, the worker waits,
    // suspended, until it is in it.
    KernelHandle job = JobForWorker();
    const JobAttribute inJob(job.Get());
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = inJob.List();
    const DWORD flags = inJob.List() != nullptr ? EXTENDED_STARTUPINFO_PRESENT : CREATE_SUSPENDED;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program, &line[1], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup.StartupInfo,
                        &started)) {
        return nullptr;
    }
    KernelHandle process(started.hProcess), thread(started.hThread);
    if (inJob.List() == nullptr) {
        if (job && !AssignProcessToJobObject(job.Get(), process.Get())) {
            job.Reset();
        }
        ResumeThread(thread.Get());
    }
    return std::unique_ptr<WorkerProcess>(
        new WindowsWorker(std::move(process), std::move(job), std::move(toWorkerWrite), std::move(toWorkerRead),
                          std::move(ringMapping), std::move(wake), std::move(output)));
}

// The handles are the runner's: duplicated from it, and left open there.
bool ParentChannel::Open(const std::string &handles) {
    unsigned long parentId = 0;
    unsigned long long values[4] = {};
    if (std::sscanf(handles.c_str(), "%lu,%llu,%llu,%llu,%llu", &parentId, &values[0], &values[1], &values[2],
                    &values[3]) != 5) {
        return false;
    }
    const KernelHandle parent(OpenProcess(PROCESS_DUP_HANDLE, FALSE, parentId));
    if (!parent) {
        return false;
    }
    // The capture file, when there is one, last.
    const int count = values[3] != 0 ? 4 : 3;
    HANDLE channel[4] = {};
    for (int each = 0; each < count; ++each) {
        if (!DuplicateHandle(parent.Get(), AsHandle(static_cast<intptr_t>(values[each])), GetCurrentProcess(),
                             &channel[each], 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            for (int taken = 0; taken < each; ++taken) {
                CloseHandle(channel[taken]);
            }
            return false;
        }
    }
    MoveOutOfReach(channel, static_cast<size_t>(count));
    fromParent_ = AsValue(channel[0]);
    captureFile_ = count == 4 ? AsValue(channel[3]) : -1;
    toParent_ = AsValue(channel[1]);
    wakeParent_ = AsValue(channel[2]);
    // Mapped once for the worker's life; the view outlives whatever a test closes.
    sharedRing_ = MapViewOfFile(channel[1], FILE_MAP_ALL_ACCESS, 0, 0, kResultRingSize);
    return sharedRing_ != nullptr;
}

std::string ParentChannel::ReadAll() {
    std::string text;
    char buffer[65536];
    while (const size_t count = ReadSome(AsHandle(fromParent_), buffer, sizeof buffer)) {
        text.append(buffer, count);
    }
    return text;
}

// A full ring waits for the parent, which reads as long as the worker lives. Tests
// may check, and so write, from threads of their own: one line at a time.
bool ParentChannel::Write(const std::string &bytes) {
    static std::mutex oneWriter;
    const std::lock_guard<std::mutex> lock(oneWriter);
    ResultRing ring(sharedRing_, kResultRingSize);
    PutWhole(
        ring, bytes.data(), bytes.size(), [this] { SetEvent(AsHandle(wakeParent_)); }, [] { Sleep(1); });
    return true;
}

void SearchDependenciesIn(const std::string &folder) {
    if (!folder.empty()) {
        SetDllDirectoryW(WideFromUtf8(folder).c_str());
    }
}

// The error mode is inherited by the processes this one starts. The C runtime's
// abort message box and its report of the fault are the runtime's own.
void TurnOffErrorDialogs() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _set_error_mode(_OUT_TO_STDERR);
#if defined(_MSC_VER)
    _set_abort_behavior(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
#endif
}

void EndThisProcess(int exitCode) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace run
