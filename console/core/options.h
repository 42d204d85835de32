// The console runner's command line: which test libraries, and what to do with them.
#pragma once

#include <string>
#include <vector>

namespace console {

enum class Verbosity { Quiet, Normal, Verbose };

struct Options {
    std::vector<std::string> libraries;
    std::string filter;      // "" selects every test
    std::string xmlPath;     // "" writes no library report
    std::string junitPath;   // "" writes no JUnit report
    double timeoutSeconds = 0;  // 0: no limit
    Verbosity verbosity = Verbosity::Normal;
    bool list = false;
    bool help = false;
};

// Fills options from arguments[1..count); returns "" or what is wrong with them.
std::string ParseOptions(int count, const char *const *arguments, Options &options);

// The help text, with the program's name.
std::string UsageText(const std::string &program);

}  // namespace console
