#include "report_paths.h"

#include <set>

namespace console {
namespace {

char FoldedCharacter(char character) {
    if (character == '\\') {
        return '/';
    }
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

std::string Folded(const std::string &text) {
    std::string folded = text;
    for (char &character : folded) {
        character = FoldedCharacter(character);
    }
    return folded;
}

// The folded path with its leading slashes kept (a root or a network share), and
// every later empty or "." segment left out.
std::string ComparableForm(const std::string &path) {
    const std::string folded = Folded(path);
    const size_t start = folded.find_first_not_of('/');
    if (start == std::string::npos) {
        return folded;
    }
    std::string form = folded.substr(0, start);
    size_t segmentStart = start;
    while (segmentStart <= folded.size()) {
        size_t segmentEnd = folded.find('/', segmentStart);
        if (segmentEnd == std::string::npos) {
            segmentEnd = folded.size();
        }
        const std::string segment = folded.substr(segmentStart, segmentEnd - segmentStart);
        if (!segment.empty() && segment != ".") {
            if (form.size() > start) {
                form += '/';
            }
            form += segment;
        }
        segmentStart = segmentEnd + 1;
    }
    return form;
}

// "Tests" for "bin/Tests.dll" and "C:\bin\Tests.dll".
std::string FileStem(const std::string &libraryPath) {
    const size_t folderEnd = libraryPath.find_last_of("/\\");
    const size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    const size_t dot = libraryPath.find_last_of('.');
    const size_t nameEnd = dot != std::string::npos && dot >= nameStart ? dot : libraryPath.size();
    return libraryPath.substr(nameStart, nameEnd - nameStart);
}

// Each library's part of its report's name, distinct among the libraries even
// where file names differ only in case, as they do not on Windows.
std::vector<std::string> ReportNames(const std::vector<std::string> &libraries) {
    std::vector<std::string> stems;
    std::set<std::string> taken;
    for (const std::string &library : libraries) {
        stems.push_back(FileStem(library));
        taken.insert(Folded(stems.back()));
    }
    std::vector<std::string> names;
    std::set<std::string> named;
    for (const std::string &stem : stems) {
        if (named.insert(Folded(stem)).second) {
            names.push_back(stem);
            continue;
        }
        unsigned number = 2;
        while (taken.count(Folded(stem + "-" + std::to_string(number))) != 0) {
            ++number;
        }
        names.push_back(stem + "-" + std::to_string(number));
        taken.insert(Folded(names.back()));
    }
    return names;
}

// The report of the library at index, from every library's name for its report.
std::string WithNameAdded(const std::string &reportPath, const std::vector<std::string> &names, size_t index) {
    if (names.size() <= 1) {
        return reportPath;
    }
    const std::string &name = names.at(index);
    const size_t folderEnd = reportPath.find_last_of("/\\");
    const size_t dot = reportPath.find_last_of('.');
    const size_t insertAt =
        dot != std::string::npos && (folderEnd == std::string::npos || dot > folderEnd) ? dot : reportPath.size();
    return reportPath.substr(0, insertAt) + "-" + name + reportPath.substr(insertAt);
}

}  // namespace

std::string LibraryReportPath(const std::string &reportPath, const std::vector<std::string> &libraries, size_t index) {
    return WithNameAdded(reportPath, ReportNames(libraries), index);
}

std::vector<std::string> ReportsDuringLibrary(const Options &options, const std::string &libraryPath) {
    std::vector<std::string> reports;
    if (!options.junitPath.empty()) {
        reports.push_back(options.junitPath);
    }
    if (!options.jsonPath.empty()) {
        reports.push_back(options.jsonPath);
    }
    if (!options.tapPath.empty() && options.tapPath != "-") {
        reports.push_back(options.tapPath);
    }
    const std::vector<std::string> names = ReportNames(options.libraries);
    for (size_t index = 0; index < options.libraries.size() && !options.xmlPath.empty(); ++index) {
        if (options.libraries[index] == libraryPath) {
            reports.push_back(WithNameAdded(options.xmlPath, names, index));
        }
    }
    return reports;
}

bool SameReportPath(const std::string &a, const std::string &b) { return ComparableForm(a) == ComparableForm(b); }

std::string ReportClash(const Options &options, const std::string &junitSource) {
    if (options.junitPath.empty() || options.xmlPath.empty()) {
        return std::string();
    }
    const std::vector<std::string> names = ReportNames(options.libraries);
    for (size_t index = 0; index < options.libraries.size(); ++index) {
        const std::string libraryReport = WithNameAdded(options.xmlPath, names, index);
        if (SameReportPath(options.junitPath, libraryReport)) {
            const std::string whose = options.libraries.size() > 1 ? " of " + options.libraries[index] : "";
            return junitSource + " names " + options.junitPath + ", the file of the --xml report" + whose +
                   ": give each report its own file";
        }
    }
    return std::string();
}

}  // namespace console
