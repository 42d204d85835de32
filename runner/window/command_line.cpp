#include "window/command_line.h"

#include "library_loader.h"
#include "norvik.h"
#include "wide_text_windows.h"

namespace runner {

int RunCommandLineMode(const char *libraryPath, const char *reportPath) {
    if (loader::LoadTestLibrary(loader::Utf8FromAnsi(libraryPath).c_str()) != loader::LoadFailure::None) {
        return 1;
    }
    NvkBatchRun(nullptr);
    return NvkReportCreateFile(NVK_REPORT_ALL, reportPath) ? 0 : 1;
}

}  // namespace runner
