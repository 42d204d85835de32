// Where the console runner writes its reports.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace console {

// The library report of libraries[index]. With one library, the path as given.
// With several, each gets the library's file name: report.xml becomes
// report-Tests.xml for Tests.dll. Libraries that share a file name (also the same
// library given twice) are numbered in command-line order, the first keeping the
// plain name: report-Tests.xml, report-Tests-2.xml, and on, skipping a name that
// another library's report already has, so that no report overwrites another.
std::string LibraryReportPath(const std::string &reportPath, const std::vector<std::string> &libraries, size_t index);

// Every report the options write while the given library is run: the JUnit report,
// the JSON list of tests and the library's own report for each time it is given,
// each when asked for.
std::vector<std::string> ReportsDuringLibrary(const Options &options, const std::string &libraryPath);

// Whether two paths name the same file as far as their text tells: without "."
// segments and repeated slashes, with '\' as '/' and without regard to ASCII case,
// as on Windows, on every platform.
bool SameReportPath(const std::string &a, const std::string &b);

// "" or why the JUnit report, named by junitSource ("--junit" or the variable),
// would overwrite a library report: one of the two would be lost.
std::string ReportClash(const Options &options, const std::string &junitSource);

}  // namespace console
