// Starting WindowsNorvik.exe from a test, as a user would, and waiting for it.
// Everything the tests use is built into the test program's own folder.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string BuildFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

inline std::string BuiltFile(const std::string &name) { return BuildFolder() + "\\" + name; }

inline std::string CommandLineOf(const std::vector<std::string> &arguments) {
    std::string commandLine = "\"" + BuiltFile("WindowsNorvik.exe") + "\"";
    for (const std::string &argument : arguments) {
        commandLine += " \"" + argument + "\"";
    }
    return commandLine;
}

class RunnerProcess {
public:
    // desktop: the name of the desktop the runner's windows go to; NULL for the caller's.
    explicit RunnerProcess(const std::vector<std::string> &arguments, const char *desktop = nullptr) {
        std::string commandLine = CommandLineOf(arguments);
        std::string desktopName = desktop != nullptr ? desktop : "";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.lpDesktop = desktop != nullptr ? &desktopName[0] : nullptr;
        started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process_) != 0;
    }
    ~RunnerProcess() {
        if (started_) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 99);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }
    RunnerProcess(const RunnerProcess &) = delete;
    RunnerProcess &operator=(const RunnerProcess &) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }

    // The exit code, or STILL_ACTIVE when the process has not ended in time.
    DWORD WaitForExit(DWORD milliseconds = 60000) const {
        DWORD exitCode = STILL_ACTIVE;
        if (started_ && WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process_.hProcess, &exitCode);
        }
        return exitCode;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION process_ = {};
};

inline bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadFileBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
