// The console runner's decisions from plain text: its options, the test name
// filter and the report paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "name_filter.h"
#include "options.h"
#include "report_paths.h"
#include "worker_contract.h"

namespace {

using console::Options;
using console::Verbosity;

std::string Parse(std::vector<const char *> arguments, Options &options) {
    arguments.insert(arguments.begin(), "norvik-run");
    return console::ParseOptions(static_cast<int>(arguments.size()), arguments.data(), options);
}

TEST(ConsoleOptions, ValuesComeAfterTheNameOrAnEqualsSign) {
    Options options;
    ASSERT_EQ("", Parse({"--xml", "r.xml", "--junit=j.xml", "--filter=A.*", "--timeout", "1.5", "-v", "a.dll", "--list",
                         "--json=l.json", "--", "-b.dll"},
                        options));
    EXPECT_EQ("r.xml", options.xmlPath);
    EXPECT_EQ("j.xml", options.junitPath);
    EXPECT_EQ("A.*", options.filter);
    EXPECT_EQ(1.5, options.timeoutSeconds);
    EXPECT_EQ(Verbosity::Verbose, options.verbosity);
    EXPECT_TRUE(options.list);
    EXPECT_EQ("l.json", options.jsonPath);
    EXPECT_EQ((std::vector<std::string>{"a.dll", "-b.dll"}), options.libraries);

    Options single;
    ASSERT_EQ("", Parse({"-", "-q", "--break-on-failure", "--jobs", "1"}, single));
    EXPECT_EQ(std::vector<std::string>{"-"}, single.libraries);
    EXPECT_EQ(Verbosity::Quiet, single.verbosity);
    EXPECT_TRUE(single.breakOnFailure) << "one job runs in the runner's own process";
    Options help;
    EXPECT_EQ("", Parse({"-h"}, help));
    EXPECT_TRUE(help.help);
}

TEST(ConsoleOptions, EachMistakeIsNamed) {
    const struct {
        std::vector<const char *> arguments;
        const char *error;
    } cases[] = {
        {{}, "no test library given"},
        {{"--quiet"}, "no test library given"},
        {{"a.dll", "--junit"}, "--junit needs a value"},
        {{"--filter=", "a.dll"}, "--filter needs a value"},
        {{"--xmlfile", "r.xml", "a.dll"}, "unknown option --xmlfile"},
        {{"--jobs", "0", "a.dll"}, "--jobs needs a whole number from 1 to 100000, not \"0\""},
        {{"--repeat=-2", "a.dll"}, "--repeat needs a whole number from 1 to 100000, not \"-2\""},
        {{"--shuffle", "--seed", "x", "a.dll"},
         "--seed needs a whole number from 0 to 18446744073709551615, not \"x\""},
        {{"--shuffle", "--seed", "18446744073709551616", "a.dll"},
         "--seed needs a whole number from 0 to 18446744073709551615, not \"18446744073709551616\""},
        {{"--seed", "5", "a.dll"}, "--seed replays a --shuffle order: give --shuffle too"},
        {{"-q", "--verbose", "a.dll"}, "--quiet and --verbose ask for opposite output: give one of them"},
        {{"--json", "l.json", "a.dll"}, "--json writes the list of --list: give --list too"},
        {{"--break-on-failure", "--isolate", "a.dll"},
         "--break-on-failure stops in a debugger attached to the runner, which cannot see the worker processes "
         "that --isolate runs the tests in: give one of them"},
        {{"--jobs=2", "--break-on-failure", "a.dll"},
         "--break-on-failure stops in a debugger attached to the runner, which cannot see the worker processes "
         "that --jobs runs the tests in: give one of them"},
        {{"--break-on-failure", "--isolate", "--timeout", "1", "a.dll"},
         "--break-on-failure stops in a debugger attached to the runner, which cannot see the worker processes "
         "that --timeout runs the tests in: give one of them"},
        {{"--shard", "3/3", "a.dll"}, "--shard needs INDEX/COUNT with 0 <= INDEX < COUNT, not \"3/3\""},
        {{"--shard=1/", "a.dll"}, "--shard needs INDEX/COUNT with 0 <= INDEX < COUNT, not \"1/\""},
        {{"--junit", "./r.xml", "--xml", "r.xml", "a.dll"},
         "--junit names ./r.xml, the file of the --xml report: give each report its own file"},
        {{"--junit", "r-t-2.xml", "--xml", "r.xml", "a/t.dll", "b/t.dll"},
         "--junit names r-t-2.xml, the file of the --xml report of b/t.dll: give each report its own file"},
    };
    for (const auto &check : cases) {
        Options options;
        EXPECT_EQ(check.error, Parse(check.arguments, options));
    }
}

// The arguments that give the option with a value it takes.
std::vector<const char *> Given(const console::OptionRow &row) {
    if (row.argument == nullptr) {
        return {row.name};
    }
    const std::string name = row.name;
    return {row.name, name == "--jobs" ? "2" : name == "--timeout" ? "1" : name == "--seed" ? "5" : "x.out"};
}

// Every conflict the table declares is refused whichever comes first, every option
// that needs another is refused without it, and the usage shows each option but the
// worker's channel, which the parser still takes.
TEST(ConsoleOptions, TheTableDrivesTheCombinationsAndTheUsage) {
    const std::string usage = console::UsageText("norvik-run");
    for (const console::OptionRow &row : console::OptionTable()) {
        EXPECT_EQ(row.help != nullptr, usage.find(std::string("\n  ") + row.name) != std::string::npos) << row.name;
        for (const char *other : row.conflicts) {
            const console::OptionRow *otherRow = nullptr;
            for (const console::OptionRow &each : console::OptionTable()) {
                otherRow = std::string(each.name) == other ? &each : otherRow;
            }
            ASSERT_NE(nullptr, otherRow) << other;
            std::string expected = row.conflictText;
            expected.replace(expected.find("{}"), 2, other);
            for (const bool rowFirst : {true, false}) {
                std::vector<const char *> arguments = Given(rowFirst ? row : *otherRow);
                const std::vector<const char *> second = Given(rowFirst ? *otherRow : row);
                arguments.insert(arguments.end(), second.begin(), second.end());
                arguments.push_back("a.dll");
                Options options;
                EXPECT_EQ(expected, Parse(arguments, options)) << row.name << " " << other;
            }
        }
        if (row.requires != nullptr) {
            std::vector<const char *> arguments = Given(row);
            arguments.push_back("a.dll");
            Options options;
            EXPECT_EQ(row.requiresText, Parse(arguments, options)) << row.name;
        }
    }
    EXPECT_EQ(std::string::npos, usage.find(run::kWorkerChannelOption));
    Options worker;
    ASSERT_EQ("", Parse({run::kWorkerChannelOption, "channel", "a.dll"}, worker));
    EXPECT_EQ("channel", worker.workerChannel);
}

// Plain decimal numbers only; strtod would also read hex, exponents, "inf" and "nan".
TEST(ConsoleOptions, TimeoutsAreSecondsWrittenAsPlainDecimals) {
    const struct {
        const char *text;
        double seconds;  // 0: refused
    } cases[] = {
        {"2", 2},     {"0.5", 0.5}, {"2.", 2}, {".5", 0.5}, {"10000000000", 1e10},
        {"0", 0},     {"0.0", 0},   {"2s", 0}, {"inf", 0},  {"nan", 0},
        {"0x10", 0},  {"1e3", 0},   {"+2", 0}, {"-1", 0},   {" 2", 0},
        {"1.2.3", 0}, {".", 0},
    };
    for (const auto &check : cases) {
        Options options;
        const std::string error = Parse({"--timeout", check.text, "a.dll"}, options);
        if (check.seconds > 0) {
            EXPECT_EQ("", error) << check.text;
            EXPECT_EQ(check.seconds, options.timeoutSeconds) << check.text;
        } else {
            EXPECT_EQ(std::string("--timeout needs a number of seconds above 0, such as 2 or 0.5, not \"") +
                          check.text + "\"",
                      error);
        }
    }
}

TEST(ConsoleOptions, RunControlAndTheBuildToolsEnvironment) {
    Options options;
    ASSERT_EQ("", Parse({"--jobs=3", "--shard", "1/4", "--repeat", "2", "--shuffle", "--seed", "18446744073709551615",
                         "--fail-fast", "--allow-empty", "a.dll"},
                        options));
    EXPECT_TRUE(options.isolate);
    EXPECT_EQ(3u, options.jobs);
    EXPECT_EQ(1u, options.shardIndex);
    EXPECT_EQ(4u, options.shardCount);
    EXPECT_EQ(2u, options.repeat);
    EXPECT_TRUE(options.shuffle && options.seedGiven && options.failFast && options.allowEmpty);
    EXPECT_EQ(~uint64_t(0), options.seed);

    const auto environment = [](const char *name) -> const char * {
        const std::string wanted = name;
        if (wanted == "TEST_TOTAL_SHARDS") {
            return "5";
        }
        if (wanted == "TEST_SHARD_INDEX") {
            return "2";
        }
        if (wanted == "TEST_SHARD_STATUS_FILE") {
            return "status";
        }
        if (wanted == "XML_OUTPUT_FILE") {
            return "out.xml";
        }
        return nullptr;
    };
    Options fromEnvironment;
    ASSERT_EQ("", console::ApplyEnvironment(fromEnvironment, environment));
    EXPECT_EQ(2u, fromEnvironment.shardIndex);
    EXPECT_EQ(5u, fromEnvironment.shardCount);
    EXPECT_EQ("status", fromEnvironment.shardStatusFile);
    EXPECT_EQ("out.xml", fromEnvironment.junitPath);
    // The command line wins, also with a single share; the runner still tells the
    // build tool that it shards.
    Options wholeRun;
    ASSERT_EQ("", Parse({"--shard", "0/1", "a.dll"}, wholeRun));
    ASSERT_EQ("", console::ApplyEnvironment(wholeRun, environment));
    EXPECT_EQ(0u, wholeRun.shardIndex);
    EXPECT_EQ(1u, wholeRun.shardCount);
    EXPECT_EQ("status", wholeRun.shardStatusFile);
    Options brokenButOverruled;
    ASSERT_EQ("", Parse({"--shard", "1/4", "a.dll"}, brokenButOverruled));
    EXPECT_EQ("", console::ApplyEnvironment(brokenButOverruled, [](const char *name) -> const char * {
                  return std::string(name) == "TEST_TOTAL_SHARDS" ? "5" : nullptr;
              }));
    EXPECT_EQ(1u, brokenButOverruled.shardIndex);

    Options sameReport;
    ASSERT_EQ("", Parse({"--xml", "OUT.XML", "a.dll"}, sameReport));
    EXPECT_EQ("XML_OUTPUT_FILE names out.xml, the file of the --xml report: give each report its own file",
              console::ApplyEnvironment(sameReport, environment));

    Options broken;
    EXPECT_EQ("TEST_SHARD_INDEX and TEST_TOTAL_SHARDS: needs INDEX/COUNT with 0 <= INDEX < COUNT, not \"/5\"",
              console::ApplyEnvironment(broken, [](const char *name) -> const char * {
                  return std::string(name) == "TEST_TOTAL_SHARDS" ? "5" : nullptr;
              }));
}

TEST(NameFilter, GlobsBeforeTheFirstMinusIncludeAndThoseAfterItExclude) {
    const struct {
        const char *patterns;
        const char *name;
        bool selected;
    } cases[] = {
        {"", "Batch.Test", true},
        {"Batch.*", "Batch.Test", true},
        {"Batch.*", "Other.Test", false},
        {"*.Test", "Batch.Test", true},
        {"Batch.Tes?", "Batch.Test", true},
        {"Batch.Tes?", "Batch.Tests", false},
        {"batch.test", "Batch.Test", false},
        {"-*Slow*", "Batch.Fast", true},
        {"-*Slow*", "Batch.Slow", false},
        {"Batch.*:-*Wrap*", "Batch.WrapsAround", false},
        {"*:-*Exits*:*Sleeps*", "GzFile.Sleeps", false},
        {"*:-*Exits*:*Sleeps*", "GzFile.Reads", true},
        {"GzFile.*-*Exits*", "GzFile.Reads", true},
        {"GzFile.*-*Exits*", "GzFile.Exits", false},
        {"GzFile.*-*Exits*", "Other.Reads", false},
        {"Dash-Batch.Test", "Dash-Batch.Test", false},
        {"Dash?Batch.Test", "Dash-Batch.Test", true},
        {"Batch.Rows/2", "Batch.Rows/2", true},
        {"Batch.Rows/2", "Batch.Rows/20", false},
        {"Batch.Rows/*", "Batch.Rows/named", true},
        {"-", "Batch.Test", true},
        {"Other.*:Batch.Test", "Batch.Test", true},
        {"::Batch.Test::", "Batch.Test", true},
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"*", "", true},
    };
    for (const auto &check : cases) {
        EXPECT_EQ(check.selected, console::TestFilter(check.patterns).Selects(check.name))
            << check.patterns << " on " << check.name;
    }
}

