// The console runner's cost: trivial tests run by the runner's own session code in
// this process, with and without a JUnit report and with a timeout and the library
// report, next to the library's loading and run of the same tests alone, measured
// first (the runner's event handler cannot be removed once installed); the runner
// program with two workers; and a CPU-bound suite with one worker and with two.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#  include <sys/wait.h>
#endif
#ifdef __GLIBC__
#  include <malloc.h>
#endif

#include "bench_support.h"
#include "library_loader.h"
#include "norvik.h"
#include "options.h"
#include "session.h"
#include "test_worker.h"

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

// Keeps freed memory in the process, as a single run does. Otherwise the allocator
// hands the top of the heap back to the system at the end of a session, and the
// next session's library faults those pages in again while it keeps each test's
// file name; the library's run alone, which leaves nothing above its memory, never
// does, and the difference would be charged to the runner.
void KeepFreedMemory() {
#ifdef __GLIBC__
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
#endif
}

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

// What the library does in a session without the runner, in this process and
// without an event handler: loading (the test library registers its tests) with
// releasing, and the first run of every test after loading, as in a session. A
// re-run costs less: the first run also keeps each test's file name.
struct LibraryTimes {
    double load = 1e300;
    double run = 1e300;
};

LibraryTimes TimeLibrary(const std::string &library) {
    LibraryTimes best;
    for (int run = 0; run < kSessionRuns; ++run) {
        bench::Stopwatch loading;
        bench::Require(loader::LoadTestLibrary(library.c_str()) == loader::LoadFailure::None, "loading the library");
        const double loaded = loading.Elapsed();
        bench::Stopwatch running;
        bench::Require(NvkBatchRun(nullptr) == 1, "the library's run");
        best.run = std::min(best.run, running.Elapsed());
        bench::Stopwatch releasing;
        loader::ReleaseTestLibrary();
        best.load = std::min(best.load, loaded + releasing.Elapsed());
    }
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

// A session with a time limit runs its tests in workers, which start as this program:
// it serves them as the runner would.
bool IsWorkerStart(int argc, char **argv, int &status) {
    console::Options options;
    if (!console::ParseOptions(argc, argv, options).empty() || options.workerChannel.empty()) {
        return false;
    }
    status = run::RunTestWorker(options.workerChannel, options.libraries.empty() ? "" : options.libraries[0]);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    int workerStatus = 0;
    if (IsWorkerStart(argc, argv, workerStatus)) {
        return workerStatus;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: console_bench RUNNER TRIVIAL_LIBRARY BUSY_LIBRARY\n");
        return 2;
    }
    KeepFreedMemory();
    const std::string runner = std::string("\"") + argv[1] + "\" ";
    const std::string trivial = std::string(" \"") + argv[2] + "\"";
    const std::string busy = std::string(" \"") + argv[3] + "\"";
    const int sizes[] = {10000, 100000};
    LibraryTimes library[2];
    for (int size = 0; size < 2; ++size) {
        SetTestCount(sizes[size]);
        library[size] = TimeLibrary(argv[2]);
    }
    for (int size = 0; size < 2; ++size) {
        const int tests = sizes[size];
        SetTestCount(tests);
        const double load = library[size].load;
        const double run = library[size].run;
        Print("library_load", tests, load, 0);
        Print("library_run", tests, run, 0);
        // The sessions less the library's loading: the library's run and all the runner adds.
        Print("session_run", tests, TimeSession(argv[2], {}, 0) - load, run);
        // What keeping each test's output costs where no test prints.
        Print("session_run_no_capture", tests, TimeSession(argv[2], {"--no-capture"}, 0) - load, run);
        Print("session_run_junit", tests, TimeSession(argv[2], {"--junit", "bench-junit.xml"}, 0) - load, run);
        Print("session_run_timeout_xml", tests,
              TimeSession(argv[2], {"--timeout", "600", "--xml", "bench-report.xml"}, 0) - load, run);
        const double programStart = TimeCommand(runner + "--allow-empty --filter None.None" + trivial, 0);
        Print("program_jobs2_run", tests, TimeCommand(runner + "--jobs 2" + trivial, 0) - programStart, run);
    }
    const double oneWorker = TimeCommand(runner + "--jobs 1" + busy, 0);
    const double twoWorkers = TimeCommand(runner + "--jobs 2" + busy, 0);
    std::fprintf(stderr, "cpu_bound jobs1=%.3f s jobs2=%.3f s ratio=%.2f\n", oneWorker, twoWorkers,
                 twoWorkers / oneWorker);
    std::remove("bench-junit.xml");
    std::remove("bench-report.xml");
    return 0;
}
