#include "options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace console {
namespace {

// "--name VALUE" or "--name=VALUE". Returns false when the argument is not this option.
bool TakeValue(const char *name, int count, const char *const *arguments, int &index, std::string &value,
               std::string &error) {
    const char *argument = arguments[index];
    const size_t nameLength = std::strlen(name);
    if (std::strncmp(argument, name, nameLength) != 0) {
        return false;
    }
    if (argument[nameLength] == '=') {
        value = argument + nameLength + 1;
    } else if (argument[nameLength] != '\0') {
        return false;
    } else if (index + 1 < count) {
        value = arguments[++index];
    } else {
        error = std::string(name) + " needs a value";
        return true;
    }
    if (value.empty()) {
        error = std::string(name) + " needs a value";
    }
    return true;
}

std::string ParseTimeout(const std::string &text, double &seconds) {
    char *end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
        return "--timeout needs a number of seconds above 0, not \"" + text + "\"";
    }
    return std::string();
}

}  // namespace

std::string ParseOptions(int count, const char *const *arguments, Options &options) {
    bool optionsEnded = false;
    for (int index = 1; index < count; ++index) {
        const char *argument = arguments[index];
        std::string error;
        std::string timeout;
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            options.libraries.push_back(argument);
        } else if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(argument, "--list") == 0) {
            options.list = true;
        } else if (std::strcmp(argument, "--quiet") == 0 || std::strcmp(argument, "-q") == 0) {
            options.verbosity = Verbosity::Quiet;
        } else if (std::strcmp(argument, "--verbose") == 0 || std::strcmp(argument, "-v") == 0) {
            options.verbosity = Verbosity::Verbose;
        } else if (TakeValue("--filter", count, arguments, index, options.filter, error) ||
                   TakeValue("--xml", count, arguments, index, options.xmlPath, error) ||
                   TakeValue("--junit", count, arguments, index, options.junitPath, error)) {
        } else if (TakeValue("--timeout", count, arguments, index, timeout, error)) {
            if (error.empty()) error = ParseTimeout(timeout, options.timeoutSeconds);
        } else {
            error = std::string("unknown option ") + argument;
        }
        if (!error.empty()) {
            return error;
        }
    }
    if (options.libraries.empty() && !options.help) {
        return "no test library given";
    }
    return std::string();
}

std::string UsageText(const std::string &program) {
    return "Usage: " + program + " [options] TEST_DLL...\n"
           "Runs the tests of each test library in turn and reports the results.\n"
           "\n"
           "Options:\n"
           "  --list             print the tests as Batch.Test, one a line, and run nothing\n"
           "  --filter PATTERNS  run only the tests whose Batch.Test matches; PATTERNS are\n"
           "                     globs (* and ?) separated by ':', those after '-' exclude\n"
           "  --xml FILE         write the library's XML report with all items; with several\n"
           "                     test libraries, FILE-<library name> for each\n"
           "  --junit FILE       write a JUnit XML report of all test libraries\n"
           "  --timeout SECONDS  end the run when one test takes longer\n"
           "  --quiet, -q        print only failures and the closing line\n"
           "  --verbose, -v      print a line for every test\n"
           "  --help, -h         print this text\n"
           "\n"
           "Exit codes: 0 every selected test passed; 1 a test failed or crashed;\n"
           "2 a usage error, or a test library or report that cannot be loaded or written;\n"
           "3 a test ran longer than the timeout.\n"
           "Colour is used only on a terminal, and never when NO_COLOR is set.\n";
}

}  // namespace console