TEST(ReportPaths, EachLibraryRunGetsAReportOfItsOwn) {
    const struct {
        const char *report;
        std::vector<std::string> libraries;
        std::vector<std::string> expected;
    } cases[] = {
        {"report.xml", {"bin/Tests.dll"}, {"report.xml"}},
        {"report.xml", {"bin/Tests.dll", "Other"}, {"report-Tests.xml", "report-Other.xml"}},
        {"out/report", {"C:\\bin\\Tests.dll", "x.dll"}, {"out/report-Tests", "out/report-x"}},
        {"out.d/report", {"lib.d/Tests", "x.dll"}, {"out.d/report-Tests", "out.d/report-x"}},
        {"r.xml", {"a/t.dll", "b/t.dll", "t.dll"}, {"r-t.xml", "r-t-2.xml", "r-t-3.xml"}},
        {"r.xml", {"t.dll", "u.dll", "t.dll"}, {"r-t.xml", "r-u.xml", "r-t-2.xml"}},
        // A library's own name is never taken from it, and case does not tell two apart.
        {"r.xml", {"a/t.dll", "b/T.dll", "c/t-2.dll"}, {"r-t.xml", "r-T-3.xml", "r-t-2.xml"}},
    };
    for (const auto &check : cases) {
        for (size_t index = 0; index < check.libraries.size(); ++index) {
            EXPECT_EQ(check.expected[index], console::LibraryReportPath(check.report, check.libraries, index));
        }
    }

    Options options;
    options.libraries = {"a/One.dll", "Two.dll", "a/One.dll"};
    EXPECT_TRUE(console::ReportsDuringLibrary(options, "a/One.dll").empty());
    options.junitPath = "junit.xml";
    options.xmlPath = "report.xml";
    EXPECT_EQ((std::vector<std::string>{"junit.xml", "report-One.xml", "report-One-2.xml"}),
              console::ReportsDuringLibrary(options, "a/One.dll"));
}

TEST(ReportPaths, PathsAreComparedAsWindowsWouldName) {
    const struct {
        const char *a;
        const char *b;
        bool same;
    } cases[] = {
        {"r.xml", "./r.xml", true},    {"out/./r.xml", "out//r.xml", true},    {"C:\\Out\\R.XML", "c:/out/r.xml", true},
        {"/r.xml", "r.xml", false},    {"//host/r.xml", "/host/r.xml", false}, {"../r.xml", "r.xml", false},
        {"r.xml", "r.xml.xml", false},
    };
    for (const auto &check : cases) {
        EXPECT_EQ(check.same, console::SameReportPath(check.a, check.b)) << check.a << " and " << check.b;
    }
}

}  // namespace
