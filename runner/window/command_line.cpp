#include "window/command_line.h"

#include <windows.h>

#include <string>

#include "library_loader.h"
#include "norvik.h"
#include "wide_text_windows.h"
#include "worker_process.h"

namespace runner {
namespace {

const char *commandLineReport = nullptr;
bool libraryLoading = false;

// The program has no window here: what went wrong goes to a standard error that a
// script may have redirected.
void TellError(const std::string &text) {
    const std::string line = "WindowsNorvik: " + text + "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string CurrentTestName() {
    NvkTestFunction *test = NvkTestFunctionGetCurrent();
    const char *batch = test != nullptr ? NvkBatchGetName(NvkTestFunctionGetBatch(test)) : nullptr;
    const char *name = test != nullptr ? NvkTestFunctionGetName(test) : nullptr;
    return test != nullptr ? std::string(batch != nullptr ? batch : "") + "." + (name != nullptr ? name : "")
                           : std::string("a test");
}

// A test, or the library's entry point, that ends the process is named, and the
// report of what ran is written before the process ends with an exit code of its own.
void NVK_CALL OnProcessEnd() {
    if (libraryLoading) {
        TellError("the test library's loading ended the process");
    } else if (NvkIsRunning() != 0) {
        TellError(CurrentTestName() + " ended the process");
        // The report holds the test as failed, as the console's reports do.
        if (NvkTestFunctionGetCurrent() != nullptr) {
            NvkAssert(0, nullptr, 0, "%s", "The test ended the runner's process");
        }
        NvkReportCreateFile(NVK_REPORT_ALL, commandLineReport);
    } else {
        return;
    }
    run::EndThisProcess(kExitProcessEnded);
}

// The tests that registered still run: their report is worth having. What was
// refused is named, and the exit code says the run is not whole.
bool TellRegistrationErrors(const char *libraryPath) {
    const uint32_t count = NvkRegistrationGetErrorCount();
    for (uint32_t index = 0; index < count; ++index) {
        const char *error = NvkRegistrationGetError(index);
        TellError(std::string(libraryPath) + ": " + (error != nullptr ? error : ""));
    }
    return count > 0;
}

}  // namespace

int RunCommandLineMode(const char *libraryPath, const char *reportPath) {
    commandLineReport = reportPath;
    NvkSetProcessEndHandler(OnProcessEnd);
    libraryLoading = true;
    const loader::LoadFailure failure = loader::LoadTestLibrary(loader::Utf8FromAnsi(libraryPath).c_str());
    libraryLoading = false;
    if (failure != loader::LoadFailure::None) {
        const std::string details = loader::LoadFailureDetails();
        TellError(std::string(libraryPath) + ": " + loader::LoadFailureText(failure) +
                  (details.empty() ? "" : " " + details));
        return 1;
    }
    const bool refused = TellRegistrationErrors(libraryPath);
    NvkBatchRun(nullptr);
    const bool written = NvkReportCreateFile(NVK_REPORT_ALL, reportPath) != 0;
    NvkSetProcessEndHandler(nullptr);
    return !written ? 1 : refused ? kExitRegistrationErrors : 0;
}

}  // namespace runner
