#include "report_paths.h"

namespace console {

std::string LibraryReportPath(const std::string &reportPath, const std::string &libraryPath, size_t libraryCount) {
    if (libraryCount == 1) {
        return reportPath;
    }
    const size_t nameStart = libraryPath.find_last_of("/\\") + 1;
    const std::string libraryName = libraryPath.substr(nameStart, libraryPath.find_last_of('.') - nameStart);
    const size_t folderEnd = reportPath.find_last_of("/\\");
    const size_t dot = reportPath.find_last_of('.');
    const size_t insertAt =
        dot != std::string::npos && (folderEnd == std::string::npos || dot > folderEnd) ? dot : reportPath.size();
    return reportPath.substr(0, insertAt) + "-" + libraryName + reportPath.substr(insertAt);
}

std::vector<std::string> ReportsDuringLibrary(const Options &options, const std::string &libraryPath) {
    std::vector<std::string> reports;
    if (!options.junitPath.empty()) {
        reports.push_back(options.junitPath);
    }
    if (!options.xmlPath.empty()) {
        reports.push_back(LibraryReportPath(options.xmlPath, libraryPath, options.libraries.size()));
    }
    return reports;
}

}  // namespace console
