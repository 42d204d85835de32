// The console runner's cost: trivial tests run by the runner's own session code in
// this process, with and without a JUnit report and with a timeout and the library
// report, next to the library's run of the same tests alone, measured first (the
// runner's event handler cannot be removed once installed); the runner program with
// two workers; and a CPU-bound suite with one worker and with two.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#  include <sys/wait.h>
#endif

#include "bench_support.h"
#include "library_loader.h"
#include "norvik.h"
#include "options.h"
#include "run_session.h"

namespace {

constexpr int kRuns = 5;
// The run is a small part of a session: the best of many sessions, not their median,
// keeps the machine's noise out of the difference between two of them.
constexpr int kSessionRuns = 31;

void SetTestCount(int count) {
    const std::string value = std::to_string(count);
#ifdef _WIN32
    _putenv_s("NORVIK_BENCH_TESTS", value.c_str());
#else
    setenv("NORVIK_BENCH_TESTS", value.c_str(), 1);
#endif
}

#ifdef _WIN32
const char kDiscard[] = " >NUL 2>&1";
#else
const char kDiscard[] = " >/dev/null 2>&1";
#endif

// The median wall time of the command, which must exit with the given code.
double TimeCommand(const std::string &command, int expectedExit) {
    std::vector<double> samples;
    for (int run = 0; run < kRuns; ++run) {
        bench::Stopwatch stopwatch;
#ifdef _WIN32
        // cmd drops the first and the last quote of its command line.
        const int status = std::system(("\"" + command + kDiscard + "\"").c_str());
#else
        const int status = std::system((command + kDiscard).c_str());
#endif
        samples.push_back(stopwatch.Elapsed());
#ifndef _WIN32
        bench::Require(WIFEXITED(status) && WEXITSTATUS(status) == expectedExit, command.c_str());
#else
        bench::Require(status == expectedExit, command.c_str());
#endif
    }
    return bench::Median(samples);
}

// The library's run of every test, in this process, without an event handler.
double TimeLibraryRun(const std::string &library) {
    bench::Require(loader::LoadTestLibrary(library.c_str()) == loader::LoadFailure::None, "loading the library");
    double best = 1e300;
    for (int run = 0; run < kSessionRuns; ++run) {
        bench::Stopwatch stopwatch;
        bench::Require(NvkBatchRun(nullptr) == 1, "the library's run");
        best = std::min(best, stopwatch.Elapsed());
    }
    loader::ReleaseTestLibrary();
    return best;
}

#ifdef _WIN32
const char kNullDevice[] = "NUL";
#else
const char kNullDevice[] = "/dev/null";
#endif

// A whole session of the runner in this process, its output discarded: loading,
// registering, running and reporting.
double TimeSession(const std::string &library, const std::vector<std::string> &arguments, int expectedExit) {
    std::vector<const char *> argv = {"norvik-run", "--quiet"};
    for (const std::string &argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(library.c_str());
    console::Options options;
    bench::Require(console::ParseOptions(static_cast<int>(argv.size()), argv.data(), options).empty(), "options");
    double best = 1e300;
    for (int run = 0; run < kSessionRuns; ++run) {
        std::fflush(stdout);
        bench::Require(std::freopen(kNullDevice, "w", stdout) != nullptr, "discarding the output");
        bench::Stopwatch stopwatch;
        const int status = console::RunSession(options);
        best = std::min(best, stopwatch.Elapsed());
        bench::Require(status == expectedExit, "the session's exit code");
    }
    return best;
}

void Print(const char *name, int tests, double seconds, double base) {
    std::fprintf(stderr, "tests=%d %s=%.4f s per_test_us=%.3f", tests, name, seconds, seconds * 1e6 / tests);
    // The runner's own cost: what its run adds to the library's run inside it.
    if (base > 0) {
        std::fprintf(stderr, " ratio_to_library=%.2f own_cost_ratio=%.2f", seconds / base, seconds / base - 1);
    }
    std::fprintf(stderr, "\n");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: console_bench RUNNER TRIVIAL_LIBRARY BUSY_LIBRARY\n");
        return 2;
    }
    const std::string runner = std::string("\"") + argv[1] + "\" ";
    const std::string trivial = std::string(" \"") + argv[2] + "\"";
    const std::string busy = std::string(" \"") + argv[3] + "\"";
    const int sizes[] = {10000, 100000};
    double library[2];
    for (int size = 0; size < 2; ++size) {
        SetTestCount(sizes[size]);
        library[size] = TimeLibraryRun(argv[2]);
    }
    for (int size = 0; size < 2; ++size) {
        const int tests = sizes[size];
        SetTestCount(tests);
        // Loading and registering with nothing to run, taken off the sessions below
        // to give the runner's cost of running.
        const double start = TimeSession(argv[2], {"--allow-empty", "--filter", "None.None"}, 0);
        Print("library_run", tests, library[size], 0);
        Print("session_start", tests, start, 0);
        Print("session_run", tests, TimeSession(argv[2], {}, 0) - start, library[size]);
        Print("session_run_junit", tests, TimeSession(argv[2], {"--junit", "bench-junit.xml"}, 0) - start,
              library[size]);
        Print("session_run_timeout_xml", tests,
              TimeSession(argv[2], {"--timeout", "600", "--xml", "bench-report.xml"}, 0) - start, library[size]);
        const double programStart = TimeCommand(runner + "--allow-empty --filter None.None" + trivial, 0);
        Print("program_jobs2_run", tests, TimeCommand(runner + "--jobs 2" + trivial, 0) - programStart, library[size]);
    }
    const double oneWorker = TimeCommand(runner + "--jobs 1" + busy, 0);
    const double twoWorkers = TimeCommand(runner + "--jobs 2" + busy, 0);
    std::fprintf(stderr, "cpu_bound jobs1=%.3f s jobs2=%.3f s ratio=%.2f\n", oneWorker, twoWorkers,
                 twoWorkers / oneWorker);
    std::remove("bench-junit.xml");
    std::remove("bench-report.xml");
    return 0;
}
