#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "report_paths.h"
#include "run_plan.h"

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

// Digits with at most one decimal point, as "2", "0.5" or "2.": what strtod reads
// beyond that (hex, exponents, "inf", "nan", signs) is no way to write seconds.
bool IsPlainDecimal(const std::string &text) {
    const size_t point = text.find('.');
    const bool onePointAtMost = point == std::string::npos || text.find('.', point + 1) == std::string::npos;
    return onePointAtMost && text.find_first_not_of("0123456789.") == std::string::npos &&
           text.find_first_of("0123456789") != std::string::npos;
}

std::string ParseTimeout(const std::string &text, double &seconds) {
    seconds = IsPlainDecimal(text) ? std::strtod(text.c_str(), nullptr) : 0;
    if (!std::isfinite(seconds) || seconds <= 0) {
        return "--timeout needs a number of seconds above 0, such as 2 or 0.5, not \"" + text + "\"";
    }
    return std::string();
}

std::string ParseCount(const char *name, const std::string &text, unsigned &count) {
    char *end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text[0] < '0' || text[0] > '9' || *end != '\0' || value == 0 || value > 100000) {
        return std::string(name) + " needs a whole number from 1 to 100000, not \"" + text + "\"";
    }
    count = static_cast<unsigned>(value);
    return std::string();
}

std::string ParseSeed(const std::string &text, uint64_t &seed) {
    errno = 0;
    const bool digitsOnly = text.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long long value = digitsOnly ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    // strtoull turns a number beyond 64 bits into the largest one: another seed.
    if (!digitsOnly || errno == ERANGE) {
        return "--seed needs a whole number from 0 to 18446744073709551615, not \"" + text + "\"";
    }
    seed = value;
    return std::string();
}

// A debugger attached to the runner sees only the runner's own process.
std::string BreakOnFailureClash(const Options &options) {
    const char *workers = options.timeoutSeconds > 0 ? "--timeout"
                          : options.jobs > 1         ? "--jobs"
                          : options.isolate          ? "--isolate"
                                                     : nullptr;
    if (workers == nullptr) {
        return std::string();
    }
    return std::string(
               "--break-on-failure stops in a debugger attached to the runner, which cannot see the worker "
               "processes that ") +
           workers + " runs the tests in: give one of them";
}

// Options that each make sense alone but not together.
std::string CheckCombinations(const Options &options, bool quietGiven, bool verboseGiven) {
    if (quietGiven && verboseGiven) {
        return "--quiet and --verbose ask for opposite output: give one of them";
    }
    if (options.seedGiven && !options.shuffle) {
        return "--seed replays a --shuffle order: give --shuffle too";
    }
    if (!options.jsonPath.empty() && !options.list) {
        return "--json writes the list of --list: give --list too";
    }
    if (options.breakOnFailure) {
        const std::string error = BreakOnFailureClash(options);
        if (!error.empty()) {
            return error;
        }
    }
    return ReportClash(options, "--junit");
}

const char kHiddenWorkerOption[] = "--worker-channel";

}  // namespace

