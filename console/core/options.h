// The console runner's command line: which test libraries, and what to do with them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace console {

enum class Verbosity { Quiet, Normal, Verbose };

struct Options {
    std::vector<std::string> libraries;
    std::string filter;         // "" selects every test
    std::string xmlPath;        // "" writes no library report
    std::string junitPath;      // "" writes no JUnit report
    std::string jsonPath;       // "" writes no JSON list (only with list)
    std::string tapPath;        // "" writes no TAP stream, "-" writes it to standard output
    double timeoutSeconds = 0;  // 0: no limit
    Verbosity verbosity = Verbosity::Normal;
    bool list = false;
    bool help = false;
    bool isolate = false;     // run the tests in worker processes
    unsigned jobs = 1;        // workers at once; above 1 implies isolate
    unsigned shardIndex = 0;  // run only shard shardIndex of shardCount
    unsigned shardCount = 1;
    bool shardGiven = false;  // --shard was given, even 0/1: the environment's shard is not taken
    unsigned repeat = 1;
    unsigned retries = 0;  // how many more times a failed test is tried
    bool shuffle = false;
    bool seedGiven = false;
    uint64_t seed = 0;
    bool failFast = false;
    bool allowEmpty = false;
    bool breakOnFailure = false;  // only with the tests in this process
    bool noCapture = false;       // tests write straight to the runner's output
    std::string shardStatusFile;  // touched when the run shards, for the build tool
    std::string workerChannel;    // set in a worker: its channel to its parent
};

// One option of the command line, from which both the parser and the usage text
// are made.
struct OptionRow {
    const char *name;       // "--filter"
    const char *shortName;  // "-q", or nullptr
    const char *argument;   // what its value is called, or nullptr for an option without one
    const char *help;       // lines separated by '\n'; nullptr keeps it out of the usage text
    // Sets what the option says ("" as the value of one without): "" or what is wrong.
    std::string (*apply)(Options &options, const std::string &value);
    // The options it cannot go with, and why, "{}" standing for the one given.
    std::vector<const char *> conflicts = {};
    const char *conflictText = nullptr;
    // The option it needs, and why.
    const char *requires = nullptr;
    const char *requiresText = nullptr;
    // Whether, given, it takes effect by its value; nullptr: always.
    bool (*inEffect)(const Options &options) = nullptr;
};

// Every option, in the order of the usage text.
const std::vector<OptionRow> &OptionTable();

// The seed a shuffled run uses: the given one, else one from the clock.
uint64_t SeedFor(const Options &options);

// Fills options from arguments[1..count); returns "" or what is wrong with them.
std::string ParseOptions(int count, const char *const *arguments, Options &options);

// Takes what a build tool's test environment asks for, where the command line did
// not: the shard (TEST_TOTAL_SHARDS, TEST_SHARD_INDEX) and the JUnit report
// (XML_OUTPUT_FILE). The file that says the runner shards (TEST_SHARD_STATUS_FILE)
// is taken whenever the environment shards, also when --shard wins: the runner does
// understand sharding, and the command line's choice is the user's. Returns "" or
// what is wrong, which is no usage error.
std::string ApplyEnvironment(Options &options, const std::function<const char *(const char *)> &lookup);

// The help text, with the program's name.
std::string UsageText(const std::string &program);

}  // namespace console
