#include "options.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "report_paths.h"
#include "run_plan.h"
#include "worker_contract.h"

namespace console {
namespace {

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

template <typename Value>
std::string Set(Value &field, const Value &value) {
    field = value;
    return std::string();
}

const char kWorkerOptionsClash[] =
    "--break-on-failure stops in a debugger attached to the runner, which cannot see the worker processes that {} "
    "runs the tests in: give one of them";

// Each option once: what the parser takes and the usage text shows. Combinations are
// checked in the table's order, each row's conflicts in the order it names them.
const std::vector<OptionRow> kOptions = {
    {"--list", nullptr, nullptr,
     "print the tests as Batch.Test, one a line, and run nothing;\n"
     "control characters and \\ as escapes (\\n, \\x1b, \\\\)",
     [](Options &o, const std::string &) { return Set(o.list, true); }},
    {"--json",
     nullptr,
     "FILE",
     "with --list, also write the listed tests to FILE as JSON,\n"
     "with each test's source file and line where known",
     [](Options &o, const std::string &v) { return Set(o.jsonPath, v); },
     {},
     nullptr,
     "--list",
     "--json writes the list of --list: give --list too"},
    {"--filter", nullptr, "POSITIVE[-NEGATIVE]",
     "run only the tests whose Batch.Test matches a positive\n"
     "pattern (any, when there is none) and no negative one:\n"
     "globs (* and ?) separated by ':', everything after the\n"
     "first '-' negative; e.g. Parser.*-*Slow*:*Flaky*",
     [](Options &o, const std::string &v) { return Set(o.filter, v); }},
    {"--xml", nullptr, "FILE",
     "write the library's XML report with all items; with several\n"
     "test libraries, FILE-<library name> for each, numbered\n"
     "(-2, -3) after the first of the same file name",
     [](Options &o, const std::string &v) { return Set(o.xmlPath, v); }},
    {"--junit", nullptr, "FILE",
     "write a JUnit XML report of all test libraries, to another\n"
     "file than --xml",
     [](Options &o, const std::string &v) { return Set(o.junitPath, v); }},
    {"--tap", nullptr, "FILE",
     "write the results as TAP version 14 to FILE, or with - to\n"
     "standard output, the runner's own lines then going to\n"
     "standard error",
     [](Options &o, const std::string &v) { return Set(o.tapPath, v); }},
    {"--timeout", nullptr, "SECONDS",
     "fail a test that takes longer (a decimal number such as 2\n"
     "or 0.5), its setups included; the tests then run in a\n"
     "worker process, and without --isolate the run ends there",
     [](Options &o, const std::string &v) { return ParseTimeout(v, o.timeoutSeconds); }},
    {"--isolate", nullptr, nullptr,
     "run the tests in worker processes: a test that ends its\n"
     "process fails, and the other tests go on",
     [](Options &o, const std::string &) { return Set(o.isolate, true); }},
    {"--jobs",
     nullptr,
     "N",
     "run up to N workers at once, whole batches each (implies\n"
     "--isolate); output stays in registration order",
     [](Options &o, const std::string &v) { return ParseCount("--jobs", v, o.jobs); },
     {},
     nullptr,
     nullptr,
     nullptr,
     [](const Options &o) { return o.jobs > 1; }},
    {"--shard", nullptr, "I/N",
     "run only share I of N (0 <= I < N) of the selected tests\n"
     "of all test libraries; without it, TEST_SHARD_INDEX and\n"
     "TEST_TOTAL_SHARDS give the share",
     [](Options &o, const std::string &v) {
         o.shardGiven = true;
         return run::ParseShard(v, o.shardIndex, o.shardCount);
     }},
    {"--repeat", nullptr, "N", "run the selected tests N times",
     [](Options &o, const std::string &v) { return ParseCount("--repeat", v, o.repeat); }},
    {"--retry", nullptr, "N",
     "try a failed test up to N more times, in a new worker with\n"
     "workers; one that then passes is flaky and counts as passed",
     [](Options &o, const std::string &v) { return ParseCount("--retry", v, o.retries); }},
    {"--shuffle", nullptr, nullptr,
     "run batches and tests in a random order, each test with its\n"
     "batch's setup and tear-down; the seed is printed",
     [](Options &o, const std::string &) { return Set(o.shuffle, true); }},
    {"--seed",
     nullptr,
     "S",
     "the seed for --shuffle, to replay an order (only with\n"
     "--shuffle)",
     [](Options &o, const std::string &v) {
         o.seedGiven = true;
         return ParseSeed(v, o.seed);
     },
     {},
     nullptr,
     "--shuffle",
     "--seed replays a --shuffle order: give --shuffle too"},
    {"--fail-fast", nullptr, nullptr,
     "start no test after the first failure, each test with its\n"
     "batch's setup and tear-down",
     [](Options &o, const std::string &) { return Set(o.failFast, true); }},
    {"--allow-empty", nullptr, nullptr, "let a run that selects no test pass",
     [](Options &o, const std::string &) { return Set(o.allowEmpty, true); }},
    // A debugger attached to the runner sees only the runner's own process.
    {"--break-on-failure",
     nullptr,
     nullptr,
     "stop in an attached debugger at a failing check or a crash\n"
     "(not with --isolate, --jobs or --timeout: the debugger\n"
     "cannot see their worker processes)",
     [](Options &o, const std::string &) { return Set(o.breakOnFailure, true); },
     {"--timeout", "--jobs", "--isolate"},
     kWorkerOptionsClash},
    {"--quiet",
     "-q",
     nullptr,
     "print only failures and the closing line",
     [](Options &o, const std::string &) { return Set(o.verbosity, Verbosity::Quiet); },
     {"--verbose"},
     "--quiet and {} ask for opposite output: give one of them"},
    {"--verbose", "-v", nullptr, "print a line for every test, and what each test wrote\n(not with --quiet)",
     [](Options &o, const std::string &) { return Set(o.verbosity, Verbosity::Verbose); }},
    {"--no-capture", nullptr, nullptr,
     "let what tests write through as they write it, instead of\n"
     "keeping it with each test and showing it with its failures",
     [](Options &o, const std::string &) { return Set(o.noCapture, true); }},
    {"--help", "-h", nullptr, "print this text", [](Options &o, const std::string &) { return Set(o.help, true); }},
    // How a runner becomes a worker; no user gives it.
    {run::kWorkerChannelOption, nullptr, "CHANNEL", nullptr,
     [](Options &o, const std::string &v) { return Set(o.workerChannel, v); }},
};

const OptionRow *RowNamed(const std::string &name) {
    for (const OptionRow &row : kOptions) {
        if (name == row.name || (row.shortName != nullptr && name == row.shortName)) {
            return &row;
        }
    }
    return nullptr;
}

// Whether the row's option was given and, where that depends on its value, takes effect.
bool InEffect(const OptionRow &row, const std::vector<const OptionRow *> &given, const Options &options) {
    for (const OptionRow *each : given) {
        if (each == &row) {
            return row.inEffect == nullptr || row.inEffect(options);
        }
    }
    return false;
}

std::string WithName(const char *text, const std::string &name) {
    std::string filled = text;
    const size_t at = filled.find("{}");
    return at == std::string::npos ? filled : filled.replace(at, 2, name);
}

// Options that each make sense alone but not together, or not without another.
std::string CheckCombinations(const Options &options, const std::vector<const OptionRow *> &given) {
    for (const OptionRow &row : kOptions) {
        if (!InEffect(row, given, options)) {
            continue;
        }
        if (row.requires != nullptr && !InEffect(*RowNamed(row.requires), given, options)) {
            return row.requiresText;
        }
        for (const char *other : row.conflicts) {
            if (InEffect(*RowNamed(other), given, options)) {
                return WithName(row.conflictText, other);
            }
        }
    }
    return ReportClash(options, "--junit");
}

// Takes the option at arguments[index], with its value after it or after '='.
std::string TakeOption(int count, const char *const *arguments, int &index, Options &options,
                       std::vector<const OptionRow *> &given) {
    const std::string argument = arguments[index];
    const size_t equals = argument.find('=');
    const OptionRow *row = RowNamed(argument.substr(0, equals));
    if (row == nullptr || (row->argument == nullptr && equals != std::string::npos)) {
        return "unknown option " + argument;
    }
    std::string value;
    if (row->argument != nullptr) {
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (index + 1 < count) {
            value = arguments[++index];
        }
        if (value.empty()) {
            return std::string(row->name) + " needs a value";
        }
    }
    given.push_back(row);
    return row->apply(options, value);
}

}  // namespace

const std::vector<OptionRow> &OptionTable() { return kOptions; }

std::string ParseOptions(int count, const char *const *arguments, Options &options) {
    bool optionsEnded = false;
    std::vector<const OptionRow *> given;
    for (int index = 1; index < count; ++index) {
        const char *argument = arguments[index];
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            options.libraries.push_back(argument);
        } else if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else {
            const std::string error = TakeOption(count, arguments, index, options, given);
            if (!error.empty()) {
                return error;
            }
        }
    }
    if (options.libraries.empty() && !options.help) {
        return "no test library given";
    }
    if (options.jobs > 1) {
        options.isolate = true;
    }
    return CheckCombinations(options, given);
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

// Each option's name, short name and argument, then its help from the 22nd column,
// on a line of its own when the name is longer.
std::string UsageText(const std::string &program) {
    constexpr size_t kHelpColumn = 21;
    std::string text = "Usage: " + program +
                       " [options] TEST_DLL...\n"
                       "Runs the tests of each test library in turn and reports the results.\n"
                       "\n"
                       "Options:\n";
    for (const OptionRow &row : kOptions) {
        if (row.help == nullptr) {
            continue;
        }
        std::string name = std::string("  ") + row.name +
                           (row.shortName != nullptr ? std::string(", ") + row.shortName : "") +
                           (row.argument != nullptr ? std::string(" ") + row.argument : "");
        name += name.size() < kHelpColumn ? std::string(kHelpColumn - name.size(), ' ')
                                          : "\n" + std::string(kHelpColumn, ' ');
        for (const char *line = row.help; *line != '\0';) {
            const char *end = std::strchr(line, '\n');
            const size_t length = end != nullptr ? static_cast<size_t>(end - line) : std::strlen(line);
            text += (line == row.help ? name : std::string(kHelpColumn, ' ')) + std::string(line, length) + "\n";
            line += length + (end != nullptr ? 1 : 0);
        }
    }
    return text +
           "\n"
           "Exit codes: 0 every selected test passed; 1 a test failed or crashed, or a\n"
           "test library's registration refused a test or a setup function;\n"
           "2 a usage error, shard variables in error, a test library or report that\n"
           "cannot be loaded or written, workers that could not run the tests (another\n"
           "registry, a broken protocol), or a filter, shard or list that selects no test\n"
           "(unless --allow-empty); 3 a test ran longer than the timeout, or a test\n"
           "library's loading or unloading did, here or in a worker; 4 a test, or a test\n"
           "library's loading, ended the runner's own process (exit, ExitProcess), or\n"
           "with --timeout the one worker process, without --isolate.\n"
           "XML_OUTPUT_FILE names the JUnit report when --junit is not given. With\n"
           "TEST_TOTAL_SHARDS set, the file TEST_SHARD_STATUS_FILE names is created.\n"
           "Colour is used only on a terminal, and never when NO_COLOR is set.\n";
}

uint64_t SeedFor(const Options &options) {
    if (options.seedGiven) {
        return options.seed;
    }
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007ull;
}

}  // namespace console
