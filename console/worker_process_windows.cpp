#include <windows.h>

#include <stdlib.h>

#include <cstdio>

#include "worker_process.h"

namespace console {
namespace {

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

std::wstring Wide(const std::string &text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
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

}  // namespace

std::unique_ptr<WorkerProcess> WorkerProcess::Start(const std::vector<std::string> &arguments) {
    // Pipes are made uninheritable, and only this worker's ends become inheritable
    // for the one CreateProcess call.
    HANDLE toWorkerRead, toWorkerWrite, fromWorkerRead, fromWorkerWrite;
    if (!CreatePipe(&toWorkerRead, &toWorkerWrite, nullptr, 0)) {
        return nullptr;
    }
    if (!CreatePipe(&fromWorkerRead, &fromWorkerWrite, nullptr, 0)) {
        CloseHandle(toWorkerRead);
        CloseHandle(toWorkerWrite);
        return nullptr;
    }
    SetHandleInformation(toWorkerRead, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(fromWorkerWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

    wchar_t program[MAX_PATH * 4];
    const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    char channel[64];
    std::snprintf(channel, sizeof channel, "%llu,%llu", static_cast<unsigned long long>(AsValue(toWorkerRead)),
                  static_cast<unsigned long long>(AsValue(fromWorkerWrite)));
    std::wstring line;
    AppendQuoted(line, std::wstring(program, programLength));
    AppendQuoted(line, L"--worker-channel");
    AppendQuoted(line, Wide(channel));
    for (const std::string &argument : arguments) {
        AppendQuoted(line, Wide(argument));
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started =
        CreateProcessW(program, &line[1], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(toWorkerRead);
    CloseHandle(fromWorkerWrite);
    if (!started) {
        CloseHandle(toWorkerWrite);
        CloseHandle(fromWorkerRead);
        return nullptr;
    }
    CloseHandle(process.hThread);
    std::unique_ptr<WorkerProcess> worker(new WorkerProcess);
    worker->process_ = AsValue(process.hProcess);
    worker->toWorker_ = AsValue(toWorkerWrite);
    worker->fromWorker_ = AsValue(fromWorkerRead);
    return worker;
}

WorkerProcess::~WorkerProcess() {
    if (toWorker_ != -1) {
        CloseHandle(AsHandle(toWorker_));
    }
    if (fromWorker_ != -1) {
        CloseHandle(AsHandle(fromWorker_));
    }
    if (process_ != -1) {
        TerminateProcess(AsHandle(process_), 1);
        CloseHandle(AsHandle(process_));
    }
}

bool WorkerProcess::SendAll(const std::string &bytes) {
    const bool sent = WriteWhole(AsHandle(toWorker_), bytes.data(), bytes.size());
    CloseHandle(AsHandle(toWorker_));
    toWorker_ = -1;
    return sent;
}

size_t WorkerProcess::Receive(char *buffer, size_t size) { return ReadSome(AsHandle(fromWorker_), buffer, size); }

void WorkerProcess::Kill() { TerminateProcess(AsHandle(process_), 1); }

ProcessEnd WorkerProcess::Wait() {
    WaitForSingleObject(AsHandle(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(AsHandle(process_), &code);
    CloseHandle(AsHandle(process_));
    process_ = -1;
    ProcessEnd end;
    end.code = code;
    return end;
}

bool ParentChannel::Open(const std::string &handles) {
    unsigned long long in = 0, out = 0;
    if (std::sscanf(handles.c_str(), "%llu,%llu", &in, &out) != 2) {
        return false;
    }
    fromParent_ = static_cast<intptr_t>(in);
    toParent_ = static_cast<intptr_t>(out);
    // The worker's own children must not hold its pipes open.
    return SetHandleInformation(AsHandle(fromParent_), HANDLE_FLAG_INHERIT, 0) &&
           SetHandleInformation(AsHandle(toParent_), HANDLE_FLAG_INHERIT, 0);
}

std::string ParentChannel::ReadAll() {
    std::string text;
    char buffer[65536];
    while (const size_t count = ReadSome(AsHandle(fromParent_), buffer, sizeof buffer)) {
        text.append(buffer, count);
    }
    return text;
}

bool ParentChannel::Write(const std::string &bytes) {
    return WriteWhole(AsHandle(toParent_), bytes.data(), bytes.size());
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

}  // namespace console
