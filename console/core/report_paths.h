// Where the console runner writes its reports.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace console {

// With several libraries each library report gets the library's name: report.xml
// becomes report-Tests.xml for Tests.dll. With one library, the path as given.
std::string LibraryReportPath(const std::string &reportPath, const std::string &libraryPath, size_t libraryCount);

// Every report the options write while the given library is run: the JUnit report
// and the library's own report, each when asked for.
std::vector<std::string> ReportsDuringLibrary(const Options &options, const std::string &libraryPath);

}  // namespace console
