#include "final_reports.h"

#include "junit_report.h"
#include "norvik.h"
#include "platform.h"

namespace console {
namespace {

bool WriteReport(const std::string &path, const std::string &text, const ConsoleOutput &output) {
    if (WriteWholeFile(path, text)) {
        return true;
    }
    output.Error("cannot write the report " + path);
    return false;
}

std::string LibraryReport() {
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    std::string text(report != nullptr ? report : "", length);
    NvkMemFreeImp(&report);
    return text;
}

}  // namespace

bool WriteLibraryReport(const std::string &path, const ConsoleOutput &output) {
    return WriteReport(path, LibraryReport(), output);
}

bool WriteFinalReports(const std::string &junitPath, const ResultStore &store, const ConsoleOutput &output) {
    return junitPath.empty() || WriteReport(junitPath, JunitReport(store), output);
}

}  // namespace console
