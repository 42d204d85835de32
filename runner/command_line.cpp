#include "command_line.h"

#include "norvik.h"
#include "test_library.h"

namespace runner {

int RunCommandLineMode(const char *libraryPath, const char *reportPath) {
    if (LoadTestLibrary(libraryPath) != 0) {
        return 1;
    }
    NvkBatchRun(nullptr);
    return NvkReportCreateFile(NVK_REPORT_ALL, reportPath) ? 0 : 1;
}

}  // namespace runner