std::string ParseOptions(int count, const char *const *arguments, Options &options) {
    bool optionsEnded = false;
    bool quietGiven = false;
    bool verboseGiven = false;
    for (int index = 1; index < count; ++index) {
        const char *argument = arguments[index];
        std::string error;
        std::string value;
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
            quietGiven = true;
        } else if (std::strcmp(argument, "--verbose") == 0 || std::strcmp(argument, "-v") == 0) {
            options.verbosity = Verbosity::Verbose;
            verboseGiven = true;
        } else if (TakeValue("--filter", count, arguments, index, options.filter, error) ||
                   TakeValue("--xml", count, arguments, index, options.xmlPath, error) ||
                   TakeValue("--junit", count, arguments, index, options.junitPath, error) ||
                   TakeValue("--json", count, arguments, index, options.jsonPath, error) ||
                   TakeValue("--tap", count, arguments, index, options.tapPath, error)) {
        } else if (std::strcmp(argument, "--isolate") == 0) {
            options.isolate = true;
        } else if (std::strcmp(argument, "--shuffle") == 0) {
            options.shuffle = true;
        } else if (std::strcmp(argument, "--fail-fast") == 0) {
            options.failFast = true;
        } else if (std::strcmp(argument, "--allow-empty") == 0) {
            options.allowEmpty = true;
        } else if (std::strcmp(argument, "--break-on-failure") == 0) {
            options.breakOnFailure = true;
        } else if (TakeValue(kHiddenWorkerOption, count, arguments, index, options.workerChannel, error)) {
        } else if (TakeValue("--timeout", count, arguments, index, value, error)) {
            if (error.empty()) {
                error = ParseTimeout(value, options.timeoutSeconds);
            }
        } else if (TakeValue("--jobs", count, arguments, index, value, error)) {
            if (error.empty()) {
                error = ParseCount("--jobs", value, options.jobs);
            }
        } else if (TakeValue("--repeat", count, arguments, index, value, error)) {
            if (error.empty()) {
                error = ParseCount("--repeat", value, options.repeat);
            }
        } else if (TakeValue("--shard", count, arguments, index, value, error)) {
            if (error.empty()) {
                error = run::ParseShard(value, options.shardIndex, options.shardCount);
            }
            options.shardGiven = true;
        } else if (TakeValue("--seed", count, arguments, index, value, error)) {
            if (error.empty()) {
                error = ParseSeed(value, options.seed);
            }
            options.seedGiven = true;
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
    if (options.jobs > 1) {
        options.isolate = true;
    }
    return CheckCombinations(options, quietGiven, verboseGiven);
}

std::string ApplyEnvironment(Options &options, const std::function<const char *(const char *)> &lookup) {
    const auto text = [&](const char *name) {
        const char *value = lookup(name);
        return std::string(value != nullptr ? value : "");
    };
    const std::string total = text("TEST_TOTAL_SHARDS");
    if (!total.empty()) {
        options.shardStatusFile = text("TEST_SHARD_STATUS_FILE");
    }
    if (!total.empty() && !options.shardGiven) {
        const std::string error =
            run::ParseShard(text("TEST_SHARD_INDEX") + "/" + total, options.shardIndex, options.shardCount);
        if (!error.empty()) {
            return "TEST_SHARD_INDEX and TEST_TOTAL_SHARDS: " + error.substr(error.find("needs"));
        }
    }
    if (options.junitPath.empty()) {
        options.junitPath = text("XML_OUTPUT_FILE");
        return ReportClash(options, "XML_OUTPUT_FILE");
    }
    return std::string();
}

std::string UsageText(const std::string &program) {
    return "Usage: " + program +
           " [options] TEST_DLL...\n"
           "Runs the tests of each test library in turn and reports the results.\n"
           "\n"
           "Options:\n"
           "  --list             print the tests as Batch.Test, one a line, and run nothing;\n"
           "                     control characters and \\ as escapes (\\n, \\x1b, \\\\)\n"
           "  --json FILE        with --list, also write the listed tests to FILE as JSON,\n"
           "                     with each test's source file and line where known\n"
           "  --filter POSITIVE[-NEGATIVE]\n"
           "                     run only the tests whose Batch.Test matches a positive\n"
           "                     pattern (any, when there is none) and no negative one:\n"
           "                     globs (* and ?) separated by ':', everything after the\n"
           "                     first '-' negative; e.g. Parser.*-*Slow*:*Flaky*\n"
           "  --xml FILE         write the library's XML report with all items; with several\n"
           "                     test libraries, FILE-<library name> for each, numbered\n"
           "                     (-2, -3) after the first of the same file name\n"
           "  --junit FILE       write a JUnit XML report of all test libraries, to another\n"
           "                     file than --xml\n"
           "  --tap FILE         write the results as TAP version 14 to FILE, or with - to\n"
           "                     standard output, the runner's own lines then going to\n"
           "                     standard error\n"
           "  --timeout SECONDS  fail a test that takes longer (a decimal number such as 2\n"
           "                     or 0.5), its setups included; the tests then run in a\n"
           "                     worker process, and without --isolate the run ends there\n"
           "  --isolate          run the tests in worker processes: a test that ends its\n"
           "                     process fails, and the other tests go on\n"
           "  --jobs N           run up to N workers at once, whole batches each (implies\n"
           "                     --isolate); output stays in registration order\n"
           "  --shard I/N        run only share I of N (0 <= I < N) of the selected tests\n"
           "                     of all test libraries; without it, TEST_SHARD_INDEX and\n"
           "                     TEST_TOTAL_SHARDS give the share\n"
           "  --repeat N         run the selected tests N times\n"
           "  --shuffle          run batches and tests in a random order, each test with its\n"
           "                     batch's setup and tear-down; the seed is printed\n"
           "  --seed S           the seed for --shuffle, to replay an order (only with\n"
           "                     --shuffle)\n"
           "  --fail-fast        start no test after the first failure, each test with its\n"
           "                     batch's setup and tear-down\n"
           "  --allow-empty      let a run that selects no test pass\n"
           "  --break-on-failure stop in an attached debugger at a failing check or a crash\n"
           "                     (not with --isolate, --jobs or --timeout: the debugger\n"
           "                     cannot see their worker processes)\n"
           "  --quiet, -q        print only failures and the closing line\n"
           "  --verbose, -v      print a line for every test (not with --quiet)\n"
           "  --help, -h         print this text\n"
           "\n"
           "Exit codes: 0 every selected test passed; 1 a test failed or crashed, or a\n"
           "test library's registration refused a test or a setup function;\n"
           "2 a usage error, shard variables in error, a test library or report that\n"
           "cannot be loaded or written, or a filter, shard or list that selects no test\n"
           "(unless --allow-empty); 3 a test ran longer than the timeout, or a test\n"
           "library's loading or unloading did; 4 a test, or a test library's loading,\n"
           "ended the runner's own process (exit, ExitProcess), without --isolate.\n"
           "XML_OUTPUT_FILE names the JUnit report when --junit is not given. With\n"
           "TEST_TOTAL_SHARDS set, the file TEST_SHARD_STATUS_FILE names is created.\n"
           "Colour is used only on a terminal, and never when NO_COLOR is set.\n";
}

}  // namespace console
